#include "tests/support/type_library_walk.h"

#include <set>
#include <vector>

#include "platform/raii.h"

namespace korvel::testing {
namespace {

constexpr int kMaxTypeDescDepth = 32;

class Walker {
 public:
  explicit Walker(size_t maxTypeInfos) : maxTypeInfos_(maxTypeInfos) {}

  void Library(ITypeLib* library) {
    TLIBATTR* attributes = nullptr;
    if (SUCCEEDED(library->GetLibAttr(&attributes))) library->ReleaseTLibAttr(attributes);
    Documentation(library, -1);
    const UINT count = library->GetTypeInfoCount();
    for (UINT i = 0; i < count; ++i) {
      TYPEKIND kind;
      library->GetTypeInfoType(i, &kind);
      Documentation(library, static_cast<INT>(i));
      com_ptr<ITypeInfo> info;
      if (SUCCEEDED(library->GetTypeInfo(i, info.put()))) Enqueue(std::move(info));
    }
    // Walking may reach more; kept_ grows behind the cursor.
    for (size_t next = 0; next < kept_.size(); ++next) Type(kept_[next].get());
  }

  TypeLibraryWalk counts;

 private:
  // Keeps `info` to be walked unless it was met before. Kept alive, its
  // address names it for the whole walk.
  void Enqueue(com_ptr<ITypeInfo> info) {
    if (kept_.size() >= maxTypeInfos_ || !seen_.insert(info.get()).second) return;
    kept_.push_back(std::move(info));
  }

  void Follow(ITypeInfo* info, HREFTYPE reference) {
    com_ptr<ITypeInfo> referenced;
    if (FAILED(info->GetRefTypeInfo(reference, referenced.put()))) return;
    ++counts.references;
    Enqueue(std::move(referenced));
  }

  // Reads every part of `type`; follows the references it makes.
  void Touch(ITypeInfo* info, const TYPEDESC& type, int depth = 0) {
    if (depth > kMaxTypeDescDepth) return;
    switch (type.vt) {
      case VT_PTR:
      case VT_SAFEARRAY:
        if (type.lptdesc != nullptr) Touch(info, *type.lptdesc, depth + 1);
        break;
      case VT_CARRAY:
        if (type.lpadesc != nullptr) {
          volatile ULONG sum = 0;
          for (USHORT i = 0; i < type.lpadesc->cDims; ++i) sum = sum + type.lpadesc->rgbounds[i].cElements;
          Touch(info, type.lpadesc->tdescElem, depth + 1);
        }
        break;
      case VT_USERDEFINED:
        Follow(info, type.hreftype);
        break;
      default:
        break;
    }
  }

  template <typename Owner>
  void Documentation(Owner* owner, MEMBERID member) {
    unique_bstr name, doc, file;
    DWORD context = 0;
    owner->GetDocumentation(member, name.put(), doc.put(), &context, file.put());
  }

  void Type(ITypeInfo* info) {
    ++counts.typeInfos;
    TYPEATTR* attributes = nullptr;
    if (FAILED(info->GetTypeAttr(&attributes))) return;
    const WORD functions = attributes->cFuncs;
    const WORD implemented = attributes->cImplTypes;
    const GUID guid = attributes->guid;
    Touch(info, attributes->tdescAlias);
    info->ReleaseTypeAttr(attributes);

    com_ptr<ITypeLib> library;
    UINT index = 0;
    if (SUCCEEDED(info->GetContainingTypeLib(library.put(), &index))) {
      com_ptr<ITypeInfo> byGuid;
      library->GetTypeInfoOfGuid(guid, byGuid.put());
    }
    Documentation(info, MEMBERID_NIL);
    for (UINT i = 0; i < functions; ++i) Function(info, i);
    LPOLESTR lookup[] = {const_cast<LPOLESTR>(OLESTR("Value")), const_cast<LPOLESTR>(OLESTR("pVal"))};
    MEMBERID ids[2];
    info->GetIDsOfNames(lookup, 2, ids);
    for (UINT i = 0; i < implemented; ++i) {
      HREFTYPE reference = 0;
      INT flags = 0;
      info->GetImplTypeFlags(i, &flags);
      if (FAILED(info->GetRefTypeOfImplType(i, &reference))) continue;
      ++counts.implemented;
      Follow(info, reference);
    }
    HREFTYPE otherHalf = 0;
    if (SUCCEEDED(info->GetRefTypeOfImplType(static_cast<UINT>(-1), &otherHalf))) Follow(info, otherHalf);
  }

  void Function(ITypeInfo* info, UINT index) {
    FUNCDESC* function = nullptr;
    if (FAILED(info->GetFuncDesc(index, &function))) return;
    ++counts.functions;
    Touch(info, function->elemdescFunc.tdesc);
    for (SHORT p = 0; p < function->cParams; ++p) Touch(info, function->lprgelemdescParam[p].tdesc);
    const MEMBERID member = function->memid;
    info->ReleaseFuncDesc(function);
    BSTR names[8] = {};
    UINT count = 0;
    if (SUCCEEDED(info->GetNames(member, names, 8, &count))) {
      for (UINT n = 0; n < count; ++n) SysFreeString(names[n]);
    }
    Documentation(info, member);
  }

  size_t maxTypeInfos_;
  std::set<ITypeInfo*> seen_;
  std::vector<com_ptr<ITypeInfo>> kept_;
};

}  // namespace

TypeLibraryWalk WalkTypeLibrary(ITypeLib* library, size_t maxTypeInfos) {
  Walker walker(maxTypeInfos);
  walker.Library(library);
  return walker.counts;
}

}  // namespace korvel::testing
