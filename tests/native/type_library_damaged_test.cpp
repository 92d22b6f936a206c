// The layer's type-library reader on damaged and hostile bytes, and its
// descriptions when memory runs out.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/native/test_hooks.h"
#include "platform/native/type_library_memory.h"
#include "platform/raii.h"
#include "tests/support/type_library_files.h"
#include "version/korvel_interfaces.h"

namespace korvel {
namespace {

std::vector<BYTE> KorvelLibraryBytes() {
  unique_file file(CreateFileA(testing::KorvelTypeLibraryPath(), GENERIC_READ, FILE_SHARE_READ,
                               nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  std::vector<BYTE> bytes;
  BYTE block[4096];
  DWORD read = 0;
  while (file && ReadFile(file.get(), block, sizeof(block), &read, nullptr) && read > 0) {
    bytes.insert(bytes.end(), block, block + read);
  }
  return bytes;
}

void Put32(std::vector<BYTE>* bytes, size_t offset, uint32_t value) {
  std::memcpy(bytes->data() + offset, &value, 4);
}
uint32_t Get32(const std::vector<BYTE>& bytes, size_t offset) {
  uint32_t value;
  std::memcpy(&value, bytes.data() + offset, 4);
  return value;
}

class DamagedTypeLibrary : public ::testing::Test {
 protected:
  void SetUp() override {
    bytes_ = KorvelLibraryBytes();
    ASSERT_GT(bytes_.size(), 0x200u);
    // Two type records, no help-string DLL: the directory follows at 0x5C.
    typeRecords_ = Get32(bytes_, 0x5C);
  }
  void TearDown() override { platform::test_hooks::Reset(); }

  HRESULT Load(const std::vector<BYTE>& bytes, com_ptr<ITypeLib>* library) {
    return platform::LoadTypeLibFromMemory(bytes.data(), bytes.size(), library->put());
  }

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

}  // namespace
}  // namespace korvel
