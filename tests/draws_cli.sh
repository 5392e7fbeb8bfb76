#!/usr/bin/env bash
# End-to-end checks of tether-explore's draws over uncertain inputs.
# usage: draws_cli.sh CHECK PROGRAM
set -u
check=$1 prog=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
vary=(--vary strength=lognormal:35:1.5 --vary density=uniform:1200:1400 --set rhog=auto --method integral)

case $check in
same-bytes)
    # Draw k depends on the seed and k alone: any jobs, any shards joined,
    # the same bytes; another seed, other draws. The seed is said last.
    for format in table csv json; do
        "$prog" "${vary[@]}" --samples 300 --format $format --jobs 1 >"$tmp/1" 2>"$tmp/err" ||
            fail "--jobs 1 failed: $(cat "$tmp/err")"
        [ "$(tail -n 1 "$tmp/err")" = "tether-explore: 300 draws with seed 1" ] ||
            fail "the seed is not said last: $(tail -n 1 "$tmp/err")"
        "$prog" "${vary[@]}" --samples 300 --format $format --jobs 2 >"$tmp/2" 2>/dev/null
        cmp -s "$tmp/1" "$tmp/2" || fail "--jobs 1 and --jobs 2 differ in $format"
        : >"$tmp/joined"
        for k in 1 2 3 4 5 6 7; do
            "$prog" "${vary[@]}" --samples 300 --format $format --shard "$k/7" >>"$tmp/joined" 2>/dev/null ||
                fail "shard $k/7 failed"
        done
        cmp -s "$tmp/1" "$tmp/joined" || fail "the 7 shards joined differ from the whole in $format"
    done
    "$prog" "${vary[@]}" --samples 300 --format json --seed 2 >"$tmp/other" 2>/dev/null
    head -n 1 "$tmp/other" | grep -qF '"seed":2,"key":2,' || fail "JSON's metadata lacks the seed: $(head -n 1 "$tmp/other")"
    # --key, the seed's earlier name, the same.
    "$prog" "${vary[@]}" --samples 300 --format json --key 2e0 2>/dev/null | cmp -s - "$tmp/other" ||
        fail "--key 2e0 and --seed 2 differ"
    [ "$(comm -12 <(tail -n +2 "$tmp/1" | sort) <(tail -n +2 "$tmp/other" | sort) | wc -l)" -eq 0 ] ||
        fail "seeds 1 and 2 share draws"
    ;;
uniform)
    # uniform:A:B drawn n times: the mean within four standard errors of
    # (A + B) / 2, the range inside [A, B] and within 10 (B - A) / n of its
    # ends (missed with a chance of e^-10).
    "$prog" --vary vmax=uniform:20:220 --samples 20000 --figures time --method integral --format csv \
        >"$tmp/draws" 2>/dev/null || fail "the draws failed"
    awk -F, 'NR > 1 { n++; s += $2; if (n == 1 || $2 < lo) lo = $2; if (n == 1 || $2 > hi) hi = $2 }
        END {
            se = 200 / sqrt(12 * n)
            if (n != 20000) { print "rows: " n; exit 1 }
            if (s / n - 120 > 4 * se || 120 - s / n > 4 * se) { print "mean " s / n; exit 1 }
            if (lo <= 20 || hi >= 220 || lo - 20 > 0.1 || 220 - hi > 0.1) { print "range " lo " " hi; exit 1 }
        }' "$tmp/draws" || fail "uniform:20:220's draws"
    ;;
percentiles)
    # apex_speed is omega x rapex: with rapex uniform on [A, B] its summary's
    # p5, p50 and p95 are omega times the distribution's quantiles, within
    # the sampling error (five standard errors of the share below) and the
    # stated rank error of the summary (at 20000 draws, 2 x 20000 / 8192).
    "$prog" --format csv --figures apex_speed --method integral >"$tmp/one" || fail "one design"
    rapex=$("$prog" --list | awk '$1 == "rapex" { print $3 }')
    omega=$(tail -n 1 "$tmp/one" | awk -v r="$rapex" '{ printf "%.17g", $1 / r }')
    "$prog" --vary rapex=uniform:100000:150000 --samples 20000 --figures apex_speed --summary \
        --method integral --format csv >"$tmp/summary" 2>/dev/null || fail "the summary failed"
    awk -F, -v w="$omega" 'NR == 2 {
            n = 20000; e = 2 * n / 8192
            split("0.05 0.5 0.95", p, " ")
            for (i = 1; i <= 3; i++) {
                share = ($(5 + i) / w - 100000) / 50000
                tol = 5 * sqrt(p[i] * (1 - p[i]) / n) + e / n
                if (share - p[i] > tol || p[i] - share > tol) { print "p" p[i] ": " share; exit 1 }
            }
            if ($3 != n || $11 != 0) { print "computed " $3 ", unbuilt " $11; exit 1 }
        }' "$tmp/summary" || fail "apex_speed's percentiles: $(cat "$tmp/summary")"
    ;;
summary)
    # Draws that are no design are rows with their reason, counted in the
    # summary's unbuilt; --where's share and the notes' shares are said.
    "$prog" --vary strength=normal:10:20 --samples 400 --figures time --format csv \
        --method integral >"$tmp/rows" 2>/dev/null || fail "the draws failed"
    refused=$(awk -F, 'NR > 1 && $4 != "" { n++ } END { print n }' "$tmp/rows")
    [ "$refused" -gt 50 ] || fail "wanted draws refused for a strength below 0: $refused"
    grep -q '^[0-9]*,-[0-9.e-]*,,"\?strength = ' "$tmp/rows" || fail "a refused draw's row: $(sed -n 2,4p "$tmp/rows")"
    computed=$(awk -F, 'NR > 1 && $3 != "" { n++ } END { print n }' "$tmp/rows")
    met=$(awk -F, 'NR > 1 && $3 != "" && $3 < 1000 { n++ } END { print n }' "$tmp/rows")
    "$prog" --vary strength=normal:10:20 --samples 400 --figures time --summary --format csv \
        --where 'time<1000' --method integral >"$tmp/summary" 2>"$tmp/err" || fail "the summary failed"
    [ "$(sed -n 2p "$tmp/summary" | cut -d, -f1,3)" = "time,$computed" ] ||
        fail "computed: $(cat "$tmp/summary"), wanted $computed"
    awk -F, -v r="$refused" 'NR == 2 { exit ($11 == r / 400 ? 0 : 1) }' "$tmp/summary" ||
        fail "unbuilt: $(cat "$tmp/summary"), wanted $refused of 400"
    grep -q "^tether-explore: time<1000: [0-9.]* % of the draws ($met of 400; 95 % interval" "$tmp/err" ||
        fail "--where's share: $(cat "$tmp/err")"
    grep -q "are no design$" "$tmp/err" || fail "the unbuilt share is not said: $(cat "$tmp/err")"
    ;;
indices)
    # rgeo depends on GM alone: its first-order and total indices are 1 for
    # GM and 0 for strength, within their intervals.
    "$prog" --vary GM=uniform:390000:410000 --vary strength=uniform:30:60 --samples 500 \
        --figures rgeo,time --indices --format csv --method integral >"$tmp/indices" 2>/dev/null ||
        fail "the indices failed"
    awk -F, '$1 == "rgeo" {
            want = $2 == "GM" ? 1 : 0
            if ($4 > want + 1e-9 || $5 < want - 1e-9 || $7 > want + 1e-9 || $8 < want - 1e-9) { print; exit 1 }
            n++
        }
        END { if (n != 2) exit 1 }' "$tmp/indices" || fail "rgeo's indices: $(cat "$tmp/indices")"
    ;;
missed)
    # Draws whose periods miss exit 3 as a sweep does, in every form. The
    # rows, the summary and the indices warn of the same notes; JSON's
    # metadata counts the rows the indices leave out as standard error does.
    for form in --quiet --summary --indices; do
        "$prog" --vary strength=uniform:0.6:0.8 --modes 1 --figures period_in_1 --samples 3 "$form" \
            >/dev/null 2>&1
        status=$?
        [ $status -eq 3 ] || fail "$form: status $status where a period missed, wanted 3"
    done
    v=(--vary strength=normal:1:10 --samples 200 --method integral --figures time)
    "$prog" "${v[@]}" 2>&1 >/dev/null | sed -n 's/^tether-explore: warning: draw [^:]*: //p' >"$tmp/rows"
    "$prog" "${v[@]}" --summary 2>&1 >/dev/null | sed -n 's/^tether-explore: warning: [^:]*: //p' >"$tmp/summary"
    "$prog" "${v[@]}" --indices --format json >"$tmp/json" 2>"$tmp/err"
    [ -s "$tmp/rows" ] || fail "the rows say no warning"
    cmp -s "$tmp/rows" "$tmp/summary" || fail "the rows' and the summary's warnings differ"
    [ "$(grep -c '^tether-explore: warning: design ' "$tmp/err")" -eq "$(wc -l <"$tmp/rows")" ] ||
        fail "the indices' warnings: $(cat "$tmp/err")"
    left=$(sed -n 's/^tether-explore: time: \([0-9]*\) of 200 rows left out.*/\1/p' "$tmp/err")
    head -n 1 "$tmp/json" | grep -qF "\"left_out\":{\"time\":${left:-none}}" ||
        fail "left out: $(head -n 1 "$tmp/json") against $(cat "$tmp/err")"
    ;;
errors)
    # Bad draws: status 2, nothing on standard output, a message naming the argument.
    # shellcheck source=tests/refusals.sh
    . "$(dirname "$0")/refusals.sh"
    expect_refusals <<'LIST'
--vary strength=gauss:35:5|--vary strength=gauss:35:5: unknown distribution 'gauss'
--vary strength=normal:35|--vary strength=normal:35: normal:MEAN:SD takes 2 numbers, not 1
--vary strength=uniform:1:2:3|--vary strength=uniform:1:2:3: uniform:LOW:HIGH takes 2 numbers, not 3
--vary strength=normal:35:0|--vary strength=normal:35:0: SD = 0: must be greater than 0
--vary strength=uniform:5:5|--vary strength=uniform:5:5: LOW = 5 and HIGH = 5: LOW must be less than HIGH
--vary strength=triangular:1:5:3|--vary strength=triangular:1:5:3: MODE = 5: must lie from LOW = 1 to HIGH = 3
--vary strength=lognormal:35:0.9|--vary strength=lognormal:35:0.9: FACTOR = 0.9: must be greater than 1
--vary nosuch=normal:1:1|--vary nosuch=normal:1:1: unknown parameter 'nosuch'
--vary strength=normal:35:1 --vary strength=uniform:1:2|--vary strength=uniform:1:2: strength is varied twice
--vary strength=normal:35:1 --sweep strength=1,2|--vary strength=normal:35:1: strength is swept too
--vary strength=normal:35:1 --sweep vmax=1,2|--vary cannot be combined with --sweep for now
--vary strength=normal:35:1 --solve vmax=1:200 --for time=100|--vary cannot be combined with --solve for now
--vary strength=normal:35:1 --samples 0|--samples: '0': the number of draws must be a whole number from 1 to 10000000
--vary strength=normal:35:1 --samples 1e8|--samples: '1e8': the number of draws must be a whole number
--vary strength=normal:35:1 --samples 2.5|--samples: '2.5': the number of draws must be a whole number
--vary strength=normal:35:1 --key 1.5|--key: '1.5': a seed must be a whole number from 0 to 18446744073709551615
--vary strength=normal:35:1 --seed 18446744073709551616|--seed: '18446744073709551616': a seed must be a whole number
--vary strength=normal:35:1 --seed 1 --key 1|--seed excludes --key
--vary strength=normal:35:1 --set strength=50|--vary strength=normal:35:1: strength is set too
--samples 5|--samples needs --vary NAME=DIST
--vary strength=normal:35:1 --summary --shard 1/2|--summary cannot be combined with --shard
--vary strength=normal:35:1 --indices --shard 1/2|--indices cannot be combined with --shard
--vary strength=normal:35:1 --summary --indices|--summary cannot be combined with --indices
--vary strength=normal:35:1 --where time<1|--where needs --summary
--vary strength=normal:35:1 --summary --where tim<1|--where tim<1: unknown figure 'tim'
--vary strength=normal:35:1 --indices --samples 1e7|--indices: the indices hold every design's figures
LIST
    ;;
*)
    fail "unknown check $check"
    ;;
esac
echo "ok: $check"
