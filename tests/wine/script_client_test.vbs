' A VBScript client of the registered component, by both ProgIDs, using
' every property and method by name. The driver has put "2.5.0" in
' C:\KorvelE2E\rvk.txt and "HKCU\Software\KorvelE2E\Mxt" = "9.9.1".
Option Explicit

Dim failures
failures = 0

Sub Check(what, actual, expected)
  If IsEmpty(expected) Then
    If Not IsEmpty(actual) Then
      WScript.Echo "FAIL " & what & ": expected nothing, got """ & actual & """"
      failures = failures + 1
    End If
  ElseIf IsEmpty(actual) Then
    WScript.Echo "FAIL " & what & ": expected """ & expected & """, got nothing"
    failures = failures + 1
  ElseIf actual <> expected Then
    WScript.Echo "FAIL " & what & ": expected """ & expected & """, got """ & actual & """"
    failures = failures + 1
  End If
End Sub

Dim progId, korvel, nothing_
For Each progId In Array("TevraOmbrin.KorvelA", "TevraOmbrin.KorvelA.1")
  Set korvel = CreateObject(progId)
  Check progId & " GetVersion", korvel.GetVersion(), _
    "Tevra Diagnostic Version Detecting Control Client, Version 1.0.0.3, Developed By Bramholt"
  Check progId & " GetLastError at start", korvel.GetLastError(), 0
  Check progId & " default MXT location", korvel.MxtVersionLocation, _
    "HKEY_CURRENT_USER\Software\Kessmer\Tevra\Setup\SoftwareVersion"
  Check progId & " default RVK location", korvel.RvkVersionLocation, "C:\RVKTESTER\ver.txt"
  Check progId & " default ECM/PCM location", korvel.EcmPcmVersionLocation, "C:\ECMPCM\ver.txt"

  korvel.RvkVersionLocation = "C:\KorvelE2E\rvk.txt"
  Check progId & " RVK location put", korvel.RvkVersionLocation, "C:\KorvelE2E\rvk.txt"
  Check progId & " GetRvkVersion", korvel.GetRvkVersion(), "2.5.0"

  korvel.MxtVersionLocation = "HKEY_CURRENT_USER\Software\KorvelE2E\Mxt"
  Check progId & " GetMxtVersion", korvel.GetMxtVersion(), "9.9.1"

  korvel.EcmPcmVersionLocation = "C:\KorvelE2E\missing.txt"
  Check progId & " GetEcmPcmVersion of a missing file", korvel.GetEcmPcmVersion(), nothing_
  Check progId & " GetLastError after it", korvel.GetLastError(), 3
  Check progId & " a later success keeps the code", korvel.GetRvkVersion(), "2.5.0"
  Check progId & " GetLastError still", korvel.GetLastError(), 3

  ' A number is no location: the put changes nothing.
  korvel.EcmPcmVersionLocation = 42
  Check progId & " number put ignored", korvel.EcmPcmVersionLocation, "C:\KorvelE2E\missing.txt"
  Set korvel = Nothing
Next

If failures = 0 Then
  WScript.Echo "VBScript client: all checks passed"
  WScript.Quit 0
Else
  WScript.Quit 1
End If
