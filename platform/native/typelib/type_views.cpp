#include "platform/native/typelib/type_views.h"

#include <new>

#include "platform/native/typelib/standard_interfaces.h"

namespace platform::typelib {
namespace {

constexpr WORD kDispatchSlots = 7;

// A vtable member as the dispatch half shows it.
FunctionModel AsDispatchMember(const FunctionModel& function) {
  FunctionModel shown = function;
  shown.funckind = FUNC_DISPATCH;
  if (!shown.params.empty() && (shown.params.back().flags & PARAMFLAG_FRETVAL) &&
      shown.params.back().type.vt == VT_PTR && !shown.params.back().type.inner.empty()) {
    TypeDescModel result = shown.params.back().type.inner[0];
    shown.result = std::move(result);
    shown.params.pop_back();
  } else if (shown.result.vt == VT_HRESULT) {
    shown.result = TypeDescModel{};
    shown.result.vt = VT_VOID;
  }
  return shown;
}

// Appends the members of the bases of `type` (root first), then its own.
void CollectVtableMembers(const std::shared_ptr<const LibraryModel>& library, const TypeModel& type,
                          int depth, TypeView* view, bool includeOwn) {
  if (depth > kMaxBaseDepth) return;
  if (!type.implTypes.empty()) {
    TypeLocation base;
    if (SUCCEEDED(ResolveDescribedType(library, type.implTypes[0].href, &base))) {
      const TypeModel& baseType = base.library->types[base.index];
      if (&baseType != &type) CollectVtableMembers(base.library, baseType, depth + 1, view, true);
      view->described.push_back(base.library);
    }
  }
  if (!includeOwn) return;
  for (const FunctionModel& function : type.functions) {
    ViewFunction member;
    member.shown = AsDispatchMember(function);
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
  for (size_t i = 0; i < standard->types.size(); ++i) {
    if (standard->types[i].guid == import->type) {
      location->library = std::move(standard);
      location->index = i;
      return S_OK;
    }
  }
  return TYPE_E_ELEMENTNOTFOUND;
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
      CollectVtableMembers(library, type, 0, &built, true);
      for (size_t i = 0; i < built.functions.size(); ++i) {
        built.functions[i].vtableOffset = static_cast<SHORT>(i * sizeof(void*));
      }
      if (!type.implTypes.empty()) {
        const HREFTYPE dispatch =
            library->dispatchHref != static_cast<HREFTYPE>(-1) ? library->dispatchHref : type.implTypes[0].href;
        built.implTypes.push_back({dispatch, 0});
      }
    } else {
      built.typekind = dual ? TKIND_INTERFACE : type.kind;
      built.flags = type.flags;
      built.vtableSlots = type.vtableSlots;
      built.implTypes = type.implTypes;
      for (const FunctionModel& function : type.functions) {
        ViewFunction member;
        member.shown = function;
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
