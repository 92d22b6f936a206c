#include "platform/native/typelib/descriptors.h"

#include <cstring>

namespace platform::typelib {
namespace {

constexpr size_t Aligned(size_t bytes) { return (bytes + 7) & ~size_t{7}; }

size_t ArrayDescBytes(const TypeDescModel& type) {
  return Aligned(sizeof(ARRAYDESC) + (type.bounds.size() - 1) * sizeof(SAFEARRAYBOUND));
}

// Bytes needed beyond the TYPEDESC itself for what it points to.
size_t LinkedBytes(const TypeDescModel& type) {
  if (type.inner.empty()) return 0;
  if (type.vt == VT_CARRAY && !type.bounds.empty()) return ArrayDescBytes(type) + LinkedBytes(type.inner[0]);
  return Aligned(sizeof(TYPEDESC)) + LinkedBytes(type.inner[0]);
}

void FillTypeDesc(const TypeDescModel& type, TYPEDESC* out, BYTE** cursor) {
  out->vt = type.vt;
  if (type.vt == VT_USERDEFINED) {
    out->hreftype = type.href;
    return;
  }
  if (type.inner.empty()) return;
  if (type.vt == VT_CARRAY && !type.bounds.empty()) {
    auto* array = reinterpret_cast<ARRAYDESC*>(*cursor);
    *cursor += ArrayDescBytes(type);
    array->cDims = static_cast<USHORT>(type.bounds.size());
    for (size_t i = 0; i < type.bounds.size(); ++i) array->rgbounds[i] = type.bounds[i];
    out->lpadesc = array;
    FillTypeDesc(type.inner[0], &array->tdescElem, cursor);
    return;
  }
  auto* pointee = reinterpret_cast<TYPEDESC*>(*cursor);
  *cursor += Aligned(sizeof(TYPEDESC));
  out->lptdesc = pointee;
  FillTypeDesc(type.inner[0], pointee, cursor);
}

BYTE* AllocateZeroed(size_t bytes) {
  return static_cast<BYTE*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, bytes));
}

}  // namespace

HRESULT NewFuncDesc(const ViewFunction& member, FUNCDESC** description) {
  const FunctionModel& function = *member.stored;
  const size_t params = member.paramCount;
  size_t bytes = Aligned(sizeof(FUNCDESC)) + Aligned(params * sizeof(ELEMDESC)) + LinkedBytes(*member.result);
  for (size_t i = 0; i < params; ++i) bytes += LinkedBytes(function.params[i].type);
  BYTE* block = AllocateZeroed(bytes);
  if (block == nullptr) return E_OUTOFMEMORY;
  auto* out = reinterpret_cast<FUNCDESC*>(block);
  BYTE* cursor = block + Aligned(sizeof(FUNCDESC));
  out->memid = function.memid;
  out->funckind = member.funckind;
  out->invkind = function.invkind;
  out->callconv = function.callconv;
  out->cParams = static_cast<SHORT>(params);
  out->cParamsOpt = function.optionalParams;
  out->oVft = member.vtableOffset;
  out->wFuncFlags = function.flags;
  if (params > 0) {
    out->lprgelemdescParam = reinterpret_cast<ELEMDESC*>(cursor);
    cursor += Aligned(params * sizeof(ELEMDESC));
  }
  FillTypeDesc(*member.result, &out->elemdescFunc.tdesc, &cursor);
  for (size_t i = 0; i < params; ++i) {
    FillTypeDesc(function.params[i].type, &out->lprgelemdescParam[i].tdesc, &cursor);
    out->lprgelemdescParam[i].paramdesc.wParamFlags = function.params[i].flags;
  }
  *description = out;
  return S_OK;
}

HRESULT NewTypeAttr(const LibraryModel& library, const TypeModel& type, const TypeView& view,
                    TYPEATTR** attributes) {
  BYTE* block = AllocateZeroed(Aligned(sizeof(TYPEATTR)) + LinkedBytes(type.alias));
  if (block == nullptr) return E_OUTOFMEMORY;
  auto* out = reinterpret_cast<TYPEATTR*>(block);
  BYTE* cursor = block + Aligned(sizeof(TYPEATTR));
  out->guid = type.guid;
  out->lcid = library.lcid;
  out->memidConstructor = MEMBERID_NIL;
  out->memidDestructor = MEMBERID_NIL;
  out->cbSizeInstance = type.instanceSize;
  out->typekind = view.typekind;
  out->cFuncs = static_cast<WORD>(view.functions.size());
  out->cVars = view.kind == ViewKind::kDispatchHalf ? 0 : type.variableCount;
  out->cImplTypes = static_cast<WORD>(view.ImplTypeCount());
  out->cbSizeVft = static_cast<WORD>(view.vtableSlots * sizeof(void*));
  out->cbAlignment = type.alignment;
  out->wTypeFlags = view.flags;
  out->wMajorVerNum = type.majorVersion;
  out->wMinorVerNum = type.minorVersion;
  if (type.kind == TKIND_ALIAS) FillTypeDesc(type.alias, &out->tdescAlias, &cursor);
  *attributes = out;
  return S_OK;
}

HRESULT NewLibAttr(const LibraryModel& library, TLIBATTR** attributes) {
  auto* out = reinterpret_cast<TLIBATTR*>(AllocateZeroed(sizeof(TLIBATTR)));
  if (out == nullptr) return E_OUTOFMEMORY;
  out->guid = library.libid;
  out->lcid = library.lcid;
  out->syskind = library.syskind;
  out->wMajorVerNum = library.majorVersion;
  out->wMinorVerNum = library.minorVersion;
  // A library read from a file has a disk image.
  out->wLibFlags = static_cast<WORD>(library.flags | LIBFLAG_FHASDISKIMAGE);
  *attributes = out;
  return S_OK;
}

void FreeDescription(void* description) {
  if (description != nullptr) HeapFree(GetProcessHeap(), 0, description);
}

}  // namespace platform::typelib
