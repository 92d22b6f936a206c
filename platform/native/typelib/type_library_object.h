// ITypeLib over a library read into memory.
#pragma once

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/native/typelib/type_library_model.h"
#include "platform/native/typelib/type_views.h"
#include "platform/raii.h"

namespace platform::typelib {

class TypeInfo;

class TypeLibrary final : public ITypeLib {
 public:
  // Hands out a new library object with one reference.
  static HRESULT Create(std::shared_ptr<const LibraryModel> model, ITypeLib** library);

  const std::shared_ptr<const LibraryModel>& model() const { return model_; }
  // The type information of type `index` in view `kind`, with one more
  // reference. Each is made on first use and kept while the library lives,
  // so asking again costs nothing and gives the same object.
  HRESULT TypeInfoOf(size_t index, ViewKind kind, ITypeInfo** info);
  // The type information a reference to a type of another library leads
  // to: the standard library's, or one of a registered library. Kept once
  // found.
  HRESULT ImportedTypeInfo(HREFTYPE reference, ITypeInfo** info);

  STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;
  STDMETHODIMP_(UINT) GetTypeInfoCount() override;
  STDMETHODIMP GetTypeInfo(UINT index, ITypeInfo** info) override;
  STDMETHODIMP GetTypeInfoType(UINT index, TYPEKIND* kind) override;
  STDMETHODIMP GetTypeInfoOfGuid(REFGUID guid, ITypeInfo** info) override;
  STDMETHODIMP GetLibAttr(TLIBATTR** attributes) override;
  STDMETHODIMP GetTypeComp(ITypeComp** typeComp) override;
  STDMETHODIMP GetDocumentation(INT index, BSTR* name, BSTR* docString, DWORD* helpContext,
                                BSTR* helpFile) override;
  STDMETHODIMP IsName(LPOLESTR name, ULONG hash, BOOL* found) override;
  STDMETHODIMP FindName(LPOLESTR name, ULONG hash, ITypeInfo** infos, MEMBERID* members,
                        USHORT* found) override;
  STDMETHODIMP_(void) ReleaseTLibAttr(TLIBATTR* attributes) override;

 private:
  explicit TypeLibrary(std::shared_ptr<const LibraryModel> model);
  ~TypeLibrary();

  HRESULT FindImportedTypeInfo(HREFTYPE reference, ITypeInfo** info);

  std::atomic<ULONG> references_{1};
  std::shared_ptr<const LibraryModel> model_;
  std::mutex lock_;
  // Two per type, made on first use: as stored (for a dual, its dispatch
  // half), and a dual's interface half.
  std::vector<std::unique_ptr<TypeInfo>> infos_;
  std::map<HREFTYPE, korvel::com_ptr<ITypeInfo>> imported_;
};

// Writes the optional documentation strings; null out pointers are skipped.
// On failure nothing is left allocated.
HRESULT WriteDocumentation(const std::optional<std::u16string>& name,
                           const std::optional<std::u16string>& docString, DWORD helpContextValue,
                           const std::optional<std::u16string>& helpFile, BSTR* nameOut,
                           BSTR* docStringOut, DWORD* helpContext, BSTR* helpFileOut);

}  // namespace platform::typelib
