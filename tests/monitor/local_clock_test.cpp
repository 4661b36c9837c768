#include "monitor/local_clock.h"

#include <gtest/gtest.h>

#include <ostream>

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

#include "tests/support/case_name.h"

namespace brimlow {
namespace {

// Case tables print as their names in test listings and failures.
template <typename Case>
  requires requires(const Case& c) { c.name; }
void PrintTo(const Case& c, std::ostream* out) {
  *out << c.name;
}

// Sets TZ for the life of the object, then puts the old value back.
class ScopedTimeZone {
 public:
  explicit ScopedTimeZone(const char* zone) {
    if (const char* old = std::getenv("TZ")) saved_ = old;
    ::setenv("TZ", zone, 1);
    ::tzset();
  }
  ~ScopedTimeZone() {
    if (saved_) {
      ::setenv("TZ", saved_->c_str(), 1);
    } else {
      ::unsetenv("TZ");
    }
    ::tzset();
  }

 private:
  std::optional<std::string> saved_;
};

constexpr std::time_t kWinter = 1767225600;  // 2026-01-01 00:00:00 UTC, a Thursday
constexpr std::time_t kSummer = 1783166400;  // 2026-07-04 12:00:00 UTC, a Saturday

struct ZoneCase {
  const char* name;
  const char* zone;
  std::time_t when;
  const char* expected;
};

class MailDateTest : public ::testing::TestWithParam<ZoneCase> {};

TEST_P(MailDateTest, FormatsLocalTimeWithTheNumericZone) {
  const ZoneCase& c = GetParam();
  ScopedTimeZone zone(c.zone);
  EXPECT_EQ(format_mail_date(c.when), c.expected);
}

// POSIX zone strings count west as positive: "UTC-8" is eight hours east of UTC.
INSTANTIATE_TEST_SUITE_P(
    Cases, MailDateTest,
    ::testing::Values(
        ZoneCase{"utc plus 8", "UTC-8", kWinter, "Thu, 01 Jan 2026 08:00:00 +0800"},
        ZoneCase{"utc plus 5 30", "IST-5:30", kWinter, "Thu, 01 Jan 2026 05:30:00 +0530"},
        ZoneCase{"utc minus 5", "EST5", kWinter, "Wed, 31 Dec 2025 19:00:00 -0500"},
        ZoneCase{"utc", "UTC0", kSummer, "Sat, 04 Jul 2026 12:00:00 +0000"},
        ZoneCase{"st johns standard", "NST3:30NDT,M3.2.0,M11.1.0", kWinter,
                 "Wed, 31 Dec 2025 20:30:00 -0330"},
        ZoneCase{"st johns daylight", "NST3:30NDT,M3.2.0,M11.1.0", kSummer,
                 "Sat, 04 Jul 2026 09:30:00 -0230"}),
    testing_support::CaseName());

TEST(MailDateTest, FollowsTheZoneDatabase) {
  ScopedTimeZone zone("America/St_Johns");
  if (format_mail_date(kWinter).find("-0330") == std::string::npos) {
    GTEST_SKIP() << "no zone database entry for America/St_Johns";
  }
  EXPECT_EQ(format_mail_date(kSummer), "Sat, 04 Jul 2026 09:30:00 -0230");
}

TEST(LocalClockTest, TicksNeverGoBackAndHostNameFits) {
  const std::int64_t first = tick_count_ms();
  EXPECT_GE(tick_count_ms(), first);
  const Text name = local_host_name();
  EXPECT_FALSE(name.empty());
  EXPECT_LE(name.size(), 100u);
}

}  // namespace
}  // namespace brimlow
