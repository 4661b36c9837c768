#pragma once
// The URL list: one address per row of 超级列表框1 (the list view is the only store), the
// Import button and the list file written when the window goes away. The list file holds
// the addresses in row order separated by single commas, GBK bytes and nothing else.

#include "base/program_state.h"
#include "base/text.h"
#include "shell/window_runtime.h"

namespace brimlow {

// Appends one row: column 0 the new row count in decimal, column 1 the address as given.
void append_url_row(WindowRuntime& runtime, const Text& address);

// The click handler of 按钮_导入: opens 通用对话框1 in the program directory, reads the file
// it names (its answer is not consulted: a cancel re-reads the file chosen before) and
// appends one row per comma-separated member. Unreadable or empty files append nothing.
void import_url_file(WindowRuntime& runtime, ProgramState& state);

// The list file's content for the rows as they stand: the addresses joined by single commas.
Text join_url_list(WindowRuntime& runtime);

// True when the dialog's file name is a real file to write, not the pattern it starts with
// ("*.txt") or any other wildcard name, which must never be created.
bool is_list_file_chosen(const Text& file_name);

// The handler of the main window's destruction: writes the list file named by the dialog
// (nothing when no file was chosen since start-up; a failed write is silent) and ends the
// program with exit code 0. In the product it does not return.
void save_url_list(WindowRuntime& runtime);

// Up to five find-and-replace pairs applied in order, each on the result of the ones before.
// `count` is the most replacements each pair makes (below 0: every occurrence, 0: none);
// `start` is the 1-based byte position where each pair's search begins (0: 1). Matching
// steps character by character; without `case_sensitive` the ASCII letters match
// regardless of case. An empty find text leaves the text as it is.
inline constexpr int kEveryOccurrence = -1;
Text multi_replace(const Text& text, int count, int start, bool case_sensitive, const Text& find1,
                   const Text& replacement1, const Text& find2 = {}, const Text& replacement2 = {},
                   const Text& find3 = {}, const Text& replacement3 = {}, const Text& find4 = {},
                   const Text& replacement4 = {}, const Text& find5 = {},
                   const Text& replacement5 = {});

}  // namespace brimlow
