#!/bin/sh
# After a CTest run: one line per skipped test with its reason, from the
# run's log, so that a skip is never silent.
# usage: skip_summary.sh BUILD_DIR
log=$1/Testing/Temporary/LastTest.log
[ -r "$log" ] || exit 0
awk '/^[0-9]+\/[0-9]+ Test: / { name = $3 }
     /^SKIP: / { sub(/^SKIP: /, ""); print "skipped: " name ": " $0 }' "$log"
