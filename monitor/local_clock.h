#pragma once
// The few facts of the local machine the SMTP client needs: its host name, a millisecond
// tick counter and the local time with its zone. All operating-system calls for them
// live in this file pair, so a port to another platform replaces local_clock.cpp only.

#include <cstdint>
#include <ctime>

#include "base/text.h"

namespace brimlow {

// The machine's host name as the system reports it, at most 100 bytes; empty on failure.
Text local_host_name();

// Milliseconds from an arbitrary start; never goes backwards.
std::int64_t tick_count_ms();

// `when` in local time as "Fri, 11 Dec 2026 15:42:07 +0800": English day and month names,
// two-digit day, 24-hour clock, and the offset from UTC in effect at that moment
// (daylight saving included), east of UTC positive.
Text format_mail_date(std::time_t when);

// format_mail_date of the current time.
Text mail_date_now();

}  // namespace brimlow
