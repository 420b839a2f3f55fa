#!/bin/sh
# Times `lunebox --usage --json` over a generated 1 GiB tree of agent
# transcripts against two commands that only read the same files, all in one
# hyperfine run with the page cache warm: `wc -l` given every file in one
# process, and `cat` of every file to /dev/null. Then compares the peak
# resident memory of the usage run with that of an empty start (both
# transcript roots empty). Prints a Markdown block for bench/RESULTS.md.
#
#   sh bench/usage.sh [BUILD_DIR]        (default build/bench, as `make bench`)
#
# USAGE_TREE names the folder for the tree (default
# ${TMPDIR:-/tmp}/lunebox-usage-tree); it is reused while USAGE_BYTES (1G),
# USAGE_SEED (1), USAGE_DAYS (60) and the generator's source are unchanged
# and it is less than 20 days old, so that every session stays inside the
# 90-day retention.
# USAGE_RUNS (10) is the number of timed runs per command.
# shellcheck disable=SC2016  # the back quotes are Markdown's
set -eu

cd "$(dirname "$0")/.."
build=${1:-build/bench}
tree=${USAGE_TREE:-${TMPDIR:-/tmp}/lunebox-usage-tree}
bytes=${USAGE_BYTES:-1G}
seed=${USAGE_SEED:-1}
days=${USAGE_DAYS:-60}
runs=${USAGE_RUNS:-10}

sh scripts/install-deps.sh
cmake -S . -B "$build" -G Ninja -Wno-dev -DCMAKE_BUILD_TYPE=Release -DLUNEBOX_TESTS=OFF -DLUNEBOX_BENCH=ON >/dev/null
cmake --build "$build" --target lunebox transcript_tree
bin=$(cd "$build/bin" && pwd)

parameters="bytes=$bytes seed=$seed days=$days generator=$(cksum < bench/TranscriptTreeGenerator.cpp)"
if [ -f "$tree/parameters" ] && [ "$(cat "$tree/parameters")" = "$parameters" ] \
    && [ -n "$(find "$tree/parameters" -mtime -20)" ]; then
    echo "Reusing the transcript tree in $tree"
else
    if [ -e "$tree" ] && [ ! -f "$tree/parameters" ]; then
        echo "$tree exists but holds no tree of this script; choose another USAGE_TREE" >&2
        exit 1
    fi
    rm -rf "$tree"
    mkdir -p "$tree"
    "$bin/transcript_tree" "$tree/home" --bytes "$bytes" --seed "$seed" --days "$days" > "$tree/counts"
    # Written last: an interrupted generation is never reused.
    echo "$parameters" > "$tree/parameters"
fi
cat "$tree/counts"
count() { sed -n "s/^$1 //p" "$tree/counts"; }

claude=$tree/home/claude
codex=$tree/home/codex
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/claude" "$work/codex"

list="find '$claude/projects' '$codex/sessions' -name '*.jsonl' -print0"
usage="CLAUDE_CONFIG_DIR='$claude' CODEX_HOME='$codex' '$bin/lunebox' --usage --json"

# Warm the page cache, so that every command reads from memory.
sh -c "$list | xargs -0 cat > /dev/null"

set -- --warmup 1 --runs "$runs" --export-csv "$work/times.csv" \
    -n 'wc -l' "$list | wc -l --files0-from=- > /dev/null" \
    -n 'cat' "$list | xargs -0 cat > /dev/null"
if CLAUDE_CONFIG_DIR="$work/claude" CODEX_HOME="$work/codex" "$bin/lunebox" --usage --json > /dev/null 2>&1; then
    measured=yes
    set -- "$@" -n 'lunebox --usage --json' "$usage > /dev/null"
else
    measured=no
    echo "lunebox --usage --json does not run in this build: timing the baselines only" >&2
fi
hyperfine "$@"

# A fast wrong answer is no result: the per-model totals must be the
# generator's, field by field.
agreement='Totals per model: not compared (the output has no `models` list).'
if [ "$measured" = yes ]; then
    CLAUDE_CONFIG_DIR="$claude" CODEX_HOME="$codex" \
        /usr/bin/time -f %M -o "$work/usage.rss" "$bin/lunebox" --usage --json > "$work/usage.json"
    if jq -e '.models | type == "array"' "$work/usage.json" > /dev/null 2>&1; then
        jq -r '.models[] | "usage \(.agent) \(.model) input \(.input) output \(.output)'\
' cacheWrite5m \(.cacheWrite5m) cacheWrite1h \(.cacheWrite1h) cacheRead \(.cacheRead) reasoning \(.reasoning)"' \
            "$work/usage.json" | sort > "$work/reported"
        grep '^usage ' "$tree/counts" | sort > "$work/expected"
        if cmp -s "$work/reported" "$work/expected"; then
            agreement='Totals per model agree with the generated tree, field by field.'
        else
            agreement='TOTALS PER MODEL DIFFER from the generated tree (see the differences above).'
            diff "$work/expected" "$work/reported" >&2 || true
        fi
    fi
    CLAUDE_CONFIG_DIR="$work/claude" CODEX_HOME="$work/codex" \
        /usr/bin/time -f %M -o "$work/empty.rss" "$bin/lunebox" --usage --json > /dev/null
fi

# Column 2 of hyperfine's CSV is the mean, column 3 the standard deviation, in seconds.
field() { awk -F, -v name="$1" -v column="$2" '$1 == name { print $column }' "$work/times.csv"; }
row() {
    awk -v label="$1" -v mean="$(field "$2" 2)" -v sigma="$(field "$2" 3)" -v base="$(field 'wc -l' 2)" \
        'BEGIN { printf "| %s | %.3f s | %.3f s | %.2f |\n", label, mean, sigma, mean / base }'
}

echo
echo '---- paste into bench/RESULTS.md ----'
echo
echo '## Usage command over a generated transcript tree'
echo
echo "\`sh bench/usage.sh\`: $(count bytes) bytes in $(count files) transcripts ($(count lines) lines,"
echo "$(count 'billed calls') billed calls; seed $seed over $days days), page cache warm, hyperfine mean of"
echo "$runs runs, $(date +%Y-%m-%d):"
echo
echo '| command | mean | σ | ratio to `wc -l` |'
echo '|---|---|---|---|'
row '`wc -l` of every file, one process' 'wc -l'
row '`cat` of every file to /dev/null' 'cat'
if [ "$measured" = yes ]; then
    row '`lunebox --usage --json`' 'lunebox --usage --json'
    echo
    awk -v usage="$(cat "$work/usage.rss")" -v empty="$(cat "$work/empty.rss")" 'BEGIN {
        printf "Peak resident memory (`/usr/bin/time -f %%M`): `lunebox --usage --json` %.1f MiB against %.1f MiB\n",
            usage / 1024, empty / 1024
        printf "for the same command over empty roots: %.2f times.\n", usage / empty
    }'
    echo
    echo "$agreement"
else
    echo
    echo 'Not measured: `lunebox --usage --json` did not run in this build.'
fi
case "$agreement" in
    *DIFFER*) exit 1 ;;
esac
