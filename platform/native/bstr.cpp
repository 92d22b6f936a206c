// A BSTR points at its first character; the 32-bit byte length sits in the
// four bytes before it, and two NUL bytes follow the last character.
#include "platform/native/bstr.h"

#include <cstring>

#include "platform/native/code_page.h"
#include "platform/native/memory.h"

namespace {

constexpr size_t kPrefixBytes = sizeof(uint32_t);
// The largest byte length whose allocation still fits a 32-bit length.
constexpr size_t kMaxBytes = 0x7FFFFFF0u;

BSTR AllocateBytes(const void* source, size_t bytes) {
  if (bytes > kMaxBytes) return nullptr;
  auto* block = static_cast<unsigned char*>(
      HeapAlloc(GetProcessHeap(), 0, kPrefixBytes + bytes + sizeof(OLECHAR)));
  if (block == nullptr) return nullptr;
  const auto length = static_cast<uint32_t>(bytes);
  std::memcpy(block, &length, kPrefixBytes);
  unsigned char* text = block + kPrefixBytes;
  if (source != nullptr)
    std::memcpy(text, source, bytes);
  else
    std::memset(text, 0, bytes);
  // The terminator, plus a spare byte for an odd byte length.
  text[bytes] = 0;
  text[bytes + 1] = 0;
  return reinterpret_cast<BSTR>(text);
}

unsigned char* BlockOf(BSTR text) {
  return reinterpret_cast<unsigned char*>(text) - kPrefixBytes;
}

}  // namespace

BSTR SysAllocString(const OLECHAR* text) {
  if (text == nullptr) return nullptr;
  return SysAllocStringLen(text, static_cast<UINT>(lstrlenW(text)));
}

BSTR SysAllocStringLen(const OLECHAR* text, UINT chars) {
  return AllocateBytes(text, static_cast<size_t>(chars) * sizeof(OLECHAR));
}

BSTR SysAllocStringByteLen(LPCSTR bytes, UINT count) {
  return AllocateBytes(bytes, count);
}

void SysFreeString(BSTR text) {
  if (text != nullptr) HeapFree(GetProcessHeap(), 0, BlockOf(text));
}

UINT SysStringByteLen(BSTR text) {
  if (text == nullptr) return 0;
  uint32_t length;
  std::memcpy(&length, BlockOf(text), kPrefixBytes);
  return length;
}

UINT SysStringLen(BSTR text) {
  return SysStringByteLen(text) / sizeof(OLECHAR);
}
