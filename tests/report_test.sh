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

# The run failed with status 1 and one line on standard error naming the reason.
expect_write_error() {
    [ "$status" -eq 1 ] || fail "exit status $status, wanted 1"
    local wanted="tether-study: write error: $1"
    [ "$(cat "$tmp/err")" = "$wanted" ] || fail "standard error '$(cat "$tmp/err")', wanted '$wanted'"
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
locale)
    # A decimal-comma locale in the environment must not reach the report.
    locale -a 2>/dev/null | grep -qix 'de_DE.utf-\?8' || skip "locale de_DE.UTF-8 is not installed (Debian: locales, then localedef -i de_DE -f UTF-8 de_DE.UTF-8)"
    [ "$(LC_ALL=de_DE.UTF-8 locale decimal_point)" = "," ] || skip "de_DE.UTF-8 does not use a decimal comma here"
    LC_ALL=de_DE.UTF-8 LANG=de_DE.UTF-8 run
    expect_report
    ;;
full)
    "$prog" >/dev/full 2>"$tmp/err"
    status=$?
    expect_write_error "No space left on device"
    ;;
closed)
    "$prog" >&- 2>"$tmp/err"
    status=$?
    expect_write_error "Bad file descriptor"
    ;;
mid-write)
    # One write in the middle fails (the second of many) while every later
    # one, the final flush among them, succeeds: the loss is still reported.
    command -v strace >/dev/null || skip "strace is not installed (Debian: strace)"
    strace -f -qq -o /dev/null true 2>/dev/null || skip "strace cannot trace here"
    # (LeakSanitizer, in a sanitizer build, cannot run under a tracer.)
    ASAN_OPTIONS=detect_leaks=0${ASAN_OPTIONS:+:$ASAN_OPTIONS} \
        strace -f -qq -o /dev/null -e trace=write -e inject=write:error=EIO:when=2 \
        "$prog" >"$tmp/out" 2>"$tmp/err"
    status=$?
    expect_write_error "Input/output error"
    [ "$(wc -c <"$tmp/out")" -gt 100000 ] || fail "the writes after the failed one did not happen"
    ;;
pipe-closed)
    # The reader goes away after one byte, with SIGPIPE ignored: EPIPE.
    env --ignore-signal=PIPE "$prog" 2>"$tmp/err" | head -c 1 >/dev/null
    status=${PIPESTATUS[0]}
    expect_write_error "Broken pipe"
    ;;
sigpipe)
    # With SIGPIPE at its default the program ends on the signal, as filters do.
    env --default-signal=PIPE "$prog" 2>"$tmp/err" | head -c 1 >/dev/null
    status=${PIPESTATUS[0]}
    [ "$status" -eq $((128 + 13)) ] || fail "exit status $status, wanted 141 (SIGPIPE)"
    [ -s "$tmp/err" ] && fail "unexpected standard error: $(cat "$tmp/err")"
    ;;
*)
    fail "unknown check '$check'"
    ;;
esac
echo "ok: $check"
