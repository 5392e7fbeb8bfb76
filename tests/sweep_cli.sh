#!/usr/bin/env bash
# End-to-end checks of tether-explore's sweeps.
# usage: sweep_cli.sh CHECK PROGRAM
# Exits 0 on success, 1 on failure, 77 when the check cannot run here.
set -u
check=$1 prog=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

case $check in
jobs)
    # The same bytes however many threads compute them.
    for format in table csv json; do
        "$prog" --sweep strength=20:60:5 --sweep vmax=50,100 --format $format --jobs 1 >"$tmp/1" ||
            fail "--jobs 1 failed"
        "$prog" --sweep strength=20:60:5 --sweep vmax=50,100 --format $format --jobs 3 >"$tmp/3" ||
            fail "--jobs 3 failed"
        cmp -s "$tmp/1" "$tmp/3" || fail "--jobs 1 and --jobs 3 differ in $format"
    done
    ;;
shards)
    # The shards' outputs, concatenated in order, are the unsharded output,
    # also when some shards are empty (5 designs in 7 shards).
    for n in 3 7; do
        "$prog" --sweep strength=20:60:5 --jobs 2 >"$tmp/all" || fail "unsharded run failed"
        : >"$tmp/joined"
        for k in $(seq 1 $n); do
            "$prog" --sweep strength=20:60:5 --shard "$k/$n" >>"$tmp/joined" || fail "shard $k/$n failed"
        done
        cmp -s "$tmp/all" "$tmp/joined" || fail "the $n shards joined differ from the whole"
    done
    ;;
rows)
    # A sweep's row is the single design's row, to the last bit, after the
    # swept values; a 2-D table has a blank line before each new strength.
    "$prog" --sweep vmax=10:100:4 --set strength=50 --format csv >"$tmp/sweep" || fail "sweep failed"
    [ "$(wc -l <"$tmp/sweep")" -eq 5 ] || fail "wanted a header and 4 rows: $(cat "$tmp/sweep")"
    tail -n +2 "$tmp/sweep" | while IFS=, read -r vmax rest; do
        single=$("$prog" --set strength=50 --set "vmax=$vmax" --format csv | tail -n 1)
        [ "$single" = "$rest" ] || fail "vmax=$vmax: sweep row '$rest', single design '$single'"
    done || exit 1
    "$prog" --sweep strength=30,40,50 --sweep vmax=50,100 >"$tmp/table" || fail "2-D sweep failed"
    [ "$(grep -c '^$' "$tmp/table")" -eq 2 ] || fail "wanted 2 blank lines: $(cat "$tmp/table")"
    [ "$(sed -n 5p "$tmp/table")" = "" ] && [ "$(sed -n 8p "$tmp/table")" = "" ] ||
        fail "blank lines not before each new strength: $(cat "$tmp/table")"
    ;;
errors)
    # Bad sweeps and invalid designs in a grid: status 2 and nothing printed.
    # shellcheck source=tests/refusals.sh
    . "$(dirname "$0")/refusals.sh"
    expect_refusals <<'LIST'
--sweep vmax=100:-100:5|--sweep: design 3 of 5 (vmax=0): vmax = 0 m/s: must be greater than 0
--sweep rapex=50000,40000 --sweep strength=1,35.1|--sweep: design 3 of 4 (rapex=40000, strength=1): rapex = 40000 km
--sweep vmax=1:2:0|--sweep vmax=1:2:0: N = 0: the number of values must be a whole number
--sweep vmax=1:2:3000 --sweep dz=1:2:3000 --sweep rhog=1,2|--sweep: a grid of 18000000 designs is too large; at most 10000000
--sweep vmax=1,2 --report|--report excludes --sweep
--sweep vmax=1,2 --list|--list excludes --sweep
--sweep vmax=1,2 --shard 3/2|--shard: expected K/N, whole numbers with 1 <= K <= N
--sweep vmax=1,2 --jobs 0|--jobs: 0 is out of range; give N from 1 to 4096
--sweep vmax=1,2 --jobs 4097|--jobs: 4097 is out of range; give N from 1 to 4096
--sweep vmax=1,2 --jobs 1e3|--jobs: 1e3 is not a whole number; give N from 1 to 4096
--sweep vmax=1,2 --jobs 2.5|--jobs: 2.5 is not a whole number; give N from 1 to 4096
--sweep vmax=1:2:100000000|--sweep: a grid of 100000000 designs is too large; at most 10000000
--sweep vmax=1:2:1e300|--sweep: a grid of 1e+300 designs is too large; at most 10000000
--sweep vmax=1:2:20 --sweep dz=1:2:1e300|--sweep: a grid of 2e+301 designs is too large
LIST
    ;;
interrupt)
    # SIGTERM (a batch scheduler's time limit) and SIGINT (Ctrl-C): only whole
    # rows are left, standard error says how many, the status says which.
    # The signal comes once the first row is out (through a pipe, which
    # takes rows a few at a time), however slowly the machine computes.
    # shellcheck source=tests/await.sh
    . "$(dirname "$0")/await.sh"
    for sig in TERM INT; do
        piped "$tmp/out" "$tmp/err" env --default-signal=INT "$prog" --sweep vmax=1:100:2000 \
            --jobs 1 --format csv
        lines_in "$tmp/out" 2 $pid || fail "SIG$sig: the sweep ended before its first row: $(cat "$tmp/err")"
        # Twice, as a scheduler or a terminal may send it: still whole rows.
        kill -s $sig $pid
        kill -s $sig $pid 2>/dev/null
        wait $pid
        status=$?
        wait $copier
        wanted=$((128 + $(kill -l $sig)))
        [ "$status" -eq $wanted ] || fail "SIG$sig: exit status $status, wanted $wanted"
        rows=$(($(wc -l <"$tmp/out") - 1))
        [ "$rows" -gt 0 ] && [ "$rows" -lt 2000 ] || fail "SIG$sig: $rows rows written"
        [ -z "$(tail -c 1 "$tmp/out")" ] || fail "SIG$sig: the last row is cut short"
        awk -F, 'NR == 1 { n = NF } NF != n { exit 1 }' "$tmp/out" || fail "SIG$sig: a row is not whole"
        [ "$(cat "$tmp/err")" = "tether-explore: interrupted: $rows of 2000 designs written" ] ||
            fail "SIG$sig: standard error '$(cat "$tmp/err")'"
    done
    ;;
progress)
    # A sweep far longer than a second, stopped by SIGINT once it is under
    # way (its first row out; on a terminal, its progress line drawn), so
    # that a slow machine or build only makes the check slower: on a
    # terminal a progress line shows and is cleared before the closing
    # message; written to a file, or with --quiet, standard error holds that
    # message alone.
    # shellcheck source=tests/await.sh
    . "$(dirname "$0")/await.sh"
    long=("$prog" --sweep vmax=1:100:100000 --jobs 1 --format csv)
    piped "$tmp/out" "$tmp/err" env --default-signal=INT "${long[@]}"
    lines_in "$tmp/out" 2 $pid || fail "the sweep ended before its first row: $(cat "$tmp/err")"
    kill -INT $pid
    wait $pid
    wait $copier
    [ "$(grep -c . "$tmp/err")" -eq 1 ] && grep -q '^tether-explore: interrupted: ' "$tmp/err" ||
        fail "standard error in a file: $(head -c 300 "$tmp/err")"
    command -v script >/dev/null || { echo "SKIP: script is not installed (Debian: util-linux)"; exit 77; }
    # on_terminal ARGS...: the long sweep with ARGS, its standard error on a
    # terminal (script, flushing each write into $tmp/tty), its rows through
    # a pipe into $tmp/rows. Sets pid (the program's), term (script's) and
    # copier.
    on_terminal() {
        rm -f "$tmp/pid" "$tmp/fifo"
        mkfifo "$tmp/fifo"
        local command
        command=$(printf '%q ' "${long[@]}" "$@")
        script -qfec "echo \$\$ >$(printf '%q' "$tmp/pid"); exec $command >$(printf '%q' "$tmp/fifo")" \
            "$tmp/tty" </dev/null >/dev/null &
        term=$!
        : >"$tmp/rows"
        cat <"$tmp/fifo" >"$tmp/rows" &
        copier=$!
        until [ -s "$tmp/pid" ]; do
            kill -0 $term 2>/dev/null || fail "script ended before the sweep started"
            sleep 0.05
        done
        pid=$(cat "$tmp/pid")
    }
    # stop_terminal: SIGINT to the program, and its run on the terminal over.
    stop_terminal() {
        kill -INT "$pid"
        wait $term
        wait $copier
    }
    on_terminal
    # The line is drawn a second after the start, however long that takes.
    until grep -q 'designs, [0-9]* s, about [0-9]* s left' "$tmp/tty"; do
        kill -0 "$pid" 2>/dev/null || fail "no progress line on a terminal: $(head -c 300 "$tmp/tty")"
        sleep 0.1
    done
    stop_terminal
    # After the last progress line, a carriage return and erase-line.
    perl -0ne 'exit(/\r\e\[K(?!.*designs,)/s ? 0 : 1)' "$tmp/tty" || fail "the progress line was not cleared"
    grep -q 'tether-explore: interrupted: ' "$tmp/tty" || fail "no closing message: $(head -c 300 "$tmp/tty")"
    # --quiet: once rows come, and then for longer than the second after
    # which a line would be drawn, none is.
    on_terminal --quiet
    lines_in "$tmp/rows" 2 "$pid" || fail "--quiet: the sweep ended before its first row"
    sleep 2
    stop_terminal
    grep -q 'designs,' "$tmp/tty" && fail "--quiet still shows progress"
    grep -q 'tether-explore: interrupted: ' "$tmp/tty" || fail "--quiet run: $(head -c 300 "$tmp/tty")"
    # A sweep done within its first second draws no progress line at all
    # (three designs by the integral method: milliseconds even under the
    # sanitizers on a loaded machine).
    script -qec "$(printf '%q ' "$prog") --sweep vmax=1:100:3 --method integral --jobs 1 >/dev/null" \
        "$tmp/tty" >/dev/null
    grep -q 'designs,' "$tmp/tty" && fail "a quick sweep drew a progress line"
    ;;
*)
    fail "unknown check '$check'"
    ;;
esac
echo "ok: $check"
