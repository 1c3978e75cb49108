#!/usr/bin/env bash
# Installs everything Varnic builds and tests with, from Debian 12 packages only.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  libcli11-dev nlohmann-json3-dev
  python3-jsonschema  # validates the JSON report against its published schema in a test
  clang libclang-rt-14-dev  # fuzz preset: libFuzzer and the sanitizer runtimes
  clang-format clang-tidy git  # the habits CI checks
)
# The HTML report test renders in a real browser; skip it with VARNIC_NO_BROWSER=1.
if [[ "${VARNIC_NO_BROWSER:-0}" != 1 ]]; then
  packages+=(chromium)
fi

run() { if [[ $(id -u) -eq 0 ]]; then "$@"; else sudo "$@"; fi; }

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
  run apt-get update -qq
  run env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
