#!/usr/bin/env bash
# Builds VarnicObj.dll with mingw-w64 and tests it under Wine, headless, in a fresh prefix:
# regsvr32, the registry keys, a VBScript and a JScript client (cscript), a C++ client, then
# regsvr32 /u and the keys gone. Every saved file must equal what `varnic compare --save` writes
# on Linux. Skips (status 0) only when the Debian packages cannot be installed.
set -euo pipefail
cd "$(dirname "$0")/.."
start=$SECONDS

packages=(g++-mingw-w64-x86-64-posix wine wine64 wine64-tools)
run() { if [[ $(id -u) -eq 0 ]]; then "$@"; else sudo -n "$@"; fi; }
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "wine-test: installing ${missing[*]}"
  if ! { run apt-get update -qq &&
         run env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
           "${missing[@]}"; } >/dev/null; then
    echo "wine-test: SKIPPED: cannot install ${missing[*]} (no root, no sudo or no package source)"
    exit 0
  fi
fi

fail() { echo "wine-test: FAILED: $*" >&2; exit 1; }

echo "== wine-test: reference results from the Linux command =="
cmake --preset release >/dev/null && cmake --build --preset release -j2 --target varnic
work=$(mktemp -d)
status=0
build/release/cli/varnic compare examples/ap-before.cfg examples/ap-after.cfg --quiet \
  --save "$work/before.ref" "$work/after.ref" || status=$?
[[ $status == 1 ]] || fail "varnic compare exited with $status"
expected_counts="$(wc -l <"$work/before.ref" | tr -d ' ') $(wc -l <"$work/after.ref" | tr -d ' ')"

echo "== wine-test: VarnicObj.dll, varnic.exe and varnic-client.exe with mingw-w64 =="
cmake --preset windows >/dev/null && cmake --build --preset windows -j2

# Debian keeps wine64 and wineserver in the wine library folder, off PATH.
winedir=$(dirname "$(dpkg -L wine64 | grep -m1 '/wine64$')")
export PATH="$winedir:$PATH"
export WINEPREFIX="$work/prefix" WINEARCH=win64 WINEDLLOVERRIDES="mscoree,mshtml=" WINEDEBUG=-all
unset DISPLAY WAYLAND_DISPLAY
cleanup() { wineserver -k 2>/dev/null || true; rm -rf "$work"; }
trap cleanup EXIT

echo "== wine-test: fresh prefix =="
wineboot --init >/dev/null 2>&1 || fail "wineboot --init"
wineserver -w
dir="$WINEPREFIX/drive_c/varnic"
mkdir -p "$dir/out"
cp build/windows/shell/VarnicObj.dll build/windows/tests/wine/varnic-client.exe build/windows/cli/varnic.exe \
  tests/wine/client.vbs tests/wine/client.js examples/ap-before.cfg examples/ap-after.cfg "$dir/"
module='C:\varnic\VarnicObj.dll'
clsid='{AD10503A-441E-40F0-B8FF-063B8F573C0C}'
iid='{06493204-630B-4188-90B5-791B9D279AF6}'
libid='{CF287CAD-BEC7-447B-B32B-6AE278731F3B}'

# value KEY [NAME]: the REG_SZ value, the default one without NAME; fails when absent.
value() {
  local out
  if [[ $# == 2 ]]; then out=$(wine64 reg query "$1" /v "$2" 2>/dev/null); else
    out=$(wine64 reg query "$1" /ve 2>/dev/null); fi || return 1
  tr -d '\r' <<<"$out" | awk -F '    ' '/REG_SZ/ { print $4; found = 1 } END { exit !found }'
}
expect() {  # expect VALUE KEY [NAME]
  local want=$1 got
  shift
  got=$(value "$@") || fail "no ${2:-default value} in $1"
  [[ $got == "$want" ]] || fail "$1 ${2:-(default)} is '$got', not '$want'"
}
keys=("HKCR\\VarnicObj.Varnic" "HKCR\\VarnicObj.Varnic.1" "HKCR\\CLSID\\$clsid"
      "HKCR\\TypeLib\\$libid\\1.0" "HKCR\\Interface\\$iid")

echo "== wine-test: regsvr32 =="
wine64 regsvr32 /s "$module" || fail "regsvr32 $module"
expect "Varnic Class" "HKCR\\VarnicObj.Varnic"
expect "$clsid" "HKCR\\VarnicObj.Varnic\\CLSID"
expect "VarnicObj.Varnic.1" "HKCR\\VarnicObj.Varnic\\CurVer"
expect "$clsid" "HKCR\\VarnicObj.Varnic.1\\CLSID"
expect "Varnic Class" "HKCR\\CLSID\\$clsid"
expect "$module" "HKCR\\CLSID\\$clsid\\InprocServer32"
expect "Apartment" "HKCR\\CLSID\\$clsid\\InprocServer32" ThreadingModel
expect "VarnicObj.Varnic.1" "HKCR\\CLSID\\$clsid\\ProgID"
expect "VarnicObj.Varnic" "HKCR\\CLSID\\$clsid\\VersionIndependentProgID"
expect "$libid" "HKCR\\CLSID\\$clsid\\TypeLib"
wine64 reg query "HKCR\\CLSID\\$clsid\\Programmable" >/dev/null 2>&1 || fail "no Programmable key"
expect "VarnicObj 1.0 Type Library" "HKCR\\TypeLib\\$libid\\1.0"
expect "$module" "HKCR\\TypeLib\\$libid\\1.0\\0\\win64"
expect "IVarnic" "HKCR\\Interface\\$iid"

# Wine's cscript exits 0 even when the script fails: judge by the output and by the error
# reports on standard error.
script() {  # script FILE EXPECTED-OUTPUT
  local out err
  out=$(cd "$dir" && WINEDEBUG=-all,fixme+wscript wine64 cscript //nologo "$1" 2>"$work/err" |
        tr -d '\r') || fail "cscript $1 exited with $?"
  err=$(grep 'ActiveScriptSite_OnScriptError' "$work/err" || true)
  [[ -z $err ]] || fail "$1 raised a script error: $err"
  [[ $out == "$2" ]] || fail "$1 printed '$out', not '$2'"
  echo "$1: $out"
}
same() {  # same FILE REFERENCE
  cmp -s "$dir/$1" "$work/$2" || fail "$1 differs from the Linux command's result"
}

echo "== wine-test: VBScript and JScript clients =="
script client.vbs "$expected_counts"
same before.out before.ref
same after.out after.ref
script client.js "$expected_counts"
same before-js.out before.ref
same after-js.out after.ref

echo "== wine-test: C++ client =="
out=$(cd "$dir" && wine64 varnic-client.exe ap-before.cfg ap-after.cfg 'C:\varnic\out' | tr -d '\r') ||
  fail "varnic-client.exe: $out"
[[ $out == $'early '"$expected_counts"$'\nlate '"$expected_counts"$'\nok' ]] ||
  fail "varnic-client.exe printed '$out'"
for kind in early late; do
  same "out/${kind}1.txt" before.ref
  same "out/${kind}2.txt" after.ref
done
echo "varnic-client.exe: ok"

echo "== wine-test: varnic.exe =="
status=0
(cd "$dir" && wine64 varnic.exe compare ap-before.cfg ap-after.cfg --save cmd1.out cmd2.out --quiet) ||
  status=$?
[[ $status == 1 ]] || fail "varnic.exe compare exited with $status, not 1 as on Linux"
same cmd1.out before.ref
same cmd2.out after.ref
# A second save replaces the first results in place of the earlier files.
(cd "$dir" && wine64 varnic.exe compare ap-before.cfg ap-after.cfg --save cmd1.out cmd2.out --quiet) ||
  true
same cmd1.out before.ref
(cd "$dir" && wine64 varnic.exe compare ap-before.cfg ap-after.cfg --format=json) >"$work/json" ||
  true
grep -q '"schema_version": 2' "$work/json" || fail "varnic.exe --format=json"
# The audit's pool of threads and its summary, on the same pair as a fleet of one.
status=0
(cd "$dir" && wine64 varnic.exe audit ap-before.cfg ap-after.cfg --format=json) >"$work/audit" ||
  status=$?
[[ $status == 1 ]] && grep -q '"kind": "audit"' "$work/audit" ||
  fail "varnic.exe audit (exit $status)"
(cd "$dir" && wine64 varnic.exe compare ap-before.cfg ap-after.cfg --format=marked) >"$work/marked" ||
  true
cat "$work/before.ref" "$work/after.ref" | cmp -s - "$work/marked" ||
  fail "varnic.exe --format=marked differs from the two saved results"
echo "varnic.exe: ok"

echo "== wine-test: regsvr32 /u =="
wine64 regsvr32 /s /u "$module" || fail "regsvr32 /u $module"
for key in "${keys[@]}"; do
  if wine64 reg query "$key" >/dev/null 2>&1; then fail "$key is still there"; fi
done
wine64 reg query 'HKCR\CLSID' /ve >/dev/null 2>&1 || fail "HKCR\\CLSID itself went"
wine64 regsvr32 /s /u "$module" || fail "a second regsvr32 /u fails"

echo "== wine-test: passed in $((SECONDS - start)) s =="
