#pragma once
// The program-wide variables, one instance created at start-up and handed to whoever needs
// them (the handlers, the URL list and the monitor loop). Nothing else is global.

#include "base/text.h"

namespace brimlow {

struct ProgramState {
  // Monitor loop.
  int current_row = 0;    // 1-based row being checked
  Text last_status;       // status text or failure text of the latest request
  int failure_count = 0;  // consecutive failed checks over the whole list
  int pass_count = 0;     // completed passes since monitoring was switched on

  // Import.
  Text imported_text;       // whole text of the file read by the latest import
  TextArray imported_urls;  // its members, only while the import appends them
};

}  // namespace brimlow
