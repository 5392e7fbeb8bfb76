# Sourced by the command-line tests: expect_refusals reads lines of
# "ARGUMENTS|MESSAGE" on standard input and checks that each ARGUMENTS makes
# $prog exit with status 2, print nothing on standard output and begin its
# standard error with "tether-explore: MESSAGE". Needs $prog, $tmp and fail.
expect_refusals() {
    while IFS='|' read -r args wanted; do
        # shellcheck disable=SC2086
        "$prog" $args >"$tmp/out" 2>"$tmp/err"
        status=$?
        [ "$status" -eq 2 ] || fail "'$args': exit status $status, wanted 2"
        [ -s "$tmp/out" ] && fail "'$args': wrote to standard output"
        head -n 1 "$tmp/err" | grep -qF "tether-explore: $wanted" ||
            fail "'$args': standard error '$(head -n 1 "$tmp/err")', wanted 'tether-explore: $wanted'"
    done
}
