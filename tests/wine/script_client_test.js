// A JScript client of the registered component, by both ProgIDs, using
// every property and method by name (same fixture as the VBScript client).
var failures = 0;

function check(what, actual, expected) {
  if (actual !== expected) {
    WScript.Echo("FAIL " + what + ": expected " + expected + ", got " + actual);
    failures++;
  }
}

var progIds = ["TevraOmbrin.KorvelA", "TevraOmbrin.KorvelA.1"];
for (var i = 0; i < progIds.length; i++) {
  var id = progIds[i];
  var korvel = new ActiveXObject(id);
  check(id + " GetVersion", korvel.GetVersion(),
        "Tevra Diagnostic Version Detecting Control Client, Version 1.0.0.3, Developed By Bramholt");
  check(id + " GetLastError at start", korvel.GetLastError(), 0);
  check(id + " default RVK location", korvel.RvkVersionLocation, "C:\\RVKTESTER\\ver.txt");
  check(id + " default ECM/PCM location", korvel.EcmPcmVersionLocation, "C:\\ECMPCM\\ver.txt");
  check(id + " default MXT location", korvel.MxtVersionLocation,
        "HKEY_CURRENT_USER\\Software\\Kessmer\\Tevra\\Setup\\SoftwareVersion");

  korvel.RvkVersionLocation = "C:\\KorvelE2E\\rvk.txt";
  check(id + " GetRvkVersion", korvel.GetRvkVersion(), "2.5.0");
  korvel.MxtVersionLocation = "HKEY_CURRENT_USER\\Software\\KorvelE2E\\Mxt";
  check(id + " GetMxtVersion", korvel.GetMxtVersion(), "9.9.1");

  korvel.MxtVersionLocation = "HKEY_CURRENT_USER\\Software\\KorvelE2E\\Missing";
  check(id + " GetMxtVersion of a missing value", typeof korvel.GetMxtVersion(), "undefined");
  check(id + " GetLastError after it", korvel.GetLastError(), 2);

  korvel.EcmPcmVersionLocation = "C:\\KorvelE2E\\ecm.txt";
  check(id + " GetEcmPcmVersion", korvel.GetEcmPcmVersion(), "1.0 beta");
  check(id + " GetLastError is sticky", korvel.GetLastError(), 2);
}

if (failures === 0) {
  WScript.Echo("JScript client: all checks passed");
  WScript.Quit(0);
}
WScript.Quit(1);
