#include "platform/native/registry_text.h"

#include <vector>

#include "platform/raii.h"

namespace platform {

bool NarrowText(LPCOLESTR text, std::string* narrow) {
  const int bytes = WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return false;
  narrow->assign(static_cast<size_t>(bytes), '\0');
  WideCharToMultiByte(CP_ACP, 0, text, -1, &(*narrow)[0], bytes, nullptr, nullptr);
  narrow->resize(static_cast<size_t>(bytes) - 1);
  return true;
}

bool WideText(const std::string& text, std::basic_string<OLECHAR>* wide) {
  const int chars = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
  if (chars <= 0) return false;
  wide->assign(static_cast<size_t>(chars), 0);
  MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, &(*wide)[0], chars);
  wide->resize(static_cast<size_t>(chars) - 1);
  return true;
}

std::string GuidKeyName(REFGUID guid) {
  OLECHAR text[40] = {};
  StringFromGUID2(guid, text, 40);
  std::string narrow;
  for (const OLECHAR* c = text; *c != 0; ++c) narrow.push_back(static_cast<char>(*c));
  return narrow;
}

bool ReadDefaultText(HKEY root, const std::string& path, std::string* text) {
  korvel::unique_hkey key;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) return false;
  DWORD type = 0, bytes = 0;
  if (RegQueryValueExA(key.get(), nullptr, nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS ||
      (type != REG_SZ && type != REG_EXPAND_SZ)) {
    return false;
  }
  std::vector<char> data(bytes + 1, '\0');
  if (RegQueryValueExA(key.get(), nullptr, nullptr, &type, reinterpret_cast<BYTE*>(data.data()),
                       &bytes) != ERROR_SUCCESS) {
    return false;
  }
  data[bytes < data.size() ? bytes : data.size() - 1] = '\0';
  text->assign(data.data());
  return true;
}

}  // namespace platform
