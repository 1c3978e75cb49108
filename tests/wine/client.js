// JScript has no variables to pass by reference, so the counts are read back from the files.
var varnic = new ActiveXObject("VarnicObj.Varnic");
varnic.LoadFromFile("ap-before.cfg", 0, "ap-after.cfg", 0);
varnic.CompareFile();
varnic.SaveToFile("before-js.out", 0, "after-js.out", 0);
var files = new ActiveXObject("Scripting.FileSystemObject");
function lines(name) {
  return files.OpenTextFile(name, 1).ReadAll().split("\r\n").length - 1;
}
WScript.Echo(lines("before-js.out") + " " + lines("after-js.out"));
