#!/usr/bin/env bash
# Checks that every include points down the layers: the engine never includes the command, the
# component-model runtime never includes the engine, and so on. Tests may include their own
# layer, the layers below it and tests/support. Prints each offending include; exits 1 if any.
set -uo pipefail
cd "$(dirname "$0")/.."

# layer: the folders its sources may include from (besides system and library headers)
declare -A allowed=(
  [model]="model"
  [rules]="model rules"
  [macfilter]="model rules macfilter"
  [engine]="model rules macfilter engine"
  [com]="com"
  [shell]="com engine model shell"
  [regsvr]="com regsvr"
  [report]="model rules macfilter engine report"
  [audit]="model rules macfilter engine report audit"
  [cli]="model rules macfilter engine report audit cli"
  [bench]="model rules macfilter engine bench"
  [fuzz]="model rules macfilter engine com report fuzz"
)

status=0
for layer in "${!allowed[@]}"; do
  while IFS= read -r file; do
    permitted=" ${allowed[$layer]} "
    [[ $file == *_test.cpp ]] && permitted+="tests "
    while IFS= read -r target; do
      if [[ $permitted != *" $target "* ]]; then
        echo "layering: $file includes $target/ (a $layer source may include: ${allowed[$layer]})"
        status=1
      fi
    done < <(grep -oE '^#include "[a-z_]+/' "$file" | sed -E 's/^#include "([a-z_]+)\//\1/' | sort -u)
  done < <(git ls-files "$layer/*.cpp" "$layer/*.h")
done
[[ $status == 0 ]] && echo "layering: every include points down"
exit $status
