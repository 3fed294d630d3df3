#!/usr/bin/env bash
# Quorvane set-up on Debian 12: installs what is missing, builds, then either installs and starts
# the program ("run") or runs every test ("test").
#   bash scripts/setup.sh run     install into $QUORVANE_HOME (default ~/quorvane) and start
#   bash scripts/setup.sh test    build and run all tests with CTest
#   bash scripts/setup.sh bench   build and run the benchmarks
set -euo pipefail
mode=${1:-run}
case "$mode" in run|test|bench) ;; *) echo "usage: $0 run|test|bench" >&2; exit 2 ;; esac
here=$(cd "$(dirname "$0")/.." && pwd)
build=${QUORVANE_BUILD:-$here/build}
prefix=${QUORVANE_HOME:-$HOME/quorvane}

# qt6-base-private-dev: a test queues input the way the platform does (QWindowSystemInterface), and
# the print tests stand in for a print queue with Qt's PDF print engine, whose header needs libcups2-dev's.
packages=(g++ make cmake pkg-config qt6-base-dev qt6-svg-dev libqt6sql6-sqlite libsqlite3-dev libgl-dev libxlsxwriter-dev
          libfreexl-dev libzip-dev libexpat1-dev fonts-noto-cjk qt6-translations-l10n poppler-utils xvfb xauth
          qt6-base-private-dev libcups2-dev)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo_cmd=""; [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

jobs=$(nproc 2>/dev/null || echo 4)
# The tests and the benchmark program are built for "test" and "bench" (CI's test command compiles the
# benchmark too), not for "run".
extras=ON; [ "$mode" = run ] && extras=OFF
cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVANE_TESTS=$extras -DQUORVANE_BENCH=$extras >/dev/null
cmake --build "$build" -j "$jobs"

case "$mode" in
  run)
    cmake --install "$build" --prefix "$prefix" >/dev/null
    echo "Installed into $prefix (the data folder $prefix/data holds your data and is never overwritten)."
    if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
      echo "No display: start it under a virtual display with"
      echo "  xvfb-run -a -s '-screen 0 1366x800x24' $prefix/quorvane"
      exit 0
    fi
    exec "$prefix/quorvane"
    ;;
  test)
    cd "$build"
    QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$jobs"
    ;;
  bench)
    "$build/bench/quorvane-bench"
    ;;
esac
