#!/usr/bin/env bash
# tests/skip_summary.sh names as skipped exactly the tests CTest did not
# run: a test skipped whole (skip.sh), not a docs page whose examples ran
# but one (doc_examples.sh), which is named as skipped in part.
# usage: skip_summary_test.sh TESTS_DIR
set -u
dir=$(cd "$1" && pwd) tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
printf '```sh\n$ echo ran\nran\n```\n\n<!-- needs: no-such-tool (Debian: none) -->\n```sh\n$ no-such-tool\n```\n' >"$tmp/page.md"
cat >"$tmp/CMakeLists.txt" <<END
cmake_minimum_required(VERSION 3.16)
project(skips NONE)
enable_testing()
add_test(NAME whole COMMAND $dir/skip.sh NOT_REQUIRED_HERE "a tool is missing")
add_test(NAME part COMMAND $dir/doc_examples.sh $tmp/page.md $tmp)
set_tests_properties(whole part PROPERTIES SKIP_RETURN_CODE 77)
END
(unset NOT_REQUIRED_HERE; cmake -S "$tmp" -B "$tmp/b" >/dev/null && cd "$tmp/b" && ctest >"$tmp/ctest" 2>&1) ||
    fail "ctest: $(cat "$tmp/ctest")"
not_run=$(sed -n 's/^\t *[0-9]* - \([a-z]*\) (Skipped)$/\1/p' "$tmp/ctest")
skipped=$("$dir/skip_summary.sh" "$tmp/b" | sed -n 's/^skipped: \([a-z]*\): .*/\1/p')
[ "$not_run" = whole ] && [ "$skipped" = "$not_run" ] ||
    fail "CTest did not run '$not_run', the summary says skipped '$skipped'"
"$dir/skip_summary.sh" "$tmp/b" | grep -q '^skipped in part: part: 1 of the examples' ||
    fail "the page skipped in part is not named: $("$dir/skip_summary.sh" "$tmp/b")"
# A test skipped for a missing tool or locale says what installs it.
bare=$(grep -nE '(skip|SKIP:?) .*(not installed|is missing)' "$dir"/*.sh "$dir"/web/*.mjs |
    grep -v -e Debian -e 'make ' -e '^[^:]*/\(doc_examples\|skip_summary_test\).sh:')
[ -z "$bare" ] || fail "a skip without an install hint: $bare"
echo "ok: the skipped tests are the ones CTest did not run, and each says what it needs"
