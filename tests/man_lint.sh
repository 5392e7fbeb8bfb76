#!/usr/bin/env bash
# The manual page passes mandoc's lint with nothing to report.
# usage: man_lint.sh PAGE
# Exits 0 on success, 1 on failure, 77 when mandoc is not installed.
set -u
command -v mandoc >/dev/null || { echo "SKIP: mandoc is not installed (Debian: mandoc)"; exit 77; }
# mandoc also remarks on the host's own manual database when it follows an
# Xr reference ("outdated mandoc.db lacks gnuplot(1) entry"): that is about
# the machine, not the page, so those lines alone are passed over.
out=$(mandoc -Tlint "$1" 2>&1)
status=$?
out=$(printf '%s\n' "$out" | grep -v 'outdated mandoc.db lacks .* entry, run makewhatis')
if [ -n "$out" ] || [ "$status" -ne 0 ]; then
    printf '%s\n' "$out"
    echo "FAIL: mandoc -Tlint reported on $1 (status $status)" >&2
    exit 1
fi
echo "ok: $1"
