#!/usr/bin/env bash
# The worked examples in the README still print what the README shows.
# usage: readme_examples.sh README BIN_DIR SECTION...
# In each named "## SECTION" of the README, every ```sh block line that
# starts with "$ " is a command, run by bash with BIN_DIR first on PATH, and
# the lines after it, up to the next command or the end of the block, are
# its expected output. Exits 0 on success, 1 on failure.
set -u
readme=$1 bin=$2
shift 2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

count=0
for section in "$@"; do
    # One file per command: its first line the command, the rest the output.
    awk -v section="## $section" -v dir="$tmp" '
        /^## / { inside = ($0 == section) }
        inside && /^```sh$/ { block = 1; next }
        block && /^```$/ { block = 0; next }
        block && /^\$ / { n++; file = sprintf("%s/%s-%03d", dir, "cmd", n); print substr($0, 3) > file; next }
        block && file != "" { print >> file }
    ' "$readme"
    found=$(ls "$tmp" | wc -l)
    [ "$found" -gt 0 ] || fail "no examples in section '$section' of $readme"
    for file in "$tmp"/cmd-*; do
        command=$(head -n 1 "$file")
        tail -n +2 "$file" >"$tmp/wanted"
        PATH="$bin:$PATH" bash -c "$command" >"$tmp/got" 2>&1 || fail "'$command' failed: $(cat "$tmp/got")"
        if ! cmp -s "$tmp/got" "$tmp/wanted"; then
            diff "$tmp/wanted" "$tmp/got" | head -n 20 >&2
            fail "'$command' no longer prints what the README shows"
        fi
        rm "$file"
        count=$((count + 1))
    done
done
echo "ok: $count examples"
