#include "version/file_version_source.h"

#include <cstring>

#include "platform/raii.h"
#include "version/registry_version_source.h"
#include "version/version_text.h"

namespace korvel {
namespace {

// Reads from the start of the file until the block is full, the file ends
// or a read fails; returns the bytes gathered.
DWORD ReadBlock(HANDLE file, char* block, DWORD capacity) {
  DWORD total = 0;
  while (total < capacity) {
    DWORD got = 0;
    if (!ReadFile(file, block + total, capacity - total, &got, nullptr) ||
        got == 0)
      break;
    total += got;
  }
  return total;
}

bool IsLeadingBlank(char byte) {
  return byte == '\r' || byte == '\n' || byte == ' ' || byte == '\t';
}

}  // namespace

HRESULT ReadFileVersion(LPCSTR path, LONG* errorCode, BSTR* version) {
  *version = nullptr;
  if (path == nullptr) {
    *errorCode = kErrorFileNotOpened;
    return S_OK;
  }
  // Read only, and without denying other programs reading or writing.
  unique_file file(CreateFileA(path, GENERIC_READ,
                               FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    *errorCode = kErrorFileNotOpened;
    return S_OK;
  }

  char block[kVersionFileBlockBytes];
  const DWORD count = ReadBlock(file.get(), block, sizeof block);
  if (count == 0) return S_OK;  // empty or unreadable: nothing, no code

  const void* nul = std::memchr(block, 0, count);
  const char* end = nul ? static_cast<const char*>(nul) : block + count;
  const char* text = block;
  while (text < end && IsLeadingBlank(*text)) ++text;

  // The first line ends before the first CR LF pair; lone CRs and LFs stay.
  const char* lineEnd = end;
  for (const char* p = text; p + 1 < end; ++p) {
    if (p[0] == '\r' && p[1] == '\n') {
      lineEnd = p;
      break;
    }
  }
  return NarrowTextToBstr(text, static_cast<size_t>(lineEnd - text), version);
}

}  // namespace korvel
