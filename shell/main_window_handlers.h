#pragma once
// The main window's event handlers, written against the window runtime only, so they run
// the same under wx and under the recording fake of the tests. The wx layer turns toolkit
// events into these calls; nothing here knows a toolkit.

#include <functional>

#include "base/program_state.h"
#include "base/text.h"
#include "shell/window_runtime.h"

namespace brimlow {

class MainWindowHandlers {
 public:
  // `on_timer` runs for each periodic event of 时钟_监控 (the monitor loop).
  MainWindowHandlers(WindowRuntime& runtime, ProgramState& state, std::function<void()> on_timer);

  // Placeholder rules of the four edit boxes; leaving 编辑框_频率 also normalises its text
  // and applies the interval minimum.
  void focus_entered(Control box);
  void focus_left(Control box);

  // The up/down arrows beside 编辑框_频率: writes the new text into the box. The toolkit
  // then selects all of it and gives the box the focus.
  void interval_arrow_clicked(bool up);

  void add_url_clicked();
  void import_clicked();
  void toggle_monitor_clicked();
  void timer_fired();
  // The main window is about to be destroyed: writes the list file and ends the program.
  void window_destroying();

 private:
  WindowRuntime& runtime_;
  ProgramState& state_;
  std::function<void()> on_timer_;
};

// True for the keys 编辑框_频率 accepts as typed characters: 0-9 and "-".
bool interval_box_accepts(char32_t character);

// The address shown after "例子：" when Add is clicked on the untouched address box.
inline constexpr const char* kExampleAddress = "http://www.example.com/";

// The interval box's text as it is written back on focus-out: its leading integer clamped
// to the signed 32-bit range, in plain decimal, and the empty text for 0.
Text normalise_interval_text(const Text& text);

// The interval box's text after a click on the up or down arrow: n + 1 (up) or n - 1
// (down) of its leading integer n, wrapping to 5 (up) or 60 (down) outside 5 to 60.
Text interval_after_arrow(const Text& text, bool up);

// The timer period in milliseconds for the interval box's text: its leading integer times
// 1000; a product outside the signed 32-bit range gives the longest period, 2147483647.
int timer_period_for_interval(const Text& text);

}  // namespace brimlow
