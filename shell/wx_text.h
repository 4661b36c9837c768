#pragma once
// The only crossing between the program's GBK `Text` and wx's strings. Both directions go
// through to_utf16/from_utf16, so the window shows exactly what those conversions give.

#include <wx/string.h>

#include "base/text.h"

namespace brimlow {

wxString to_wx(const Text& text);
Text from_wx(const wxString& text);

// A GBK path as the file system spells it (UTF-8 bytes on this platform).
std::string file_system_path(const Text& path);

}  // namespace brimlow
