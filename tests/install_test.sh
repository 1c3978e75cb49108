#!/usr/bin/env bash
# Installs the build into a staging prefix and uses it from there: the installed programs run
# (their run paths find the libraries), the component registers and serves a host, and a program
# outside the tree builds against the installed package twice, with find_package and with
# pkg-config.  usage: install_test.sh BUILD_DIR SOURCE_DIR WORK_DIR
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
done

# The installed component, created through the installed runtime, saves what the command saves.
"$work/consumer-cmake/host_consumer" "$source/examples/ap-before.cfg" \
  "$source/examples/ap-after.cfg" "$work/host1.out" "$work/host2.out"
cmp "$work/host1.out" "$work/cmd1.out" && cmp "$work/host2.out" "$work/cmd2.out"
echo "install: ok"
