#include "shell/wx_interval_arrows.h"

#include <wx/dcbuffer.h>
#include <wx/renderer.h>
#include <wx/settings.h>

namespace brimlow {

IntervalArrows::IntervalArrows(wxWindow* parent, const wxPoint& position, const wxSize& size,
                               std::function<void(bool up)> on_click)
    : on_click_(std::move(on_click)) {
  SetBackgroundStyle(wxBG_STYLE_PAINT);
  Create(parent, wxID_ANY, position, size, wxBORDER_NONE | wxFULL_REPAINT_ON_RESIZE);
  SetMinSize(size);
  Bind(wxEVT_PAINT, &IntervalArrows::on_paint, this);
  Bind(wxEVT_LEFT_DOWN, &IntervalArrows::on_left_down, this);
  Bind(wxEVT_LEFT_DCLICK, &IntervalArrows::on_left_down, this);
  Bind(wxEVT_LEFT_UP, &IntervalArrows::on_left_up, this);
  Bind(wxEVT_MOUSE_CAPTURE_LOST, &IntervalArrows::on_capture_lost, this);
}

IntervalArrows::Half IntervalArrows::half_at(const wxPoint& point) const {
  const wxSize size = GetClientSize();
  if (point.x < 0 || point.y < 0 || point.x >= size.x || point.y >= size.y) return Half::none;
  return point.y < size.y / 2 ? Half::up : Half::down;
}

void IntervalArrows::on_paint(wxPaintEvent&) {
  wxAutoBufferedPaintDC dc(this);
  const wxSize size = GetClientSize();
  dc.SetBackground(wxBrush(GetParent()->GetBackgroundColour()));
  dc.Clear();
  const int upper_height = size.y / 2;
  const wxRect halves[] = {wxRect(0, 0, size.x, upper_height),
                           wxRect(0, upper_height, size.x, size.y - upper_height)};
  wxRendererNative& renderer = wxRendererNative::Get();
  for (int i = 0; i < 2; ++i) {
    const wxRect& r = halves[i];
    const bool pressed = (i == 0 && pressed_ == Half::up) || (i == 1 && pressed_ == Half::down);
    const int flags = pressed ? static_cast<int>(wxCONTROL_PRESSED) : 0;
    renderer.DrawPushButton(this, dc, r, flags);
    // A small filled triangle, centred in its half.
    const int cx = r.x + r.width / 2;
    const int cy = r.y + r.height / 2;
    const int w = std::max(2, std::min(r.width - 8, 8) / 2);
    const int h = std::max(2, w);
    wxPoint points[3];
    if (i == 0) {
      points[0] = wxPoint(cx - w, cy + h / 2);
      points[1] = wxPoint(cx + w, cy + h / 2);
      points[2] = wxPoint(cx, cy - h / 2 - 1);
    } else {
      points[0] = wxPoint(cx - w, cy - h / 2);
      points[1] = wxPoint(cx + w, cy - h / 2);
      points[2] = wxPoint(cx, cy + h / 2 + 1);
    }
    const wxColour ink = wxSystemSettings::GetColour(wxSYS_COLOUR_BTNTEXT);
    dc.SetPen(wxPen(ink));
    dc.SetBrush(wxBrush(ink));
    dc.DrawPolygon(3, points);
  }
}

void IntervalArrows::on_left_down(wxMouseEvent& event) {
  pressed_ = half_at(event.GetPosition());
  if (pressed_ == Half::none) return;
  if (!HasCapture()) CaptureMouse();
  Refresh();
}

void IntervalArrows::on_left_up(wxMouseEvent& event) {
  const Half pressed = pressed_;
  pressed_ = Half::none;
  if (HasCapture()) ReleaseMouse();
  Refresh();
  // Like a push button: the click counts when the button is released over the same arrow.
  if (pressed != Half::none && half_at(event.GetPosition()) == pressed && on_click_) {
    on_click_(pressed == Half::up);
  }
}

void IntervalArrows::on_capture_lost(wxMouseCaptureLostEvent&) {
  pressed_ = Half::none;
  Refresh();
}

}  // namespace brimlow
