#pragma once
// The numbered failure texts the request routine writes into the caller's status variable.
// Callers compare the texts, never the numbers. There is no 706.

#include "base/text.h"

namespace brimlow {

enum class RequestFailure {
  kServiceUnavailable = 700,
  kBadUrl = 701,
  kSession = 702,
  kConnection = 703,
  kRequest = 704,
  kTimeouts = 705,
  kCredentials = 707,
  kCookieOption = 708,
  kRedirectOption = 709,
  kHeaders = 710,
  kSend = 711,
  kNoResponse = 712,
  kRead = 713,
};

// The GBK text of a failure, such as "711 发送请求失败!".
Text failure_text(RequestFailure failure);

}  // namespace brimlow
