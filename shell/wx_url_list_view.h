#pragma once
// The URL list view: a virtual report list whose rows live in a store of `Text` cells, so
// rows keep their exact bytes (the display is only a rendering) and 100,000 rows cost two
// flat buffers, not 100,000 native items or 200,000 separately allocated strings.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include <wx/listctrl.h>

#include "base/text.h"

namespace brimlow {

class UrlListView : public wxListCtrl {
 public:
  static constexpr int kColumns = 2;
  // Appends after which the freed import buffers are returned to the system.
  static constexpr int kBulkRows = 10000;

  UrlListView(wxWindow* parent, const wxPoint& position, const wxSize& size);

  void append_row();
  int row_count() const { return static_cast<int>(rows_.size()); }
  // Cells outside the rows or columns are ignored on write and read as empty.
  void set_cell(int row, int column, const Text& text);
  Text cell(int row, int column) const;

  // Brings the control's row count and drawing up to date with the store. Appends and cell
  // writes only note the change, so a bulk import redraws once, not once per row.
  void sync_display();

 private:
  wxString OnGetItemText(long item, long column) const override;
  // Where a cell's bytes lie in `cell_bytes_`.
  struct CellSpan {
    std::uint32_t offset = 0;
    std::uint32_t length = 0;
  };

  void store_cell(int row, int column, const Text& text);
  void compact_if_wasteful();
  void note_change();
  void on_end_label_edit(wxListEvent& event);

  // Every cell's bytes, appended as they are written. A rewritten cell leaves its old bytes
  // behind as waste until the next compaction.
  std::string cell_bytes_;
  std::size_t wasted_bytes_ = 0;
  std::vector<std::array<CellSpan, kColumns>> rows_;
  bool display_stale_ = false;
};

}  // namespace brimlow
