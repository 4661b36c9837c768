#pragma once
// The owner of an ICU converter, shared by the code-page helpers and the charset step.
// Only http's own sources include it: ICU stays a private dependency of the library.

#include <unicode/ucnv.h>

#include <memory>

namespace brimlow {

// ICU opens Windows' own code page 936 table under this name: 0x80 is the euro sign and
// the user-defined areas round-trip, as MultiByteToWideChar does.
inline constexpr const char* kGbkConverterName = "windows-936-2000";

struct IcuConverterCloser {
  void operator()(UConverter* converter) const { ucnv_close(converter); }
};
using IcuConverter = std::unique_ptr<UConverter, IcuConverterCloser>;

// The converter ICU knows by `name`, or null when it knows none.
inline IcuConverter open_icu_converter(const char* name) {
  UErrorCode status = U_ZERO_ERROR;
  IcuConverter converter(ucnv_open(name, &status));
  if (U_FAILURE(status)) return nullptr;
  return converter;
}

}  // namespace brimlow
