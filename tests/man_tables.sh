#!/usr/bin/env bash
# The manual page describes every parameter, figure and ascent column that
# the program's tables hold, under its own name.
# usage: man_tables.sh PROGRAM MAN_PAGE
set -u
prog=$1 page=$2
fail() { echo "FAIL: $*" >&2; exit 1; }

# No macro runs into the text before it ("... h.It Sy NAME" loses an item).
run_in=$(grep -nE '[^[:space:]\\]\.(It|Sy|Fl|Ar|Cm|Pp|Bl|El|Sh|Ss|Pa|Pq)( |$)' "$page")
[ -z "$run_in" ] || fail "a macro runs into the text before it in $page: $run_in"

# Names the page sets in bold (.Sy NAME, .It Sy NAME , OTHER).
described=$(grep -E '^\.(It )?Sy ' "$page" | sed -E 's/^\.(It )?Sy //; s/ No .*//' |
    tr ' ,' '\n\n' | grep -E '^[A-Za-z_]+$' | sort -u)
[ -n "$described" ] || fail "no names found in $page"

parameters=$("$prog" --list | awk '/^[A-Za-z]/ { print $1 }')
figures=$("$prog" --format csv --set rhog=auto | head -n 1 | tr ',' '\n')
columns=$("$prog" --ascent --format csv | head -n 1 | tr ',' '\n')
for kind in parameters figures columns; do
    for name in ${!kind}; do
        grep -qx "$name" <<<"$described" || fail "$kind: $name is not described in $page"
    done
done
# The options: every long option of --help (built from the option table,
# tools/options.cpp) has its item on the page, and
# the page has no item for an option the program does not take.
given=$("$prog" --help | grep -E '^ +-' | grep -oE -- '--[a-z]+' | sort -u)
paged=$(grep -E '^\.It Fl -[a-z]+' "$page" | grep -oE 'Fl -[a-z]+' | sed 's/^Fl /-/' | sort -u)
[ "$given" = "$paged" ] ||
    fail "options of --help and of the page differ: $(diff <(echo "$given") <(echo "$paged") | grep '^[<>]' | tr '\n' ' ')"
echo "ok: every parameter, figure, ascent column and option is in the manual page"
