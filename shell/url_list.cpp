#include "shell/url_list.h"

#include "base/text_ops.h"

namespace brimlow {

void append_url_row(WindowRuntime& runtime, const Text& address) {
  runtime.list_append_row(Control::超级列表框1);
  const int rows = runtime.list_row_count(Control::超级列表框1);
  runtime.list_set_cell(Control::超级列表框1, rows - 1, 0, int_to_text(rows));
  runtime.list_set_cell(Control::超级列表框1, rows - 1, 1, address);
}

void import_url_file(WindowRuntime& runtime, ProgramState& state) {
  runtime.set_dialog_folder(Control::通用对话框1, runtime.program_directory());
  // A cancel keeps the name chosen before, and that file is read again, as the user knows
  // it from the original tool; the answer itself decides nothing.
  runtime.run_file_dialog(Control::通用对话框1);
  const Text file_name = runtime.get_dialog_file_name(Control::通用对话框1);
  const Bytes bytes = is_list_file_chosen(file_name) ? runtime.load_file_bytes(file_name) : Bytes();
  // The bytes go into the rows as they are: no code-page conversion, so a save writes the
  // same bytes back even when the file was not valid GBK.
  state.imported_text = text_from_bytes(bytes);
  state.imported_urls = split_text(state.imported_text, ",");
  for (const Text& address : state.imported_urls) append_url_row(runtime, address);
  state.imported_urls.clear();
  state.imported_urls.shrink_to_fit();
}

Text join_url_list(WindowRuntime& runtime) {
  // Single commas between the addresses and none after the last. The original tool added a
  // comma after every address and then removed the first comma found from 4 bytes before
  // the end, which merged the last two addresses whenever the last one was shorter than 4
  // bytes or had a comma near its end; for every other list the bytes are the same.
  const int rows = runtime.list_row_count(Control::超级列表框1);
  Text joined;
  for (int row = 0; row < rows; ++row) {
    if (row > 0) joined += ',';
    joined += runtime.list_get_cell(Control::超级列表框1, row, 1);
  }
  return joined;
}

bool is_list_file_chosen(const Text& file_name) {
  return !file_name.empty() && file_name.find_first_of("*?") == Text::npos;
}

void save_url_list(WindowRuntime& runtime) {
  const Text file_name = runtime.get_dialog_file_name(Control::通用对话框1);
  if (is_list_file_chosen(file_name)) {
    // A failed write (read-only file, folder gone) is silent; the runtime's save replaces
    // the file whole or not at all, so the old list survives a failure.
    runtime.save_file_bytes(file_name, bytes_from_text(join_url_list(runtime)));
  }
  runtime.end_program(0);
}

Text multi_replace(const Text& text, int count, int start, bool case_sensitive, const Text& find1,
                   const Text& replacement1, const Text& find2, const Text& replacement2,
                   const Text& find3, const Text& replacement3, const Text& find4,
                   const Text& replacement4, const Text& find5, const Text& replacement5) {
  if (start == 0) start = 1;
  const Text* pairs[5][2] = {{&find1, &replacement1},
                             {&find2, &replacement2},
                             {&find3, &replacement3},
                             {&find4, &replacement4},
                             {&find5, &replacement5}};
  Text result = text;
  for (const auto& pair : pairs) {
    result = text_replace(result, *pair[0], *pair[1], start, count, case_sensitive);
  }
  return result;
}

}  // namespace brimlow
