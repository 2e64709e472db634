#!/usr/bin/env bash
# Installs every Debian package the project needs (Debian 12) and builds it into build/.
# Usage: scripts/setup.sh [--sanitize] [TARGET...]
#   --sanitize  build with ASan and UBSan into build-sanitize/ instead of build/
#   TARGET      build only these targets (default: everything)
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
  build-essential cmake ninja-build pkg-config clang clang-format clang-tidy libclang-rt-14-dev
  qt6-base-dev libqt6printsupport6 libgl-dev
  libcurl4-openssl-dev libssl-dev zlib1g-dev
  libgtest-dev libgmock-dev libbenchmark-dev libcpp-httplib-dev libboost-dev nlohmann-json3-dev
  python3 python3-aiosmtpd poppler-utils imagemagick lynx hyperfine xvfb xauth
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

build_dir=build
cmake_args=(-G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo)
if [ "${1:-}" = "--sanitize" ]; then
  shift
  build_dir=build-sanitize
  cmake_args=(-G Ninja -DCMAKE_BUILD_TYPE=Debug -DKESTRUM_SANITIZE=ON -DKESTRUM_BUILD_BENCH=OFF)
fi
targets=()
for target in "$@"; do targets+=(--target "$target"); done
cmake -S . -B "$build_dir" "${cmake_args[@]}" >/dev/null
cmake --build "$build_dir" -j "$(nproc)" "${targets[@]}"
