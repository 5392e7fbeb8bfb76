#!/usr/bin/env bash
# gnuplot reads the report as a data file, and the ascent plot is drawn.
# usage: plot_test.sh PROGRAM PLOT_SCRIPT
# Exits 0 on success, 1 on failure, 77 when gnuplot is not installed.
set -u
prog=$1 script=$2
command -v gnuplot >/dev/null || { echo "SKIP: gnuplot is not installed (Debian: gnuplot-nox)"; exit 77; }
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# Every table row must have all 13 columns: a short row would count as
# invalid or missing for column 13.
counts=$(gnuplot -e "stats '< $prog' using 13 nooutput; \
    print STATS_records, STATS_columns, STATS_invalid, STATS_blank" 2>&1) ||
    fail "gnuplot stats failed: $counts"
[ "$counts" = "1789 13 0 0" ] ||
    fail "gnuplot read '$counts' (records, columns, invalid, blank), wanted '1789 13 0 0'"

gnuplot -e "prog='$prog'; out='$tmp/ascent.svg'" "$script" 2>"$tmp/err" ||
    fail "gnuplot failed: $(cat "$tmp/err")"
[ -s "$tmp/err" ] && fail "gnuplot warned: $(cat "$tmp/err")"
grep -q '</svg>' "$tmp/ascent.svg" || fail "no complete SVG written"
grep -q 'altitude (km)' "$tmp/ascent.svg" || fail "the plot has no altitude axis"
echo "ok: 1789 rows of 13 columns, plot written"
