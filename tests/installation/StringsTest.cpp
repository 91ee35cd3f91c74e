#include "installation/Strings.h"

#include <gtest/gtest.h>

namespace lumox {
namespace {

TEST(Strings, SplitKeepsEveryEmptyPart) {
  EXPECT_EQ(SplitToStrings("a  b", " "), QStringList({"a", "", "b"}));
  EXPECT_EQ(SplitToStrings(" a ", " "), QStringList({"", "a", ""}));
  EXPECT_EQ(SplitToStrings("", " "), QStringList({""}));
  EXPECT_EQ(SplitToStrings("a::b:c", "::"), QStringList({"a", "b:c"}));
  EXPECT_EQ(SplitToStrings("a b", ""), QStringList({"a b"}));
}

TEST(Strings, JoinIsTheInverseOfSplit) {
  EXPECT_EQ(JoinStrings({}, ";"), "");
  EXPECT_EQ(JoinStrings({"a"}, ";"), "a");
  EXPECT_EQ(JoinStrings({"a", "", "b"}, ";"), "a;;b");
  EXPECT_EQ(JoinStrings(SplitToStrings("f1 mini  kart", " "), " "), "f1 mini  kart");
}

TEST(Strings, OnlyOneTrailingBackslashIsStripped) {
  EXPECT_EQ(StripTrailingBackslash("a\\\\"), "a\\");
  EXPECT_EQ(StripTrailingBackslash("data\\tracks\\oval\\"), "data\\tracks\\oval");
  EXPECT_EQ(StripTrailingBackslash("data/"), "data/");
  EXPECT_EQ(StripTrailingBackslash(""), "");
}

}  // namespace
}  // namespace lumox
