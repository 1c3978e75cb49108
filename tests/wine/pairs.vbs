' Runs every pair of pairs.txt ("NNN TYPE1 TYPE2" a line) through VarnicObj in this one host. An
' object serves several pairs, is dropped and created again every seventh pair, and a second one
' lives alongside and takes every third pair. Prints "NNN COUNT1 COUNT2", "NNN error NUMBER" or
' "NNN error not saved" (S_FALSE, which scripts do not raise) a pair, and saves the results of
' pairs\NNN-1.cfg and -2.cfg as out\NNN-1.out and out\NNN-2.out.
Option Explicit
Dim fso, list, parts, varnic, spare, obj, n, lines1, lines2, failure
Set fso = CreateObject("Scripting.FileSystemObject")
Set list = fso.OpenTextFile("pairs\pairs.txt", 1)
n = 0
Do While Not list.AtEndOfStream
  parts = Split(list.ReadLine, " ")
  If n Mod 7 = 0 Then
    Set varnic = Nothing
    Set varnic = CreateObject("VarnicObj.Varnic")
  End If
  If n Mod 11 = 0 Then Set spare = CreateObject("VarnicObj.Varnic")
  If n Mod 3 = 2 Then
    Set obj = spare
  Else
    Set obj = varnic
  End If
  lines1 = -1
  lines2 = -1
  On Error Resume Next
  obj.LoadFromFile "pairs\" & parts(0) & "-1.cfg", CLng(parts(1)), _
                   "pairs\" & parts(0) & "-2.cfg", CLng(parts(2))
  If Err.Number = 0 Then obj.CompareFile
  If Err.Number = 0 Then obj.SaveToFile "out\" & parts(0) & "-1.out", lines1, _
                                        "out\" & parts(0) & "-2.out", lines2
  failure = Err.Number
  On Error Goto 0
  If failure <> 0 Then
    WScript.Echo parts(0) & " error " & Hex(failure)
  ElseIf lines1 < 0 Or lines2 < 0 Then
    WScript.Echo parts(0) & " error not saved"
  Else
    WScript.Echo parts(0) & " " & lines1 & " " & lines2
  End If
  n = n + 1
Loop
