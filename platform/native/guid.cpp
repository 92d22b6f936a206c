// The interface identifiers the component meets, and GUIDs as text in the
// registry form "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}".
#include "platform/native/guid.h"

#include "platform/native/com.h"

extern "C" const IID GUID_NULL = {0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};
extern "C" const IID IID_NULL = {0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};
extern "C" const IID IID_IUnknown = {
    0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
extern "C" const IID IID_IClassFactory = {
    0x00000001, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
extern "C" const IID IID_IDispatch = {
    0x00020400, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
extern "C" const IID IID_ITypeInfo = {
    0x00020401, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
extern "C" const IID IID_ITypeLib = {
    0x00020402, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
extern "C" const IID IID_ITypeInfo2 = {
    0x00020412, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
extern "C" const IID IID_IObjectSafety = {
    0xCB5BDC81, 0x93C1, 0x11CF, {0x8F, 0x20, 0x00, 0x80, 0x5F, 0x2C, 0xD0, 0x64}};

namespace {

// "{" + 36 characters + "}" and the terminating null.
constexpr int kGuidTextChars = 39;
// Where the hyphens stand inside the braces.
constexpr int kHyphens[] = {9, 14, 19, 24};

// The text positions of the 16 bytes, read as the GUID lays them out:
// Data1 (4 bytes, most significant first), Data2, Data3, then Data4.
constexpr int kBytePositions[16] = {1,  3,  5,  7,  10, 12, 15, 17,
                                    20, 22, 25, 27, 29, 31, 33, 35};

void ToBytes(const GUID& guid, BYTE bytes[16]) {
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<BYTE>(guid.Data1 >> (24 - 8 * i));
  bytes[4] = static_cast<BYTE>(guid.Data2 >> 8);
  bytes[5] = static_cast<BYTE>(guid.Data2);
  bytes[6] = static_cast<BYTE>(guid.Data3 >> 8);
  bytes[7] = static_cast<BYTE>(guid.Data3);
  for (int i = 0; i < 8; ++i) bytes[8 + i] = guid.Data4[i];
}

GUID FromBytes(const BYTE bytes[16]) {
  GUID guid;
  guid.Data1 = (static_cast<uint32_t>(bytes[0]) << 24) |
               (static_cast<uint32_t>(bytes[1]) << 16) |
               (static_cast<uint32_t>(bytes[2]) << 8) | bytes[3];
  guid.Data2 = static_cast<uint16_t>((bytes[4] << 8) | bytes[5]);
  guid.Data3 = static_cast<uint16_t>((bytes[6] << 8) | bytes[7]);
  for (int i = 0; i < 8; ++i) guid.Data4[i] = bytes[8 + i];
  return guid;
}

int HexValue(OLECHAR c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  return -1;
}

}  // namespace

int WINAPI StringFromGUID2(REFGUID guid, LPOLESTR text, int chars) {
  if (text == nullptr || chars < kGuidTextChars) return 0;
  static const char kDigits[] = "0123456789ABCDEF";
  BYTE bytes[16];
  ToBytes(guid, bytes);
  text[0] = u'{';
  for (int hyphen : kHyphens) text[hyphen] = u'-';
  for (int i = 0; i < 16; ++i) {
    text[kBytePositions[i]] = static_cast<OLECHAR>(kDigits[bytes[i] >> 4]);
    text[kBytePositions[i] + 1] = static_cast<OLECHAR>(kDigits[bytes[i] & 0xF]);
  }
  text[kGuidTextChars - 2] = u'}';
  text[kGuidTextChars - 1] = 0;
  return kGuidTextChars;
}

HRESULT WINAPI CLSIDFromString(LPCOLESTR text, LPCLSID clsid) {
  if (clsid == nullptr) return E_INVALIDARG;
  if (text == nullptr) {
    *clsid = GUID_NULL;
    return S_OK;
  }
  // Only the braced form; nothing is read past the first character that
  // does not fit it.
  for (int i = 0; i < kGuidTextChars - 1; ++i)
    if (text[i] == 0) return CO_E_CLASSSTRING;
  if (text[0] != u'{' || text[kGuidTextChars - 2] != u'}' ||
      text[kGuidTextChars - 1] != 0)
    return CO_E_CLASSSTRING;
  for (int hyphen : kHyphens)
    if (text[hyphen] != u'-') return CO_E_CLASSSTRING;
  BYTE bytes[16];
  for (int i = 0; i < 16; ++i) {
    const int high = HexValue(text[kBytePositions[i]]);
    const int low = HexValue(text[kBytePositions[i] + 1]);
    if (high < 0 || low < 0) return CO_E_CLASSSTRING;
    bytes[i] = static_cast<BYTE>((high << 4) | low);
  }
  *clsid = FromBytes(bytes);
  return S_OK;
}
