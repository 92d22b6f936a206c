' Asks the Korvel component which diagnostic software versions this
' workstation has, and prints them.
'   cscript //nologo korvel_versions.vbs
Option Explicit

Function Shown(value)
  If IsEmpty(value) Then
    Shown = "(nothing)"
  Else
    Shown = """" & value & """"
  End If
End Function

Dim korvel
Set korvel = CreateObject("TevraOmbrin.KorvelA")

WScript.Echo "MXT version:     " & Shown(korvel.GetMxtVersion())
WScript.Echo "  read from      " & korvel.MxtVersionLocation
WScript.Echo "RVK version:     " & Shown(korvel.GetRvkVersion())
WScript.Echo "  read from      " & korvel.RvkVersionLocation
WScript.Echo "ECM/PCM version: " & Shown(korvel.GetEcmPcmVersion())
WScript.Echo "  read from      " & korvel.EcmPcmVersionLocation
WScript.Echo "Error code:      " & korvel.GetLastError()
WScript.Echo "Component:       " & korvel.GetVersion()
