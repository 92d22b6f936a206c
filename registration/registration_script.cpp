#include "registration/registration_script.h"

#include <cstring>

#include "platform/last_error.h"
#include "platform/raii.h"
#include "registration/script_passes.h"
#include "registration/script_substitution.h"

namespace korvel {
namespace {

// The module path in UTF-16 with every single quote doubled, as it must
// stand inside a quoted value of the script.
HRESULT QuotedModulePath(const char* modulePath, unique_heap_ptr* quoted) {
  const int chars = MultiByteToWideChar(CP_ACP, 0, modulePath, -1, nullptr, 0);
  if (chars <= 0) return HResultFromLastError();
  unique_heap_ptr wide(HeapAlloc(GetProcessHeap(), 0, chars * sizeof(OLECHAR)));
  if (!wide) return E_OUTOFMEMORY;
  auto* plain = static_cast<OLECHAR*>(wide.get());
  if (MultiByteToWideChar(CP_ACP, 0, modulePath, -1, plain, chars) != chars)
    return HResultFromLastError();
  quoted->reset(HeapAlloc(GetProcessHeap(), 0, 2 * chars * sizeof(OLECHAR)));
  if (!*quoted) return E_OUTOFMEMORY;
  auto* out = static_cast<OLECHAR*>(quoted->get());
  for (const OLECHAR* c = plain;; ++c) {
    *out++ = *c;
    if (*c == u'\'') *out++ = u'\'';
    if (*c == 0) break;
  }
  return S_OK;
}

}  // namespace

HRESULT RunRegistrationScriptText(const char* script, size_t bytes, const char* modulePath,
                                  BOOL registerFlag) {
  unique_heap_ptr quotedPath;
  RETURN_IF_FAILED(QuotedModulePath(modulePath, &quotedPath));
  const ScriptReplacement replacements[] = {
      {OLESTR("Module"), static_cast<const OLECHAR*>(quotedPath.get())}};

  const void* nul = std::memchr(script, 0, bytes);
  const size_t length = nul ? static_cast<const char*>(nul) - script : bytes;
  char* substituted = nullptr;
  size_t substitutedLength = 0;
  RETURN_IF_FAILED(SubstitutePlaceholders(script, length, replacements, 1, &substituted,
                                          &substitutedLength));
  unique_heap_ptr text(substituted);
  return registerFlag ? RegisterScriptEntries(substituted, substitutedLength)
                      : UnregisterScriptEntries(substituted, substitutedLength);
}

HRESULT RunRegistrationScriptForModule(const char* modulePath, WORD resourceId,
                                       BOOL registerFlag) {
  unique_hmodule module(LoadLibraryExA(modulePath, nullptr, LOAD_LIBRARY_AS_DATAFILE));
  if (!module) return HResultFromLastError();
  HRSRC resource = FindResourceA(module.get(), MAKEINTRESOURCEA(resourceId), "REGISTRY");
  if (resource == nullptr) return HResultFromLastError();
  HGLOBAL loaded = LoadResource(module.get(), resource);
  if (loaded == nullptr) return HResultFromLastError();
  const DWORD bytes = SizeofResource(module.get(), resource);
  const auto* script = static_cast<const char*>(LockResource(loaded));
  if (script == nullptr && bytes != 0) return HResultFromLastError();
  return RunRegistrationScriptText(script ? script : "", bytes, modulePath, registerFlag);
}

}  // namespace korvel
