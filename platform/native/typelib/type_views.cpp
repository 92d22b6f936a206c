#include "platform/native/typelib/type_views.h"

#include <algorithm>
#include <new>

#include "platform/native/typelib/standard_interfaces.h"

namespace platform::typelib {
namespace {

constexpr WORD kDispatchSlots = 7;

// A vtable member as the dispatch half shows it.
ViewFunction AsDispatchMember(const FunctionModel& function) {
  static const TypeDescModel kNoResult = [] {
    TypeDescModel none;
    none.vt = VT_VOID;
    return none;
  }();
  ViewFunction shown;
  shown.stored = &function;
  shown.funckind = FUNC_DISPATCH;
  shown.result = &function.result;
  shown.paramCount = function.params.size();
  if (!function.params.empty() && (function.params.back().flags & PARAMFLAG_FRETVAL) &&
      function.params.back().type.vt == VT_PTR && !function.params.back().type.inner.empty()) {
    shown.result = &function.params.back().type.inner[0];
    --shown.paramCount;
  } else if (function.result.vt == VT_HRESULT) {
    shown.result = &kNoResult;
  }
  return shown;
}

// A member as it is stored.
ViewFunction AsStored(const FunctionModel& function) {
  ViewFunction shown;
  shown.stored = &function;
  shown.funckind = function.funckind;
  shown.result = &function.result;
  shown.paramCount = function.params.size();
  return shown;
}

// Appends the members of the bases of `type` (root first), then its own.
// `derived` holds the types that `type` is a base of: a chain of bases that
// comes back to one of them ends there, so each type's members come once.
void CollectVtableMembers(const std::shared_ptr<const LibraryModel>& library, const TypeModel& type,
                          std::vector<const TypeModel*>* derived, TypeView* view) {
  derived->push_back(&type);
  if (!type.implTypes.empty() && derived->size() <= kMaxBaseDepth) {
    TypeLocation base;
    if (SUCCEEDED(ResolveDescribedType(library, type.implTypes[0].href, &base))) {
      const TypeModel& baseType = base.library->types[base.index];
      if (std::find(derived->begin(), derived->end(), &baseType) == derived->end()) {
        CollectVtableMembers(base.library, baseType, derived, view);
        view->described.push_back(base.library);
      }
    }
  }
  for (const FunctionModel& function : type.functions) {
    ViewFunction member = AsDispatchMember(function);
    member.call = function.slot >= 0 ? &function : nullptr;
    member.callSlots = type.vtableSlots;
    view->functions.push_back(std::move(member));
  }
}

}  // namespace

bool IsDual(const TypeModel& type) {
  return type.kind == TKIND_DISPATCH && (type.flags & TYPEFLAG_FDUAL) != 0;
}

const ImportModel* FindImport(const LibraryModel& library, HREFTYPE href) {
  const auto found = library.imports.find(href);
  return found == library.imports.end() ? nullptr : &found->second;
}

HRESULT ResolveDescribedType(const std::shared_ptr<const LibraryModel>& library, HREFTYPE href,
                             TypeLocation* location) {
  if ((href & 3) == 0) {
    if (href % kTypeRecordBytes != 0 || href / kTypeRecordBytes >= library->types.size()) {
      return TYPE_E_ELEMENTNOTFOUND;
    }
    location->library = library;
    location->index = href / kTypeRecordBytes;
    return S_OK;
  }
  const ImportModel* import = FindImport(*library, href);
  if (import == nullptr) return TYPE_E_ELEMENTNOTFOUND;
  if (import->library != kStandardLibraryId || !import->byGuid) return TYPE_E_CANTLOADLIBRARY;
  std::shared_ptr<const LibraryModel> standard = StandardLibrary();
  if (!FindTypeByGuid(*standard, import->type, &location->index)) return TYPE_E_ELEMENTNOTFOUND;
  location->library = std::move(standard);
  return S_OK;
}

HRESULT BuildTypeView(const std::shared_ptr<const LibraryModel>& library, size_t index,
                      ViewKind kind, TypeView* view) {
  if (index >= library->types.size()) return TYPE_E_ELEMENTNOTFOUND;
  const TypeModel& type = library->types[index];
  const bool dual = IsDual(type);
  if (!dual && kind != ViewKind::kAsStored) return TYPE_E_ELEMENTNOTFOUND;
  if (dual && kind == ViewKind::kAsStored) kind = ViewKind::kDispatchHalf;
  try {
    TypeView built;
    built.kind = kind;
    built.dual = dual;
    built.described.push_back(library);
    if (kind == ViewKind::kDispatchHalf) {
      built.typekind = TKIND_DISPATCH;
      built.flags = static_cast<WORD>(type.flags & ~TYPEFLAG_FOLEAUTOMATION);
      built.vtableSlots = kDispatchSlots;
      std::vector<const TypeModel*> derived;
      CollectVtableMembers(library, type, &derived, &built);
      for (size_t i = 0; i < built.functions.size(); ++i) {
        built.functions[i].vtableOffset = static_cast<SHORT>(i * sizeof(void*));
      }
      if (!type.implTypes.empty()) {
        const HREFTYPE dispatch =
            library->dispatchHref != static_cast<HREFTYPE>(-1) ? library->dispatchHref : type.implTypes[0].href;
        built.dispatchBase = ImplTypeModel{dispatch, 0};
      }
    } else {
      built.typekind = dual ? TKIND_INTERFACE : type.kind;
      built.flags = type.flags;
      built.vtableSlots = type.vtableSlots;
      built.storedImplTypes = &type.implTypes;
      built.functions.reserve(type.functions.size());
      for (const FunctionModel& function : type.functions) {
        ViewFunction member = AsStored(function);
        if (function.slot >= 0) {
          member.vtableOffset = static_cast<SHORT>(function.slot * sizeof(void*));
          member.call = &function;
          member.callSlots = type.vtableSlots;
        }
        built.functions.push_back(std::move(member));
      }
    }
    *view = std::move(built);
    return S_OK;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

}  // namespace platform::typelib
