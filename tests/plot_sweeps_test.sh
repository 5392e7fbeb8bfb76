#!/usr/bin/env bash
# gnuplot reads tether-explore's sweep tables, and the sweep plots are drawn.
# usage: plot_sweeps_test.sh EXPLORER PLOT_SCRIPT
# Exits 0 on success, 1 on failure, 77 when gnuplot is not installed.
set -u
prog=$1 script=$2
command -v gnuplot >/dev/null || { echo "SKIP: gnuplot is not installed (Debian: gnuplot-nox)"; exit 77; }
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# A 5 x 2 grid: 10 records of 2 swept values and 28 figures, none invalid,
# in blocks separated by blank lines. Where the top speed is never reached
# the cap altitude is NaN, which gnuplot reads as a missing value: the row's
# other columns are still read.
stats() {
    gnuplot -e "stats '< $prog --set rhog=auto --sweep strength=30:70:5 --sweep vmax=$1 2>/dev/null' using $2 nooutput; \
        print STATS_records, STATS_columns, STATS_invalid, (STATS_blank > 0)" 2>&1 ||
        fail "gnuplot stats failed"
}
counts=$(stats 50,100 14)
[ "$counts" = "10 30 0 1" ] ||
    fail "gnuplot read '$counts' (records, columns, invalid, any blank), wanted '10 30 0 1'"
counts=$(stats 50,1e9 13)
[ "$counts" = "10 30 0 1" ] ||
    fail "with NaN cap altitudes gnuplot read '$counts' from column 13, wanted '10 30 0 1'"

gnuplot -e "prog='$prog'; outdir='$tmp'" "$script" 2>"$tmp/err" || fail "gnuplot failed: $(cat "$tmp/err")"
[ -s "$tmp/err" ] && fail "gnuplot warned: $(cat "$tmp/err")"
for plot in material speed apex; do
    grep -q '</svg>' "$tmp/sweep-$plot.svg" || fail "no complete sweep-$plot.svg"
done
grep -q 'specific strength (MJ/kg)' "$tmp/sweep-material.svg" || fail "the material plot has no strength axis"
echo "ok: a sweep table of 10 records and 14 columns, three plots written"
