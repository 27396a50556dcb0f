#!/usr/bin/env bash
# Installs what the program needs on Debian 12, builds it, then either starts it ("run") or runs
# every test twice: once in the normal build, once built with address and undefined-behaviour
# sanitizers ("test").
set -euo pipefail
cd "$(dirname "$0")/.."
mode=${1:-test}

packages=(build-essential cmake pkg-config qt6-base-dev qt6-base-dev-tools qt6-translations-l10n libgl-dev
          libgtest-dev libgmock-dev libbenchmark-dev libturbojpeg0-dev libsqlite3-dev
          libzip-dev libpugixml-dev fonts-dejavu-core libreoffice-writer-nogui libreoffice-calc-nogui
          poppler-utils)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""; [ "$(id -u)" -eq 0 ] || sudo=sudo
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
fi

jobs=$(nproc)
build() { # dir, extra cmake args
  local dir=$1; shift
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
}

case "$mode" in
  run)
    build build -DZORVANDEL_TESTS=OFF -DZORVANDEL_BENCH=OFF
    exec ./build/Zorvandel
    ;;
  test)
    # CI turns warnings into errors.
    werror=OFF; [ "${CI:-}" = true ] && werror=ON
    build build -DZORVANDEL_TESTS=ON -DZORVANDEL_WERROR=$werror
    (cd build && ctest --output-on-failure -j "$jobs")
    build build-asan -DZORVANDEL_TESTS=ON -DZORVANDEL_SANITIZE=ON -DZORVANDEL_BENCH=OFF -DZORVANDEL_WERROR=$werror
    export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:halt_on_error=1
    export LSAN_OPTIONS=suppressions=$PWD/tests/sanitizers.supp:print_suppressions=0
    export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
    (cd build-asan && ctest --output-on-failure -j "$jobs")
    ;;
  *)
    echo "usage: $0 run|test" >&2
    exit 2
    ;;
esac
