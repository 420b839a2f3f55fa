#!/bin/sh
# Runs every benchmark of a build folder; results go to standard output.
set -eu
build=${1:-build/bench}
"$build/bin/core_bench" --benchmark_min_time=0.2
