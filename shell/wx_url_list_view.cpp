#include "shell/wx_url_list_view.h"

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
  rows_[static_cast<size_t>(row)][static_cast<size_t>(column)] = text;
  note_change();
}

Text UrlListView::cell(int row, int column) const {
  if (row < 0 || row >= row_count() || column < 0 || column >= kColumns) return Text();
  return rows_[static_cast<size_t>(row)][static_cast<size_t>(column)];
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
  if (GetItemCount() != row_count()) SetItemCount(row_count());
  Refresh();
}

wxString UrlListView::OnGetItemText(long item, long column) const {
  return to_wx(cell(static_cast<int>(item), static_cast<int>(column)));
}

void UrlListView::on_end_label_edit(wxListEvent& event) {
  // Only the first column is editable; a virtual list keeps the edit only if we store it.
  if (event.IsEditCancelled()) return;
  const long row = event.GetIndex();
  if (row < 0 || row >= row_count()) return;
  rows_[static_cast<size_t>(row)][0] = from_wx(event.GetLabel());
  RefreshItem(row);
}

}  // namespace brimlow
