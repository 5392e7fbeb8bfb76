#!/usr/bin/env bash
# End-to-end checks of the built program.
# usage: report_test.sh CHECK PROGRAM EXPECTED_REPORT
# Exits 0 on success, 1 on failure, 77 when the check cannot run here.
set -u
check=$1 prog=$2 expected=$3
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }
skip() { echo "SKIP: $*"; exit 77; }

# Runs the program with the given arguments (and any environment set by the
# caller); leaves its output in $tmp/out and $tmp/err and its status in $status.
run() {
    "$prog" "$@" >"$tmp/out" 2>"$tmp/err"
    status=$?
}

# The run succeeded and printed exactly the expected report.
expect_report() {
    [ "$status" -eq 0 ] || fail "exit status $status, wanted 0"
    [ -s "$tmp/err" ] && fail "unexpected standard error: $(head -c 300 "$tmp/err")"
    if ! cmp -s "$tmp/out" "$expected"; then
        diff "$expected" "$tmp/out" | head -n 20 >&2
        fail "report differs from $expected"
    fi
}

case $check in
report)
    run
    expect_report
    ;;
arguments)
    run --help -v report.txt -- 42
    expect_report
    ;;
*)
    fail "unknown check '$check'"
    ;;
esac
echo "ok: $check"
