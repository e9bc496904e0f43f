#include "console/convert.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/program.h"

namespace {

std::string Bytes(const Text& t) { return std::string(t.data(), t.length()); }

TEST(ConvertCharsetTest, ToOemChangesAccentedLettersOnlyAndLeavesTheSource) {
  Text s("Mat\xE9riel");
  Text r("old");
  ConvertCharset(ToOem, s, r);
  EXPECT_EQ(Bytes(r), "Mat\x82riel");
  EXPECT_EQ(Bytes(s), "Mat\xE9riel");
}

TEST(ConvertCharsetTest, ToAnsiIsTheInverse) {
  Text s("Mat\x82riel"), r;
  ConvertCharset(ToAnsi, s, r);
  EXPECT_EQ(Bytes(r), "Mat\xE9riel");
}

TEST(ConvertCharsetTest, OtherDirectionCopiesAndEmptyGivesEmpty) {
  Text s("\xE9t\xE9"), r;
  ConvertCharset(2, s, r);
  EXPECT_EQ(Bytes(r), "\xE9t\xE9");
  Text empty, out("x");
  ConvertCharset(ToOem, empty, out);
  EXPECT_TRUE(out.empty());
}

TEST(ConvertCharsetTest, SourceAndResultMayBeTheSameText) {
  Text t("\xE9");
  ConvertCharset(ToOem, t, t);
  EXPECT_EQ(Bytes(t), "\x82");
}

}  // namespace
