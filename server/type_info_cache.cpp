#include "server/type_info_cache.h"

#include "platform/raii.h"
#include "server/server_module.h"

namespace korvel {
namespace {

template <typename Interface>
void ReleaseInterface(Interface*& pointer) {
  if (pointer != nullptr) {
    pointer->Release();
    pointer = nullptr;
  }
}

// Builds the name cache from `typeInfo`; a member whose description or
// name cannot be read gets an entry without a name, and running out of
// memory leaves the cache empty. Never fails the load.
void BuildNameCache(TypeInfoCache* cache, ITypeInfo* typeInfo) {
  TYPEATTR* attributes = nullptr;
  if (FAILED(typeInfo->GetTypeAttr(&attributes)) || attributes == nullptr)
    return;
  auto releaseAttributes =
      scope_exit([&] { typeInfo->ReleaseTypeAttr(attributes); });

  const UINT count = attributes->cFuncs;
  if (count == 0) return;
  auto* entries = static_cast<NameCacheEntry*>(HeapAlloc(
      GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(NameCacheEntry) * count));
  if (entries == nullptr) return;

  for (UINT index = 0; index < count; ++index) {
    FUNCDESC* function = nullptr;
    if (FAILED(typeInfo->GetFuncDesc(index, &function)) || function == nullptr)
      continue;
    BSTR name = nullptr;
    if (SUCCEEDED(typeInfo->GetDocumentation(function->memid, &name, nullptr,
                                             nullptr, nullptr))) {
      entries[index].name = name;
      entries[index].length = static_cast<LONG>(SysStringLen(name));
      entries[index].dispid = function->memid;
    }
    typeInfo->ReleaseFuncDesc(function);
  }
  cache->names = entries;
  cache->nameCount = static_cast<LONG>(count);
}

HRESULT LoadUnderLock(TypeInfoCache* cache, LCID locale) {
  if (cache->typeInfo.load(std::memory_order_acquire) != nullptr) return S_OK;

  ITypeLib* library = nullptr;
  HRESULT hr = LoadRegTypeLib(*cache->libid, cache->majorVersion,
                              cache->minorVersion, locale, &library);
  if (FAILED(hr)) return hr;
  auto releaseLibrary = scope_exit([&] { ReleaseInterface(library); });

  ITypeInfo* typeInfo = nullptr;
  hr = library->GetTypeInfoOfGuid(*cache->iid, &typeInfo);
  if (FAILED(hr)) return hr;

  // Prefer ITypeInfo2 when it answers; only ITypeInfo operations are used.
  ITypeInfo* kept = typeInfo;
  ITypeInfo* typeInfo2 = nullptr;
  if (SUCCEEDED(typeInfo->QueryInterface(IID_ITypeInfo2,
                                         reinterpret_cast<void**>(&typeInfo2))) &&
      typeInfo2 != nullptr) {
    kept = typeInfo2;
    typeInfo->Release();
  }

  BuildNameCache(cache, kept);
  cache->typeInfo.store(kept, std::memory_order_release);
  return S_OK;
}

// Puts the cleanup on the termination list once per process, however many
// loads fail. If the list cannot take it, a later call tries again, so the
// type information is never left unreleased at shutdown.
void QueueCleanupOnce(TypeInfoCache* cache) {
  if (cache->cleanupQueued.load(std::memory_order_acquire)) return;
  if (!cache->cleanupQueued.exchange(true) &&
      FAILED(AddTermCallback(CleanupTypeInfoCache,
                             reinterpret_cast<DWORD_PTR>(cache))))
    cache->cleanupQueued.store(false);
}

}  // namespace

HRESULT EnsureTypeInfo(TypeInfoCache* cache, LCID locale) {
  HRESULT hr = S_OK;
  if (cache->typeInfo.load(std::memory_order_acquire) == nullptr) {
    EnterTypeInfoLock();
    hr = LoadUnderLock(cache, locale);
    LeaveTypeInfoLock();
  }
  QueueCleanupOnce(cache);
  return hr;
}

HRESULT DispatchGetTypeInfoCount(UINT* count) {
  if (count == nullptr) return E_POINTER;
  *count = 1;
  return S_OK;
}

HRESULT DispatchGetTypeInfo(TypeInfoCache* cache, LCID locale,
                            ITypeInfo** typeInfo) {
  if (typeInfo == nullptr) return E_POINTER;
  *typeInfo = nullptr;
  const HRESULT hr = EnsureTypeInfo(cache, locale);
  ITypeInfo* held = cache->typeInfo.load(std::memory_order_acquire);
  if (held == nullptr) return hr;
  held->AddRef();
  *typeInfo = held;
  return S_OK;
}

HRESULT DispatchGetIDsOfNames(TypeInfoCache* cache, LPOLESTR* names,
                              UINT nameCount, LCID locale, DISPID* dispids) {
  if (names == nullptr || dispids == nullptr) return E_POINTER;
  for (UINT i = 0; i < nameCount; ++i)
    if (names[i] == nullptr) return E_POINTER;
  const HRESULT hr = EnsureTypeInfo(cache, locale);
  ITypeInfo* typeInfo = cache->typeInfo.load(std::memory_order_acquire);
  if (typeInfo == nullptr) return hr;
  if (nameCount == 0) return S_OK;

  if (nameCount == 1) {
    // The exact spelling is answered from the cache, newest entry first;
    // lengths are compared before code units.
    const LPOLESTR name = names[0];
    const LONG length = static_cast<LONG>(lstrlenW(name));
    for (LONG i = cache->nameCount - 1; i >= 0; --i) {
      const NameCacheEntry& entry = cache->names[i];
      if (entry.name == nullptr || entry.length != length) continue;
      LONG unit = 0;
      while (unit < length && entry.name[unit] == name[unit]) ++unit;
      if (unit == length) {
        dispids[0] = entry.dispid;
        return S_OK;
      }
    }
  }
  return typeInfo->GetIDsOfNames(names, nameCount, dispids);
}

HRESULT DispatchInvoke(TypeInfoCache* cache, IDispatch* instance,
                       DISPID member, LCID locale, WORD flags,
                       DISPPARAMS* params, VARIANT* result,
                       EXCEPINFO* exception, UINT* argumentError) {
  const HRESULT hr = EnsureTypeInfo(cache, locale);
  ITypeInfo* typeInfo = cache->typeInfo.load(std::memory_order_acquire);
  if (typeInfo == nullptr) return hr;
  return typeInfo->Invoke(instance, member, flags, params, result, exception,
                          argumentError);
}

void CleanupTypeInfoCache(DWORD_PTR datum) {
  auto* cache = reinterpret_cast<TypeInfoCache*>(datum);
  ITypeInfo* typeInfo = cache->typeInfo.exchange(nullptr);
  if (typeInfo != nullptr) typeInfo->Release();
  if (cache->names != nullptr) {
    for (LONG i = cache->nameCount - 1; i >= 0; --i)
      SysFreeString(cache->names[i].name);
    HeapFree(GetProcessHeap(), 0, cache->names);
  }
  cache->names = nullptr;
  cache->nameCount = 0;
}

}  // namespace korvel
