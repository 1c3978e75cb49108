#!/usr/bin/env bash
# Installs everything Varnic builds and tests with, from Debian 12 packages only.
#   --user   only what the release preset needs to build the command and the component
#            (no test, fuzz, browser, packaging or Python tools)
set -euo pipefail

user_only=0
for arg in "$@"; do
  case $arg in
    --user) user_only=1 ;;
    -h | --help)
      sed -n '2,4s/^# \{0,1\}//p' "$0"
      exit 0
      ;;
    *)
      echo "install-deps.sh: unknown option '$arg' (try --help)" >&2
      exit 2
      ;;
  esac
done

packages=(
  cmake ninja-build g++ pkg-config
  libcli11-dev nlohmann-json3-dev
  libsqlite3-dev libpq-dev libssl-dev  # the audit's history: SQLite, PostgreSQL's client, SHA-256
  libre2-dev  # user patterns in golden templates: linear time whatever the pattern
)
if ((!user_only)); then
  packages+=(
    libgtest-dev libgmock-dev libbenchmark-dev
    python3-jsonschema  # validates the JSON report against its published schema in a test
    postgresql sqlite3  # a real PostgreSQL server for the history tests (run as nobody when root)
    python3-dev pybind11-dev python3-pybind11 python3-pytest  # the Python module and its tests
    python3-build python3-setuptools python3-wheel python3-venv python3-pip  # the wheel, offline
    python3-distributed  # varnic.dask: its test on a local cluster, and the benchmark
    dpkg-dev lintian  # the Debian packages and their checks
    clang libclang-rt-14-dev  # fuzz preset: libFuzzer and the sanitizer runtimes
    clang-format clang-tidy git  # the habits CI checks
    zsh fish  # the completion scripts are parsed by their own shells in a test
  )
  # The HTML report test renders in a real browser; skip it with VARNIC_NO_BROWSER=1.
  if [[ "${VARNIC_NO_BROWSER:-0}" != 1 ]]; then
    packages+=(chromium)
  fi
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
