#include "platform/cp1252.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string ToUtf8(const std::string& s) {
  std::string out(s.size() * 3, '\0');
  out.resize(platform::Cp1252ToUtf8(s.data(), &out[0], static_cast<platform::DWORD>(s.size())));
  return out;
}

std::string ToAnsi(const std::string& s) {
  std::string out(s.size(), '\0');
  out.resize(platform::Utf8ToCp1252(s.data(), &out[0], static_cast<platform::DWORD>(s.size())));
  return out;
}

TEST(Cp1252Test, ToUtf8AndBack) {
  const std::string ansi = "Mat\xE9riel \x80 \x9C \xFF \x81 abc";
  const std::string utf8 = "Mat\xC3\xA9riel \xE2\x82\xAC \xC5\x93 \xC3\xBF \xC2\x81 abc";
  EXPECT_EQ(ToUtf8(ansi), utf8);
  EXPECT_EQ(ToAnsi(utf8), ansi);
}

TEST(Cp1252Test, WhatHasNoAnsiFormBecomesAQuestionMark) {
  EXPECT_EQ(ToAnsi("\xE4\xB8\xAD x"), "? x");  // a CJK character
  EXPECT_EQ(ToAnsi("\xC3"), "?");              // cut short
  EXPECT_EQ(ToAnsi("\xFF\xC3\x28"),
            "?"
            "?(");  // malformed
}

TEST(Cp1252Test, UpperCase) {
  std::string s = "az\xE0\xFE\xF7\x9A\x9C\x9E\xFF?/\xDF";
  platform::Cp1252Upper(&s[0], static_cast<platform::DWORD>(s.size()));
  EXPECT_EQ(s, "AZ\xC0\xDE\xF7\x8A\x8C\x8E\x9F?/\xDF");
}

}  // namespace
