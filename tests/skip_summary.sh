#!/bin/sh
# After a CTest run: one line per skipped test with its reason, from the
# run's log, so that a skip is never silent: "skipped:" for each test that
# did not run (its SKIP line; CTest's "did not run" list), "skipped in
# part:" for a test that ran with some of its cases left out.
# usage: skip_summary.sh BUILD_DIR
log=$1/Testing/Temporary/LastTest.log
[ -r "$log" ] || exit 0
awk '/^[0-9]+\/[0-9]+ Test: / { name = $3 }
     /^SKIP: / { sub(/^SKIP: /, ""); print "skipped: " name ": " $0 }
     /^SKIPPED IN PART: / { sub(/^SKIPPED IN PART: /, ""); print "skipped in part: " name ": " $0 }' "$log"
