#include "platform/native/typelib/type_library_object.h"

#include <new>

#include "platform/native/typelib/descriptors.h"
#include "platform/native/typelib/type_info_object.h"
#include "platform/raii.h"

namespace platform::typelib {
namespace {

HRESULT CopyText(const std::optional<std::u16string>& text, BSTR* out) {
  *out = nullptr;
  if (!text) return S_OK;
  *out = SysAllocStringLen(text->data(), static_cast<UINT>(text->size()));
  return *out == nullptr ? E_OUTOFMEMORY : S_OK;
}

}  // namespace

HRESULT WriteDocumentation(const std::optional<std::u16string>& name,
                           const std::optional<std::u16string>& docString, DWORD helpContextValue,
                           const std::optional<std::u16string>& helpFile, BSTR* nameOut,
                           BSTR* docStringOut, DWORD* helpContext, BSTR* helpFileOut) {
  korvel::unique_bstr nameCopy, docCopy, fileCopy;
  if (nameOut != nullptr) RETURN_IF_FAILED(CopyText(name, nameCopy.put()));
  if (docStringOut != nullptr) RETURN_IF_FAILED(CopyText(docString, docCopy.put()));
  if (helpFileOut != nullptr) RETURN_IF_FAILED(CopyText(helpFile, fileCopy.put()));
  if (nameOut != nullptr) *nameOut = nameCopy.release();
  if (docStringOut != nullptr) *docStringOut = docCopy.release();
  if (helpFileOut != nullptr) *helpFileOut = fileCopy.release();
  if (helpContext != nullptr) *helpContext = helpContextValue;
  return S_OK;
}

HRESULT TypeLibrary::Create(std::shared_ptr<const LibraryModel> model, ITypeLib** library) {
  *library = nullptr;
  try {
    *library = new TypeLibrary(std::move(model));
    return S_OK;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

TypeLibrary::TypeLibrary(std::shared_ptr<const LibraryModel> model)
    : model_(std::move(model)), infos_(2 * model_->types.size()) {}

// Frees the type information objects: none has references left, as each
// one with references holds the library.
TypeLibrary::~TypeLibrary() = default;

HRESULT TypeLibrary::TypeInfoOf(size_t index, ViewKind kind, ITypeInfo** info) {
  *info = nullptr;
  if (index >= model_->types.size()) return TYPE_E_ELEMENTNOTFOUND;
  // Only a dual has halves; as stored, it shows its dispatch half.
  if (kind != ViewKind::kAsStored && !IsDual(model_->types[index])) return TYPE_E_ELEMENTNOTFOUND;
  std::lock_guard<std::mutex> guard(lock_);
  std::unique_ptr<TypeInfo>& slot = infos_[2 * index + (kind == ViewKind::kInterfaceHalf ? 1 : 0)];
  if (!slot) {
    TypeView view;
    RETURN_IF_FAILED(BuildTypeView(model_, index, kind, &view));
    try {
      slot = std::make_unique<TypeInfo>(this, index, std::move(view));
    } catch (const std::bad_alloc&) {
      return E_OUTOFMEMORY;
    }
  }
  slot->AddRef();
  *info = slot.get();
  return S_OK;
}

HRESULT TypeLibrary::ImportedTypeInfo(HREFTYPE reference, ITypeInfo** info) {
  *info = nullptr;
  {
    std::lock_guard<std::mutex> guard(lock_);
    const auto found = imported_.find(reference);
    if (found != imported_.end()) {
      found->second->AddRef();
      *info = found->second.get();
      return S_OK;
    }
  }
  // Found without the lock: finding may load another library.
  korvel::com_ptr<ITypeInfo> other;
  RETURN_IF_FAILED(FindImportedTypeInfo(reference, other.put()));
  std::lock_guard<std::mutex> guard(lock_);
  try {
    const auto kept = imported_.emplace(reference, std::move(other)).first;  // the first one found stays
    kept->second->AddRef();
    *info = kept->second.get();
    return S_OK;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

HRESULT TypeLibrary::FindImportedTypeInfo(HREFTYPE reference, ITypeInfo** info) {
  TypeLocation location;
  const HRESULT resolved = ResolveDescribedType(model_, reference, &location);
  if (SUCCEEDED(resolved)) {
    korvel::com_ptr<ITypeLib> holder;
    RETURN_IF_FAILED(Create(location.library, holder.put()));
    return static_cast<TypeLibrary*>(holder.get())->TypeInfoOf(location.index, ViewKind::kAsStored, info);
  }
  if (resolved != TYPE_E_CANTLOADLIBRARY) return resolved;
  // A type of another library: that library as registered.
  const ImportModel* import = FindImport(*model_, reference);
  korvel::com_ptr<ITypeLib> other;
  if (FAILED(LoadRegTypeLib(import->library, import->majorVersion, import->minorVersion,
                            import->lcid, other.put()))) {
    return TYPE_E_CANTLOADLIBRARY;
  }
  return import->byGuid ? other->GetTypeInfoOfGuid(import->type, info)
                        : other->GetTypeInfo(import->index, info);
}

STDMETHODIMP TypeLibrary::QueryInterface(REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  if (iid == IID_IUnknown || iid == IID_ITypeLib) {
    *object = static_cast<ITypeLib*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) TypeLibrary::AddRef() { return ++references_; }

STDMETHODIMP_(ULONG) TypeLibrary::Release() {
  const ULONG remaining = --references_;
  if (remaining == 0) delete this;
  return remaining;
}

STDMETHODIMP_(UINT) TypeLibrary::GetTypeInfoCount() { return static_cast<UINT>(model_->types.size()); }

STDMETHODIMP TypeLibrary::GetTypeInfo(UINT index, ITypeInfo** info) {
  if (info == nullptr) return E_INVALIDARG;
  *info = nullptr;
  return TypeInfoOf(index, ViewKind::kAsStored, info);
}

STDMETHODIMP TypeLibrary::GetTypeInfoType(UINT index, TYPEKIND* kind) {
  if (kind == nullptr) return E_INVALIDARG;
  if (index >= model_->types.size()) return TYPE_E_ELEMENTNOTFOUND;
  *kind = model_->types[index].kind;
  return S_OK;
}

STDMETHODIMP TypeLibrary::GetTypeInfoOfGuid(REFGUID guid, ITypeInfo** info) {
  if (info == nullptr) return E_INVALIDARG;
  *info = nullptr;
  size_t index = 0;
  if (!FindTypeByGuid(*model_, guid, &index)) return TYPE_E_ELEMENTNOTFOUND;
  return TypeInfoOf(index, ViewKind::kAsStored, info);
}

STDMETHODIMP TypeLibrary::GetLibAttr(TLIBATTR** attributes) {
  if (attributes == nullptr) return E_INVALIDARG;
  return NewLibAttr(*model_, attributes);
}

STDMETHODIMP TypeLibrary::GetTypeComp(ITypeComp** typeComp) {
  if (typeComp != nullptr) *typeComp = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP TypeLibrary::GetDocumentation(INT index, BSTR* name, BSTR* docString,
                                           DWORD* helpContext, BSTR* helpFile) {
  if (index == -1) {
    return WriteDocumentation(model_->name, model_->docString, model_->helpContext, model_->helpFile,
                              name, docString, helpContext, helpFile);
  }
  if (index < 0 || static_cast<size_t>(index) >= model_->types.size()) return TYPE_E_ELEMENTNOTFOUND;
  const TypeModel& type = model_->types[index];
  return WriteDocumentation(type.name, type.docString, type.helpContext, model_->helpFile, name,
                            docString, helpContext, helpFile);
}

STDMETHODIMP TypeLibrary::IsName(LPOLESTR, ULONG, BOOL*) { return E_NOTIMPL; }

STDMETHODIMP TypeLibrary::FindName(LPOLESTR, ULONG, ITypeInfo**, MEMBERID*, USHORT*) {
  return E_NOTIMPL;
}

STDMETHODIMP_(void) TypeLibrary::ReleaseTLibAttr(TLIBATTR* attributes) { FreeDescription(attributes); }

}  // namespace platform::typelib
