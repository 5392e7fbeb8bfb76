#!/usr/bin/env bash
# tether-explore as a hostile user, a stalled reader, a full disk or a
# scheduler would treat it: refused cleanly, never a crash, a hang or a
# torn row.
# usage: hostile_cli.sh CHECK PROGRAM
# Exits 0 on success, 1 on failure, 77 when the check cannot run here.
set -u
check=$1 prog=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
# shellcheck source=tests/await.sh
. "$(dirname "$0")/await.sh"
fail() { echo "FAIL: $*" >&2; exit 1; }
skip() { echo "SKIP: $*"; exit 77; }

# Whole CSV rows only: every line ends, and has the header's field count.
whole_rows() {
    [ -z "$(tail -c 1 "$1")" ] || fail "$2: the last row is cut short"
    awk -F, 'NR == 1 { n = NF } NF != n { exit 1 }' "$1" || fail "$2: a row is not whole"
}

# Under the sanitizers the address space is the sanitizers' own: limits on
# it test them, not the program.
case $check in memory | threads)
    [ -n "${TETHER_SANITIZED:-}" ] && skip "limits on virtual memory under the sanitizers"
esac

case $check in
memory)
    # Refused before any list of values is made, in little memory; out of
    # memory anywhere is said in words, never an abort.
    sweeps=()
    for _ in $(seq 40); do sweeps+=(--sweep vmax=1:2:1e7); done
    (ulimit -v 100000; "$prog" "${sweeps[@]}" >"$tmp/out" 2>"$tmp/err")
    [ $? -eq 2 ] && grep -q 'at most 3 sweeps' "$tmp/err" || fail "40 sweeps: $(cat "$tmp/err")"
    (ulimit -v 100000; "$prog" --sweep vmax=1:2:1e7 --sweep dz=1:2:1e7 >"$tmp/out" 2>"$tmp/err")
    [ $? -eq 2 ] && grep -q 'is too large' "$tmp/err" || fail "a huge grid: $(cat "$tmp/err")"
    (ulimit -v 60000; "$prog" --sweep vmax=1:2:1e7 >"$tmp/out" 2>"$tmp/err")
    status=$?
    [ $status -eq 1 ] && [ "$(cat "$tmp/err")" = "tether-explore: out of memory" ] ||
        fail "out of memory: status $status, $(head -c 300 "$tmp/err")"
    ;;
threads)
    # More threads asked for than can be made: the run goes on with those
    # there are (or says why it cannot), and never aborts.
    (ulimit -v 500000; "$prog" --sweep vmax=1:100:64 --jobs 64 --format csv >"$tmp/out" 2>"$tmp/err")
    status=$?
    [ $status -eq 0 ] || [ $status -eq 1 ] || fail "--jobs 64 in 500 MB: status $status, $(cat "$tmp/err")"
    [ $status -eq 1 ] || [ "$(wc -l <"$tmp/out")" -eq 65 ] || fail "--jobs 64: $(wc -l <"$tmp/out") lines"
    ;;
files)
    # Design files that never end, or are not files.
    timeout 10 "$prog" --config /dev/zero >"$tmp/out" 2>"$tmp/err"
    [ $? -eq 2 ] && grep -q '/dev/zero: cannot read the design file: not a regular file' "$tmp/err" ||
        fail "/dev/zero: $(cat "$tmp/err")"
    timeout 10 "$prog" --config <(yes 'vmax = 50' | head -c 2000000) >"$tmp/out" 2>"$tmp/err"
    [ $? -eq 2 ] && grep -q 'longer than 1 MiB' "$tmp/err" || fail "2 MB pipe: $(cat "$tmp/err")"
    # Exactly 1 MiB is read, from a pipe as from a file; one byte more is not.
    timeout 10 "$prog" --config <(yes '# a comment' | head -c 1048576) --list >"$tmp/out" 2>"$tmp/err" ||
        fail "1 MiB through a pipe: $(cat "$tmp/err")"
    timeout 10 "$prog" --config <(yes '# a comment' | head -c 1048577) >"$tmp/out" 2>"$tmp/err"
    [ $? -eq 2 ] && grep -q 'longer than 1 MiB' "$tmp/err" || fail "1 MiB + 1: $(cat "$tmp/err")"
    timeout 10 "$prog" --config <(head -c 10000 /dev/zero) >"$tmp/out" 2>"$tmp/err"
    [ $? -eq 2 ] && grep -q ':1: line longer than 4096 bytes' "$tmp/err" || fail "NULs: $(cat "$tmp/err")"
    "$prog" --config <(printf 'vmax = 50\n') --format csv >"$tmp/out" || fail "a pipe is refused"
    "$prog" --config '' >"$tmp/out" 2>"$tmp/err"
    [ $? -eq 2 ] && [ ! -s "$tmp/out" ] || fail "--config '' was not refused"
    "$prog" --set "$(printf 'vmax=\033[2J\t')" >"$tmp/out" 2>"$tmp/err"
    grep -q 'vmax=\\x1b\[2J\\t: not a finite number' "$tmp/err" || fail "raw escapes: $(cat -v "$tmp/err")"
    # DEL as the other control characters, in our messages and the parser's.
    "$prog" --set "$(printf 'vmax=1\177')" >"$tmp/out" 2>"$tmp/err"
    grep -q -- '--set vmax=1\\x7f: not a finite number' "$tmp/err" || fail "DEL: $(cat -v "$tmp/err")"
    # Bytes that are no UTF-8 as escapes, the line named; UTF-8 kept whole.
    printf 'dz = 0.25\nvmax = 5\377\n' >"$tmp/ff.design"
    "$prog" --config "$tmp/ff.design" >"$tmp/out" 2>"$tmp/err"
    [ $? -eq 2 ] && grep -q 'ff.design:2: vmax = 5\\xff: not a finite number' "$tmp/err" &&
        ! grep -q "$(printf '\377')" "$tmp/err" || fail "0xFF: $(cat -v "$tmp/err")"
    "$prog" --set "$(printf 'vmax=5\316\274\316')" >"$tmp/out" 2>"$tmp/err"
    grep -q -- "--set vmax=5$(printf '\316\274')\\\\xce: not a finite number" "$tmp/err" ||
        fail "a cut character: $(cat -v "$tmp/err")"
    # Characters that reorder or hide the text around them (a right-to-left
    # override, C1's NEL, a zero-width space, a line separator), as \u
    # escapes: a message never shows other text than it holds.
    "$prog" --set "$(printf 'vmax=1\342\200\2562\302\205\342\200\213\342\200\250')" >"$tmp/out" 2>"$tmp/err"
    grep -qF -- '--set vmax=1\u202e2\u0085\u200b\u2028: not a finite number' "$tmp/err" &&
        ! grep -q "$(printf '\342\200\256')" "$tmp/err" || fail "U+202E: $(cat -v "$tmp/err")"
    # An empty value is shown as one.
    "$prog" --jobs '' >"$tmp/out" 2>"$tmp/err"
    grep -qF -- "--jobs: '' is not a whole number" "$tmp/err" || fail "--jobs '': $(cat "$tmp/err")"
    for args in "--planet|mars" "--format|csv" "--bogus|x"; do
        IFS='|' read -r option value <<<"$args"
        "$prog" "$option" "$(printf '%s\177\033[2J' "$value")" >"$tmp/out" 2>"$tmp/err"
        [ $? -eq 2 ] && grep -q "$value\\\\x7f\\\\x1b\\[2J" "$tmp/err" && ! grep -q "$(printf '[\177\033]')" "$tmp/err" ||
            fail "$option with DEL and ESC: $(cat -v "$tmp/err")"
    done
    ;;
methods)
    for args in "--method integral --report" "--method integral --ascent" "--method simpson"; do
        # shellcheck disable=SC2086
        "$prog" $args >"$tmp/out" 2>"$tmp/err"
        [ $? -eq 2 ] && [ ! -s "$tmp/out" ] || fail "'$args' was not refused"
    done
    ;;
slow-reader)
    # Rows wait for a reader slower than the sweep, and all arrive, in order.
    # The reader starts only once the writer is blocked on the full pipe.
    # (The integral method: the waiting is the point, not the march.)
    grep -q '^wchar:' /proc/self/io 2>/dev/null || skip "no /proc/PID/io here, to see the writer blocked"
    sweep=(--sweep vmax=1:100:1000 --method integral --format csv)
    for jobs in 1 3; do
        "$prog" "${sweep[@]}" --jobs $jobs >"$tmp/direct" || fail "direct run"
        mkfifo "$tmp/slow-fifo"
        "$prog" "${sweep[@]}" --jobs $jobs >"$tmp/slow-fifo" 2>"$tmp/err" &
        pid=$!
        exec 3<"$tmp/slow-fifo"
        blocked $pid || fail "--jobs $jobs: the writer was never blocked on the slow reader"
        cat <&3 >"$tmp/slow"
        exec 3<&-
        rm "$tmp/slow-fifo"
        wait $pid || fail "--jobs $jobs: the slow reader's run failed: $(cat "$tmp/err")"
        cmp -s "$tmp/direct" "$tmp/slow" || fail "--jobs $jobs: a slow reader got other bytes"
    done
    ;;
pipe-writes)
    # To a pipe, rows go in writes of at most PIPE_BUF (4096) bytes, each
    # ending a row, so that no reader ever sees part of one.
    command -v strace >/dev/null || skip "strace is not installed (Debian: strace)"
    # (The integral method: the writes are the point, not the march.)
    # -ff: a file per thread, so that no write is split into unfinished
    # and resumed lines when threads write at once.
    strace -ff -qq -e trace=write -e signal=none -s 0 -o "$tmp/trace" \
        "$prog" --sweep vmax=1:100:500 --method integral --jobs 2 --format csv | cat >"$tmp/out" ||
        fail "the traced run failed"
    whole_rows "$tmp/out" "through a pipe"
    sizes=$(cat "$tmp"/trace.* | awk '/^write\(1, / { print $NF }')
    [ -n "$sizes" ] || fail "no writes to standard output traced"
    for n in $sizes; do [ "$n" -le 4096 ] || fail "a write of $n bytes to a pipe"; done
    [ "$(echo "$sizes" | awk '{ t += $1 } END { print t }')" -eq "$(wc -c <"$tmp/out")" ] ||
        fail "the writes' sizes do not add up to the output"
    # The derivatives too: their notes, on the same pipe, never inside a row.
    "$prog" --sensitivity --format csv 2>&1 | grep -v '^tether-explore: ' >"$tmp/out"
    whole_rows "$tmp/out" "--sensitivity through a pipe"
    ;;
stalled)
    # A reader that stops reading: SIGTERM still ends the run at once, with
    # whole rows in the pipe.
    grep -q '^wchar:' /proc/self/io 2>/dev/null || skip "no /proc/PID/io here, to see the writer blocked"
    mkfifo "$tmp/fifo"
    "$prog" --sweep vmax=1:100:100000 --method integral --jobs 2 --format csv >"$tmp/fifo" 2>"$tmp/err" &
    pid=$!
    exec 3<"$tmp/fifo"
    head -c 1000 <&3 >/dev/null  # reads a little, then stalls
    # Until the writer is blocked on the full pipe, however loaded the machine.
    blocked $pid || fail "the writer was never blocked on the stalled reader"
    kill -TERM $pid
    for _ in $(seq 50); do kill -0 $pid 2>/dev/null || break; sleep 0.1; done
    kill -0 $pid 2>/dev/null && { kill -KILL $pid; fail "still running 5 s after SIGTERM"; }
    wait $pid
    status=$?
    cat <&3 >"$tmp/rest"
    exec 3<&-
    [ $status -eq 143 ] || fail "stalled reader: status $status, $(cat "$tmp/err")"
    grep -q '^tether-explore: interrupted: ' "$tmp/err" || fail "no message: $(cat "$tmp/err")"
    ;;
signals)
    # SIGHUP as SIGTERM; --ascent and --report stop with whole lines too.
    for run in "--sweep vmax=1:100:100000 --jobs 1 --format csv|HUP|129|designs" \
               "--ascent --set dz=0.0001 --set rowdz=0.1 --format csv|TERM|143|rows" \
               "--report --set dz=0.0001 --set rowdz=0.1|INT|130|lines"; do
        IFS='|' read -r args sig wanted what <<<"$run"
        # Once the first row (or line) is out, however slowly it comes.
        first=2
        [ "$what" = lines ] && first=1
        # shellcheck disable=SC2086
        piped "$tmp/out" "$tmp/err" env --default-signal=INT "$prog" $args
        lines_in "$tmp/out" $first $pid || fail "'$args' ended before its first row: $(cat "$tmp/err")"
        kill -s "$sig" $pid
        wait $pid
        status=$?
        wait $copier
        [ $status -eq "$wanted" ] || fail "SIG$sig on '$args': status $status, $(cat "$tmp/err")"
        [ -z "$(tail -c 1 "$tmp/out")" ] || fail "SIG$sig on '$args': a line is cut short"
        lines=$(wc -l <"$tmp/out")
        [ "$what" = lines ] || lines=$((lines - 1))
        grep -q "^tether-explore: interrupted: $lines of [0-9]* $what written\$" "$tmp/err" ||
            fail "SIG$sig on '$args': '$(cat "$tmp/err")' for $lines $what"
    done
    ;;
full-disk)
    # A disk that fills mid-sweep: the real reason, and the file cut back to
    # its last whole row.
    command -v unshare >/dev/null || skip "unshare is not installed (Debian: util-linux)"
    unshare -rm true 2>/dev/null || unshare -m true 2>/dev/null ||
        skip "no mount namespace here, for a small tmpfs"
    cat >"$tmp/fill.sh" <<SCRIPT
mount -t tmpfs -o size=64k tmpfs "$tmp/mnt" || exit 77
"$prog" --sweep vmax=1:100:2000 --method integral --jobs 2 --format csv >"$tmp/mnt/out" 2>"$tmp/err"
echo \$? >"$tmp/status"
cp "$tmp/mnt/out" "$tmp/out"
SCRIPT
    mkdir "$tmp/mnt"
    { unshare -rm sh "$tmp/fill.sh" || unshare -m sh "$tmp/fill.sh"; } 2>/dev/null
    [ -s "$tmp/status" ] || skip "cannot mount a tmpfs here"
    [ "$(cat "$tmp/status")" -eq 1 ] || fail "full disk: status $(cat "$tmp/status")"
    rows=$(($(wc -l <"$tmp/out") - 1))
    grep -q "^tether-explore: write error: No space left on device ($rows of 2000 designs written)\$" \
        "$tmp/err" || fail "full disk: '$(cat "$tmp/err")' with $rows rows"
    whole_rows "$tmp/out" "full disk"
    ;;
append | append-full-disk)
    # Appending to a file that fills (a file size limit; append-full-disk: a
    # full disk): the bytes already there are kept, this run's are cut back
    # to its last whole row, and the count said is the rows left. (Sweeps by
    # the integral method: the writing is the point, not the march.)
    seq 1 700 | sed 's/^/an earlier run, line /' >"$tmp/prefix"
    runs=("--sweep vmax=1:100:2000 --method integral --jobs 2 --format csv|designs"
          "--ascent --format csv|rows"
          "--report|lines")
    # The file after an appending run that failed: the prefix unchanged,
    # whole rows after it, and as many as the message says.
    check_appended() {  # LABEL FILE STATUS ERR WHAT REASON
        [ "$3" -eq 1 ] || fail "$1: status $3, $(cat "$4")"
        cmp -s -n "$(wc -c <"$tmp/prefix")" "$tmp/prefix" "$2" ||
            fail "$1: the earlier bytes were changed ($(wc -c <"$2") bytes left)"
        tail -c +$(($(wc -c <"$tmp/prefix") + 1)) "$2" >"$tmp/added"
        local rows
        rows=$(wc -l <"$tmp/added")
        if [ "$5" = lines ]; then
            [ -z "$(tail -c 1 "$tmp/added")" ] || fail "$1: the last line is cut short"
        elif [ -s "$tmp/added" ]; then
            whole_rows "$tmp/added" "$1"
            rows=$((rows - 1))
        fi
        grep -q "^tether-explore: write error: $6 ($rows of [0-9]* $5 written)\$" "$4" ||
            fail "$1: '$(cat "$4")' with $rows $5 after the earlier bytes"
    }
    [ "$check" = append ] && for run in "${runs[@]}"; do
        IFS='|' read -r args what <<<"$run"
        cp "$tmp/prefix" "$tmp/out"
        # shellcheck disable=SC2086
        (ulimit -f 100; "$prog" $args >>"$tmp/out" 2>"$tmp/err")
        check_appended "ulimit -f, '$args'" "$tmp/out" $? "$tmp/err" "$what" "File too large"
    done

    if [ "$check" = append ]; then
        # Two appenders at once, one of which hits its size limit: the other's
        # rows all arrive whole. (One may follow the failed run's torn row on
        # its line, which then cannot be cut away.)
        cp "$tmp/prefix" "$tmp/both"
        good=(--sweep strength=10:100:6000 --method integral --jobs 1 --format csv)
        "$prog" "${good[@]}" >"$tmp/good" 2>/dev/null
        (ulimit -f 400; "$prog" --sweep vmax=1:100:6000 --method integral --jobs 1 --format csv \
            >>"$tmp/both" 2>"$tmp/err1") &
        failing=$!
        "$prog" "${good[@]}" >>"$tmp/both" 2>/dev/null || fail "the second appender failed"
        wait $failing
        status=$?
        [ $status -eq 1 ] && grep -q 'write error: File too large' "$tmp/err1" ||
            fail "the limited appender: status $status, $(cat "$tmp/err1")"
        cmp -s -n "$(wc -c <"$tmp/prefix")" "$tmp/prefix" "$tmp/both" ||
            fail "two appenders: the earlier bytes were changed"
        awk 'NR == FNR { have[$0] = 1; all[++n] = $0; next }
             !($0 in have) {
                 for (i = 1; i <= n; ++i) {
                     l = length(all[i]) - length($0)
                     if (l > 0 && substr(all[i], l + 1) == $0) { next }
                 }
                 print "missing: " $0; bad = 1
             }
             END { exit bad }' "$tmp/both" "$tmp/good" >"$tmp/missing" ||
            fail "two appenders: the other's rows were lost: $(head -3 "$tmp/missing")"
        echo "ok: append (a file size limit, two appenders)"
        exit 0
    fi

    # A full disk, the same way.
    command -v unshare >/dev/null || skip "unshare is not installed (Debian: util-linux)"
    unshare -rm true 2>/dev/null || unshare -m true 2>/dev/null ||
        skip "no mount namespace here, for a small tmpfs"
    cat >"$tmp/fill.sh" <<SCRIPT
mount -t tmpfs -o size=128k tmpfs "$tmp/mnt" || exit 77
n=0
while read -r args; do
    n=\$((n + 1))
    cp "$tmp/prefix" "$tmp/mnt/out"
    "$prog" \$args >>"$tmp/mnt/out" 2>"$tmp/err\$n"
    echo \$? >"$tmp/status\$n"
    cp "$tmp/mnt/out" "$tmp/out\$n"
    rm "$tmp/mnt/out"
done
SCRIPT
    mkdir "$tmp/mnt"
    printf '%s\n' "${runs[@]%|*}" >"$tmp/args"
    { unshare -rm sh "$tmp/fill.sh" <"$tmp/args" || unshare -m sh "$tmp/fill.sh" <"$tmp/args"; } 2>/dev/null
    [ -s "$tmp/status1" ] || skip "cannot mount a tmpfs here"
    n=0
    for run in "${runs[@]}"; do
        n=$((n + 1))
        IFS='|' read -r args what <<<"$run"
        check_appended "full disk, '$args'" "$tmp/out$n" "$(cat "$tmp/status$n")" "$tmp/err$n" \
            "$what" "No space left on device"
    done
    ;;
errno)
    # The real reason for each way a sweep's output can fail.
    "$prog" --sweep vmax=1,2 >/dev/full 2>"$tmp/err"
    grep -q 'write error: No space left on device' "$tmp/err" || fail "/dev/full: $(cat "$tmp/err")"
    "$prog" --sweep vmax=1,2 >&- 2>"$tmp/err"
    grep -q 'write error: Bad file descriptor' "$tmp/err" || fail "closed: $(cat "$tmp/err")"
    env --ignore-signal=PIPE "$prog" --sweep vmax=1:2:200 2>"$tmp/err" | head -c 1 >/dev/null
    grep -q 'write error: Broken pipe' "$tmp/err" || fail "reader gone: $(cat "$tmp/err")"
    # A failed write ends the work too: an ascent of 9e8 rows (hours of
    # formatting) stops at its first write, a few hundred rows in. The bound
    # is only against a hang.
    (ulimit -f 1; timeout 120 "$prog" --ascent --set dz=0.00004 --set rowdz=0.00004 --format csv \
        >"$tmp/out" 2>"$tmp/err")
    status=$?
    [ $status -eq 1 ] && grep -q 'write error: File too large' "$tmp/err" ||
        fail "an ascent past the file size limit: status $status, $(cat "$tmp/err")"
    # Every other output the same way: status 1, the real reason, and a file
    # cut back to what it held (a design file never left in part).
    for args in "--list" "--sensitivity --format csv" "--help"; do
        echo "an earlier line" >"$tmp/out"
        # shellcheck disable=SC2086
        (ulimit -f 1; "$prog" $args >>"$tmp/out" 2>"$tmp/err"; [ $? -eq 1 ] && "$prog" $args >/dev/full 2>>"$tmp/err")
        [ $? -eq 1 ] && [ "$(cat "$tmp/out")" = "an earlier line" ] &&
            grep -q 'write error: File too large (0 of [0-9]* [a-z]* written)$' "$tmp/err" &&
            grep -q 'write error: No space left on device' "$tmp/err" || fail "'$args': $(cat "$tmp/err")"
    done
    ;;
*)
    fail "unknown check '$check'"
    ;;
esac
echo "ok: $check"
