// A type library as read from its file: every offset resolved, every count
// checked, every string converted. The COM objects serve their answers from
// this and never look at the file's bytes again.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/windows_api.h"

namespace platform::typelib {

struct TypeDescModel {
  VARTYPE vt = VT_EMPTY;
  HREFTYPE href = 0;                   // VT_USERDEFINED
  std::vector<TypeDescModel> inner;    // VT_PTR, VT_SAFEARRAY: the pointee;
                                       // VT_CARRAY: the element
  std::vector<SAFEARRAYBOUND> bounds;  // VT_CARRAY
};

struct ParamModel {
  std::optional<std::u16string> name;
  TypeDescModel type;
  USHORT flags = 0;
};

struct FunctionModel {
  MEMBERID memid = MEMBERID_NIL;
  std::optional<std::u16string> name;
  std::optional<std::u16string> docString;
  DWORD helpContext = 0;
  FUNCKIND funckind = FUNC_PUREVIRTUAL;
  INVOKEKIND invkind = INVOKE_FUNC;
  CALLCONV callconv = CC_STDCALL;
  WORD flags = 0;
  int slot = -1;  // vtable slot of a virtual function, else -1
  TypeDescModel result;
  std::vector<ParamModel> params;
  SHORT optionalParams = 0;
};

struct ImplTypeModel {
  HREFTYPE href = 0;
  INT flags = 0;
};

struct TypeModel {
  TYPEKIND kind = TKIND_INTERFACE;
  GUID guid = {};
  WORD flags = 0;
  std::optional<std::u16string> name;
  std::optional<std::u16string> docString;
  DWORD helpContext = 0;
  WORD majorVersion = 0;
  WORD minorVersion = 0;
  WORD alignment = 0;
  ULONG instanceSize = 0;
  WORD vtableSlots = 0;
  WORD variableCount = 0;
  std::vector<ImplTypeModel> implTypes;
  std::vector<FunctionModel> functions;
  TypeDescModel alias;  // TKIND_ALIAS
};

// A type that lives in another library.
struct ImportModel {
  GUID library = {};
  WORD majorVersion = 0;
  WORD minorVersion = 0;
  LCID lcid = 0;
  bool byGuid = true;
  GUID type = {};   // when byGuid
  UINT index = 0;   // otherwise
};

struct LibraryModel {
  GUID libid = {};
  LCID lcid = 0;
  SYSKIND syskind = SYS_WIN32;
  WORD majorVersion = 0;
  WORD minorVersion = 0;
  WORD flags = 0;
  std::optional<std::u16string> name;
  std::optional<std::u16string> docString;
  std::optional<std::u16string> helpFile;
  DWORD helpContext = 0;
  HREFTYPE dispatchHref = static_cast<HREFTYPE>(-1);
  std::vector<TypeModel> types;
  std::map<HREFTYPE, ImportModel> imports;
  // The indexes of `types` ordered by GUID, the lower index first among
  // equal GUIDs: see IndexTypesByGuid.
  std::vector<size_t> typesByGuid;
};

inline bool GuidBefore(const GUID& a, const GUID& b) { return std::memcmp(&a, &b, sizeof(GUID)) < 0; }

// Fills library->typesByGuid once its types are complete.
inline void IndexTypesByGuid(LibraryModel* library) {
  library->typesByGuid.resize(library->types.size());
  for (size_t i = 0; i < library->types.size(); ++i) library->typesByGuid[i] = i;
  std::stable_sort(library->typesByGuid.begin(), library->typesByGuid.end(),
                   [library](size_t a, size_t b) {
                     return GuidBefore(library->types[a].guid, library->types[b].guid);
                   });
}

// The index of the first type with `guid`, or false.
inline bool FindTypeByGuid(const LibraryModel& library, const GUID& guid, size_t* index) {
  const auto found = std::lower_bound(
      library.typesByGuid.begin(), library.typesByGuid.end(), guid,
      [&library](size_t type, const GUID& wanted) { return GuidBefore(library.types[type].guid, wanted); });
  if (found == library.typesByGuid.end() || library.types[*found].guid != guid) return false;
  *index = *found;
  return true;
}

// HREFTYPEs: a type of the same library is its record's offset, a multiple
// of kTypeRecordBytes; an import is its entry's offset plus one. The two
// halves of a dual interface lead to each other through kOtherDualHalf.
constexpr HREFTYPE kTypeRecordBytes = 0x64;
constexpr HREFTYPE kOtherDualHalf = 0xFFFFFFFE;

inline HREFTYPE HrefOfType(size_t index) {
  return static_cast<HREFTYPE>(index) * kTypeRecordBytes;
}

}  // namespace platform::typelib
