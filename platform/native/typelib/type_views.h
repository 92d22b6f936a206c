// The views of one stored type that ITypeInfo presents. A dual interface is
// stored once, as its vtable description; the automation runtime shows it
// twice: as a dispatch interface listing every member callable through
// IDispatch (the inherited IUnknown and IDispatch members included, with
// [out, retval] parameters turned into results), and as the vtable
// interface it is stored as.
#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "platform/native/typelib/type_library_model.h"

namespace platform::typelib {

// Base interfaces are followed this far; a longer chain is taken as a loop.
constexpr int kMaxBaseDepth = 16;

enum class ViewKind { kAsStored, kDispatchHalf, kInterfaceHalf };

// One member as a view shows it. The description stays in the library
// model; a view only points at it. The dispatch half of a dual shows a
// vtable member as a dispatch member: an [out, retval] parameter becomes
// the result, else an HRESULT result becomes none.
struct ViewFunction {
  const FunctionModel* stored = nullptr;  // name, DISPID, flags, parameters
  FUNCKIND funckind = FUNC_PUREVIRTUAL;
  const TypeDescModel* result = nullptr;
  size_t paramCount = 0;                  // the first paramCount of stored->params
  SHORT vtableOffset = 0;                 // FUNCDESC::oVft
  const FunctionModel* call = nullptr;    // the vtable entry Invoke calls, if any
  WORD callSlots = 0;                     // the vtable size of the type `call` is from
};

struct TypeView {
  ViewKind kind = ViewKind::kAsStored;
  TYPEKIND typekind = TKIND_INTERFACE;
  WORD flags = 0;
  WORD vtableSlots = 0;
  bool dual = false;
  std::vector<ViewFunction> functions;
  // The implemented interfaces: the type's own list, or for a dispatch
  // half its one base, IDispatch.
  const std::vector<ImplTypeModel>* storedImplTypes = nullptr;
  std::optional<ImplTypeModel> dispatchBase;
  // The libraries whose descriptions the functions point into.
  std::vector<std::shared_ptr<const LibraryModel>> described;

  size_t ImplTypeCount() const {
    if (dispatchBase) return 1;
    return storedImplTypes != nullptr ? storedImplTypes->size() : 0;
  }
  // `index` < ImplTypeCount().
  const ImplTypeModel& ImplType(size_t index) const {
    return dispatchBase ? *dispatchBase : (*storedImplTypes)[index];
  }
};

bool IsDual(const TypeModel& type);

// The view of type `index` of `library`. A dual interface asked for as
// stored gives its dispatch half.
HRESULT BuildTypeView(const std::shared_ptr<const LibraryModel>& library, size_t index,
                      ViewKind kind, TypeView* view);

struct TypeLocation {
  std::shared_ptr<const LibraryModel> library;
  size_t index = 0;
};

// The described type a reference from `library` leads to: one of the same
// library, or one of the standard library's. TYPE_E_ELEMENTNOTFOUND for a
// reference to nothing, TYPE_E_CANTLOADLIBRARY for a type of another library.
HRESULT ResolveDescribedType(const std::shared_ptr<const LibraryModel>& library, HREFTYPE href,
                             TypeLocation* location);

// An import of `library` that names a type of another library.
const ImportModel* FindImport(const LibraryModel& library, HREFTYPE href);

}  // namespace platform::typelib
