Set varnic = CreateObject("VarnicObj.Varnic")
varnic.LoadFromFile "ap-before.cfg", 0, "ap-after.cfg", 0
varnic.CompareFile
varnic.SaveToFile "before.out", lines1, "after.out", lines2
WScript.Echo lines1 & " " & lines2
