#pragma once
// The up/down arrows beside the interval box. GTK's wxSpinButton draws a wide "- +" pair, so
// this is a small control of its own: two stacked arrow buttons that never take the focus
// (a click must not make the interval box lose it and run its focus-out rule).

#include <functional>

#include <wx/window.h>

namespace brimlow {

class IntervalArrows : public wxWindow {
 public:
  // `on_click` gets true for the upper arrow, false for the lower one.
  IntervalArrows(wxWindow* parent, const wxPoint& position, const wxSize& size,
                 std::function<void(bool up)> on_click);

  bool AcceptsFocus() const override { return false; }
  bool AcceptsFocusFromKeyboard() const override { return false; }

 private:
  enum class Half { none, up, down };

  Half half_at(const wxPoint& point) const;
  void on_paint(wxPaintEvent& event);
  void on_left_down(wxMouseEvent& event);
  void on_left_up(wxMouseEvent& event);
  void on_capture_lost(wxMouseCaptureLostEvent& event);

  std::function<void(bool up)> on_click_;
  Half pressed_ = Half::none;
};

}  // namespace brimlow
