#!/bin/sh
# Runs every fuzz target of a fuzz build for a while on its seeds:
#   scripts/run-fuzzers.sh [BUILD_DIR] [SECONDS]
# Each build-fuzz/fuzz/qev-fuzz-NAME starts from fuzz/corpus/qev-fuzz-NAME/
# and uses fuzz/qev-fuzz-NAME.dict, where they exist; what it finds new goes
# to a scratch folder, so the seeds stay as they are. Exits non-zero when a
# target crashes or its input breaks one of the target's checks.
set -eu
cd "$(dirname "$0")/.."
build=${1:-build-fuzz}
seconds=${2:-15}
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

found=0
failed=0
for target in "$build"/fuzz/qev-fuzz-*; do
  [ -x "$target" ] && [ -f "$target" ] || continue
  name=$(basename "$target")
  found=$((found + 1))
  mkdir -p "$scratch/$name"
  set -- -max_total_time="$seconds" -timeout=10 -rss_limit_mb=4096 -print_final_stats=1 \
    -artifact_prefix="$scratch/$name-"
  [ -f "fuzz/$name.dict" ] && set -- "$@" -dict="fuzz/$name.dict"
  set -- "$@" "$scratch/$name"
  [ -d "fuzz/corpus/$name" ] && set -- "$@" "fuzz/corpus/$name"
  echo "== $name"
  if "$target" "$@" >"$scratch/$name.log" 2>&1; then
    grep -E 'stat::number_of_executed_units|stat::peak_rss_mb' "$scratch/$name.log" | tr '\n' ' '
    echo "cov: $(grep -oE 'cov: [0-9]+' "$scratch/$name.log" | tail -1 | cut -d' ' -f2)"
  else
    failed=$((failed + 1))
    tail -40 "$scratch/$name.log"
    for crash in "$scratch/$name"-*; do
      [ -f "$crash" ] && echo "input: $(od -An -tx1 "$crash" | head -5)"
    done
  fi
done
echo "fuzz: $((found - failed)) passed, $failed failed"
[ "$found" -gt 0 ] && [ "$failed" -eq 0 ]
