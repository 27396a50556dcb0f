#!/usr/bin/env bash
# Installs what the program needs on Debian 12, builds it, then either starts it ("run") or runs
# every test twice: once in the normal build, once built with address and undefined-behaviour
# sanitizers ("test"), and between them builds the project as part of another (tests/consumer) and
# starts that.  "fuzz [seconds]" also installs clang with libFuzzer, builds the fuzz
# targets of tests/fuzz and runs each for the given time (default 60 s), four at a time.
set -euo pipefail
cd "$(dirname "$0")/.."
mode=${1:-test}
case "$mode" in
  run|test|fuzz) ;;
  *) echo "usage: $0 run|test|fuzz [seconds]" >&2; exit 2 ;;
esac

packages=(build-essential cmake pkg-config qt6-base-dev qt6-base-dev-tools qt6-translations-l10n libgl-dev
          libgtest-dev libgmock-dev libbenchmark-dev libturbojpeg0-dev libsqlite3-dev
          libzip-dev libpugixml-dev fonts-dejavu-core poppler-utils libx11-dev xvfb)
if [ "$mode" = fuzz ]; then
  packages+=(clang libfuzzer-14-dev) # clang is clang 14 on Debian 12
fi
installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }

# LibreOffice: whatever the machine has stays.  Debian's -nogui packages conflict with the ones
# with windows and would replace them, so a variant is added only where neither is installed, and
# then the one that matches the LibreOffice core already there.  The program hands its forms to
# Writer with its windows; the tests convert documents headless, which either variant does.
office_variant() { # the suffix of the packages to add: "" (with windows) or "-nogui"
  if installed libreoffice-core; then echo ""
  elif installed libreoffice-core-nogui; then echo "-nogui"
  elif [ "$mode" = run ]; then echo ""
  else echo "-nogui"
  fi
}
office=(writer)
[ "$mode" = run ] || office+=(calc)
variant=$(office_variant)
for component in "${office[@]}"; do
  installed "libreoffice-$component" || installed "libreoffice-$component-nogui" ||
    packages+=("libreoffice-$component$variant")
done

missing=()
for p in "${packages[@]}"; do
  installed "$p" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""; [ "$(id -u)" -eq 0 ] || sudo=sudo
  $sudo apt-get update -qq
  # --no-remove: an install that would take away a package the machine has fails instead.
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-remove "${missing[@]}"
fi
if [ "$mode" = run ] && ! installed libreoffice-writer; then
  echo "Note: this machine has LibreOffice Writer without windows (libreoffice-writer-nogui), which is" \
       "kept; the forms open only in a word processor with windows." >&2
fi

jobs=$(nproc)
build() { # dir, [--source folder], extra cmake args
  local dir=$1 source=.; shift
  if [ "${1:-}" = --source ]; then source=$2; shift 2; fi
  cmake -S "$source" -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
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
    # The project built as part of another one (add_subdirectory), and started there.
    build build-consumer --source tests/consumer -DZORVANDEL_WERROR=$werror
    QT_QPA_PLATFORM=offscreen ./build-consumer/consumer
    build build-asan -DZORVANDEL_TESTS=ON -DZORVANDEL_SANITIZE=ON -DZORVANDEL_BENCH=OFF -DZORVANDEL_WERROR=$werror
    export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:halt_on_error=1
    export LSAN_OPTIONS=suppressions=$PWD/tests/sanitizers.supp:print_suppressions=0
    export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
    (cd build-asan && ctest --output-on-failure -j "$jobs")
    ;;
  fuzz)
    seconds=${2:-60}
    build build-fuzz -DZORVANDEL_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++
    export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:halt_on_error=1
    export LSAN_OPTIONS=suppressions=$PWD/tests/sanitizers.supp:print_suppressions=0
    export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
    (cd build-fuzz && ctest --output-on-failure -j "$jobs")
    # Each target grows its own corpus in build-fuzz/corpus/<reader>, starting from the seeds in
    # tests/fuzz/corpus/<reader>; a failing input is kept as build-fuzz/findings/<reader>-crash-...
    mkdir -p build-fuzz/findings build-fuzz/logs
    fuzz_one() { # reader, largest input
      local reader=$1 max_len=$2
      mkdir -p "build-fuzz/corpus/$reader"
      "build-fuzz/tests/fuzz/${reader}_fuzz" "build-fuzz/corpus/$reader" "tests/fuzz/corpus/$reader" \
        -max_len="$max_len" -rss_limit_mb=2048 -timeout=10 -max_total_time="$seconds" -print_final_stats=1 \
        -artifact_prefix="build-fuzz/findings/$reader-" >"build-fuzz/logs/$reader.log" 2>&1
    }
    status=0
    running=0
    while read -r reader max_len; do
      fuzz_one "$reader" "$max_len" &
      running=$((running + 1))
      if [ "$running" -ge 4 ]; then
        wait -n || status=1
        running=$((running - 1))
      fi
    done < tests/fuzz/targets.txt
    while [ "$running" -gt 0 ]; do
      wait -n || status=1
      running=$((running - 1))
    done
    while read -r reader max_len; do
      echo "$reader: $(grep -h '^stat::number_of_executed_units' "build-fuzz/logs/$reader.log" | awk '{print $2}') runs," \
        "$(grep -cE '^==[0-9]+==ERROR|check failed|deadly signal' "build-fuzz/logs/$reader.log") failures (build-fuzz/logs/$reader.log)"
    done < tests/fuzz/targets.txt
    exit $status
    ;;
  *)
    echo "usage: $0 run|test|fuzz [seconds]" >&2
    exit 2
    ;;
esac
