#!/usr/bin/env bash
# The manual page passes mandoc's lint with nothing to report.
# usage: man_lint.sh PAGE
# Exits 0 on success, 1 on failure, 77 when mandoc is not installed.
set -u
command -v mandoc >/dev/null || { echo "SKIP: mandoc is not installed (Debian: mandoc)"; exit 77; }
# mandoc also remarks on the host's own manual database when it follows an
# Xr reference ("outdated mandoc.db lacks gnuplot(1) entry"), and a page of
# this project that is not installed yet is "not found": those are about the
# machine, not the page, so those lines alone are passed over.
out=$(mandoc -Tlint "$1" 2>&1)
status=$?
out=$(printf '%s\n' "$out" | grep -v -e 'outdated mandoc.db lacks .* entry, run makewhatis' \
    -e 'STYLE: referenced manual not found: Xr tether-\(study\|explore\) 1' \
    -e 'STYLE: operating system explicitly specified: Os tether-study')
# mandoc's status counts the lines passed over too: only what is left counts.
if [ -n "$out" ] || [ "$status" -gt 1 ]; then
    printf '%s\n' "$out"
    echo "FAIL: mandoc -Tlint reported on $1 (status $status)" >&2
    exit 1
fi
echo "ok: $1"
