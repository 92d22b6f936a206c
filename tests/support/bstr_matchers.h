// Making BSTRs in tests and reading them back.
#pragma once

#include <optional>
#include <string>

#include "platform/windows_api.h"

namespace korvel::testing {

// The UTF-16 text of `text`, whole (embedded NULs included), or nothing for
// a null BSTR.
inline std::optional<std::u16string> BstrText(BSTR text) {
  if (text == nullptr) return std::nullopt;
  return std::u16string(reinterpret_cast<const char16_t*>(text),
                        SysStringLen(text));
}

// A new BSTR of `text`, whole (embedded NULs included).
inline BSTR NewBstr(const std::u16string& text) {
  return SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text.data()),
                           static_cast<UINT>(text.size()));
}

// Widens ASCII or Latin-1 bytes one to one, for expected values.
inline std::u16string Widen(const std::string& bytes) {
  std::u16string wide;
  for (unsigned char byte : bytes) wide.push_back(byte);
  return wide;
}

}  // namespace korvel::testing
