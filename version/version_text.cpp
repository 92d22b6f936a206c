#include "version/version_text.h"

#include <climits>

#include "platform/last_error.h"
#include "platform/raii.h"

namespace korvel {

HRESULT NarrowTextToBstr(const char* bytes, size_t count, BSTR* text) {
  *text = nullptr;
  if (count > INT_MAX) return E_OUTOFMEMORY;
  if (count == 0) {
    *text = SysAllocStringLen(nullptr, 0);
    return *text ? S_OK : E_OUTOFMEMORY;
  }
  const int byteCount = static_cast<int>(count);
  const int chars = MultiByteToWideChar(CP_ACP, 0, bytes, byteCount, nullptr, 0);
  if (chars <= 0) return HResultFromLastError();
  unique_bstr converted(SysAllocStringLen(nullptr, static_cast<UINT>(chars)));
  if (!converted) return E_OUTOFMEMORY;
  if (MultiByteToWideChar(CP_ACP, 0, bytes, byteCount, converted.get(), chars) !=
      chars)
    return HResultFromLastError();
  *text = converted.release();
  return S_OK;
}

}  // namespace korvel
