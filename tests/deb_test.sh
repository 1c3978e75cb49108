#!/usr/bin/env bash
# Builds the Debian packages from the build (python3-varnic too, when the build has the Python
# package), checks what each holds, unpacks them into a scratch root and runs the programs from
# there, and runs lintian when it is installed (errors fail the test; warnings are printed).  usage: deb_test.sh BUILD_DIR SOURCE_DIR WORK_DIR
set -euo pipefail
build=$1 source=$2 work=$3
rm -rf "$work" && mkdir -p "$work/root"
cpack --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.txt" 2>&1
# The component module is a plugin without soname by design: CPack must not take it for a library.
if grep -i -B1 -A2 'warning' "$work/cpack.txt"; then
  echo "cpack warns" >&2
  exit 1
fi
runtime=$(echo "$work"/varnic_*.deb)
dev=$(echo "$work"/libvarnic-dev_*.deb)
[[ -f $runtime && -f $dev ]] || { echo "missing packages in $work" >&2; ls "$work" >&2; exit 1; }
# python3-varnic comes from a build with the Python package (VARNIC_BUILD_PYTHON).
python=$(compgen -G "$work/python3-varnic_*.deb" || true)

# path -> the package that must hold it
declare -A expected=(
  [./usr/bin/varnic]=$runtime
  [./usr/bin/varnic-regsvr]=$runtime
  [./usr/lib/varnic/VarnicObj.so]=$runtime
  [./usr/lib/libvarnic_engine.so.0]=$runtime
  [./usr/lib/libvarnic_com.so.0]=$runtime
  [./usr/share/man/man1/varnic.1.gz]=$runtime
  [./usr/share/man/man1/varnic-regsvr.1.gz]=$runtime
  [./usr/share/varnic/varnic.schema.json]=$runtime
  [./usr/share/varnic/varnic-audit.schema.json]=$runtime
  [./usr/include/varnic/compare.h]=$dev
  [./usr/include/varnic/version.h]=$dev
  [./usr/include/varnic/com/host.h]=$dev
  [./usr/include/varnic/shell/ivarnic.h]=$dev
  [./usr/include/varnic/report/json_report.h]=$dev
  [./usr/lib/libvarnic_report.a]=$dev
  [./usr/lib/libvarnic_engine.so]=$dev
  [./usr/lib/cmake/varnic/varnicConfig.cmake]=$dev
  [./usr/lib/cmake/varnic/varnicConfigVersion.cmake]=$dev
  [./usr/lib/pkgconfig/varnic.pc]=$dev
  [./usr/lib/pkgconfig/varnic-report.pc]=$dev
)
dpkg-deb -c "$runtime" | awk '{print $6}' >"$work/runtime.list"
dpkg-deb -c "$dev" | awk '{print $6}' >"$work/dev.list"
status=0
for path in "${!expected[@]}"; do
  list=$work/runtime.list
  [[ ${expected[$path]} == "$dev" ]] && list=$work/dev.list
  grep -qxF "$path" "$list" || { echo "$(basename "${expected[$path]}") lacks $path" >&2; status=1; }
done
# Nothing of the tests or of the Python module goes into either package; no private header.
if grep -hE 'host_test|python|/include/varnic/(align|text_file|config_compare|report/file_settings)\.h' \
    "$work/runtime.list" "$work/dev.list"; then
  echo "packages hold files they should not" >&2
  status=1
fi
dpkg-deb -f "$dev" Depends | grep -q '^varnic (= ' || { echo "libvarnic-dev must depend on varnic" >&2; status=1; }
dpkg-deb -f "$runtime" Recommends | grep -q 'libpq5' ||
  { echo "varnic must recommend libpq5, which it opens only for a PostgreSQL history" >&2; status=1; }
if [[ -n $python ]]; then
  dpkg-deb -c "$python" | awk '{print $6}' >"$work/python.list"
  for path in __init__.py __init__.pyi py.typed dask.py _audit.py; do
    grep -qxF "./usr/lib/python3/dist-packages/varnic/$path" "$work/python.list" ||
      { echo "python3-varnic lacks varnic/$path" >&2; status=1; }
  done
  grep -qE '^\./usr/lib/python3/dist-packages/varnic/_varnic\.cpython-.*\.so$' "$work/python.list" ||
    { echo "python3-varnic lacks the extension" >&2; status=1; }
  dpkg-deb -f "$python" Depends | grep -q '^varnic (= ' ||
    { echo "python3-varnic must depend on varnic" >&2; status=1; }
fi

dpkg-deb -x "$runtime" "$work/root" && dpkg-deb -x "$dev" "$work/root"
"$work/root/usr/bin/varnic-regsvr" --help >/dev/null
"$work/root/usr/bin/varnic" --help >/dev/null
if [[ -n $python ]]; then
  # The module finds the engine library beside the programs, in the same unpacked tree.
  dpkg-deb -x "$python" "$work/root"
  PYTHONPATH=$work/root/usr/lib/python3/dist-packages /usr/bin/python3 -c \
    'import sys, varnic; r = varnic.compare(b"[System]\na=1\n", b"[System]\na=2\n"); sys.exit(not r.differs)' ||
    { echo "python3-varnic does not import from its own tree" >&2; status=1; }
fi
[[ $(PKG_CONFIG_PATH=$work/root/usr/lib/pkgconfig pkg-config --variable=includedir varnic) -ef \
   $work/root/usr/include ]] || { echo "varnic.pc does not point into its own tree" >&2; status=1; }

if command -v lintian >/dev/null; then
  lintian --allow-root --tag-display-limit 0 "$runtime" "$dev" ${python:+"$python"} >"$work/lintian.txt" 2>&1 ||
    true
  cat "$work/lintian.txt"
  if grep -q '^E: ' "$work/lintian.txt"; then
    echo "lintian reports errors" >&2
    status=1
  fi
else
  echo "lintian is not installed; skipped"
fi
exit $status
