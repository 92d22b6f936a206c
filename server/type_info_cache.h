// The process-wide type information of one dual interface, loaded from the
// registered type library on first use, with a cache of its member names.
// All objects share it; the module's termination list releases it.
#pragma once

#include <atomic>

#include "platform/windows_api.h"

namespace korvel {

struct NameCacheEntry {
  BSTR name;     // owned by the cache; null when the member had no name
  LONG length;   // in UTF-16 code units
  DISPID dispid;
};

struct TypeInfoCache {
  const IID* iid;
  const GUID* libid;
  WORD majorVersion;
  WORD minorVersion;
  // Set last, once the name cache is complete; never changes again until
  // the cleanup runs.
  std::atomic<ITypeInfo*> typeInfo;
  NameCacheEntry* names;
  LONG nameCount;
  // Whether the cleanup is on the termination list: it goes there once per
  // process, however many loads fail.
  std::atomic<bool> cleanupQueued;
};

// Loads the type information if none is held, with `locale` for the
// registered library's lookup. S_OK when held, else the loader's code.
HRESULT EnsureTypeInfo(TypeInfoCache* cache, LCID locale);

// The four IDispatch operations, carried out through the cache.
HRESULT DispatchGetTypeInfoCount(UINT* count);
HRESULT DispatchGetTypeInfo(TypeInfoCache* cache, LCID locale,
                            ITypeInfo** typeInfo);
HRESULT DispatchGetIDsOfNames(TypeInfoCache* cache, LPOLESTR* names,
                              UINT nameCount, LCID locale, DISPID* dispids);
HRESULT DispatchInvoke(TypeInfoCache* cache, IDispatch* instance,
                       DISPID member, LCID locale, WORD flags,
                       DISPPARAMS* params, VARIANT* result,
                       EXCEPINFO* exception, UINT* argumentError);

// The termination callback: releases the type information and frees the
// name cache; harmless when run twice or with nothing loaded.
void CleanupTypeInfoCache(DWORD_PTR cache);

}  // namespace korvel
