// Prints the three versions the version sources find at their default
// locations, and the error code they leave behind.
#include <cstdio>
#include <string>

#include "platform/raii.h"
#include "version/file_version_source.h"
#include "version/registry_version_source.h"

namespace {

std::string Narrow(BSTR text) {
  if (text == nullptr) return "(nothing)";
  std::string narrow;
  const int length = static_cast<int>(SysStringLen(text));
  if (length == 0) return "\"\"";
  const int bytes = WideCharToMultiByte(CP_ACP, 0, text, length, nullptr, 0,
                                        nullptr, nullptr);
  narrow.resize(static_cast<size_t>(bytes));
  WideCharToMultiByte(CP_ACP, 0, text, length, &narrow[0], bytes, nullptr,
                      nullptr);
  return "\"" + narrow + "\"";
}

}  // namespace

int main() {
  LONG errorCode = 0;
  korvel::unique_bstr mxt, rvk, ecmPcm;
  HRESULT hr = korvel::ReadRegistryVersion(
      "HKEY_CURRENT_USER\\Software\\Kessmer\\Tevra\\Setup\\SoftwareVersion",
      &errorCode, mxt.put());
  if (SUCCEEDED(hr))
    hr = korvel::ReadFileVersion("C:\\RVKTESTER\\ver.txt", &errorCode, rvk.put());
  if (SUCCEEDED(hr))
    hr = korvel::ReadFileVersion("C:\\ECMPCM\\ver.txt", &errorCode, ecmPcm.put());
  if (FAILED(hr)) {
    std::printf("failed: 0x%08lX\n", static_cast<unsigned long>(hr));
    return 1;
  }
  std::printf("MXT version:     %s\n", Narrow(mxt.get()).c_str());
  std::printf("RVK version:     %s\n", Narrow(rvk.get()).c_str());
  std::printf("ECM/PCM version: %s\n", Narrow(ecmPcm.get()).c_str());
  std::printf("Error code:      %ld\n", static_cast<long>(errorCode));
  return 0;
}
