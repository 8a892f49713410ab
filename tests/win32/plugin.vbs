' Calls the add-in by name the way module code and scripts do, through Wine's cscript.
' Usage: cscript //nologo plugin.vbs <scratch folder> <expected getTwVersion>
Option Explicit

Dim failures : failures = 0

Sub Check(passed, name)
  If passed Then
    WScript.Echo "ok - " & name
  Else
    WScript.Echo "not ok - " & name
    failures = failures + 1
  End If
End Sub

' The elements of an array as the case names show them (Wine's VBScript has no Join).
Function Listed(values)
  Dim i
  Listed = ""
  For i = 0 To UBound(values)
    If i > 0 Then Listed = Listed & ", "
    Listed = Listed & Quoted(values(i))
  Next
End Function

Function Quoted(text)
  Quoted = """" & Replace(text, Chr(0), "<NUL>") & """"
End Function

Dim folder : folder = WScript.Arguments(0)
Dim expectedVersion : expectedVersion = WScript.Arguments(1)
Dim fso : Set fso = CreateObject("Scripting.FileSystemObject")
If fso.FolderExists(folder) Then fso.DeleteFolder folder, True
fso.CreateFolder folder
fso.CreateFolder folder & "\sub"
fso.CreateTextFile(folder & "\plain.txt").Close
fso.CreateTextFile(folder & "\hidden.txt").Close
fso.GetFile(folder & "\hidden.txt").Attributes = 2
fso.CreateTextFile(folder & "\system.dat").Close
fso.GetFile(folder & "\system.dat").Attributes = 4
fso.CreateTextFile(folder & "\readonly.doc").Close
fso.GetFile(folder & "\readonly.doc").Attributes = 1

Dim plugin : Set plugin = CreateObject("Tallyweave.plugin")
Check Not plugin Is Nothing, "CreateObject(""Tallyweave.plugin"")"

Check plugin.getTwVersion() = expectedVersion, "getTwVersion is " & expectedVersion & " (got " & plugin.getTwVersion() & ")"

'Text parameters are by reference (BSTR*): a script passes a variable in parentheses, as a value.
' FileExists answers False until Word has connected the add-in (the connected cases run in com_checks).
Dim c
For Each c In Array("plain.txt", "*.txt", "missing.txt")
  Check plugin.FileExists(folder & "\" & c) = False, "FileExists(" & c & ") is False before OnConnection"
Next
Check plugin.getMergefieldName(" MERGEFIELD naam ") = "", "getMergefieldName is empty before OnConnection"

' The settings read back what was assigned; an Integer setting converts what it is given.
plugin.serveradres = "https://example.test"
Check plugin.serveradres = "https://example.test", "serveradres reads back"
plugin.generateMode = "csvFile"
Check plugin.generateMode = "csvFile", "generateMode reads back its text"
plugin.useRibbon = True
Check plugin.useRibbon = True, "useRibbon reads back"
Dim portCases : portCases = Array( _
  Array("8080", 8080, 0), Array(" 443 ", 443, 0), Array(21, 21, 0), Array(2.5, 2, 0), Array(3.5, 4, 0), _
  Array("abc", 4, 13), Array("", 4, 13), Array("70000", 4, 6), Array(40000, 4, 6))
On Error Resume Next
For Each c In portCases
  Err.Clear
  plugin.serverPort = c(0)
  Check Err.Number = c(2) And plugin.serverPort = c(1) And VarType(plugin.serverPort) = vbInteger, _
    "serverPort = " & Quoted(CStr(c(0))) & " gives " & c(1) & " and error " & c(2) & " (got " & plugin.serverPort & _
    ", error " & Err.Number & ")"
Next
Err.Clear
On Error GoTo 0

Check plugin.DirExists(folder & "\sub") = True, "DirExists of a folder is True"
Check plugin.DirExists(folder & "\plain.txt") = False, "DirExists of a file is False"
Check VarType(plugin.DirExists((folder))) = vbBoolean, "DirExists gives a Boolean"

' ArrayContains: whole elements, case-sensitive.
Dim ab : ab = Array("a", "b")
Dim arrayCases : arrayCases = Array( _
  Array(ab, "a", True), Array(ab, "b", True), Array(ab, "A", False), Array(ab, "", False), _
  Array(ab, "a" & Chr(0) & "b", True), Array(ab, "ab", False), Array(Array("", "x"), "", True), _
  Array(Array(), "", True), Array(Array(), "x", False))
Dim values
For Each c In arrayCases
  values = c(0)
  Check plugin.ArrayContains(values, c(1)) = c(2), _
    "ArrayContains(Array(" & Listed(values) & "), " & Quoted(c(1)) & ") is " & c(2)
Next

' keyExists without a collection never fails.
Check plugin.keyExists(Nothing, "x") = False, "keyExists of Nothing is False"

' A Variant argument is converted only where the member uses it: with the log off (no twDebug.tmp before
' OnConnection) debugMsg reads nothing, and printToPrn reads its path only once the add-in is active.
Sub CallWithValue(member, value)
  Select Case member
    Case "debugMsg" : plugin.debugMsg value
    Case "printToPrn" : plugin.printToPrn value
  End Select
End Sub
Dim unreadCases : unreadCases = Array( _
  Array("debugMsg", Null, "Null"), Array("debugMsg", Array(1, 2), "an array"), _
  Array("debugMsg", Nothing, "Nothing"), Array("printToPrn", Null, "Null"), _
  Array("printToPrn", Array(1, 2), "an array"))
On Error Resume Next
For Each c In unreadCases
  Err.Clear
  CallWithValue c(0), c(1)
  Check Err.Number = 0, c(0) & " " & c(2) & " raises no error before OnConnection (got " & Err.Number & " " & _
    Err.Description & ")"
Next
Err.Clear
On Error GoTo 0

' A failing member raises a COM error with number, source and description.
On Error Resume Next
plugin.serverPort = "abc"
Check Err.Number = 13, "a failing member raises its error number (got " & Err.Number & ")"
Check Err.Source = "Tallyweave", "the error names its source (got " & Err.Source & ")"
Check Err.Description = "Type mismatch", "the error describes itself (got " & Err.Description & ")"
Err.Clear
Check plugin.GetImage("logo") Is Nothing, "GetImage gives Nothing before the add-in is connected"
Check Err.Number = 0, "GetImage raises no error (got " & Err.Number & ")"
Err.Clear
plugin.NoSuchMember
Check Err.Number = 438, "an unknown member is error 438 (got " & Err.Number & ")"
On Error GoTo 0

Set plugin = Nothing
fso.DeleteFolder folder, True
WScript.Echo "# done"
WScript.Quit failures
