#include "http/curl_redirect.h"

#include <curl/curl.h>

#include <memory>

#include "base/text_ops.h"
#include "http/url_parts.h"

namespace brimlow {
namespace {

struct UrlCleanup {
  void operator()(CURLU* url) const { curl_url_cleanup(url); }
};
using UrlHandle = std::unique_ptr<CURLU, UrlCleanup>;

std::string get_part(CURLU* url, CURLUPart part, unsigned int flags = 0) {
  char* value = nullptr;
  if (curl_url_get(url, part, &value, flags) != CURLUE_OK || !value) return {};
  std::string out = value;
  curl_free(value);
  return out;
}

std::string origin_of(CURLU* url) {
  const std::string scheme = get_part(url, CURLUPART_SCHEME);
  const std::string host = get_part(url, CURLUPART_HOST);
  const std::string port = get_part(url, CURLUPART_PORT, CURLU_DEFAULT_PORT);
  if (scheme.empty() || host.empty()) return {};
  return to_lower_ascii(scheme) + "://" + to_lower_ascii(host) + ":" + port;
}

}  // namespace

std::optional<RedirectTarget> resolve_redirect(const std::string& base_url, const Text& location) {
  const Text trimmed = trim_blanks(location);
  if (trimmed.empty()) return std::nullopt;
  UrlHandle url(curl_url());
  if (!url || curl_url_set(url.get(), CURLUPART_URL, base_url.c_str(), 0) != CURLUE_OK) {
    return std::nullopt;
  }
  const std::string encoded = percent_encode_raw_bytes(trimmed);
  if (curl_url_set(url.get(), CURLUPART_URL, encoded.c_str(), 0) != CURLUE_OK) {
    return std::nullopt;
  }
  const std::string scheme = to_lower_ascii(get_part(url.get(), CURLUPART_SCHEME));
  if (scheme != "http" && scheme != "https") return std::nullopt;
  RedirectTarget target;
  target.url = get_part(url.get(), CURLUPART_URL);
  target.secure = scheme == "https";
  target.origin = origin_of(url.get());
  if (target.url.empty() || target.origin.empty()) return std::nullopt;
  return target;
}

std::string url_origin(const std::string& url_text) {
  UrlHandle url(curl_url());
  if (!url || curl_url_set(url.get(), CURLUPART_URL, url_text.c_str(), 0) != CURLUE_OK) return {};
  return origin_of(url.get());
}

}  // namespace brimlow
