#!/usr/bin/env bash
# Checks that every include points down the layers: the engine never includes the command, the
# component-model runtime never includes the engine, and so on. Tests may include their own
# layer, the layers below it and tests/support. Prints each offending include; exits 1 if any.
set -uo pipefail
cd "$(dirname "$0")/.."

# layer: the folders its sources may include from (besides system and library headers). The
# public headers count as three folders: varnic/ (the comparison, with model/ to engine/),
# varnic/report/ (the report, with report/) and varnic/com/ (the component runtime's host side,
# with com/); varnic/shell/ is the component's interface.
declare -A allowed=(
  [include/varnic]="varnic"
  [include/varnic/report]="varnic varnic/report"
  [include/varnic/com]="varnic/com"
  [include/varnic/shell]="varnic/com varnic/shell"
  [base]="base"
  [model]="varnic model"
  [rules]="varnic model rules"
  [macfilter]="varnic model rules macfilter"
  [engine]="base varnic model rules macfilter engine"
  [com]="varnic/com com"
  [shell]="base varnic varnic/com varnic/shell com engine model shell"
  [regsvr]="varnic/com com regsvr"
  [report]="base varnic varnic/report model rules macfilter engine report"
  [golden]="base varnic varnic/report model rules macfilter engine report golden"
  [store]="store"
  [audit]="base varnic varnic/report model rules macfilter engine report golden store audit"
  [cli]="base varnic varnic/report model rules macfilter engine report golden store audit cli"
  [python]="base varnic varnic/report engine report golden audit python"
  [bench]="varnic model rules macfilter engine bench"
  [fuzz]="base varnic varnic/report varnic/com varnic/shell model rules macfilter engine com report audit python fuzz"
)

status=0
for layer in "${!allowed[@]}"; do
  while IFS= read -r file; do
    permitted=" ${allowed[$layer]} "
    [[ $file == *_test.cpp ]] && permitted+="tests tests/support "
    while IFS= read -r target; do
      if [[ $permitted != *" $target "* ]]; then
        echo "layering: $file includes $target/ (a $layer source may include: ${allowed[$layer]})"
        status=1
      fi
    done < <(grep -oE '^#include "[a-z_/]+/' "$file" | sed -E 's/^#include "([a-z_/]+)\//\1/' | sort -u)
  done < <(git ls-files ":(glob)$layer/*.cpp" ":(glob)$layer/*.h")
done
[[ $status == 0 ]] && echo "layering: every include points down"
exit $status
