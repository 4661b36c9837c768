// The URL list: row numbering, the import's split rules, the list file's bytes on close
// (including the cases the original comma removal got wrong), and multi_replace.

#include "shell/url_list.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "base/text_ops.h"
#include "http/text_helpers.h"
#include "tests/support/case_name.h"
#include "tests/support/fake_runtime.h"

namespace brimlow {
namespace {

using testing_support::CaseName;
using testing_support::FakeRuntime;
using testing_support::read_whole_file;
using testing_support::TempDir;
using testing_support::write_whole_file;

class UrlListTest : public ::testing::Test {
 protected:
  FakeRuntime fake;
  ProgramState state;
  TempDir dir;

  // Writes `bytes` to a file, confirms it in the next dialog and imports it.
  void import_bytes(std::string_view bytes, const std::string& name = "list.txt") {
    const Text path = dir.file(name);
    ASSERT_TRUE(write_whole_file(path, bytes));
    fake.answer_dialog_confirm(path);
    import_url_file(fake, state);
  }
  void add_rows(const TextArray& addresses) {
    for (const Text& address : addresses) append_url_row(fake, address);
  }
};

TEST_F(UrlListTest, RowsAreNumberedFromOneByTheCountAfterAppending) {
  append_url_row(fake, "http://a/");
  append_url_row(fake, "");
  EXPECT_EQ(fake.list_column(0), (TextArray{"1", "2"}));
  EXPECT_EQ(fake.list_column(1), (TextArray{"http://a/", ""}));
}

// --- Import -----------------------------------------------------------------------------

struct ImportCase {
  const char* name;
  std::string file;  // may hold NUL bytes
  TextArray expected;
};

class ImportSplitTest : public UrlListTest, public ::testing::WithParamInterface<ImportCase> {};

TEST_P(ImportSplitTest, AppendsOneRowPerMember) {
  const ImportCase& c = GetParam();
  add_rows({"x", "y"});
  import_bytes(c.file);

  TextArray expected = {"x", "y"};
  TextArray numbers = {"1", "2"};
  for (const Text& member : c.expected) {
    expected.push_back(member);
    numbers.push_back(int_to_text(static_cast<std::int64_t>(numbers.size() + 1)));
  }
  EXPECT_EQ(fake.list_column(1), expected);
  EXPECT_EQ(fake.list_column(0), numbers);
  EXPECT_TRUE(state.imported_urls.empty());
  EXPECT_TRUE(fake.messages().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Files, ImportSplitTest,
    ::testing::Values(
        ImportCase{"three", "a,b,c", {"a", "b", "c"}},
        ImportCase{"adjacent commas", "a,,b", {"a", "", "b"}},
        ImportCase{"leading comma", ",a", {"", "a"}},
        ImportCase{"trailing comma", "a,b,", {"a", "b"}},
        ImportCase{"lone comma", ",", {""}},
        ImportCase{"two commas", ",,", {"", ""}},
        ImportCase{"empty file", "", {}},
        ImportCase{"no comma", "http://a/", {"http://a/"}},
        ImportCase{"line breaks stay", "a\r\nb\r\n", {"a\r\nb\r\n"}},
        ImportCase{"line break after comma", "a,\r\nb", {"a", "\r\nb"}},
        ImportCase{"blanks stay", " a , b ", {" a ", " b "}},
        ImportCase{"byte-order mark stays", "\xEF\xBB\xBF" "a,b", {"\xEF\xBB\xBF" "a", "b"}},
        ImportCase{"cut at NUL", std::string("a,b\0,c", 6), {"a", "b"}},
        ImportCase{"NUL first", std::string("\0a,b", 4), {}},
        ImportCase{"GBK kept", "\xD6\xD0,\xCE\xC4", {"\xD6\xD0", "\xCE\xC4"}},
        // A lead byte takes the byte after it, so a comma right after one is no separator.
        ImportCase{"comma inside a character", "a\xB5,b,c", {"a\xB5,b", "c"}},
        ImportCase{"invalid GBK kept byte for byte", "\xFF\xFF,\x80\x80,\xA1", {"\xFF\xFF", "\x80\x80", "\xA1"}}),
    CaseName());

TEST_F(UrlListTest, ImportOpensTheDialogInTheProgramDirectoryAndKeepsTheText) {
  fake.set_program_directory(dir.path().string());
  import_bytes("a,b");
  EXPECT_EQ(fake.dialog_folder(), dir.path().string());
  EXPECT_EQ(state.imported_text, "a,b");
  EXPECT_TRUE(state.imported_urls.empty());
}

TEST_F(UrlListTest, ImportWithNothingReadableAppendsNothing) {
  fake.answer_dialog_cancel();  // the name is still "*.txt"
  import_url_file(fake, state);
  fake.answer_dialog_confirm(dir.file("vanished.txt"));
  import_url_file(fake, state);
  EXPECT_EQ(fake.list_row_count(Control::超级列表框1), 0);
  EXPECT_EQ(state.imported_text, "");
  EXPECT_TRUE(fake.messages().empty());
}

TEST_F(UrlListTest, ImportingAgainOrCancellingAfterAChoiceAppendsTheMembersAgain) {
  import_bytes("a,b");
  fake.answer_dialog_confirm(dir.file("list.txt"));
  import_url_file(fake, state);
  fake.answer_dialog_cancel();
  import_url_file(fake, state);
  EXPECT_EQ(fake.list_column(1), (TextArray{"a", "b", "a", "b", "a", "b"}));
  EXPECT_EQ(fake.list_column(0).back(), "6");
}

TEST_F(UrlListTest, ImportReplacesTheTextOfTheImportBefore) {
  import_bytes("a,b", "one.txt");
  import_bytes("c", "two.txt");
  EXPECT_EQ(state.imported_text, "c");
}

// --- Save -------------------------------------------------------------------------------

struct SaveCase {
  const char* name;
  TextArray rows;
  std::string file;
};

class SaveBytesTest : public UrlListTest, public ::testing::WithParamInterface<SaveCase> {};

TEST_P(SaveBytesTest, JoinsWithSingleCommasAndEnds) {
  const SaveCase& c = GetParam();
  const Text path = dir.file("list.txt");
  ASSERT_TRUE(write_whole_file(path, "previous content that must go"));
  fake.answer_dialog_confirm(path);
  ASSERT_TRUE(fake.run_file_dialog(Control::通用对话框1));
  add_rows(c.rows);

  save_url_list(fake);
  EXPECT_EQ(read_whole_file(path), bytes_from_text(c.file));
  EXPECT_EQ(fake.exit_codes(), std::vector<int>{0});
}

INSTANTIATE_TEST_SUITE_P(
    Lists, SaveBytesTest,
    ::testing::Values(
        SaveCase{"two", {"alpha", "bravo"}, "alpha,bravo"},
        SaveCase{"empty middle", {"alpha", "", "bravo"}, "alpha,,bravo"},
        SaveCase{"single short", {"abc"}, "abc"},
        SaveCase{"single empty", {""}, ""},
        SaveCase{"empty list", {}, ""},
        SaveCase{"GBK", {gbk(u"http://中文.cn/"), "http://b/"}, gbk(u"http://中文.cn/") + ",http://b/"},
        // The original removed the comma before a last address shorter than 4 bytes,
        // merging the two: 'alphaab,'.
        SaveCase{"short last address", {"alpha", "ab"}, "alpha,ab"},
        SaveCase{"empty last address", {"alpha", ""}, "alpha,"},
        SaveCase{"two empty", {"", ""}, ","},
        // ... and a comma among the last 4 bytes of the last address: 'alpha,abcd,'.
        SaveCase{"comma near the end", {"alpha", "ab,cd"}, "alpha,ab,cd"},
        // A lead byte at the end swallowed the final comma in the original's scan.
        SaveCase{"lone lead byte at the end", {"http://a/\xB5"}, "http://a/\xB5"},
        SaveCase{"invalid GBK kept", {"\xFF\xFF", "\x80\x80\x80"}, "\xFF\xFF,\x80\x80\x80"}),
    CaseName());

// The list file as the original algorithm wrote it: a comma after every address, then the
// first comma found from byte L - 4 on removed.
Text original_save_bytes(const TextArray& rows) {
  Text joined;
  for (const Text& row : rows) joined += row + ",";
  const int length = static_cast<int>(joined.size());
  return multi_replace(joined, 1, length - 4, false, ",", "");
}

// Whenever the original wrote a correct file (the last address at least 4 bytes long with
// no comma among its last 4 bytes), the file is byte for byte the same.
TEST(SaveBytesMatchOriginal, ForEveryListTheOriginalSavedCorrectly) {
  std::mt19937 random(20261211);
  const Text pieces[] = {"a", "Z", "/", ":", ".", " ", ",", "", "\xD6\xD0", "\xCE\xC4",
                         "\xA1\xA1", "\xB5" "A", "\x81\x40", "\xFE\xFE", "\r\n"};
  TempDir dir;
  const Text path = dir.file("list.txt");
  int compared = 0;
  for (int list = 0; list < 3000; ++list) {
    TextArray rows(static_cast<std::size_t>(random() % 5 + 1));
    for (Text& row : rows) {
      const int parts = static_cast<int>(random() % 8);
      for (int i = 0; i < parts; ++i) row += pieces[random() % std::size(pieces)];
    }
    const Text& last = rows.back();
    if (last.size() < 4 || last.substr(last.size() - 4).find(',') != Text::npos) continue;
    ++compared;

    FakeRuntime fake;
    fake.answer_dialog_confirm(path);
    fake.run_file_dialog(Control::通用对话框1);
    for (const Text& row : rows) append_url_row(fake, row);
    save_url_list(fake);
    ASSERT_EQ(read_whole_file(path), bytes_from_text(original_save_bytes(rows)))
        << "list " << list;
  }
  EXPECT_GT(compared, 500);
}

TEST_F(UrlListTest, NoFileChosenWritesNothingAnywhereAndStillEnds) {
  const auto cwd = std::filesystem::current_path();
  std::filesystem::current_path(dir.path());
  add_rows({"http://a/", "http://b/"});
  fake.answer_dialog_cancel();
  import_url_file(fake, state);  // a cancelled dialog leaves "*.txt"
  save_url_list(fake);
  std::filesystem::current_path(cwd);

  EXPECT_TRUE(fake.saves().empty());
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
  EXPECT_EQ(fake.exit_codes(), std::vector<int>{0});
}

TEST_F(UrlListTest, ReadOnlyTargetIsLeftUntouchedAndTheProgramEnds) {
  int cleanups = 0;
  fake.register_exit_cleanup([&] { ++cleanups; });
  import_bytes("old,list");
  append_url_row(fake, "http://new/");
  fake.mark_read_only(dir.file("list.txt"));
  save_url_list(fake);
  EXPECT_EQ(read_whole_file(dir.path() / "list.txt"), bytes_from_text("old,list"));
  EXPECT_EQ(fake.exit_codes(), std::vector<int>{0});
  EXPECT_EQ(cleanups, 1);
  EXPECT_TRUE(fake.messages().empty());
}

TEST_F(UrlListTest, VanishedFolderWritesNothingAndTheProgramEnds) {
  const std::filesystem::path folder = dir.path() / "sub";
  std::filesystem::create_directory(folder);
  const Text path = (folder / "list.txt").string();
  fake.answer_dialog_confirm(path);
  fake.run_file_dialog(Control::通用对话框1);
  std::filesystem::remove(folder);
  append_url_row(fake, "http://a/");
  save_url_list(fake);
  EXPECT_FALSE(std::filesystem::exists(folder));
  EXPECT_EQ(fake.exit_codes(), std::vector<int>{0});
}

TEST_F(UrlListTest, ImportThenSaveGivesTheSameBytesBack) {
  const std::string original = "http://a/\xFF\x80,\xD6\xD0\xB5\xB5,,\r\nhttp://b/ ,x";
  import_bytes(original);
  save_url_list(fake);
  EXPECT_EQ(read_whole_file(dir.path() / "list.txt"), bytes_from_text(original));
}

TEST_F(UrlListTest, RowsFromSeveralImportsAndAddGoToTheFileChosenLast) {
  import_bytes("a,b", "one.txt");
  append_url_row(fake, "c");
  import_bytes("d", "two.txt");
  save_url_list(fake);
  EXPECT_EQ(read_whole_file(dir.path() / "two.txt"), bytes_from_text("a,b,c,d"));
  EXPECT_EQ(read_whole_file(dir.path() / "one.txt"), bytes_from_text("a,b"));
}

TEST(ListFileChosen, OnlyARealNameCounts) {
  EXPECT_FALSE(is_list_file_chosen("*.txt"));
  EXPECT_FALSE(is_list_file_chosen(""));
  EXPECT_FALSE(is_list_file_chosen("/home/u/*.txt"));
  EXPECT_TRUE(is_list_file_chosen("/home/u/list.txt"));
  EXPECT_TRUE(is_list_file_chosen(gbk(u"/home/u/网址.txt")));
}

// --- multi_replace ----------------------------------------------------------------------

struct MultiReplaceCase {
  const char* name;
  Text text;
  int count;
  int start;
  bool case_sensitive;
  TextArray pairs;  // find1, replacement1, find2, ...
  Text expected;
};

class MultiReplaceTest : public ::testing::TestWithParam<MultiReplaceCase> {};

TEST_P(MultiReplaceTest, AppliesThePairsInOrder) {
  const MultiReplaceCase& c = GetParam();
  TextArray p = c.pairs;
  p.resize(10);
  EXPECT_EQ(multi_replace(c.text, c.count, c.start, c.case_sensitive, p[0], p[1], p[2], p[3], p[4],
                          p[5], p[6], p[7], p[8], p[9]),
            c.expected);
}

constexpr int kAll = kEveryOccurrence;

INSTANTIATE_TEST_SUITE_P(
    Cases, MultiReplaceTest,
    ::testing::Values(
        MultiReplaceCase{"every occurrence", "a,b,c", kAll, 0, false, {",", ";"}, "a;b;c"},
        MultiReplaceCase{"count one", "a,b,c", 1, 0, false, {",", ""}, "ab,c"},
        MultiReplaceCase{"count two", "a,b,c,d", 2, 0, false, {",", ""}, "abc,d"},
        MultiReplaceCase{"count zero", "a,b", 0, 0, false, {",", ""}, "a,b"},
        MultiReplaceCase{"count below minus one", "a,b,c", -7, 0, false, {",", ""}, "abc"},
        MultiReplaceCase{"start", "a,b,c", kAll, 3, false, {",", ""}, "a,bc"},
        MultiReplaceCase{"start one equals zero", "a,b", kAll, 1, false, {",", ""}, "ab"},
        MultiReplaceCase{"negative start", "a,b", kAll, -4, false, {",", ""}, "ab"},
        MultiReplaceCase{"start at last byte", "a,b,", kAll, 4, false, {",", ""}, "a,b"},
        MultiReplaceCase{"start beyond end", "a,b", kAll, 4, false, {",", ""}, "a,b"},
        MultiReplaceCase{"empty text", "", kAll, 0, false, {"a", "b"}, ""},
        MultiReplaceCase{"empty find", "abc", kAll, 0, false, {"", "x"}, "abc"},
        MultiReplaceCase{"find longer than text", "ab", kAll, 0, false, {"abc", "x"}, "ab"},
        MultiReplaceCase{"tail shorter than find", "abcab", kAll, 0, false, {"abc", "x"}, "xab"},
        MultiReplaceCase{"no overlap", "aaaa", kAll, 0, false, {"aa", "b"}, "bb"},
        MultiReplaceCase{"odd no overlap", "aaa", kAll, 0, false, {"aa", "b"}, "ba"},
        MultiReplaceCase{"replacement not rescanned", "ab", kAll, 0, false, {"a", "aa"}, "aab"},
        MultiReplaceCase{"ignores ASCII case", "ABCabc", kAll, 0, false, {"b", "-"}, "A-Ca-c"},
        MultiReplaceCase{"case sensitive", "ABCabc", kAll, 0, true, {"b", "-"}, "ABCa-c"},
        MultiReplaceCase{"case applies to ASCII only", "\xD6\xD0\xD6\xF0", kAll, 0, false,
                         {"\xD6\xD0", "x"}, "x\xD6\xF0"},
        // D6 D0 D6 D0: a match must start on a character, so D0 D6 is never found.
        MultiReplaceCase{"no match across characters", "\xD6\xD0\xD6\xD0", kAll, 0, false,
                         {"\xD0\xD6", "x"}, "\xD6\xD0\xD6\xD0"},
        MultiReplaceCase{"trail byte is not a start", "\xB5" "AA", kAll, 0, true, {"A", "x"},
                         "\xB5" "Ax"},
        // A start inside a character scans from that byte on as if a character began there.
        MultiReplaceCase{"start on a trail byte", "\xB5" "AA", kAll, 2, true, {"A", "x"}, "\xB5" "xx"},
        MultiReplaceCase{"pairs chain", "abc", kAll, 0, true, {"a", "b", "b", "c", "c", "d"}, "ddd"},
        MultiReplaceCase{"all five pairs", "12345", kAll, 0, true,
                         {"1", "a", "2", "b", "3", "c", "4", "d", "5", "e"}, "abcde"},
        MultiReplaceCase{"empty pair in the middle skipped", "abc", kAll, 0, true,
                         {"a", "x", "", "y", "c", "z"}, "xbz"},
        MultiReplaceCase{"count per pair", "a,b;c;d,e", 1, 0, true, {",", "", ";", ""}, "abc;d,e"},
        // The start counts in the result of the pairs before: the first pair makes "abca",
        // where the second finds its "a" at byte 4.
        MultiReplaceCase{"start in the result", "abcaab", kAll, 3, true, {"ab", "", "a", "X"},
                         "abcX"},
        // The save's own call on a list whose last address is short.
        MultiReplaceCase{"the original save merge", "alpha,ab,", 1, 5, false, {",", ""},
                         "alphaab,"}),
    CaseName());

TEST(MultiReplace, SavesOwnCallOnAGoodListRemovesTheFinalComma) {
  EXPECT_EQ(multi_replace("alpha,bravo,", 1, 8, false, ",", ""), "alpha,bravo");
}

}  // namespace
}  // namespace brimlow
