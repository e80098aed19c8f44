#!/usr/bin/env bash
# Kills the game N times (100 unless told) at random moments of a recording and prints where the
# kills landed (before the rewrite, inside it, after it) and how many tables stayed whole. Not a
# part of ./run-tests: it takes about 8 s a kill. KLB_SEED=n repeats a run.
#   tools/soak-kill.sh [N]
set -uo pipefail
cd "$(dirname "$0")/.."
[ -x build/tests/e2e_tests ] || tools/setup.sh || exit 1
cmake --build build --target e2e_tests klimbor klb_fault_shim >/dev/null || exit 1
log=$(mktemp)
KLB_KILL_ROUNDS="${1:-100}" build/tests/e2e_tests \
  --gtest_filter='Races.KilledAtAnyMomentOfARecordingLeavesTheOldTableOrTheNew' >"$log" 2>&1
status=$?
grep -vE '^\[ *(RUN|OK|-+|=+) *\]|^$|Note: Google Test filter|Global test environment' "$log"
rm -f "$log"
exit $status
