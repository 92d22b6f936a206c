// Asks the Korvel component which diagnostic software versions this
// workstation has, and prints them.
//   cscript //nologo korvel_versions.js
function shown(value) {
  return typeof value === "undefined" ? "(nothing)" : "\"" + value + "\"";
}

var korvel = new ActiveXObject("TevraOmbrin.KorvelA.1");
WScript.Echo("MXT version:     " + shown(korvel.GetMxtVersion()));
WScript.Echo("RVK version:     " + shown(korvel.GetRvkVersion()));
WScript.Echo("ECM/PCM version: " + shown(korvel.GetEcmPcmVersion()));
WScript.Echo("Error code:      " + korvel.GetLastError());
WScript.Echo("Component:       " + korvel.GetVersion());
