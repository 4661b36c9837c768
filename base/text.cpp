#include "base/text.h"

#include <algorithm>

namespace brimlow {

Text text_from_bytes(const Bytes& bytes) {
  const auto end = std::find(bytes.begin(), bytes.end(), std::uint8_t{0});
  return Text(bytes.begin(), end);
}

Text text_from_bytes(std::string_view bytes) {
  return Text(bytes.substr(0, bytes.find('\0')));
}

Bytes bytes_from_text(std::string_view text) { return Bytes(text.begin(), text.end()); }

}  // namespace brimlow
