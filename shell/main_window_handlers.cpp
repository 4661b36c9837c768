#include "shell/main_window_handlers.h"

#include <cstdint>
#include <limits>

#include "base/text_ops.h"
#include "http/text_helpers.h"
#include "shell/url_list.h"

namespace brimlow {
namespace {

struct Placeholder {
  Control box;
  const char16_t* shown;     // the text the box shows while nobody uses it
  const char16_t* on_entry;  // what it becomes when the focus enters
};

// Only the address box is pre-filled on entry; the others clear, and return to their
// placeholder exactly when they are left empty.
constexpr Placeholder kPlaceholders[] = {
    {Control::编辑框_网址, u"网址", u"http://"},
    {Control::编辑框_频率, u"频率/s", u""},
    {Control::编辑框_POST, u"POST专用", u""},
    {Control::编辑框_邮箱, u"邮箱", u""},
};

const Placeholder* placeholder_of(Control box) {
  for (const Placeholder& p : kPlaceholders) {
    if (p.box == box) return &p;
  }
  return nullptr;
}

constexpr std::int64_t kInt32Min = std::numeric_limits<std::int32_t>::min();
constexpr std::int64_t kInt32Max = std::numeric_limits<std::int32_t>::max();

}  // namespace

Text normalise_interval_text(const Text& text) {
  std::int64_t value = text_to_int(text);
  if (value < kInt32Min) value = kInt32Min;
  if (value > kInt32Max) value = kInt32Max;
  return value == 0 ? Text() : int_to_text(value);
}

Text interval_after_arrow(const Text& text, bool up) {
  const std::int64_t n = text_to_int(text);
  // n + 1 and n - 1 are tested against 5..60 without computing them, so a saturated n
  // cannot overflow.
  if (up) return int_to_text(n >= 4 && n <= 59 ? n + 1 : 5);
  return int_to_text(n >= 6 && n <= 61 ? n - 1 : 60);
}

int timer_period_for_interval(const Text& text) {
  const double milliseconds = static_cast<double>(text_to_int(text)) * 1000.0;
  const std::int64_t period = truncate_to_int64(milliseconds);
  // Outside the timer's range the original wrapped to the low 32 bits, which gave a far
  // shorter, zero or negative period; the longest period the timer takes is the nearest
  // honest answer to "very rarely".
  if (period < kInt32Min || period > kInt32Max) return static_cast<int>(kInt32Max);
  return static_cast<int>(period);
}

MainWindowHandlers::MainWindowHandlers(WindowRuntime& runtime, ProgramState& state,
                                       std::function<void()> on_timer)
    : runtime_(runtime), state_(state), on_timer_(std::move(on_timer)) {}

void MainWindowHandlers::focus_entered(Control box) {
  const Placeholder* p = placeholder_of(box);
  if (p == nullptr) return;
  if (runtime_.get_control_text(box) == gbk(p->shown)) runtime_.set_control_text(box, gbk(p->on_entry));
}

void MainWindowHandlers::focus_left(Control box) {
  const Placeholder* p = placeholder_of(box);
  if (p == nullptr) return;
  if (box == Control::编辑框_频率) {
    const Text text = runtime_.get_control_text(box);
    const Text normalised = normalise_interval_text(text);
    if (normalised != text) runtime_.set_control_text(box, normalised);
  }
  if (runtime_.get_control_text(box) == gbk(p->on_entry)) {
    runtime_.set_control_text(box, gbk(p->shown));
    return;
  }
  if (box == Control::编辑框_频率) {
    const double x = text_to_number(runtime_.get_control_text(box));
    if (x - 5 < -0.0000001) {
      runtime_.show_message(gbk(u"频率不能低于5！"));
      runtime_.set_control_text(box, "5");
    }
  }
}

void MainWindowHandlers::interval_arrow_clicked(bool up) {
  const Text text = runtime_.get_control_text(Control::编辑框_频率);
  runtime_.set_control_text(Control::编辑框_频率, interval_after_arrow(text, up));
}

void MainWindowHandlers::add_url_clicked() {
  const Text address = runtime_.get_control_text(Control::编辑框_网址);
  if (address == gbk(u"网址")) {
    runtime_.show_message(gbk(u"请输入正确网址，带http(?s)://，例子：") + kExampleAddress);
    return;
  }
  append_url_row(runtime_, address);
}

void MainWindowHandlers::import_clicked() { import_url_file(runtime_, state_); }

void MainWindowHandlers::toggle_monitor_clicked() {
  const bool monitoring_off = runtime_.get_control_text(Control::按钮_监控) == gbk(u"监控[点我开启]");
  const Text interval = runtime_.get_control_text(Control::编辑框_频率);
  if (interval == gbk(u"频率/s")) {
    runtime_.show_message(gbk(u"请先输入监控频率，单位为秒！"));
    return;
  }
  if (!monitoring_off) {
    runtime_.set_timer_period(Control::时钟_监控, 0);
    runtime_.set_control_text(Control::按钮_监控, gbk(u"监控[点我开启]"));
    return;
  }
  if (runtime_.list_row_count(Control::超级列表框1) == 0) {
    runtime_.show_message(gbk(u"请先添加网址，在开启监控！"));
    return;
  }
  state_.pass_count = 0;
  runtime_.set_timer_period(Control::时钟_监控, timer_period_for_interval(interval));
  runtime_.set_control_text(Control::按钮_监控, gbk(u"监控[点我关闭]"));
}

void MainWindowHandlers::timer_fired() {
  if (on_timer_) on_timer_();
}

void MainWindowHandlers::window_destroying() { save_url_list(runtime_); }

bool interval_box_accepts(char32_t character) {
  return (character >= U'0' && character <= U'9') || character == U'-';
}

}  // namespace brimlow
