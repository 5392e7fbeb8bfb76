#!/bin/sh
# A test that cannot run here: says why and reports itself skipped (77), or
# fails where the variable REQUIRED names is set (as CI sets it). A SKIP
# line always means the test did not run (tests/skip_summary.sh).
# usage: skip.sh REQUIRED REASON...
required=$1
shift
eval "[ -n \"\${$required:-}\" ]" && { echo "FAIL: $* ($required is set)"; exit 1; }
echo "SKIP: $*"
exit 77
