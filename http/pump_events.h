#pragma once
// The window's event pump as the HTTP client sees it: a plain callback, so this layer never
// needs to know which toolkit (if any) is behind it.

#include <functional>

namespace brimlow {

// Dispatches every queued window event and returns; never waits. May be empty.
using PumpEvents = std::function<void()>;

// Runs the pump when there is one.
inline void pump_if_set(const PumpEvents& pump) {
  if (pump) pump();
}

}  // namespace brimlow
