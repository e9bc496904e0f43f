// A counted string of 8-bit characters in the ANSI code page. An empty text holds no
// storage, so an empty text and a missing one are the same. Lengths count bytes.
#ifndef FWPEEK_BASE_TEXT_H_
#define FWPEEK_BASE_TEXT_H_

#include <stddef.h>

class Text {
 public:
  Text() = default;
  Text(const char* bytes, size_t length);
  // A zero-terminated constant.
  explicit Text(const char* zstr);
  Text(const Text& other);
  Text& operator=(const Text& other);
  Text(Text&& other) noexcept;
  Text& operator=(Text&& other) noexcept;
  ~Text();

  const char* data() const { return bytes_ ? bytes_ : ""; }
  size_t length() const { return length_; }
  bool empty() const { return length_ == 0; }

  // Releases what the text held and gives it `length` bytes of fresh storage to fill.
  char* Reset(size_t length);
  // Cuts the text to its first `length` bytes (never grows it).
  void Truncate(size_t length);
  void Release();

  bool Equals(const char* bytes, size_t length) const;

 private:
  char* bytes_ = nullptr;
  size_t length_ = 0;
};

#endif  // FWPEEK_BASE_TEXT_H_
