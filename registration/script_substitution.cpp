#include "registration/script_substitution.h"

#include <cstring>

#include "platform/raii.h"

namespace korvel {
namespace {

// The longest substituted text; the NUL must still fit after it.
constexpr size_t kMaxLength = static_cast<size_t>(-1) / 2;
// What the placeholders may put in, in all. A script names the module a few
// times; a long path put in for thousands of short placeholders would make
// a small script a huge one.
constexpr size_t kMaxInsertedBytes = size_t{1} << 20;

OLECHAR FoldCase(OLECHAR c) { return c >= u'a' && c <= u'z' ? static_cast<OLECHAR>(c - 0x20) : c; }

// Whether the narrow `name` (converted through the ANSI code page) equals
// the wide `wanted` without regard to case.
bool NameMatches(const char* name, size_t length, const OLECHAR* wanted) {
  size_t i = 0;
  for (; i < length; ++i) {
    OLECHAR wide = 0;
    if (MultiByteToWideChar(CP_ACP, 0, name + i, 1, &wide, 1) != 1) return false;
    if (wanted[i] == 0 || FoldCase(wide) != FoldCase(wanted[i])) return false;
  }
  return wanted[i] == 0;
}

// The replacement text in the ANSI code page: its length without the NUL,
// written to `out` when `out` is not null.
HRESULT NarrowReplacement(const OLECHAR* text, char* out, size_t* length) {
  const int bytes = WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return DISP_E_EXCEPTION;
  if (out != nullptr &&
      WideCharToMultiByte(CP_ACP, 0, text, -1, out, bytes, nullptr, nullptr) != bytes)
    return DISP_E_EXCEPTION;
  *length = static_cast<size_t>(bytes) - 1;
  return S_OK;
}

// One pass over the text; with `out` null it only measures.
HRESULT Substitute(const char* text, size_t length, const ScriptReplacement* replacements,
                   size_t replacementCount, char* out, size_t* outLength) {
  size_t written = 0, inserted = 0;
  for (size_t i = 0; i < length;) {
    if (text[i] != '%') {
      if (written == kMaxLength) return E_OUTOFMEMORY;
      if (out) out[written] = text[i];
      ++written;
      ++i;
      continue;
    }
    const char* name = text + i + 1;
    const void* close = std::memchr(name, '%', length - i - 1);
    if (close == nullptr) return DISP_E_EXCEPTION;
    const size_t nameLength = static_cast<const char*>(close) - name;
    const ScriptReplacement* found = nullptr;
    for (size_t r = 0; r < replacementCount && found == nullptr; ++r)
      if (NameMatches(name, nameLength, replacements[r].name)) found = &replacements[r];
    if (found == nullptr) return DISP_E_EXCEPTION;
    size_t replacementLength = 0;
    RETURN_IF_FAILED(NarrowReplacement(found->text, nullptr, &replacementLength));
    if (replacementLength > kMaxLength - written || replacementLength > kMaxInsertedBytes - inserted)
      return E_OUTOFMEMORY;
    if (out) RETURN_IF_FAILED(NarrowReplacement(found->text, out + written, &replacementLength));
    written += replacementLength;
    inserted += replacementLength;
    i += nameLength + 2;
  }
  if (out) out[written] = 0;
  *outLength = written;
  return S_OK;
}

}  // namespace

HRESULT SubstitutePlaceholders(const char* text, size_t length,
                               const ScriptReplacement* replacements,
                               size_t replacementCount, char** substituted,
                               size_t* substitutedLength) {
  *substituted = nullptr;
  *substitutedLength = 0;
  size_t needed = 0;
  RETURN_IF_FAILED(Substitute(text, length, replacements, replacementCount, nullptr, &needed));
  auto* out = static_cast<char*>(HeapAlloc(GetProcessHeap(), 0, needed + 1));
  if (out == nullptr) return E_OUTOFMEMORY;
  const HRESULT hr = Substitute(text, length, replacements, replacementCount, out, &needed);
  if (FAILED(hr)) {
    HeapFree(GetProcessHeap(), 0, out);
    return hr;
  }
  *substituted = out;
  *substitutedLength = needed;
  return S_OK;
}

}  // namespace korvel
