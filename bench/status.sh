#!/bin/sh
# Times `lunebox --status` from start to exit against `ss -ltnpH` and
# `lsof -nP -iTCP -sTCP:LISTEN` with hyperfine: with one Python dev server of
# the measuring user running, first on the machine as it is, then with 400
# extra `sleep` processes of that user; then the cached dev-server scan
# against `ss -ltnpH` with 20 Python servers (bench/DevServerScanBench.cpp).
# Prints the hyperfine tables and each ratio against its baseline.
#
#   sh bench/status.sh [BUILD_DIR]        (default build/bench, as `make bench`)
#
# STATUS_USER, when set (run as root), measures as that user instead
# (`setpriv`), for example "nobody": as root every process is the user's own.
# STATUS_RUNS (300) is the number of timed runs per command.
set -eu

cd "$(dirname "$0")/.."
build=${1:-build/bench}
runs=${STATUS_RUNS:-300}

sh scripts/install-deps.sh
cmake -S . -B "$build" -G Ninja -Wno-dev -DCMAKE_BUILD_TYPE=Release -DLUNEBOX_TESTS=OFF -DLUNEBOX_BENCH=ON >/dev/null
cmake --build "$build" --target lunebox core_bench
bin=$(cd "$build/bin" && pwd)

work=$(mktemp -d)
chmod 755 "$work"
as=""
if [ -n "${STATUS_USER:-}" ]; then
    as="setpriv --reuid=$(id -u "$STATUS_USER") --regid=$(id -g "$STATUS_USER") --clear-groups"
    chown "$STATUS_USER" "$work"
fi
started=""
finish() {
    # Only the processes this script started, by their ids.
    [ -z "$started" ] || kill $started 2>/dev/null || true
    rm -rf "$work"
}
trap finish EXIT

python=/usr/bin/python3
[ -x "$python" ] || python=$(command -v python3)
mkdir "$work/project"
echo '{"devDependencies": {"vite": "^5.0.0"}}' > "$work/project/package.json"
(cd "$work/project" && exec $as "$python" -m http.server 0 --bind 127.0.0.1 >/dev/null 2>&1) &
started="$started $!"
sleep 1

# `lunebox --status` over each baseline: wall time (mean and median) and
# CPU time (user plus system), which a busy machine disturbs less.
ratios() {
    jq -r 'def r: . * 1000 | round / 1000;
        .results as $all
        | ($all[] | select(.command | test("--status"))) as $own
        | $all[] | select(.command | test("--status") | not)
        | "  lunebox --status / \(.command): wall mean \($own.mean / .mean | r), median \($own.median / .median | r), cpu \(($own.user + $own.system) / (.user + .system) | r)"' "$1"
}

compare() {
    echo
    echo "== $1 ($(ls -d /proc/[0-9]* | wc -l) processes, measured as $(${as:-env} id -un))"
    $as hyperfine -N -i --warmup 20 --runs "$runs" --export-json "$work/$2.json" --export-markdown "$work/$2.md" \
        "$bin/lunebox --status" "ss -ltnpH" "lsof -nP -iTCP -sTCP:LISTEN" >/dev/null
    cat "$work/$2.md"
    ratios "$work/$2.json"
}

compare "idle" idle

sleepers=""
i=0
while [ "$i" -lt 400 ]; do
    $as sleep 3600 &
    sleepers="$sleepers $!"
    i=$((i + 1))
done
started="$started $sleepers"
compare "with 400 extra sleep processes" sleepers
kill $sleepers 2>/dev/null || true

echo
echo "== cached scan, 20 Python servers"
$as "$bin/core_bench" --benchmark_filter='DevServerScan|SsListening' --benchmark_min_time=1 \
    --benchmark_format=json --benchmark_out="$work/scan.json" --benchmark_out_format=json >/dev/null
jq -r '.benchmarks[] | "  \(.name): \(.real_time | . * 10 | round / 10) \(.time_unit)"' "$work/scan.json"
jq -r '(.benchmarks[] | select(.name == "BM_DevServerScanCached/real_time").real_time) as $scan
    | (.benchmarks[] | select(.name == "BM_SsListeningWithProcesses/real_time").real_time) as $ss
    | "  cached scan / ss -ltnpH: \($scan / $ss * 1000 | round / 1000)"' "$work/scan.json"
