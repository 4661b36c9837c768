#include "shell/wx_text.h"

#include <wx/strconv.h>

#include "http/text_helpers.h"

namespace brimlow {

wxString to_wx(const Text& text) {
  const Bytes utf16 = to_utf16(text, /*drop_terminator=*/true);
  if (utf16.empty()) return wxString();
  wxMBConvUTF16LE conv;
  return wxString(reinterpret_cast<const char*>(utf16.data()), conv, utf16.size());
}

Text from_wx(const wxString& text) {
  if (text.empty()) return Text();
  wxMBConvUTF16LE conv;
  size_t length = 0;
  const wxCharBuffer buffer = conv.cWC2MB(text.wc_str(), text.length(), &length);
  if (!buffer.data() || length == 0 || length == wxCONV_FAILED) return Text();
  const auto* begin = reinterpret_cast<const std::uint8_t*>(buffer.data());
  return from_utf16(Bytes(begin, begin + length));
}

std::string file_system_path(const Text& path) {
  return std::string(to_wx(path).utf8_str());
}

}  // namespace brimlow
