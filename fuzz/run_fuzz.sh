#!/usr/bin/env bash
# Runs one fuzz target for a bounded time, seeded from the test data; fails on any finding.
# usage: run_fuzz.sh TARGET NAME SECONDS SEED_DIR...
# The corpus lives beside the target (corpus-NAME) and grows from run to run; findings go to
# findings/ beside it.
set -uo pipefail
target=$1 name=$2 seconds=$3
shift 3
dir=$(dirname "$target")
corpus="$dir/corpus-$name"
mkdir -p "$corpus" "$dir/findings"
# Seeds: the kept inputs (names without an extension) and the test files that suit the target.
case $name in
  dib) pattern='*.bmp' ;;
  ms3d) pattern='*.ms3d' ;;
  *) pattern='*' ;;
esac
for seeds in "$@"; do
  [ -d "$seeds" ] && find "$seeds" -type f \( -name "$pattern" -o ! -name '*.*' \) -exec cp -n {} "$corpus/" \;
done
# -timeout: a single input taking this long is a hang; -rss_limit_mb: one that swells is a finding.
"$target" "$corpus" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
  -artifact_prefix="$dir/findings/$name-" 2>&1 | grep -v -e '^#[0-9]' -e '^"' -e 'Uses: ' | tail -n 25
status=${PIPESTATUS[0]}
[ "$status" -eq 0 ] || echo "FAIL: $name fuzzing found a problem (status $status); see $dir/findings/"
exit "$status"
