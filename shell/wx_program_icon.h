#pragma once
// The program's 128 x 128 icon, drawn at run time so no image file has to ship with it.

#include <wx/icon.h>

namespace brimlow {

wxIcon program_icon();

}  // namespace brimlow
