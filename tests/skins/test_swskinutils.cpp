// Text helpers: replacing always ends.
#include <gtest/gtest.h>

#include "skins/swskinutils.h"

TEST(SwSkinUtils, StringReplaceAllCases) {
  struct Case {
    const char* Text;
    const char* Pattern;
    const char* Replacement;
    const char* Want;
  } cases[] = {
      {"a&b&&c", "&", "", "abc"},
      {"aabb", "ab", "", ""},  // a replacement joins new occurrences: replaced too
      {"abab", "ab", "x", "xx"},
      {"abc", "b", "bb", "abbc"},  // replacement holding the pattern: ends
      {"aaa", "a", "aa", "aaaaaa"},
      {"abc", "", "x", "abc"},  // empty pattern: nothing to do
      {"", "a", "b", ""},
      {"xyz", "q", "r", "xyz"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(StringReplaceAll(c.Text, c.Pattern, c.Replacement), c.Want) << c.Text;
}

TEST(SwSkinUtils, RemoveAmpersands) {
  EXPECT_EQ(RemoveAmpersands("&File && &Edit&"), "File  Edit");
  EXPECT_EQ(RemoveAmpersands("&&&&"), "");
}
