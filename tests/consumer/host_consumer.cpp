// Creates the installed component by its ProgID, as the host of docs/component.md does, and has it
// compare and save two files: host_consumer IN1 IN2 OUT1 OUT2.
#include <cstdio>
#include <string>

#include "varnic/com/bstr.h"
#include "varnic/com/host.h"
#include "varnic/shell/ivarnic.h"
#include "varnic/shell/varnic_ids.h"

using namespace varnic::com;

int main(int argc, char** argv) {
  if (argc != 5) return 2;
  varnic::shell::IVarnic* varnic = nullptr;
  if (FAILED(CoCreateInstanceByProgID("VarnicObj.Varnic", varnic::shell::IID_IVarnic,
                                      reinterpret_cast<void**>(&varnic)))) {
    std::fprintf(stderr, "cannot create VarnicObj.Varnic: %s\n", LastHostError().c_str());
    return 1;
  }
  const auto bstr = [](const char* text) { return CBstr(Utf8ToUtf16(text).value_or(u"")); };
  const CBstr in1 = bstr(argv[1]), in2 = bstr(argv[2]), out1 = bstr(argv[3]), out2 = bstr(argv[4]);
  LONG lines1 = 0, lines2 = 0;
  const bool ok = varnic->LoadFromFile(in1.Get(), 0, in2.Get(), 0) == S_OK &&
                  varnic->CompareFile() == S_OK &&
                  varnic->SaveToFile(out1.Get(), &lines1, out2.Get(), &lines2) == S_OK &&
                  lines1 == lines2 && lines1 > 0;
  varnic->Release();
  CoFreeUnusedLibraries();
  std::printf("host consumer: %s, %d lines\n", ok ? "ok" : "failed", static_cast<int>(lines1));
  return ok ? 0 : 1;
}
