#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need (only those missing, with one
# apt-get update), then configures and builds the given CMake presets (default: "default").
#   scripts/setup.sh [--packages-only] [PRESET...]
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
  g++ cmake ninja-build pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  libcrypto++-dev libtinyxml-dev libfmt-dev zlib1g-dev libdeflate-dev
  clang libclang-rt-14-dev
  python3-zeep
  nlohmann-json3-dev # bench_scale compares the JSON-RPC reader with it
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  sudo_cmd=()
  [[ $(id -u) -ne 0 ]] && sudo_cmd=(sudo)
  echo "setup: installing ${missing[*]}"
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

if [[ ${1:-} == --packages-only ]]; then
  exit 0
fi

presets=("$@")
((${#presets[@]})) || presets=(default)
for preset in "${presets[@]}"; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
done
