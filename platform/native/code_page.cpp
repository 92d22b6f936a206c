// Windows-1252, mapped as Windows maps it: 0x80..0x9F carry the code page's
// typographic characters, and the five bytes it leaves undefined (0x81,
// 0x8D, 0x8F, 0x90, 0x9D) map to the C1 controls of the same value. A
// character the code page lacks becomes its default character "?".
#include "platform/native/code_page.h"

#include "fault_injection.h"
#include "platform/native/errors.h"

namespace {

constexpr char16_t kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

constexpr char kDefaultChar = '?';

char16_t ToUtf16(unsigned char byte) {
  if (byte >= 0x80 && byte <= 0x9F) return kHighControls[byte - 0x80];
  return byte;
}

// The byte for `unit`, or -1 when the code page lacks it.
int FromUtf16(char16_t unit) {
  if (unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF)) return unit;
  for (int i = 0; i < 32; ++i)
    if (kHighControls[i] == unit) return 0x80 + i;
  return -1;
}

bool IsSupported(UINT codePage) {
  return codePage == CP_ACP || codePage == CP_1252;
}

// Whether the test hooks fail this conversion; such a failure leaves no
// code behind.
bool FailedByHook() {
  if (!platform::faults::TakeConversionFailure()) return false;
  SetLastError(ERROR_SUCCESS);
  return true;
}

}  // namespace

UINT WINAPI GetACP(void) { return CP_1252; }

int WINAPI MultiByteToWideChar(UINT codePage, DWORD, LPCSTR text,
                               int textBytes, LPWSTR out, int outChars) {
  if (FailedByHook()) return 0;
  if (!IsSupported(codePage) || text == nullptr || textBytes == 0 ||
      textBytes < -1 || outChars < 0 || (outChars > 0 && out == nullptr)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  // -1 means "up to and including the terminating NUL".
  const size_t count =
      textBytes == -1 ? static_cast<size_t>(lstrlenA(text)) + 1
                      : static_cast<size_t>(textBytes);
  if (outChars == 0) return static_cast<int>(count);
  if (count > static_cast<size_t>(outChars)) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  for (size_t i = 0; i < count; ++i)
    out[i] = ToUtf16(static_cast<unsigned char>(text[i]));
  return static_cast<int>(count);
}

int WINAPI WideCharToMultiByte(UINT codePage, DWORD, LPCWSTR text,
                               int textChars, LPSTR out, int outBytes,
                               LPCSTR defaultChar, BOOL* usedDefaultChar) {
  if (FailedByHook()) return 0;
  if (!IsSupported(codePage) || text == nullptr || textChars == 0 ||
      textChars < -1 || outBytes < 0 || (outBytes > 0 && out == nullptr)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const size_t count =
      textChars == -1 ? static_cast<size_t>(lstrlenW(text)) + 1
                      : static_cast<size_t>(textChars);
  if (usedDefaultChar) *usedDefaultChar = FALSE;
  if (outBytes != 0 && count > static_cast<size_t>(outBytes)) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  const char fallback = defaultChar ? *defaultChar : kDefaultChar;
  for (size_t i = 0; i < count; ++i) {
    int byte = FromUtf16(text[i]);
    if (byte < 0) {
      byte = static_cast<unsigned char>(fallback);
      if (usedDefaultChar) *usedDefaultChar = TRUE;
    }
    if (outBytes != 0) out[i] = static_cast<char>(byte);
  }
  return static_cast<int>(count);
}

int WINAPI lstrlenW(LPCWSTR text) {
  if (text == nullptr) return 0;
  int length = 0;
  while (text[length] != 0) ++length;
  return length;
}

int WINAPI lstrlenA(LPCSTR text) {
  if (text == nullptr) return 0;
  int length = 0;
  while (text[length] != 0) ++length;
  return length;
}
