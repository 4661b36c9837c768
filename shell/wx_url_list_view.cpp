#include "shell/wx_url_list_view.h"

#include <malloc.h>

#include "http/text_helpers.h"
#include "shell/wx_text.h"

namespace brimlow {

UrlListView::UrlListView(wxWindow* parent, const wxPoint& position, const wxSize& size)
    : wxListCtrl(parent, wxID_ANY, position, size,
                 wxLC_REPORT | wxLC_VIRTUAL | wxLC_HRULES | wxLC_VRULES | wxLC_EDIT_LABELS |
                     wxBORDER_SIMPLE) {
  AppendColumn(to_wx(gbk(u"序号")), wxLIST_FORMAT_LEFT, 50);
  AppendColumn(to_wx(gbk(u"网址")), wxLIST_FORMAT_LEFT, 220);
  SetBackgroundColour(*wxWHITE);
  SetForegroundColour(*wxBLACK);
  SetItemCount(0);
  Bind(wxEVT_LIST_END_LABEL_EDIT, &UrlListView::on_end_label_edit, this);
}

void UrlListView::append_row() {
  rows_.emplace_back();
  note_change();
}

void UrlListView::set_cell(int row, int column, const Text& text) {
  if (row < 0 || row >= row_count() || column < 0 || column >= kColumns) return;
  store_cell(row, column, text);
  note_change();
}

Text UrlListView::cell(int row, int column) const {
  if (row < 0 || row >= row_count() || column < 0 || column >= kColumns) return Text();
  const CellSpan span = rows_[static_cast<size_t>(row)][static_cast<size_t>(column)];
  return cell_bytes_.substr(span.offset, span.length);
}

void UrlListView::store_cell(int row, int column, const Text& text) {
  CellSpan& span = rows_[static_cast<size_t>(row)][static_cast<size_t>(column)];
  // Offsets are 32-bit: a list beyond 4 GiB of text keeps the cell's earlier content.
  constexpr std::size_t kLimit = UINT32_MAX;
  if (text.size() > kLimit || cell_bytes_.size() > kLimit - text.size()) return;
  wasted_bytes_ += span.length;
  span.offset = static_cast<std::uint32_t>(cell_bytes_.size());
  span.length = static_cast<std::uint32_t>(text.size());
  cell_bytes_ += text;
  compact_if_wasteful();
}

void UrlListView::compact_if_wasteful() {
  // Rewrites are rare (an edited number); copy the live bytes once the waste is both large
  // and more than the live text.
  if (wasted_bytes_ < (1u << 20) || wasted_bytes_ * 2 < cell_bytes_.size()) return;
  std::string compact;
  compact.reserve(cell_bytes_.size() - wasted_bytes_);
  for (auto& row : rows_) {
    for (CellSpan& span : row) {
      const auto offset = static_cast<std::uint32_t>(compact.size());
      compact.append(cell_bytes_, span.offset, span.length);
      span.offset = offset;
    }
  }
  cell_bytes_.swap(compact);
  wasted_bytes_ = 0;
}

void UrlListView::note_change() {
  if (display_stale_) return;
  display_stale_ = true;
  // One redraw after the current handler, however many rows it changed.
  CallAfter([this] { sync_display(); });
}

void UrlListView::sync_display() {
  if (!display_stale_) return;
  display_stale_ = false;
  const long shown = GetItemCount();
  if (shown != row_count()) SetItemCount(row_count());
  Refresh();
  // A bulk import leaves its split buffers freed in small pieces all over the heap; hand
  // those pages back rather than carry them for the rest of the run.
  if (row_count() - shown >= kBulkRows) malloc_trim(0);
}

wxString UrlListView::OnGetItemText(long item, long column) const {
  return to_wx(cell(static_cast<int>(item), static_cast<int>(column)));
}

void UrlListView::on_end_label_edit(wxListEvent& event) {
  // Only the first column is editable; a virtual list keeps the edit only if we store it.
  if (event.IsEditCancelled()) return;
  const long row = event.GetIndex();
  if (row < 0 || row >= row_count()) return;
  store_cell(static_cast<int>(row), 0, from_wx(event.GetLabel()));
  RefreshItem(row);
}

}  // namespace brimlow
