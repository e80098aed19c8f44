#!/usr/bin/env bash
# Kills the game N times (100 unless told) at random moments of a recording and prints where the
# kills landed (before the rewrite, inside it, after it) and how many tables stayed whole. Not a
# part of ./run-tests: it takes about 8 s a kill. KLB_SEED=n repeats a run.
#   tools/soak-kill.sh [N]
set -euo pipefail
cd "$(dirname "$0")/.."
[ -x build/tests/e2e_tests ] || tools/setup.sh
cmake --build build --target e2e_tests klimbor klb_fault_shim >/dev/null
KLB_KILL_ROUNDS="${1:-100}" build/tests/e2e_tests \
  --gtest_filter='Races.KilledAtAnyMomentOfARecordingLeavesTheOldTableOrTheNew' |
  grep -E '^(seed|killed)|FAILED|Failure|round [0-9]+' || true
test "${PIPESTATUS[0]}" -eq 0
