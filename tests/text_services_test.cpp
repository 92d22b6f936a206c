// The code page and automation strings under everything the component
// converts: the system's own on Windows, our layer natively.
#include <gtest/gtest.h>

#include <string>

#include "platform/raii.h"
#include "tests/support/bstr_matchers.h"

namespace korvel {
namespace {

using testing::BstrText;
using testing::NewBstr;

TEST(AnsiCodePage, IsWindows1252) { EXPECT_EQ(1252u, GetACP()); }

TEST(AnsiCodePage, EveryByteMapsAndComesBack) {
  std::string bytes;
  for (int byte = 1; byte < 256; ++byte) bytes.push_back(static_cast<char>(byte));
  const int count = static_cast<int>(bytes.size());

  std::u16string wide(bytes.size(), u'\0');
  ASSERT_EQ(count, MultiByteToWideChar(CP_ACP, 0, bytes.data(), count, nullptr, 0));
  ASSERT_EQ(count, MultiByteToWideChar(CP_ACP, 0, bytes.data(), count,
                                       reinterpret_cast<LPWSTR>(&wide[0]), count));
  // The code page's own characters, and the bytes it leaves undefined,
  // which stand for the C1 controls of the same value.
  const struct {
    unsigned char byte;
    char16_t unit;
  } mapped[] = {{'A', u'A'},      {0x80, u'\u20AC'}, {0x81, u'\u0081'},
                {0x8A, u'\u0160'}, {0x8D, u'\u008D'}, {0x8F, u'\u008F'},
                {0x90, u'\u0090'}, {0x9D, u'\u009D'}, {0x9F, u'\u0178'},
                {0xA0, u'\u00A0'}, {0xE9, u'\u00E9'}, {0xFF, u'\u00FF'}};
  for (const auto& m : mapped) {
    SCOPED_TRACE(static_cast<int>(m.byte));
    EXPECT_EQ(m.unit, wide[m.byte - 1]);
  }

  std::string back(bytes.size(), '\0');
  BOOL usedDefault = TRUE;
  ASSERT_EQ(count, WideCharToMultiByte(CP_ACP, 0, reinterpret_cast<LPCWSTR>(wide.data()),
                                       count, &back[0], count, nullptr, &usedDefault));
  EXPECT_EQ(bytes, back);
  EXPECT_FALSE(usedDefault);
}

TEST(AnsiCodePage, WhatItLacksBecomesTheDefaultCharacter) {
  // CJK and Cyrillic letters have no counterpart, near or far, in 1252.
  const char16_t text[] = u"v\u4E00\u0416";
  char narrow[4] = {};
  BOOL usedDefault = FALSE;
  ASSERT_EQ(3, WideCharToMultiByte(CP_ACP, 0, reinterpret_cast<LPCWSTR>(text), 3, narrow,
                                   3, nullptr, &usedDefault));
  EXPECT_EQ(std::string("v??"), std::string(narrow, 3));
  EXPECT_TRUE(usedDefault);
}

TEST(AnsiCodePage, SizesTerminatorsAndShortBuffers) {
  // -1 counts the terminating NUL in and converts it.
  EXPECT_EQ(4, MultiByteToWideChar(CP_ACP, 0, "abc", -1, nullptr, 0));
  OLECHAR wide[2];
  SetLastError(0);
  EXPECT_EQ(0, MultiByteToWideChar(CP_ACP, 0, "abc", -1, wide, 2));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER), GetLastError());

  EXPECT_EQ(4, WideCharToMultiByte(CP_ACP, 0, OLESTR("abc"), -1, nullptr, 0, nullptr,
                                   nullptr));
  char narrow[2];
  SetLastError(0);
  EXPECT_EQ(0, WideCharToMultiByte(CP_ACP, 0, OLESTR("abc"), -1, narrow, 2, nullptr,
                                   nullptr));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER), GetLastError());
}

TEST(AutomationStrings, LengthPrefixNullAndEmpty) {
  EXPECT_EQ(nullptr, SysAllocString(nullptr));
  EXPECT_EQ(0u, SysStringLen(nullptr));

  unique_bstr empty(SysAllocString(OLESTR("")));
  ASSERT_TRUE(empty);
  EXPECT_EQ(0u, SysStringLen(empty.get()));
  EXPECT_EQ(0, empty.get()[0]);

  // The length prefix carries embedded NULs; the terminator follows them.
  unique_bstr withNul(NewBstr(std::u16string(u"1.2\0x", 5)));
  ASSERT_TRUE(withNul);
  EXPECT_EQ(5u, SysStringLen(withNul.get()));
  EXPECT_EQ(10u, SysStringByteLen(withNul.get()));
  EXPECT_EQ(0, withNul.get()[5]);
  EXPECT_EQ(std::u16string(u"1.2\0x", 5), BstrText(withNul.get()));

  // SysAllocString stops at the first NUL.
  unique_bstr cut(SysAllocString(withNul.get()));
  EXPECT_EQ(u"1.2", BstrText(cut.get()));

  unique_bstr uninitialised(SysAllocStringLen(nullptr, 7));
  ASSERT_TRUE(uninitialised);
  EXPECT_EQ(7u, SysStringLen(uninitialised.get()));
  EXPECT_EQ(0, uninitialised.get()[7]);
}

}  // namespace
}  // namespace korvel
