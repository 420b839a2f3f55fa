#!/bin/sh
# The idle cost of the running app. Under an Xvfb server of its own, starts
# `lunebox` as a harness run (LUNEBOX_HARNESS=1, HOME in a temporary
# folder), lets it settle for 5 s, then samples its CPU ticks (utime + stime
# of /proc/<pid>/stat) and VmRSS every second for 60 s. In the same server
# it runs an empty Qt Quick window (`qml`, software scene graph) and
# samples its VmRSS alike. Prints a Markdown block for bench/RESULTS.md:
# CPU % of one core (target < 0.5 %) and the RSS ratio against the empty
# Quick window (target ≤ 2×).
#
#   sh bench/idle.sh [BUILD_DIR]        (default build/bench, as `make bench`)
#
# IDLE_SECONDS (60) is the sampling time.
set -eu

cd "$(dirname "$0")/.."
build=${1:-build/bench}
seconds=${IDLE_SECONDS:-60}

sh scripts/install-deps.sh
cmake -S . -B "$build" -G Ninja -Wno-dev -DCMAKE_BUILD_TYPE=Release -DLUNEBOX_TESTS=OFF -DLUNEBOX_BENCH=ON >/dev/null
cmake --build "$build" --target lunebox
bin=$(cd "$build/bin" && pwd)

work=$(mktemp -d)
started=""
finish() {
    # Only the processes this script started, by their ids.
    [ -z "$started" ] || kill $started 2>/dev/null || true
    rm -rf "$work"
}
trap finish EXIT

display=99
while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do
    display=$((display + 1))
done
Xvfb ":$display" -screen 0 1920x1080x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
started="$started $!"
waited=0
until [ -e "/tmp/.X11-unix/X$display" ]; do
    waited=$((waited + 1))
    [ "$waited" -le 50 ] || { echo "Xvfb did not start" >&2; exit 1; }
    sleep 0.1
done

mkdir -p "$work/home" "$work/runtime"
chmod 700 "$work/runtime"
# exec: the pid that $! gives is then the measured program, not a shell.
session() {
    exec env -i PATH="$PATH" HOME="$work/home" XDG_RUNTIME_DIR="$work/runtime" DISPLAY=":$display" \
        QT_QPA_PLATFORM=xcb "$@"
}

(session LUNEBOX_HARNESS=1 "$bin/lunebox") >"$work/lunebox.log" 2>&1 &
app=$!
started="$started $app"

cat >"$work/empty.qml" <<'QML'
import QtQuick
import QtQuick.Window
Window { width: 200; height: 32; visible: true; color: "black" }
QML
# Debian installs the QML runtime as qml6 in some releases, only under the Qt folder in others.
qml=$(command -v qml6 || echo /usr/lib/qt6/bin/qml)
(session QT_QUICK_BACKEND=software "$qml" "$work/empty.qml") >"$work/quick.log" 2>&1 &
quick=$!
started="$started $quick"

sleep 5
for pid in $app $quick; do
    [ -d "/proc/$pid" ] || { echo "process $pid ended early:" >&2; cat "$work"/*.log >&2; exit 1; }
done

# utime + stime; the fields after the command name, which has no spaces here.
ticks() { sed 's/.*) //' "/proc/$1/stat" | awk '{print $12 + $13}'; }
rss() { awk '/^VmRSS:/ {print $2}' "/proc/$1/status"; }

hz=$(getconf CLK_TCK)
first=$(ticks "$app")
start=$(date +%s.%N)
appSum=0
appMax=0
quickSum=0
samples=0
while [ "$samples" -lt "$seconds" ]; do
    sleep 1
    a=$(rss "$app")
    q=$(rss "$quick")
    appSum=$((appSum + a))
    quickSum=$((quickSum + q))
    [ "$a" -le "$appMax" ] || appMax=$a
    samples=$((samples + 1))
done
last=$(ticks "$app")
end=$(date +%s.%N)

awk -v t0="$first" -v t1="$last" -v hz="$hz" -v s0="$start" -v s1="$end" \
    -v app="$appSum" -v appMax="$appMax" -v quick="$quickSum" -v n="$samples" 'BEGIN {
    cpu = (t1 - t0) / hz / (s1 - s0) * 100
    appMean = app / n / 1024
    quickMean = quick / n / 1024
    ratio = appMean / quickMean
    printf "### Idle app (Xvfb, %d s after 5 s settling)\n\n", n
    printf "| Measure | Value | Target |\n|---|---|---|\n"
    printf "| CPU of one core, lunebox | %.2f %% (%d ticks) | < 0.5 %% |\n", cpu, t1 - t0
    printf "| VmRSS lunebox, mean (max) | %.1f MB (%.1f MB) | |\n", appMean, appMax / 1024
    printf "| VmRSS empty Qt Quick window, software backend | %.1f MB | |\n", quickMean
    printf "| RSS ratio lunebox / Quick window | %.2f× | ≤ 2× |\n", ratio
}'
