// The compiled type library, read back through ITypeLib and ITypeInfo: under
// Wine by the system's reader, natively by ours. The expected values are the
// component's automation description.
#include <gtest/gtest.h>

#include <cstring>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "platform/raii.h"
#include "tests/support/bstr_matchers.h"
#include "tests/support/type_library_files.h"
#include "tests/support/type_library_kind.h"
#include "version/korvel_interfaces.h"

namespace korvel {
namespace {

using testing::BstrText;
using testing::Widen;

// A type as a chain of VARTYPEs: {VT_PTR, VT_VARIANT} for VARIANT*.
std::vector<VARTYPE> TypeChain(const TYPEDESC& type) {
  std::vector<VARTYPE> chain;
  const TYPEDESC* link = &type;
  while (link != nullptr && chain.size() < 8) {
    chain.push_back(link->vt);
    link = (link->vt == VT_PTR || link->vt == VT_SAFEARRAY) ? link->lptdesc : nullptr;
  }
  return chain;
}

const std::vector<VARTYPE> kVariant = {VT_VARIANT};
const std::vector<VARTYPE> kVariantPointer = {VT_PTR, VT_VARIANT};
const std::vector<VARTYPE> kLongPointer = {VT_PTR, VT_I4};

struct Documentation {
  HRESULT hr;
  std::optional<std::u16string> name, docString, helpFile;
  DWORD helpContext;
};

Documentation DocumentationOf(ITypeInfo* info, MEMBERID member) {
  unique_bstr name, docString, helpFile;
  Documentation result{};
  result.helpContext = 0xDEAD;
  result.hr = info->GetDocumentation(member, name.put(), docString.put(),
                                     &result.helpContext, helpFile.put());
  result.name = BstrText(name.get());
  result.docString = BstrText(docString.get());
  result.helpFile = BstrText(helpFile.get());
  return result;
}

std::vector<std::u16string> NamesOf(ITypeInfo* info, MEMBERID member) {
  BSTR names[16] = {};
  UINT count = 0;
  EXPECT_EQ(S_OK, info->GetNames(member, names, 16, &count));
  std::vector<std::u16string> result;
  for (UINT i = 0; i < count && i < 16; ++i) {
    result.push_back(BstrText(names[i]).value_or(u"<null>"));
    SysFreeString(names[i]);
  }
  return result;
}

// The eleven members as the library describes them, in vtable order.
struct Member {
  int slot;
  DISPID dispid;
  const char* name;
  INVOKEKIND kind;
  const char* parameterName;  // null: the parameter has no name
  std::vector<VARTYPE> parameterType;
  USHORT parameterFlags;
  const char* helpString;
};

const USHORT kOutRetval = PARAMFLAG_FOUT | PARAMFLAG_FRETVAL;

const Member kMembers[] = {
    {7, 1, "MxtVersionLocation", INVOKE_PROPERTYGET, "pVal", kVariantPointer, kOutRetval, "property MxtVersionLocation"},
    {8, 1, "MxtVersionLocation", INVOKE_PROPERTYPUT, nullptr, kVariant, PARAMFLAG_FIN, "property MxtVersionLocation"},
    {9, 2, "RvkVersionLocation", INVOKE_PROPERTYGET, "pVal", kVariantPointer, kOutRetval, "property RvkVersionLocation"},
    {10, 2, "RvkVersionLocation", INVOKE_PROPERTYPUT, nullptr, kVariant, PARAMFLAG_FIN, "property RvkVersionLocation"},
    {11, 3, "EcmPcmVersionLocation", INVOKE_PROPERTYGET, "pVal", kVariantPointer, kOutRetval, "property EcmPcmVersionLocation"},
    {12, 3, "EcmPcmVersionLocation", INVOKE_PROPERTYPUT, nullptr, kVariant, PARAMFLAG_FIN, "property EcmPcmVersionLocation"},
    {13, 4, "GetMxtVersion", INVOKE_FUNC, "pVal", kVariantPointer, kOutRetval, "method GetMxtVersion"},
    {14, 5, "GetRvkVersion", INVOKE_FUNC, "pVal", kVariantPointer, kOutRetval, "method GetRvkVersion"},
    {15, 6, "GetEcmPcmVersion", INVOKE_FUNC, "pVal", kVariantPointer, kOutRetval, "method GetEcmPcmVersion"},
    {16, 7, "GetLastError", INVOKE_FUNC, "nErrCode", kLongPointer, kOutRetval, "method GetLastError"},
    {17, 8, "GetVersion", INVOKE_FUNC, "pVal", kVariantPointer, kOutRetval, "method GetVersion"},
};

// The members every dual interface inherits, as the dispatch view lists them.
struct InheritedMember {
  MEMBERID memid;
  std::vector<const char*> names;  // the member's, then its parameters'
  std::vector<std::vector<VARTYPE>> parameterTypes;
  VARTYPE result;
};

const InheritedMember kInherited[] = {
    {0x60000000, {"QueryInterface", "riid", "ppvObj"}, {{VT_PTR, VT_USERDEFINED}, {VT_PTR, VT_PTR, VT_VOID}}, VT_VOID},
    {0x60000001, {"AddRef"}, {}, VT_UI4},
    {0x60000002, {"Release"}, {}, VT_UI4},
    {0x60010000, {"GetTypeInfoCount", "pctinfo"}, {{VT_PTR, VT_UINT}}, VT_VOID},
    {0x60010001, {"GetTypeInfo", "itinfo", "lcid", "pptinfo"}, {{VT_UINT}, {VT_UI4}, {VT_PTR, VT_PTR, VT_VOID}}, VT_VOID},
    {0x60010002, {"GetIDsOfNames", "riid", "rgszNames", "cNames", "lcid", "rgdispid"},
     {{VT_PTR, VT_USERDEFINED}, {VT_PTR, VT_PTR, VT_I1}, {VT_UINT}, {VT_UI4}, {VT_PTR, VT_I4}}, VT_VOID},
    {0x60010003, {"Invoke", "dispidMember", "riid", "lcid", "wFlags", "pdispparams", "pvarResult", "pexcepinfo", "puArgErr"},
     {{VT_I4}, {VT_PTR, VT_USERDEFINED}, {VT_UI4}, {VT_UI2}, {VT_PTR, VT_USERDEFINED}, {VT_PTR, VT_VARIANT},
      {VT_PTR, VT_USERDEFINED}, {VT_PTR, VT_UINT}}, VT_VOID},
};

class TypeLibrary : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto path = testing::WidePath(testing::KorvelTypeLibraryPath());
    ASSERT_EQ(S_OK, LoadTypeLib(path.c_str(), library_.put()));
    ASSERT_EQ(S_OK, library_->GetTypeInfoOfGuid(IID_IKorvelA, dispatchHalf_.put()));
    HREFTYPE vtableHalf = 0;
    ASSERT_EQ(S_OK, dispatchHalf_->GetRefTypeOfImplType(static_cast<UINT>(-1), &vtableHalf));
    EXPECT_EQ(0xFFFFFFFEu, vtableHalf);
    ASSERT_EQ(S_OK, dispatchHalf_->GetRefTypeInfo(vtableHalf, interfaceHalf_.put()));
  }

  com_ptr<ITypeLib> library_;
  com_ptr<ITypeInfo> dispatchHalf_;
  com_ptr<ITypeInfo> interfaceHalf_;
};

TEST_F(TypeLibrary, LibraryAttributesAndDocumentation) {
  TLIBATTR* attributes = nullptr;
  ASSERT_EQ(S_OK, library_->GetLibAttr(&attributes));
  EXPECT_TRUE(IsEqualGUID(LIBID_KORVELLib, attributes->guid));
  EXPECT_EQ(0u, attributes->lcid);
  EXPECT_EQ(testing::kLibrarySyskind, attributes->syskind);
  EXPECT_EQ(1, attributes->wMajorVerNum);
  EXPECT_EQ(0, attributes->wMinorVerNum);
  // No flags of its own; the loader adds "has a disk image".
  EXPECT_EQ(LIBFLAG_FHASDISKIMAGE, attributes->wLibFlags);
  library_->ReleaseTLibAttr(attributes);

  unique_bstr name, docString, helpFile;
  DWORD helpContext = 0xDEAD;
  ASSERT_EQ(S_OK, library_->GetDocumentation(-1, name.put(), docString.put(), &helpContext,
                                             helpFile.put()));
  EXPECT_EQ(u"KORVELLib", BstrText(name.get()));
  EXPECT_EQ(u"Korvel 1.0 Type Library", BstrText(docString.get()));
  EXPECT_EQ(0u, helpContext);
  EXPECT_EQ(std::nullopt, BstrText(helpFile.get()));

  ASSERT_EQ(2u, library_->GetTypeInfoCount());
  const struct {
    TYPEKIND kind;
    const char16_t* name;
    const char16_t* docString;
  } kTypes[] = {{TKIND_COCLASS, u"KorvelA", u"KorvelA Class"},
                {TKIND_DISPATCH, u"IKorvelA", u"IKorvelA Interface"}};
  for (UINT i = 0; i < 2; ++i) {
    TYPEKIND kind = TKIND_MAX;
    EXPECT_EQ(S_OK, library_->GetTypeInfoType(i, &kind));
    EXPECT_EQ(kTypes[i].kind, kind) << i;
    ASSERT_EQ(S_OK, library_->GetDocumentation(static_cast<INT>(i), name.put(), docString.put(),
                                               &helpContext, helpFile.put()));
    EXPECT_EQ(kTypes[i].name, BstrText(name.get()));
    EXPECT_EQ(kTypes[i].docString, BstrText(docString.get()));
  }
  TYPEKIND kind;
  EXPECT_EQ(TYPE_E_ELEMENTNOTFOUND, library_->GetTypeInfoType(2, &kind));
  com_ptr<ITypeInfo> none;
  EXPECT_EQ(TYPE_E_ELEMENTNOTFOUND, library_->GetTypeInfo(2, none.put()));
  EXPECT_EQ(TYPE_E_ELEMENTNOTFOUND, library_->GetTypeInfoOfGuid(IID_IObjectSafety, none.put()));
  EXPECT_EQ(nullptr, none.get());
}

TEST_F(TypeLibrary, ClassImplementsTheInterfaceAsDefault) {
  com_ptr<ITypeInfo> coclass;
  ASSERT_EQ(S_OK, library_->GetTypeInfoOfGuid(CLSID_KorvelA, coclass.put()));
  TYPEATTR* attributes = nullptr;
  ASSERT_EQ(S_OK, coclass->GetTypeAttr(&attributes));
  EXPECT_TRUE(IsEqualGUID(CLSID_KorvelA, attributes->guid));
  EXPECT_EQ(TKIND_COCLASS, attributes->typekind);
  EXPECT_EQ(TYPEFLAG_FCANCREATE, attributes->wTypeFlags);
  EXPECT_EQ(0, attributes->wMajorVerNum);
  EXPECT_EQ(0, attributes->wMinorVerNum);
  EXPECT_EQ(0, attributes->cFuncs);
  EXPECT_EQ(0, attributes->cVars);
  EXPECT_EQ(1, attributes->cImplTypes);
  coclass->ReleaseTypeAttr(attributes);

  const Documentation doc = DocumentationOf(coclass.get(), MEMBERID_NIL);
  EXPECT_EQ(u"KorvelA", doc.name);
  EXPECT_EQ(u"KorvelA Class", doc.docString);

  INT flags = -1;
  ASSERT_EQ(S_OK, coclass->GetImplTypeFlags(0, &flags));
  EXPECT_EQ(IMPLTYPEFLAG_FDEFAULT, flags);
  EXPECT_EQ(TYPE_E_ELEMENTNOTFOUND, coclass->GetImplTypeFlags(1, &flags));
  HREFTYPE reference = 0;
  EXPECT_EQ(TYPE_E_ELEMENTNOTFOUND, coclass->GetRefTypeOfImplType(static_cast<UINT>(-1), &reference));
  ASSERT_EQ(S_OK, coclass->GetRefTypeOfImplType(0, &reference));
  com_ptr<ITypeInfo> implemented;
  ASSERT_EQ(S_OK, coclass->GetRefTypeInfo(reference, implemented.put()));
  ASSERT_EQ(S_OK, implemented->GetTypeAttr(&attributes));
  EXPECT_TRUE(IsEqualGUID(IID_IKorvelA, attributes->guid));
  EXPECT_EQ(TKIND_DISPATCH, attributes->typekind);
  implemented->ReleaseTypeAttr(attributes);

  com_ptr<ITypeLib> containing;
  UINT index = 99;
  ASSERT_EQ(S_OK, coclass->GetContainingTypeLib(containing.put(), &index));
  EXPECT_EQ(0u, index);
}

TEST_F(TypeLibrary, TheTwoHalvesOfTheDualInterface) {
  struct Expected {
    ITypeInfo* info;
    TYPEKIND kind;
    WORD flags;
    WORD functions;
    WORD vtableSlots;
  } const halves[] = {
      {dispatchHalf_.get(), TKIND_DISPATCH, TYPEFLAG_FDUAL | TYPEFLAG_FDISPATCHABLE, 18, 7},
      {interfaceHalf_.get(), TKIND_INTERFACE,
       TYPEFLAG_FDUAL | TYPEFLAG_FOLEAUTOMATION | TYPEFLAG_FDISPATCHABLE, 11, 18},
  };
  for (const Expected& half : halves) {
    SCOPED_TRACE(half.kind);
    TYPEATTR* attributes = nullptr;
    ASSERT_EQ(S_OK, half.info->GetTypeAttr(&attributes));
    EXPECT_TRUE(IsEqualGUID(IID_IKorvelA, attributes->guid));
    EXPECT_EQ(0u, attributes->lcid);
    EXPECT_EQ(half.kind, attributes->typekind);
    EXPECT_EQ(half.flags, attributes->wTypeFlags);
    EXPECT_EQ(half.functions, attributes->cFuncs);
    EXPECT_EQ(0, attributes->cVars);
    EXPECT_EQ(1, attributes->cImplTypes);
    EXPECT_EQ(half.vtableSlots * sizeof(void*), attributes->cbSizeVft);
    EXPECT_EQ(0, attributes->wMajorVerNum);
    EXPECT_EQ(0, attributes->wMinorVerNum);
    EXPECT_EQ(MEMBERID_NIL, attributes->memidConstructor);
    EXPECT_EQ(MEMBERID_NIL, attributes->memidDestructor);
    half.info->ReleaseTypeAttr(attributes);

    const Documentation doc = DocumentationOf(half.info, MEMBERID_NIL);
    EXPECT_EQ(S_OK, doc.hr);
    EXPECT_EQ(u"IKorvelA", doc.name);
    EXPECT_EQ(u"IKorvelA Interface", doc.docString);
    EXPECT_EQ(0u, doc.helpContext);
    EXPECT_EQ(std::nullopt, doc.helpFile);

    // The base of both halves is IDispatch.
    HREFTYPE base = 0;
    ASSERT_EQ(S_OK, half.info->GetRefTypeOfImplType(0, &base));
    INT implFlags = -1;
    EXPECT_EQ(S_OK, half.info->GetImplTypeFlags(0, &implFlags));
    EXPECT_EQ(0, implFlags);
    com_ptr<ITypeInfo> baseInfo;
    ASSERT_EQ(S_OK, half.info->GetRefTypeInfo(base, baseInfo.put()));
    ASSERT_EQ(S_OK, baseInfo->GetTypeAttr(&attributes));
    EXPECT_TRUE(IsEqualGUID(IID_IDispatch, attributes->guid));
    EXPECT_EQ(TKIND_INTERFACE, attributes->typekind);
    EXPECT_EQ(7 * sizeof(void*), attributes->cbSizeVft);
    baseInfo->ReleaseTypeAttr(attributes);
    EXPECT_EQ(u"IDispatch", DocumentationOf(baseInfo.get(), MEMBERID_NIL).name);

    com_ptr<ITypeLib> containing;
    UINT index = 99;
    ASSERT_EQ(S_OK, half.info->GetContainingTypeLib(containing.put(), &index));
    EXPECT_EQ(library_.get(), containing.get());
    EXPECT_EQ(1u, index);
  }

  // Each half leads to the other.
  com_ptr<ITypeInfo> back;
  ASSERT_EQ(S_OK, interfaceHalf_->GetRefTypeInfo(0xFFFFFFFE, back.put()));
  TYPEATTR* attributes = nullptr;
  ASSERT_EQ(S_OK, back->GetTypeAttr(&attributes));
  EXPECT_EQ(TKIND_DISPATCH, attributes->typekind);
  back->ReleaseTypeAttr(attributes);
  // The library hands out the dispatch half by index and by GUID.
  com_ptr<ITypeInfo> byIndex;
  ASSERT_EQ(S_OK, library_->GetTypeInfo(1, byIndex.put()));
  ASSERT_EQ(S_OK, byIndex->GetTypeAttr(&attributes));
  EXPECT_EQ(TKIND_DISPATCH, attributes->typekind);
  EXPECT_EQ(18, attributes->cFuncs);
  byIndex->ReleaseTypeAttr(attributes);
}

TEST_F(TypeLibrary, InterfaceHalfDescribesEveryMember) {
  for (UINT i = 0; i < std::size(kMembers); ++i) {
    const Member& member = kMembers[i];
    SCOPED_TRACE(member.slot);
    FUNCDESC* function = nullptr;
    ASSERT_EQ(S_OK, interfaceHalf_->GetFuncDesc(i, &function));
    EXPECT_EQ(member.dispid, function->memid);
    EXPECT_EQ(FUNC_PUREVIRTUAL, function->funckind);
    EXPECT_EQ(member.kind, function->invkind);
    EXPECT_EQ(CC_STDCALL, function->callconv);
    EXPECT_EQ(static_cast<SHORT>(member.slot * sizeof(void*)), function->oVft);
    EXPECT_EQ(0, function->wFuncFlags);
    EXPECT_EQ(0, function->cScodes);
    EXPECT_EQ(VT_HRESULT, function->elemdescFunc.tdesc.vt);
    ASSERT_EQ(1, function->cParams);
    EXPECT_EQ(0, function->cParamsOpt);
    EXPECT_EQ(member.parameterType, TypeChain(function->lprgelemdescParam[0].tdesc));
    EXPECT_EQ(member.parameterFlags, function->lprgelemdescParam[0].paramdesc.wParamFlags);
    EXPECT_EQ(nullptr, function->lprgelemdescParam[0].paramdesc.pparamdescex);
    interfaceHalf_->ReleaseFuncDesc(function);

    const Documentation doc = DocumentationOf(interfaceHalf_.get(), member.dispid);
    EXPECT_EQ(S_OK, doc.hr);
    EXPECT_EQ(Widen(member.name), doc.name);
    EXPECT_EQ(Widen(member.helpString), doc.docString);
    EXPECT_EQ(0u, doc.helpContext);

    // Names go by DISPID, so a property answers with its get's names.
    std::vector<std::u16string> expectedNames = {Widen(member.name)};
    expectedNames.push_back(member.dispid <= 3 ? u"pVal" : Widen(member.parameterName));
    EXPECT_EQ(expectedNames, NamesOf(interfaceHalf_.get(), member.dispid));
  }
  FUNCDESC* function = nullptr;
  EXPECT_EQ(TYPE_E_ELEMENTNOTFOUND, interfaceHalf_->GetFuncDesc(11, &function));
}

TEST_F(TypeLibrary, DispatchHalfListsInheritedAndOwnMembers) {
  for (UINT i = 0; i < std::size(kInherited); ++i) {
    const InheritedMember& member = kInherited[i];
    SCOPED_TRACE(member.names[0]);
    FUNCDESC* function = nullptr;
    ASSERT_EQ(S_OK, dispatchHalf_->GetFuncDesc(i, &function));
    EXPECT_EQ(member.memid, function->memid);
    EXPECT_EQ(FUNC_DISPATCH, function->funckind);
    EXPECT_EQ(INVOKE_FUNC, function->invkind);
    EXPECT_EQ(CC_STDCALL, function->callconv);
    EXPECT_EQ(1 /* FUNCFLAG_FRESTRICTED */, function->wFuncFlags);
    EXPECT_EQ(member.result, function->elemdescFunc.tdesc.vt);
    ASSERT_EQ(member.parameterTypes.size(), static_cast<size_t>(function->cParams));
    for (SHORT p = 0; p < function->cParams; ++p) {
      EXPECT_EQ(member.parameterTypes[p], TypeChain(function->lprgelemdescParam[p].tdesc)) << p;
    }
    dispatchHalf_->ReleaseFuncDesc(function);

    std::vector<std::u16string> expectedNames;
    for (const char* name : member.names) expectedNames.push_back(Widen(name));
    EXPECT_EQ(expectedNames, NamesOf(dispatchHalf_.get(), member.memid));
  }
  // The own members: the [out, retval] parameter becomes the result.
  for (UINT i = 0; i < std::size(kMembers); ++i) {
    const Member& member = kMembers[i];
    SCOPED_TRACE(member.slot);
    FUNCDESC* function = nullptr;
    ASSERT_EQ(S_OK, dispatchHalf_->GetFuncDesc(7 + i, &function));
    EXPECT_EQ(member.dispid, function->memid);
    EXPECT_EQ(FUNC_DISPATCH, function->funckind);
    EXPECT_EQ(member.kind, function->invkind);
    EXPECT_EQ(0, function->wFuncFlags);
    if (member.kind == INVOKE_PROPERTYPUT) {
      EXPECT_EQ(VT_VOID, function->elemdescFunc.tdesc.vt);
      ASSERT_EQ(1, function->cParams);
      EXPECT_EQ(kVariant, TypeChain(function->lprgelemdescParam[0].tdesc));
      EXPECT_EQ(PARAMFLAG_FIN, function->lprgelemdescParam[0].paramdesc.wParamFlags);
    } else {
      EXPECT_EQ(0, function->cParams);
      EXPECT_EQ(member.parameterType[1], function->elemdescFunc.tdesc.vt);
    }
    dispatchHalf_->ReleaseFuncDesc(function);
    EXPECT_EQ(std::vector<std::u16string>{Widen(member.name)},
              NamesOf(dispatchHalf_.get(), member.dispid));
    EXPECT_EQ(Widen(member.helpString), DocumentationOf(dispatchHalf_.get(), member.dispid).docString);
  }
  EXPECT_EQ(TYPE_E_ELEMENTNOTFOUND, DocumentationOf(dispatchHalf_.get(), 99).hr);
  BSTR name = nullptr;
  UINT count = 7;
  EXPECT_EQ(TYPE_E_ELEMENTNOTFOUND, dispatchHalf_->GetNames(99, &name, 1, &count));
}

TEST_F(TypeLibrary, PutParameterIsStoredWithoutName) {
  unique_file file(CreateFileA(testing::KorvelTypeLibraryPath(), GENERIC_READ, FILE_SHARE_READ,
                               nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(file);
  std::string bytes;
  char block[4096];
  DWORD read = 0;
  while (ReadFile(file.get(), block, sizeof(block), &read, nullptr) && read > 0) {
    bytes.append(block, read);
  }
  ASSERT_GT(bytes.size(), 4u);
  EXPECT_EQ(0, bytes.compare(0, 4, "MSFT"));
  EXPECT_EQ(std::string::npos, bytes.find("newVal"));
  EXPECT_NE(std::string::npos, bytes.find("nErrCode"));
}

TEST_F(TypeLibrary, NameLookupIgnoresLetterCase) {
  const struct {
    const OLECHAR* name;
    MEMBERID expected;
  } kCases[] = {{OLESTR("GetMxtVersion"), 4},     {OLESTR("GETMXTVERSION"), 4},
                {OLESTR("mxtversionlocation"), 1}, {OLESTR("GetVersion"), 8},
                {OLESTR("getlasterror"), 7},       {OLESTR("Invoke"), 0x60010003}};
  for (const auto& lookup : kCases) {
    MEMBERID member = 12345;
    LPOLESTR names[] = {const_cast<LPOLESTR>(lookup.name)};
    EXPECT_EQ(S_OK, dispatchHalf_->GetIDsOfNames(names, 1, &member));
    EXPECT_EQ(lookup.expected, member);
  }
  MEMBERID member = 12345;
  LPOLESTR unknown[] = {const_cast<LPOLESTR>(OLESTR("GetNothing"))};
  EXPECT_EQ(DISP_E_UNKNOWNNAME, dispatchHalf_->GetIDsOfNames(unknown, 1, &member));
  EXPECT_EQ(DISPID_UNKNOWN, member);

  // A member name with a parameter name: the parameter's position comes back.
  MEMBERID members[2] = {12345, 12345};
  LPOLESTR withParameter[] = {const_cast<LPOLESTR>(OLESTR("getlasterror")),
                              const_cast<LPOLESTR>(OLESTR("NERRCODE"))};
  EXPECT_EQ(S_OK, interfaceHalf_->GetIDsOfNames(withParameter, 2, members));
  EXPECT_EQ(7, members[0]);
  EXPECT_EQ(0, members[1]);
  LPOLESTR badParameter[] = {const_cast<LPOLESTR>(OLESTR("GetLastError")),
                             const_cast<LPOLESTR>(OLESTR("other"))};
  members[0] = members[1] = 12345;
  EXPECT_EQ(DISP_E_UNKNOWNNAME, interfaceHalf_->GetIDsOfNames(badParameter, 2, members));
  EXPECT_EQ(7, members[0]);
  EXPECT_EQ(DISPID_UNKNOWN, members[1]);
}

// --- The hand-written declaration against the library ----------------------

// The vtable slot of a virtual member function. Both compilers we build with
// use the Itanium C++ ABI, where a pointer to a virtual member holds one plus
// the byte offset of its vtable entry.
template <typename Method>
int SlotOf(Method method) {
  struct Representation {
    uintptr_t pointer;
    ptrdiff_t adjustment;
  } representation;
  static_assert(sizeof(Method) == sizeof(Representation), "unexpected member pointer");
  std::memcpy(&representation, &method, sizeof(representation));
  if ((representation.pointer & 1) == 0) return -1;  // not virtual
  return static_cast<int>((representation.pointer - 1) / sizeof(void*));
}

template <typename T>
struct ParameterShape;
template <>
struct ParameterShape<VARIANT*> {
  static std::vector<VARTYPE> Chain() { return kVariantPointer; }
};
template <>
struct ParameterShape<VARIANT> {
  static std::vector<VARTYPE> Chain() { return kVariant; }
};
template <>
struct ParameterShape<LONG*> {
  static std::vector<VARTYPE> Chain() { return kLongPointer; }
};

struct DeclaredMember {
  int slot;
  std::vector<VARTYPE> parameter;
};

template <typename Parameter>
DeclaredMember Declared(HRESULT (STDMETHODCALLTYPE IKorvelA::*method)(Parameter)) {
  return {SlotOf(method), ParameterShape<Parameter>::Chain()};
}

TEST_F(TypeLibrary, HandWrittenDeclarationMatchesTheLibrary) {
  const DeclaredMember declared[] = {
      Declared(&IKorvelA::get_MxtVersionLocation), Declared(&IKorvelA::put_MxtVersionLocation),
      Declared(&IKorvelA::get_RvkVersionLocation), Declared(&IKorvelA::put_RvkVersionLocation),
      Declared(&IKorvelA::get_EcmPcmVersionLocation), Declared(&IKorvelA::put_EcmPcmVersionLocation),
      Declared(&IKorvelA::GetMxtVersion),          Declared(&IKorvelA::GetRvkVersion),
      Declared(&IKorvelA::GetEcmPcmVersion),       Declared(&IKorvelA::GetLastError),
      Declared(&IKorvelA::GetVersion),
  };
  TYPEATTR* attributes = nullptr;
  ASSERT_EQ(S_OK, interfaceHalf_->GetTypeAttr(&attributes));
  ASSERT_EQ(std::size(declared), static_cast<size_t>(attributes->cFuncs));
  EXPECT_EQ(attributes->cbSizeVft, (declared[std::size(declared) - 1].slot + 1) * sizeof(void*));
  interfaceHalf_->ReleaseTypeAttr(attributes);
  // The inherited part of the declaration is IDispatch's seven slots.
  EXPECT_EQ(6, SlotOf(&IKorvelA::Invoke));

  for (UINT i = 0; i < std::size(declared); ++i) {
    FUNCDESC* function = nullptr;
    ASSERT_EQ(S_OK, interfaceHalf_->GetFuncDesc(i, &function));
    EXPECT_EQ(declared[i].slot, function->oVft / static_cast<int>(sizeof(void*))) << i;
    EXPECT_EQ(kMembers[i].slot, declared[i].slot) << i;
    ASSERT_EQ(1, function->cParams);
    EXPECT_EQ(declared[i].parameter, TypeChain(function->lprgelemdescParam[0].tdesc)) << i;
    interfaceHalf_->ReleaseFuncDesc(function);
  }
}

}  // namespace
}  // namespace korvel
