#include "http/pattern_matcher.h"

#include <gtest/gtest.h>

#include "tests/support/case_name.h"

namespace brimlow {
namespace {

struct Options {
  bool case_sensitive = false;
  bool multiline = true;
  bool global = true;
  bool quote_placeholders = false;
};

struct MatchCase {
  const char* name;
  Text pattern;
  Text subject;
  Options options;
  TextArray matches;    // every match's text, in order
  std::vector<int> positions;  // their 1-based positions
  Text first_group;     // group 1 of match 1
};

class PatternMatcherTest : public ::testing::TestWithParam<MatchCase> {};

TEST_P(PatternMatcherTest, FindsTheMatchesAndGroups) {
  const MatchCase& c = GetParam();
  PatternMatcher matcher;
  ASSERT_TRUE(matcher.execute(c.pattern, c.subject, c.options.case_sensitive,
                              c.options.multiline, c.options.global,
                              c.options.quote_placeholders));
  TextArray found;
  std::vector<int> positions;
  for (int i = 1; i <= matcher.match_count(); ++i) {
    int position = -1;
    found.push_back(matcher.match_text(i, &position));
    positions.push_back(position);
  }
  EXPECT_EQ(found, c.matches);
  EXPECT_EQ(positions, c.positions);
  EXPECT_EQ(matcher.submatch_text(1, 1), c.first_group);
}

const Text kZhong = "\xD6\xD0";  // 中 in GBK

INSTANTIATE_TEST_SUITE_P(
    Cases, PatternMatcherTest,
    ::testing::Values(
        MatchCase{"case ignored by default", "a(b)", "xABy", {}, {"AB"}, {2}, "B"},
        MatchCase{"case sensitive", "a(b)", "xABy ab", {true}, {"ab"}, {6}, "b"},
        MatchCase{"no match", "q", "abc", {}, {}, {}, ""},
        MatchCase{"global finds all", "a\\d", "a1 a2 a3", {}, {"a1", "a2", "a3"}, {1, 4, 7}, ""},
        MatchCase{"not global finds first", "a\\d", "a1 a2", {false, true, false}, {"a1"}, {1},
                  ""},
        MatchCase{"dot matches CR but not LF", "a.b", "a\nb a\rb", {}, {"a\rb"}, {5}, ""},
        MatchCase{"multiline anchors", "^x$", "x\nx", {}, {"x", "x"}, {1, 3}, ""},
        MatchCase{"single-line anchors", "^x$", "x\nx", {false, false}, {}, {}, ""},
        MatchCase{"dollar at the very end only", "x$", "x\n", {false, false}, {}, {}, ""},
        MatchCase{"word characters are ASCII", "\\w+", "ab" + kZhong + "cd", {}, {"ab", "cd"},
                  {1, 5}, ""},
        MatchCase{"lazy quantifier", "<(.+?)>", "<a><b>", {}, {"<a>", "<b>"}, {1, 4}, "a"},
        MatchCase{"empty matches step on", "x*", "axb", {}, {"", "x", "", ""}, {1, 2, 3, 4}, ""},
        MatchCase{"empty matches skip trail bytes", "x*", kZhong, {}, {"", ""}, {1, 3}, ""},
        MatchCase{"unset group is empty", "(q)?a", "a", {}, {"a"}, {1}, ""},
        MatchCase{"quote placeholder", "x=#\xD2\xFD\xBA\xC5(\\w+)#\xD2\xFD\xBA\xC5", "x=\"q\"",
                  {false, true, true, true}, {"x=\"q\""}, {1}, "q"},
        MatchCase{"placeholder kept without the switch", "#\xD2\xFD\xBA\xC5", "\"",
                  {}, {}, {}, ""}),
    testing_support::CaseName());

TEST(PatternMatcher, BadPatternFailsAndLeavesNoMatches) {
  PatternMatcher matcher;
  ASSERT_TRUE(matcher.execute("a", "a"));
  EXPECT_FALSE(matcher.execute("(", "a"));
  EXPECT_EQ(matcher.match_count(), 0);
  EXPECT_EQ(matcher.match_text(1), "");
  EXPECT_EQ(matcher.pattern_text(), "(");
  EXPECT_EQ(matcher.replace_all("x"), "");
}

TEST(PatternMatcher, RunawayBacktrackingFailsInsteadOfHanging) {
  PatternMatcher matcher;
  EXPECT_FALSE(matcher.execute("(a|aa)+$", Text(60, 'a') + "b"));
}

TEST(PatternMatcher, EmptyBeforeTheFirstExecute) {
  PatternMatcher matcher;
  int position = -1;
  EXPECT_EQ(matcher.pattern_text(), "");
  EXPECT_EQ(matcher.match_count(), 0);
  EXPECT_EQ(matcher.submatch_count(), 0);
  EXPECT_EQ(matcher.submatch_text(1, 1, &position), "");
  EXPECT_EQ(position, 0);
}

TEST(PatternMatcher, GroupNumbersOutOfRangeGiveEmptyText) {
  PatternMatcher matcher;
  ASSERT_TRUE(matcher.execute("(a)(b)?", "a"));
  EXPECT_EQ(matcher.submatch_count(), 2);
  EXPECT_EQ(matcher.submatch_text(1, 0), "");
  EXPECT_EQ(matcher.submatch_text(1, 3), "");
  EXPECT_EQ(matcher.submatch_text(2, 1), "");
  EXPECT_EQ(matcher.match_text(0), "");
}

struct ReplaceCase {
  const char* name;
  Text pattern, subject;
  bool global;
  Text replacement, expected;
};

class ReplaceAllTest : public ::testing::TestWithParam<ReplaceCase> {};

TEST_P(ReplaceAllTest, ExpandsTheReplacement) {
  const ReplaceCase& c = GetParam();
  PatternMatcher matcher;
  ASSERT_TRUE(matcher.execute(c.pattern, c.subject, false, true, c.global));
  EXPECT_EQ(matcher.replace_all(c.replacement), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReplaceAllTest,
    ::testing::Values(ReplaceCase{"groups swapped", "(\\w)(\\d)", "a1 b2", true, "$2$1", "1a 2b"},
                      ReplaceCase{"whole match", "\\d", "a1b", true, "[$&]", "a[1]b"},
                      ReplaceCase{"dollar sign", "\\d", "a1", true, "$$", "a$"},
                      ReplaceCase{"before and after", "b", "abc", true, "$`$'", "aacc"},
                      ReplaceCase{"missing group kept literally", "b", "abc", true, "$3", "a$3c"},
                      ReplaceCase{"first only without global", "b", "bbb", false, "x", "xbb"},
                      ReplaceCase{"no match keeps subject", "q", "abc", true, "x", "abc"},
                      ReplaceCase{"two-digit group", "(a)(b)(c)(d)(e)(f)(g)(h)(i)(j)",
                                  "abcdefghij", true, "$10$1", "ja"}),
    testing_support::CaseName());

TEST(PatternMatcher, CopyKeepsItsResultsWhenTheOriginalMovesOn) {
  PatternMatcher original;
  ASSERT_TRUE(original.execute("(b)", "abc"));
  const PatternMatcher copy = original;
  ASSERT_TRUE(original.execute("z", "xyz"));
  EXPECT_EQ(copy.submatch_text(1, 1), "b");
  EXPECT_EQ(copy.pattern_text(), "(b)");
  EXPECT_EQ(copy.replace_all("B"), "aBc");
  EXPECT_EQ(original.match_text(1), "z");
}

}  // namespace
}  // namespace brimlow
