#!/usr/bin/env bash
# Runs `make test` N times in a clean clone of the committed tree, with CPU-bound processes alongside
# (CI runs on busy machines), and counts the failures of each test over the runs. A test that fails in
# any run is flaky or broken: it is mended, never retried.
#
#   tools/test-repeat.sh [N]      N runs (default 5)
#
# Settings, all optional:
#   BUSY=K        K CPU-bound processes run beside the tests (default 2; 0 for a quiet machine)
#   REPEAT_DIR=D  where the clone and the run logs go (default: a new temporary folder, kept)
set -euo pipefail

runs=${1:-5}
busy=${BUSY:-2}
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
dir=${REPEAT_DIR:-$(mktemp -d /tmp/robina-repeat.XXXXXX)}
mkdir -p "$dir"
rm -rf "$dir/clone"
git clone -q "$repo" "$dir/clone"
echo "test-repeat: $runs runs of make test in $dir/clone at $(git -C "$dir/clone" rev-parse --short HEAD)," \
     "$busy CPU-bound processes alongside"

burners=()
stop_burners() { [ ${#burners[@]} -eq 0 ] || kill "${burners[@]}" 2>/dev/null || true; }
trap stop_burners EXIT
for _ in $(seq 1 "$busy"); do
  sh -c 'while :; do :; done' &
  burners+=($!)
done

# The failed tests of one run's output, one name a line: CTest's summary rows and pytest's FAILED and
# ERROR lines. A run that failed with neither (a build error, a runner that died) counts as "make test".
failed_tests() {
  sed -n -e 's/^[[:space:]]*[0-9]* - \([^ ]*\) (.*)$/\1/p' \
         -e 's/^\(FAILED\|ERROR\) \([^ ]*\).*$/\2/p' "$1"
}

tally=$dir/failures
: >"$tally"
for run in $(seq 1 "$runs"); do
  log=$dir/run-$run.log
  began=$(date +%s)
  status=0
  (cd "$dir/clone" && make test) >"$log" 2>&1 || status=$?
  names=$(failed_tests "$log")
  [ $status -eq 0 ] || [ -n "$names" ] || names="make test"
  [ -z "$names" ] || printf '%s\n' "$names" >>"$tally"
  echo "run $run: exit $status in $(( $(date +%s) - began )) s, load $(cut -d' ' -f1-3 /proc/loadavg)," \
       "failed: ${names:-none}" | tr '\n' ' '
  echo
done

echo "failures per test over $runs runs:"
if [ -s "$tally" ]; then
  sort "$tally" | uniq -c | sort -rn | sed 's/^/  /'
  exit 1
fi
echo "  none"
