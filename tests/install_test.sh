#!/usr/bin/env bash
# Installs the build into a staging prefix and uses it from there: the installed programs run
# (their run paths find the libraries), the component registers and serves a host, every installed
# header compiles alone, and programs outside the tree build against the installed package twice,
# with find_package and with pkg-config: the report they build is the command's.  usage: install_test.sh BUILD_DIR SOURCE_DIR WORK_DIR
set -euo pipefail
build=$1 source=$2 work=$3
prefix=$work/prefix
rm -rf "$work" && mkdir -p "$work"
cmake --install "$build" --prefix "$prefix" >/dev/null

# No installed program or library looks for libraries in the build tree.
while IFS= read -r file; do
  if readelf -d "$file" 2>/dev/null | grep -E 'R(UN)?PATH' | grep -qF "$build"; then
    echo "$file has a run path into the build tree" >&2
    exit 1
  fi
done < <(find "$prefix" -type f \( -name '*.so*' -o -path '*/bin/*' \))
"$prefix/bin/varnic-regsvr" --help >/dev/null

# Every installed header compiles on its own with nothing but the installed include folder: none
# reaches for a header that stayed in the source tree.
while IFS= read -r header; do
  name=${header#"$prefix/include/"}
  printf '#include "%s"\n#include "%s"\n' "$name" "$name" >"$work/header.cpp"
  ${CXX:-c++} -std=c++20 -fsyntax-only -Wall -Wextra -Wpedantic -Werror -I"$prefix/include" \
    "$work/header.cpp" || { echo "installed header $name does not compile alone" >&2; exit 1; }
done < <(find "$prefix/include" -name '*.h' | sort)
status=0
"$prefix/bin/varnic" compare "$source/examples/ap-before.cfg" "$source/examples/ap-after.cfg" \
  --quiet --save "$work/cmd1.out" "$work/cmd2.out" || status=$?
[[ $status == 1 ]] || { echo "varnic compare exited $status, not 1" >&2; exit 1; }

export VARNIC_REGISTRY=$work/registry.reg
"$prefix/bin/varnic-regsvr" "$prefix/lib/varnic/VarnicObj.so" >/dev/null

for mode in cmake pkg-config; do
  consumer=$work/consumer-$mode
  flag=OFF
  [[ $mode == pkg-config ]] && flag=ON
  PKG_CONFIG_PATH=$prefix/lib/pkgconfig cmake -S "$source/tests/consumer" -B "$consumer" \
    -G Ninja -DCMAKE_PREFIX_PATH="$prefix" -DCONSUMER_PKG_CONFIG=$flag >/dev/null
  cmake --build "$consumer" >/dev/null
  "$consumer/engine_consumer"
  # The report built through the installed library is the command's, byte for byte, with and
  # without a setting ignored.
  for ignore in "" "[System]Telnet_timeout"; do
    args=("$source/examples/ap-before.cfg" "$source/examples/ap-after.cfg")
    consumer_args=("${args[@]}")
    if [[ -n $ignore ]]; then
      args+=(--ignore "$ignore")
      consumer_args+=("$ignore")
    fi
    status=0
    "$prefix/bin/varnic" compare "${args[@]}" --format=json >"$work/command.json" || status=$?
    [[ $status == 1 ]] || { echo "varnic compare --format=json exited $status, not 1" >&2; exit 1; }
    status=0
    "$consumer/report_consumer" "${consumer_args[@]}" >"$work/report.json" 2>"$work/hidden.txt" ||
      status=$?
    [[ $status == 1 ]] || { echo "report_consumer exited $status, not 1" >&2; exit 1; }
    cmp "$work/report.json" "$work/command.json" ||
      { echo "report_consumer ($mode) JSON is not the command's" >&2; exit 1; }
    hidden=$(python3 -c 'import json, sys
print(sum(not h["ignored"] for h in json.load(sys.stdin)["hidden_differences"]))' <"$work/command.json")
    [[ $hidden -gt 0 && $(wc -l <"$work/hidden.txt") == "$hidden" ]] ||
      { echo "report_consumer listed $(wc -l <"$work/hidden.txt") hidden differences, not $hidden" >&2; exit 1; }
  done
done

# docs/cpp-library.md shows the report consumer as it is built here.
sed -n '/^<!-- tests\/consumer\/report_consumer.cpp -->$/,/^```$/p' "$source/docs/cpp-library.md" |
  sed '1,2d;$d' | cmp - "$source/tests/consumer/report_consumer.cpp" ||
  { echo "docs/cpp-library.md does not show tests/consumer/report_consumer.cpp" >&2; exit 1; }

# The installed component, created through the installed runtime, saves what the command saves.
"$work/consumer-cmake/host_consumer" "$source/examples/ap-before.cfg" \
  "$source/examples/ap-after.cfg" "$work/host1.out" "$work/host2.out"
cmp "$work/host1.out" "$work/cmd1.out" && cmp "$work/host2.out" "$work/cmd2.out"
echo "install: ok"
