// The layer's type-library reader on damaged and hostile bytes, and its
// descriptions when memory runs out.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/native/test_hooks.h"
#include "platform/native/type_library_memory.h"
#include "platform/raii.h"
#include "tests/support/test_files.h"
#include "tests/support/type_library_bytes.h"
#include "tests/support/type_library_files.h"
#include "tests/support/type_library_walk.h"
#include "version/korvel_interfaces.h"

namespace korvel {
namespace {

using testing::Get32;
using testing::Put32;

HRESULT Load(const std::vector<BYTE>& bytes, com_ptr<ITypeLib>* library) {
  return platform::LoadTypeLibFromMemory(bytes.data(), bytes.size(), library->put());
}

class DamagedTypeLibrary : public ::testing::Test {
 protected:
  void SetUp() override {
    bytes_ = testing::ReadLibraryBytes(testing::KorvelTypeLibraryPath());
    ASSERT_GT(bytes_.size(), 0x200u);
    // Two type records, no help-string DLL: the directory follows at 0x5C.
    typeRecords_ = Get32(bytes_, 0x5C);
  }
  void TearDown() override { platform::test_hooks::Reset(); }

  std::vector<BYTE> bytes_;
  size_t typeRecords_ = 0;
};

TEST_F(DamagedTypeLibrary, TruncatedFilesFailCleanly) {
  for (size_t size : {size_t{0}, size_t{3}, size_t{0x54}, size_t{0x100}, bytes_.size() / 2,
                      bytes_.size() - 1}) {
    SCOPED_TRACE(size);
    std::vector<BYTE> cut(bytes_.begin(), bytes_.begin() + static_cast<ptrdiff_t>(size));
    com_ptr<ITypeLib> library;
    EXPECT_TRUE(FAILED(Load(cut, &library)));
    EXPECT_EQ(nullptr, library.get());
  }
}

TEST_F(DamagedTypeLibrary, OutOfRangeFieldsAreRefused) {
  const struct {
    const char* what;
    size_t offset;
    uint32_t value;
    HRESULT expected;
  } kCases[] = {
      {"magic", 0, 0x46544C53, TYPE_E_UNSUPFORMAT},
      {"type count", 0x20, 0x7FFFFFFF, TYPE_E_INVDATAREAD},
      {"segment past the end", 0x5C, 0xFFFFFF00, TYPE_E_INVDATAREAD},
      {"segment length", 0x60, 0x7FFFFFFF, TYPE_E_INVDATAREAD},
      {"library name", 0x38, 0x10000, TYPE_E_INVDATAREAD},
      {"type kind", typeRecords_ + 0x64, 0x0F, TYPE_E_INVDATAREAD},
      {"member block", typeRecords_ + 0x64 + 0x04, 0xFFFFFFF0, TYPE_E_INVDATAREAD},
      {"function count", typeRecords_ + 0x64 + 0x18, 0xFFFF, TYPE_E_INVDATAREAD},
      {"doc string", typeRecords_ + 0x64 + 0x3C, 0x7FFF0000, TYPE_E_INVDATAREAD},
  };
  for (const auto& test : kCases) {
    SCOPED_TRACE(test.what);
    std::vector<BYTE> damaged = bytes_;
    Put32(&damaged, test.offset, test.value);
    com_ptr<ITypeLib> library;
    EXPECT_EQ(test.expected, Load(damaged, &library));
    EXPECT_EQ(nullptr, library.get());
  }
}

TEST_F(DamagedTypeLibrary, InterfaceThatIsItsOwnBaseDoesNotLoop) {
  std::vector<BYTE> damaged = bytes_;
  Put32(&damaged, typeRecords_ + 0x64 + 0x54, 0x64);  // the base of IKorvelA: IKorvelA
  com_ptr<ITypeLib> library;
  ASSERT_EQ(S_OK, Load(damaged, &library));
  com_ptr<ITypeInfo> dispatchHalf, interfaceHalf;
  ASSERT_EQ(S_OK, library->GetTypeInfoOfGuid(IID_IKorvelA, dispatchHalf.put()));
  ASSERT_EQ(S_OK, dispatchHalf->GetRefTypeInfo(0xFFFFFFFE, interfaceHalf.put()));
  MEMBERID member = 0;
  LPOLESTR names[] = {const_cast<LPOLESTR>(OLESTR("Nothing"))};
  EXPECT_EQ(DISP_E_UNKNOWNNAME, interfaceHalf->GetIDsOfNames(names, 1, &member));
  EXPECT_EQ(DISP_E_UNKNOWNNAME, dispatchHalf->GetIDsOfNames(names, 1, &member));
}

// IKorvelA's base made the coclass, whose first interface is IKorvelA: the
// dispatch half lists IKorvelA's members once, not once per turn round the
// loop.
TEST_F(DamagedTypeLibrary, BaseChainThatComesBackListsEachMemberOnce) {
  std::vector<BYTE> damaged = bytes_;
  Put32(&damaged, typeRecords_ + 0x64 + 0x54, 0);
  com_ptr<ITypeLib> library;
  ASSERT_EQ(S_OK, Load(damaged, &library));
  com_ptr<ITypeInfo> dispatchHalf;
  ASSERT_EQ(S_OK, library->GetTypeInfoOfGuid(IID_IKorvelA, dispatchHalf.put()));
  TYPEATTR* attributes = nullptr;
  ASSERT_EQ(S_OK, dispatchHalf->GetTypeAttr(&attributes));
  EXPECT_EQ(Get32(bytes_, typeRecords_ + 0x64 + 0x18) & 0xFFFF, attributes->cFuncs);
  dispatchHalf->ReleaseTypeAttr(attributes);
}

TEST_F(DamagedTypeLibrary, DescriptionsReportOutOfMemory) {
  com_ptr<ITypeLib> library;
  ASSERT_EQ(S_OK, Load(bytes_, &library));
  com_ptr<ITypeInfo> info;
  ASSERT_EQ(S_OK, library->GetTypeInfoOfGuid(IID_IKorvelA, info.put()));

  platform::test_hooks::FailAllocation(1);
  FUNCDESC* function = reinterpret_cast<FUNCDESC*>(1);
  EXPECT_EQ(E_OUTOFMEMORY, info->GetFuncDesc(7, &function));
  EXPECT_EQ(nullptr, function);
  platform::test_hooks::FailAllocation(1);
  TYPEATTR* attributes = nullptr;
  EXPECT_EQ(E_OUTOFMEMORY, info->GetTypeAttr(&attributes));

  // The second string fails: the first is not leaked, nothing is written.
  platform::test_hooks::FailAllocation(2);
  BSTR name = nullptr, doc = nullptr;
  EXPECT_EQ(E_OUTOFMEMORY, info->GetDocumentation(4, &name, &doc, nullptr, nullptr));
  EXPECT_EQ(nullptr, name);
  EXPECT_EQ(nullptr, doc);
  platform::test_hooks::FailAllocation(2);
  BSTR names[2] = {};
  UINT count = 9;
  EXPECT_EQ(E_OUTOFMEMORY, info->GetNames(0x60000000, names, 2, &count));
  EXPECT_EQ(0u, count);
}

// Lists the reader follows through the file: each entry is paid for, a
// list that comes back to an entry or a count its segment cannot hold is
// refused, however few bytes describe it.
TEST_F(DamagedTypeLibrary, ListsThatLoopOrOverrunAreRefused) {
  const size_t coclass = typeRecords_;
  const size_t firstNode = testing::SegmentOffset(bytes_, testing::kReferenceSegment);
  const size_t members = Get32(bytes_, typeRecords_ + 0x64 + 0x04);
  const size_t functions = Get32(bytes_, typeRecords_ + 0x64 + 0x18) & 0xFFFF;
  const size_t recordOffsets = members + 4 + Get32(bytes_, members) + 8 * functions;
  const uint32_t secondRecord = Get32(bytes_, recordOffsets + 4);
  const uint32_t implementedWord = Get32(bytes_, coclass + 0x4C) & 0xFFFF0000u;
  struct Write {
    size_t offset;
    uint32_t value;
  };
  const struct {
    const char* what;
    std::vector<Write> writes;
  } kCases[] = {
      {"implemented list back to its first node",
       {{coclass + 0x4C, implementedWord | 2}, {firstNode + 12, 0}}},
      {"implemented list of more nodes than its table holds",
       {{coclass + 0x4C, implementedWord | 0xFFFF}, {firstNode + 12, 0}}},
      {"implemented list running off its table", {{coclass + 0x4C, implementedWord | 2}}},
      {"two functions sharing one record", {{recordOffsets + 4, Get32(bytes_, recordOffsets)}}},
      {"a function record overlapping the next", {{recordOffsets + 4, secondRecord - 4}}},
  };
  for (const auto& test : kCases) {
    SCOPED_TRACE(test.what);
    std::vector<BYTE> damaged = bytes_;
    for (const Write& write : test.writes) Put32(&damaged, write.offset, write.value);
    com_ptr<ITypeLib> library;
    EXPECT_EQ(TYPE_E_INVDATAREAD, Load(damaged, &library));
    EXPECT_EQ(nullptr, library.get());
  }
}

// A coclass that implements the same interface through thousands of
// distinct nodes is sound and loads; each reference leads to the one type
// information object of that interface, so walking them all costs what
// the library holds.
TEST_F(DamagedTypeLibrary, WideImplementedListWalksEachTypeOnce) {
  constexpr uint16_t kInterfaces = 4000;
  const std::vector<BYTE> wide =
      testing::WithImplementedInterfaces(bytes_, 0, kInterfaces, testing::kTypeRecordBytes);
  com_ptr<ITypeLib> library;
  ASSERT_EQ(S_OK, Load(wide, &library));
  com_ptr<ITypeInfo> coclass;
  ASSERT_EQ(S_OK, library->GetTypeInfo(0, coclass.put()));
  TYPEATTR* attributes = nullptr;
  ASSERT_EQ(S_OK, coclass->GetTypeAttr(&attributes));
  EXPECT_EQ(kInterfaces, attributes->cImplTypes);
  coclass->ReleaseTypeAttr(attributes);
  com_ptr<ITypeInfo> first, last;
  HREFTYPE reference = 0;
  ASSERT_EQ(S_OK, coclass->GetRefTypeOfImplType(kInterfaces - 1, &reference));
  ASSERT_EQ(S_OK, coclass->GetRefTypeInfo(reference, last.put()));
  ASSERT_EQ(S_OK, coclass->GetRefTypeOfImplType(0, &reference));
  ASSERT_EQ(S_OK, coclass->GetRefTypeInfo(reference, first.put()));
  EXPECT_EQ(first.get(), last.get());

  const testing::TypeLibraryWalk walk = testing::WalkTypeLibrary(library.get());
  // And the bases of IKorvelA's two halves and of IDispatch.
  EXPECT_EQ(kInterfaces + 3u, walk.implemented);
  // The coclass, IKorvelA's two halves, IDispatch and IUnknown.
  EXPECT_EQ(5u, walk.typeInfos);
}

// The inputs fuzzing found slow or faulty, kept in tests/fuzz/regressions:
// each loads or is refused cleanly, and a client asking everything of it
// finishes. How long that takes is for benchmarks/type_library_benchmark.
TEST(TypeLibraryFuzzFindings, LoadOrAreRefusedAndWalk) {
  size_t inputs = 0;
  for (const auto& entry : std::filesystem::directory_iterator(KORVEL_FUZZ_REGRESSIONS)) {
    if (entry.path().extension() != ".tlb") continue;
    SCOPED_TRACE(entry.path().string());
    ++inputs;
    const std::string bytes = testing::ReadHostFile(entry.path().string());
    ASSERT_FALSE(bytes.empty());
    com_ptr<ITypeLib> library;
    const HRESULT loaded = platform::LoadTypeLibFromMemory(reinterpret_cast<const BYTE*>(bytes.data()),
                                                           bytes.size(), library.put());
    if (FAILED(loaded)) {
      EXPECT_TRUE(loaded == TYPE_E_INVDATAREAD || loaded == TYPE_E_UNSUPFORMAT) << std::hex << loaded;
      EXPECT_EQ(nullptr, library.get());
      continue;
    }
    ASSERT_EQ(S_OK, loaded);
    testing::WalkTypeLibrary(library.get());
  }
  EXPECT_GT(inputs, 0u);
}

// Type information objects are made once per view of a type and handed out
// again; each keeps its library alive while it is held.
class TypeInformationObjects : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::vector<BYTE> bytes = testing::ReadLibraryBytes(testing::KorvelTypeLibraryPath());
    ASSERT_EQ(S_OK, Load(bytes, &library_));
    ASSERT_EQ(S_OK, library_->GetTypeInfoOfGuid(IID_IKorvelA, dispatchHalf_.put()));
  }

  com_ptr<ITypeLib> library_;
  com_ptr<ITypeInfo> dispatchHalf_;
};

TEST_F(TypeInformationObjects, EveryWayToATypeGivesTheSameObject) {
  com_ptr<ITypeInfo> byIndex, interfaceHalf, backAgain, coclass, implemented, base, baseAgain;
  ASSERT_EQ(S_OK, library_->GetTypeInfo(1, byIndex.put()));
  EXPECT_EQ(dispatchHalf_.get(), byIndex.get());
  ASSERT_EQ(S_OK, dispatchHalf_->GetRefTypeInfo(0xFFFFFFFE, interfaceHalf.put()));
  EXPECT_NE(dispatchHalf_.get(), interfaceHalf.get());
  ASSERT_EQ(S_OK, interfaceHalf->GetRefTypeInfo(0xFFFFFFFE, backAgain.put()));
  EXPECT_EQ(dispatchHalf_.get(), backAgain.get());

  ASSERT_EQ(S_OK, library_->GetTypeInfo(0, coclass.put()));
  HREFTYPE reference = 0;
  ASSERT_EQ(S_OK, coclass->GetRefTypeOfImplType(0, &reference));
  ASSERT_EQ(S_OK, coclass->GetRefTypeInfo(reference, implemented.put()));
  EXPECT_EQ(dispatchHalf_.get(), implemented.get());

  // IDispatch, from the standard library.
  ASSERT_EQ(S_OK, dispatchHalf_->GetRefTypeOfImplType(0, &reference));
  ASSERT_EQ(S_OK, dispatchHalf_->GetRefTypeInfo(reference, base.put()));
  ASSERT_EQ(S_OK, dispatchHalf_->GetRefTypeInfo(reference, baseAgain.put()));
  EXPECT_EQ(base.get(), baseAgain.get());
}

TEST_F(TypeInformationObjects, AHeldObjectKeepsItsLibrary) {
  com_ptr<ITypeInfo> interfaceHalf;
  ASSERT_EQ(S_OK, dispatchHalf_->GetRefTypeInfo(0xFFFFFFFE, interfaceHalf.put()));
  library_.reset();
  dispatchHalf_.reset();
  com_ptr<ITypeLib> containing;
  UINT index = 9;
  ASSERT_EQ(S_OK, interfaceHalf->GetContainingTypeLib(containing.put(), &index));
  EXPECT_EQ(1u, index);
  com_ptr<ITypeInfo> dispatchHalf;
  ASSERT_EQ(S_OK, containing->GetTypeInfo(1, dispatchHalf.put()));
  unique_bstr name;
  ASSERT_EQ(S_OK, dispatchHalf->GetDocumentation(MEMBERID_NIL, name.put(), nullptr, nullptr, nullptr));
  EXPECT_EQ(std::u16string(u"IKorvelA"), std::u16string(name.get(), SysStringLen(name.get())));
  // Released in any order, everything goes (the sanitizer build checks).
  containing.reset();
  interfaceHalf.reset();
}

}  // namespace
}  // namespace korvel
