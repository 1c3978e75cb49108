' File names as Windows users have them, through VarnicObj: spaces and letters outside any ANSI
' code page, a name too long for the system, and an output another program holds open. The
' folder names\ holds "after copy.cfg" and the first example under a name with letters no code
' page holds together, found through the folder so that this script stays ASCII. Prints one line
' a case: whether SaveToFile saved (True) or refused (False).
Option Explicit
Dim fso, varnic, file, before, after, lines1, lines2, held
Set fso = CreateObject("Scripting.FileSystemObject")
For Each file In fso.GetFolder("names").Files
  If Right(file.Name, 11) = " before.cfg" Then before = "names\" & file.Name
Next
after = "names\after copy.cfg"
Set varnic = CreateObject("VarnicObj.Varnic")

' A failed save returns S_FALSE, which scripts do not raise: the counts are left as they were.
Function Saved(out1, out2)
  lines1 = -1
  lines2 = -1
  varnic.SaveToFile out1, lines1, out2, lines2
  Saved = lines1 >= 0 And lines2 >= 0
End Function

varnic.LoadFromFile before, 0, after, 0
varnic.CompareFile
WScript.Echo "unicode " & Saved(Replace(before, "before.cfg", "1.out"), Replace(before, "before.cfg", "2.out"))
WScript.Echo "too-long " & Saved("names\" & String(300, "a") & ".out", "names\long-2.out")

' A pair saved, then the second output held open while the swapped comparison is saved over it.
WScript.Echo "held " & Saved("names\held-1.out", "names\held-2.out")
varnic.LoadFromFile after, 0, before, 0
varnic.CompareFile
Set held = fso.OpenTextFile("names\held-2.out", 8)
WScript.Echo "locked " & Saved("names\held-1.out", "names\held-2.out")
held.Close
