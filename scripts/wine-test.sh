#!/usr/bin/env bash
# Builds VarnicObj.dll (x64 and x86), varnic.exe and the installer with mingw-w64 and NSIS, and
# tests them under 64-bit Wine, headless, in a fresh prefix. This machine cannot run 32-bit
# code: the x86 DLL is checked without running it (its image, exports, imports and resources,
# and its type library read by the platform against the x64 one's). The x64 DLL: regsvr32, the
# registry keys, a VBScript and a JScript client (cscript), a C++ client, 520 generated pairs
# through one script host and through varnic.exe, file names with spaces and other scripts, a
# name too long and a held output, then regsvr32 /u and the keys gone. The installer: silent
# install, every key in both registry views, a VBScript client, varnic.exe from PATH, silent
# uninstall and nothing left. Every saved file must equal what `varnic compare --save` writes on
# Linux. Skips (status 0) only when the Debian packages cannot be installed.
set -euo pipefail
cd "$(dirname "$0")/.."
start=$SECONDS


packages=(g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix wine wine64 wine64-tools nsis groff-base bsdextrautils)
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

export CMAKE_BUILD_PARALLEL_LEVEL=${CMAKE_BUILD_PARALLEL_LEVEL:-2}  # nested builds too
version=$(sed -n 's/^project(varnic VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)

echo "== wine-test: reference results from the Linux command =="
cmake --preset release >/dev/null && cmake --build --preset release -j2 --target varnic
cmake --preset dev >/dev/null && cmake --build --preset dev -j2 --target varnic-genpair
work=$(mktemp -d)
status=0
build/release/cli/varnic compare examples/ap-before.cfg examples/ap-after.cfg --quiet \
  --save "$work/before.ref" "$work/after.ref" || status=$?
[[ $status == 1 ]] || fail "varnic compare exited with $status"
expected_counts="$(wc -l <"$work/before.ref" | tr -d ' ') $(wc -l <"$work/after.ref" | tr -d ' ')"

echo "== wine-test: VarnicObj.dll (x64 and x86), varnic.exe, the test clients and the installer =="
cmake --preset windows >/dev/null && cmake --build --preset windows -j2
cmake --build --preset windows -j2 --target installer
setup=build/windows/varnic-$version-setup.exe
x86_dll=build/windows/x86/shell/VarnicObj.dll

echo "== wine-test: the x86 DLL, statically =="
python3 tests/windows/check_dll.py "$x86_dll" build/windows/shell/VarnicObj.dll "$version" ||
  fail "the x86 DLL"

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
mkdir -p "$dir/out" "$dir/x86" "$dir/exe" "$dir/names"
cp build/windows/shell/VarnicObj.dll build/windows/tests/wine/varnic-client.exe build/windows/cli/varnic.exe \
  build/windows/tests/wine/varnic-typelib-dump.exe tests/wine/client.vbs tests/wine/client.js \
  tests/wine/pairs.vbs tests/wine/names.vbs examples/ap-before.cfg examples/ap-after.cfg "$dir/"
cp "$x86_dll" "$dir/x86/"
module='C:\varnic\VarnicObj.dll'
clsid='{AD10503A-441E-40F0-B8FF-063B8F573C0C}'
iid='{06493204-630B-4188-90B5-791B9D279AF6}'
libid='{CF287CAD-BEC7-447B-B32B-6AE278731F3B}'

# value KEY [NAME]: the REG_SZ value, the default one without NAME; fails when absent. In the
# registry view that `regview` names (/reg:64 or /reg:32), the process's own without it. Now and
# then Wine fails to start `reg` at all, which reads as an absent key: a failed query is asked
# twice more before it counts.
regview=()
value() {
  local out try
  for try in 1 2 3; do
    if [[ $# == 2 ]]; then out=$(wine64 reg query "$1" /v "$2" "${regview[@]}" 2>/dev/null); else
      out=$(wine64 reg query "$1" /ve "${regview[@]}" 2>/dev/null); fi && break
    ((try < 3)) || return 1
    sleep 1
  done
  tr -d '\r' <<<"$out" | awk -F '    ' '/REG_SZ/ { print $4; found = 1 } END { exit !found }'
}
expect() {  # expect VALUE KEY [NAME]
  local want=$1 got
  shift
  got=$(value "$@") || fail "no ${2:-default value} in $1 ${regview[*]}"
  [[ $got == "$want" ]] || fail "$1 ${2:-(default)} ${regview[*]} is '$got', not '$want'"
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
grep -q '"schema_version": 3' "$work/json" || fail "varnic.exe --format=json"
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

echo "== wine-test: the two type libraries =="
# The platform reads both; only the pointer size they were built for may differ.
(cd "$dir" && wine64 varnic-typelib-dump.exe VarnicObj.dll | tr -d '\r') >"$work/tlb64" ||
  fail "the x64 DLL's type library"
(cd "$dir" && wine64 varnic-typelib-dump.exe 'x86\VarnicObj.dll' | tr -d '\r') >"$work/tlb32" ||
  fail "the x86 DLL's type library"
[[ $(head -n 1 "$work/tlb64") == "syskind 3" && $(head -n 1 "$work/tlb32") == "syskind 1" ]] ||
  fail "the type libraries are not for win64 and win32"
diff <(tail -n +2 "$work/tlb64") <(tail -n +2 "$work/tlb32") ||
  fail "the x86 DLL's type library describes something else than the x64 one's"
grep -q 'SaveToFile' "$work/tlb64" || fail "the type library dump lacks SaveToFile"
echo "type libraries: the same but for the pointer size"

echo "== wine-test: 520 generated pairs through one script host and through varnic.exe =="
pairs_start=$SECONDS
python3 tests/wine/make_pairs.py build/dev/bench/varnic-genpair . "$dir/pairs" 520
mkdir -p "$work/ref"
: >"$work/expected"
: >"$work/expected-exe"
{
  echo '@echo off'
  while read -r n type1 type2; do
    type2=${type2%$'\r'}
    status=0
    build/release/cli/varnic compare "$dir/pairs/$n-1.cfg" "$dir/pairs/$n-2.cfg" --type1 "$type1" \
      --type2 "$type2" --quiet --save "$work/ref/$n-1.out" "$work/ref/$n-2.out" 2>/dev/null ||
      status=$?
    # The command refuses a file with nothing under a known header, which the component
    # compares all the same: for those the DLL must save, and varnic.exe refuse as on Linux.
    if ((status < 2)); then
      echo "$n $(tr -cd '\n' <"$work/ref/$n-1.out" | wc -c) $(tr -cd '\n' <"$work/ref/$n-2.out" | wc -c)" >>"$work/expected"
    else
      echo "$n saved" >>"$work/expected"
    fi
    echo "$n $status" >>"$work/expected-exe"
    run="varnic.exe compare pairs\\$n-1.cfg pairs\\$n-2.cfg --type1 $type1 --type2 $type2 --quiet --save exe\\$n-1.out exe\\$n-2.out 2>nul"
    # 9009 is cmd's "cannot start it", which Wine now and then says of a program that is there:
    # such a start is tried once more; varnic.exe's own statuses are 0 to 2.
    echo "$run"
    echo "if errorlevel 9009 $run"
    echo "echo $n %ERRORLEVEL%"
  done <"$dir/pairs/pairs.txt"
  echo 'exit /b 0'  # the statuses are in the output; cmd would exit with the last one
} >"$dir/pairs.cmd"
(cd "$dir" && WINEDEBUG=-all,fixme+wscript wine64 cscript //nologo pairs.vbs 2>"$work/err" |
   tr -d '\r') >"$work/got" || fail "cscript pairs.vbs exited with $?"
while read -r n _; do  # the refused pairs: saved by the DLL, not compared byte for byte
  sed -i -E "s/^$n [0-9]+ [0-9]+\$/$n saved/" "$work/got"
  rm -f "$dir/out/$n-1.out" "$dir/out/$n-2.out"
done < <(grep ' saved$' "$work/expected")
! grep 'ActiveScriptSite_OnScriptError' "$work/err" || fail "pairs.vbs raised a script error"
diff "$work/expected" "$work/got" >&2 || fail "the DLL's results or counts differ from the Linux command's"
diff -r "$work/ref" "$dir/out" --exclude='[a-z]*' >&2 ||
  fail "a file the DLL saved differs from the Linux command's"
(cd "$dir" && wine64 cmd /c pairs.cmd | tr -d '\r') >"$work/got-exe" || fail "pairs.cmd exited with $?"
diff "$work/expected-exe" "$work/got-exe" >&2 || fail "varnic.exe's statuses differ from the Linux command's"
diff -r "$work/ref" "$dir/exe" >&2 || fail "a file varnic.exe saved differs from the Linux command's"
echo "520 pairs: $(grep -vc ' saved$' "$work/expected") compared byte for byte, $(grep -c ' saved$' "$work/expected") refused by the command ($((SECONDS - pairs_start)) s)"

echo "== wine-test: file names =="
cp examples/ap-before.cfg "$dir/names/Zürich 東京 before.cfg"
cp examples/ap-after.cfg "$dir/names/after copy.cfg"
out=$(cd "$dir" && WINEDEBUG=-all,fixme+wscript wine64 cscript //nologo names.vbs 2>"$work/err" |
      tr -d '\r')
! grep 'ActiveScriptSite_OnScriptError' "$work/err" || fail "names.vbs raised a script error"
[[ $out == $'unicode True\ntoo-long False\nheld True\nlocked False' ]] || fail "names.vbs printed '$out'"
cmp -s "$dir/names/Zürich 東京 1.out" "$work/before.ref" && cmp -s "$dir/names/Zürich 東京 2.out" "$work/after.ref" ||
  fail "the results saved under non-ASCII names differ"
# The refused save of the swapped pair left the earlier pair as it was, and nothing beside it.
same names/held-1.out before.ref
same names/held-2.out after.ref
leftovers=$(cd "$dir/names" && ls | grep -vxF -e 'Zürich 東京 before.cfg' -e 'after copy.cfg' \
  -e 'Zürich 東京 1.out' -e 'Zürich 東京 2.out' -e held-1.out -e held-2.out || true)
[[ -z $leftovers ]] || fail "files left beside the outputs: $leftovers"
status=0
(cd "$dir/names" && wine64 ../varnic.exe compare 'Zürich 東京 before.cfg' 'after copy.cfg' --quiet \
   --save 'résultat 1.out' 'Ω 2.out') || status=$?
[[ $status == 1 ]] || fail "varnic.exe with non-ASCII names exited with $status"
same 'names/résultat 1.out' before.ref
same 'names/Ω 2.out' after.ref
echo "file names: ok"

echo "== wine-test: regsvr32 /u =="
wine64 regsvr32 /s /u "$module" || fail "regsvr32 /u $module"
for key in "${keys[@]}"; do
  if wine64 reg query "$key" >/dev/null 2>&1; then fail "$key is still there"; fi
done
wine64 reg query 'HKCR\CLSID' /ve >/dev/null 2>&1 || fail "HKCR\\CLSID itself went"
wine64 regsvr32 /s /u "$module" || fail "a second regsvr32 /u fails"

echo "== wine-test: the installer, silently =="
env_key='HKLM\SYSTEM\CurrentControlSet\Control\Session Manager\Environment'
arp_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Varnic'
system_path() { wine64 reg query "$env_key" /v Path | tr -d '\r' | sed -n 's/^ *Path *REG_[A-Z_]* *//p'; }
path_before=$(system_path)
cp "$setup" "$WINEPREFIX/drive_c/"
wine64 "C:\\varnic-$version-setup.exe" /S || fail "the installer exited with $?"
wineserver -w
inst_unix="$WINEPREFIX/drive_c/Program Files/Varnic"
inst='C:\Program Files\Varnic'
for file in varnic.exe VarnicObj.dll x86/VarnicObj.dll README.txt varnic.txt uninstall.exe \
  docs/user-guide.md docs/component.md docs/varnic-audit.schema.json; do
  [[ -f "$inst_unix/$file" ]] || fail "the installer did not install $file"
done
cmp -s "$inst_unix/x86/VarnicObj.dll" "$x86_dll" || fail "the installed x86 DLL is not the one built"
head -n 1 "$inst_unix/varnic.txt" | grep -q '^VARNIC(1) ' || fail "the manual page as text"
# Every key the registration script declares, in each view with that view's DLL; the type library
# and interface keys, which the two views share.
for view in 64 32; do
  regview=(/reg:$view)
  [[ $view == 64 ]] && module="$inst\\VarnicObj.dll" || module="$inst\\x86\\VarnicObj.dll"
  expect "Varnic Class" "HKCR\\VarnicObj.Varnic"
  expect "$clsid" "HKCR\\VarnicObj.Varnic\\CLSID"
  expect "VarnicObj.Varnic.1" "HKCR\\VarnicObj.Varnic\\CurVer"
  expect "Varnic Class" "HKCR\\VarnicObj.Varnic.1"
  expect "$clsid" "HKCR\\VarnicObj.Varnic.1\\CLSID"
  expect "Varnic Class" "HKCR\\CLSID\\$clsid"
  expect "$module" "HKCR\\CLSID\\$clsid\\InprocServer32"
  expect "Apartment" "HKCR\\CLSID\\$clsid\\InprocServer32" ThreadingModel
  expect "VarnicObj.Varnic.1" "HKCR\\CLSID\\$clsid\\ProgID"
  expect "VarnicObj.Varnic" "HKCR\\CLSID\\$clsid\\VersionIndependentProgID"
  expect "$libid" "HKCR\\CLSID\\$clsid\\TypeLib"
  wine64 reg query "HKCR\\CLSID\\$clsid\\Programmable" "${regview[@]}" >/dev/null 2>&1 ||
    fail "no Programmable key in view $view"
  expect "VarnicObj 1.0 Type Library" "HKCR\\TypeLib\\$libid\\1.0"
  expect "$inst\\VarnicObj.dll" "HKCR\\TypeLib\\$libid\\1.0\\0\\win64"
  expect "$inst\\x86\\VarnicObj.dll" "HKCR\\TypeLib\\$libid\\1.0\\0\\win32"
  expect "IVarnic" "HKCR\\Interface\\$iid"
  expect "$libid" "HKCR\\Interface\\$iid\\TypeLib"
done
regview=(/reg:64)  # the installed-programs entry of a 64-bit program
expect "Varnic $version" "$arp_key" DisplayName
expect "$version" "$arp_key" DisplayVersion
expect "\"$inst\\uninstall.exe\" /S" "$arp_key" QuietUninstallString
regview=()
[[ $(system_path) == "$path_before;$inst" ]] || fail "PATH after the install is '$(system_path)'"

mkdir -p "$WINEPREFIX/drive_c/installed client"
cp tests/wine/client.vbs examples/ap-before.cfg examples/ap-after.cfg "$WINEPREFIX/drive_c/installed client/"
dir="$WINEPREFIX/drive_c/installed client"
script client.vbs "$expected_counts"
same before.out before.ref
same after.out after.ref
status=0
(cd "$dir" && wine64 cmd /c varnic.exe compare ap-before.cfg ap-after.cfg --quiet --save cmd1.out cmd2.out) ||
  status=$?
[[ $status == 1 ]] || fail "varnic.exe from PATH exited with $status"
same cmd1.out before.ref
same cmd2.out after.ref
echo "installed: keys in both views, the VBScript client and varnic.exe from PATH"

echo "== wine-test: the uninstaller, silently =="
wine64 "$inst\\uninstall.exe" /S || fail "the uninstaller exited with $?"
wineserver -w  # it runs on from a copy of itself
[[ ! -e $inst_unix ]] || fail "left behind: $(cd "$inst_unix" && find . | tr '\n' ' ')"
for view in 64 32; do
  for key in "${keys[@]}" "HKCR\\TypeLib\\$libid" "$arp_key"; do
    if wine64 reg query "$key" /reg:$view >/dev/null 2>&1; then fail "$key is still there in view $view"; fi
  done
  wine64 reg query 'HKCR\CLSID' /ve /reg:$view >/dev/null 2>&1 || fail "HKCR\\CLSID itself went in view $view"
done
[[ $(system_path) == "$path_before" ]] || fail "PATH after the uninstall is '$(system_path)'"
echo "uninstalled: no file, key or PATH entry left"

echo "== wine-test: passed in $((SECONDS - start)) s =="
