#include "monitor/local_clock.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace brimlow {
namespace {

constexpr std::size_t kHostNameLimit = 100;

// Fixed English names: the date header must not follow the user's locale.
constexpr const char* kDayNames[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr const char* kMonthNames[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                       "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

}  // namespace

Text local_host_name() {
  char name[kHostNameLimit + 1] = {};
  if (::gethostname(name, kHostNameLimit) != 0) return {};
  name[kHostNameLimit] = '\0';
  return Text(name);
}

std::int64_t tick_count_ms() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

Text format_mail_date(std::time_t when) {
  std::tm local{};
  if (::localtime_r(&when, &local) == nullptr) return {};
  const long offset_minutes = local.tm_gmtoff / 60;
  const long magnitude = std::labs(offset_minutes);
  char out[64];
  std::snprintf(out, sizeof out, "%s, %02d %s %04d %02d:%02d:%02d %c%02ld%02ld",
                kDayNames[local.tm_wday % 7], local.tm_mday, kMonthNames[local.tm_mon % 12],
                local.tm_year + 1900, local.tm_hour, local.tm_min, local.tm_sec,
                offset_minutes < 0 ? '-' : '+', magnitude / 60, magnitude % 60);
  return Text(out);
}

Text mail_date_now() { return format_mail_date(std::time(nullptr)); }

}  // namespace brimlow
