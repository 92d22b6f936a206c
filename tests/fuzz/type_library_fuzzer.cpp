// Feeds arbitrary bytes to the type-library reader and walks everything a
// client could ask of the result: every type in every view, every function
// description, names, documentation and referenced types.
#include <cstddef>
#include <cstdint>

#include "platform/native/type_library_memory.h"
#include "platform/raii.h"
#include "platform/windows_api.h"

namespace {

using korvel::com_ptr;

void Touch(const TYPEDESC& type, int depth = 0) {
  if (depth > 32) return;
  if ((type.vt == VT_PTR || type.vt == VT_SAFEARRAY) && type.lptdesc != nullptr) Touch(*type.lptdesc, depth + 1);
  if (type.vt == VT_CARRAY && type.lpadesc != nullptr) {
    volatile ULONG sum = 0;
    for (USHORT i = 0; i < type.lpadesc->cDims; ++i) sum = sum + type.lpadesc->rgbounds[i].cElements;
    Touch(type.lpadesc->tdescElem, depth + 1);
  }
}

void WalkTypeInfo(ITypeInfo* info, int depth);

void WalkReference(ITypeInfo* info, HREFTYPE reference, int depth) {
  com_ptr<ITypeInfo> referenced;
  if (SUCCEEDED(info->GetRefTypeInfo(reference, referenced.put()))) WalkTypeInfo(referenced.get(), depth + 1);
}

void WalkTypeInfo(ITypeInfo* info, int depth) {
  if (depth > 3) return;
  TYPEATTR* attributes = nullptr;
  if (FAILED(info->GetTypeAttr(&attributes))) return;
  Touch(attributes->tdescAlias);
  const WORD functions = attributes->cFuncs;
  const WORD implTypes = attributes->cImplTypes;
  info->ReleaseTypeAttr(attributes);

  korvel::unique_bstr name, doc, file;
  DWORD context = 0;
  info->GetDocumentation(MEMBERID_NIL, name.put(), doc.put(), &context, file.put());
  for (UINT i = 0; i < functions; ++i) {
    FUNCDESC* function = nullptr;
    if (FAILED(info->GetFuncDesc(i, &function))) continue;
    Touch(function->elemdescFunc.tdesc);
    for (SHORT p = 0; p < function->cParams; ++p) {
      Touch(function->lprgelemdescParam[p].tdesc);
      if (function->lprgelemdescParam[p].tdesc.vt == VT_USERDEFINED) {
        WalkReference(info, function->lprgelemdescParam[p].tdesc.hreftype, depth);
      }
    }
    const MEMBERID member = function->memid;
    info->ReleaseFuncDesc(function);
    BSTR names[8] = {};
    UINT count = 0;
    if (SUCCEEDED(info->GetNames(member, names, 8, &count))) {
      for (UINT n = 0; n < count; ++n) SysFreeString(names[n]);
    }
    info->GetDocumentation(member, name.put(), doc.put(), &context, file.put());
  }
  LPOLESTR lookup[] = {const_cast<LPOLESTR>(OLESTR("Value")), const_cast<LPOLESTR>(OLESTR("pVal"))};
  MEMBERID ids[2];
  info->GetIDsOfNames(lookup, 2, ids);
  for (UINT i = 0; i < implTypes; ++i) {
    HREFTYPE reference = 0;
    INT flags = 0;
    info->GetImplTypeFlags(i, &flags);
    if (SUCCEEDED(info->GetRefTypeOfImplType(i, &reference))) WalkReference(info, reference, depth);
  }
  HREFTYPE other = 0;
  if (SUCCEEDED(info->GetRefTypeOfImplType(static_cast<UINT>(-1), &other))) WalkReference(info, other, depth);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  com_ptr<ITypeLib> library;
  if (FAILED(platform::LoadTypeLibFromMemory(data, size, library.put()))) return 0;
  TLIBATTR* attributes = nullptr;
  if (SUCCEEDED(library->GetLibAttr(&attributes))) library->ReleaseTLibAttr(attributes);
  korvel::unique_bstr name, doc, file;
  DWORD context = 0;
  library->GetDocumentation(-1, name.put(), doc.put(), &context, file.put());
  const UINT count = library->GetTypeInfoCount();
  for (UINT i = 0; i < count && i < 256; ++i) {
    TYPEKIND kind;
    library->GetTypeInfoType(i, &kind);
    library->GetDocumentation(static_cast<INT>(i), name.put(), doc.put(), &context, file.put());
    com_ptr<ITypeInfo> info;
    if (SUCCEEDED(library->GetTypeInfo(i, info.put()))) WalkTypeInfo(info.get(), 0);
  }
  return 0;
}
