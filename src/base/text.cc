#include "base/text.h"

#include <string.h>

Text::Text(const char* bytes, size_t length) {
  if (length != 0) memcpy(Reset(length), bytes, length);
}

Text::Text(const char* zstr) : Text(zstr, strlen(zstr)) {}

Text::Text(const Text& other) : Text(other.data(), other.length()) {}

Text& Text::operator=(const Text& other) {
  if (this != &other) {
    Text copy(other);
    *this = static_cast<Text&&>(copy);
  }
  return *this;
}

Text::Text(Text&& other) noexcept : bytes_(other.bytes_), length_(other.length_) {
  other.bytes_ = nullptr;
  other.length_ = 0;
}

Text& Text::operator=(Text&& other) noexcept {
  if (this != &other) {
    Release();
    bytes_ = other.bytes_;
    length_ = other.length_;
    other.bytes_ = nullptr;
    other.length_ = 0;
  }
  return *this;
}

Text::~Text() { Release(); }

char* Text::Reset(size_t length) {
  Release();
  if (length == 0) return nullptr;
  // The zero after the bytes lets platform calls that want a terminated text take it as is.
  bytes_ = new char[length + 1];
  bytes_[length] = '\0';
  length_ = length;
  return bytes_;
}

void Text::Truncate(size_t length) {
  if (length >= length_) return;
  if (length == 0) {
    Release();
    return;
  }
  length_ = length;
  bytes_[length] = '\0';
}

void Text::Release() {
  delete[] bytes_;
  bytes_ = nullptr;
  length_ = 0;
}

bool Text::Equals(const char* bytes, size_t length) const {
  return length == length_ && (length == 0 || memcmp(bytes_, bytes, length) == 0);
}
