#!/usr/bin/env bash
# End-to-end checks of tether-explore.
# usage: explore_cli.sh CHECK PROGRAM EXPECTED_REPORT
# Exits 0 on success, 1 on failure.
set -u
check=$1 prog=$2 expected=$3
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# Runs the program; leaves standard output, standard error and status.
run() {
    "$prog" "$@" >"$tmp/out" 2>"$tmp/err"
    status=$?
}

case $check in
usage)
    # Every bad command line or design: status 2, a message that starts with
    # the program's name and says what is wrong, and nothing on standard output.
    printf 'strength = 50\nvmax = fast # km/h?\n' >"$tmp/bad.design"
    while IFS='|' read -r args wanted; do
        # shellcheck disable=SC2086
        run $args
        [ "$status" -eq 2 ] || fail "'$args': exit status $status, wanted 2"
        [ -s "$tmp/out" ] && fail "'$args': wrote to standard output"
        head -n 1 "$tmp/err" | grep -qF "tether-explore: $wanted" ||
            fail "'$args': standard error '$(head -n 1 "$tmp/err")', wanted 'tether-explore: $wanted'"
    done <<LIST
--bogus|The following argument was not expected: --bogus
extra|The following argument was not expected: extra
--set colour=red|--set colour=red: unknown parameter
--set strength=abc|--set strength=abc: not a finite number
--set strength=|--set strength=: not a finite number
--set strength=nan|--set strength=nan: not a finite number
--set strength=inf|--set strength=inf: not a finite number
--set rhog=1e-320|--set rhog=1e-320: 1e-320 is too close to 0
--set strength=1e400|--set strength=1e400: 1e400 is beyond the largest number, about 1.8e308
--set rhog=1e-400|--set rhog=1e-400: 1e-400 is too close to 0: it rounds to 0 or to a subnormal number, and a normal number (at least about 2.2e-308) is needed
--set strength=-35|strength = -35 GPa: must be greater than 0
--set safety=0.99|safety = 0.99: must be at least 1
--set safety=0|safety = 0: must be greater than 0
--set safety=nan|--set safety=nan: not a finite number
--set safety=inf|--set safety=inf: not a finite number
--set density=0|density = 0 kg/m^3: must be greater than 0
--set modulus=-1|modulus = -1 GPa: must be greater than 0
--set csgeo=0|csgeo = 0 mm^2: must be greater than 0
--set GM=0|GM = 0 km^3/s^2: must be greater than 0
--set RE=-6378|RE = -6378 km: must be greater than 0
--set tsid=0|tsid = 0 s: must be greater than 0
--set mclimb=0|mclimb = 0 kg: must be greater than 0
--set fextra=-1|fextra = -1 N: must be greater than 0
--set dz=0|dz = 0 km: must be greater than 0
--set rowdz=0|rowdz = 0 km: must be greater than 0
--set vmax=0|vmax = 0 m/s: must be greater than 0
--set rapex=42164|rapex = 42164 km: must be greater than the geostationary radius
--set rapex=42164.16962408611|rapex = 42164.16962408611 km: must be greater than the geostationary radius, 42164.169624086106 km, by more than a relative 1e-12
--set safety=1e300|safety = 1e+300 and strength = 35.1 GPa: too high: the working stress
--set ztop=35786.17|ztop = 35786.17 km: must be below the geostationary altitude
--set ztop=40000|ztop = 40000 km: must be below the geostationary altitude
--report --set rowdz=0.3|rowdz = 0.3 km: must be a whole multiple of dz = 0.125 km
--set strength=0.3|strength = 0.3 GPa and rapex = 3e+05 km: too low for the apex
--set dz=1e-5|dz = 1e-05 km: gives 3576700001 march points
--planet venus|--planet: venus not in {earth,mars,moon-l1,moon-l2}
--config $tmp/none.design|$tmp/none.design: cannot read the design file
--config $tmp|$tmp: cannot read the design file
--config $tmp/bad.design|$tmp/bad.design:2: vmax = fast: not a finite number
--report --format csv|--format excludes --report
--report --list|--list excludes --report
--ascent --report|--report excludes --ascent
--swing --sweep vmax=50,60|--swing excludes --sweep
--swing --method march|--swing follows the climb by the integral method: not with --method march
--ascent --set rowdz=0.3|rowdz = 0.3 km: must be a whole multiple of dz = 0.125 km
--format xml|--format: xml not in {table,csv,json}
--solve a --solve b|--solve is given 2 times: give it once
--modes 3 --modes 4|--modes is given 2 times: give it once
--format csv --format json --format csv|--format is given 3 times: give it once
--jobs 1 --jobs 2 --modes 1 --modes 2|--jobs is given 2 times: give it once
--jobs 0 --figures ,|--figures names none: give NAME,...
--jobs 0 --modes 0|--modes: 0 is not a whole number from 1 to 100
--shard 3/2 --sweep vmax=1:2:0|--sweep vmax=1:2:0: N = 0
--set climbers=0|climbers = 0: must be a whole number, at least 1
--set climbers=1.5|climbers = 1.5: must be a whole number, at least 1
--set climbers=1e9|climbers = 1e+09: must be at most 1e6
--set interval=0|interval = 0 h: must be a finite number of hours greater than 0
--set interval=-12|interval = -12 h: must be a finite number of hours greater than 0
--set interval=1e-9|interval = 1e-09 h: puts more than 1e6 climbers on the tether at once
--set interval=nan|--set interval=nan: not a finite number or auto
--set interval=inf|--set interval=inf: not a finite number or auto
--set interval=1e400|--set interval=1e400: 1e400 is beyond the largest number
--set interval=12 --set climbers=3|interval = 12 h and climbers = 3: gives a stream of single climbers, and climbers = 3 holds that many: drop interval to hold them, or climbers for the stream
--set anchor=-1|anchor = -1 kN: must be at least 0
--set anchor=nan|--set anchor=nan: not a finite number
--set payload=16000.5|payload = 16000.5 kg and mclimb = 16000 kg: must be at most mclimb
--set payload=-1|payload = -1 kg: must be at least 0
--load --sweep vmax=1,2|--load cannot be combined with --sweep
--load --solve csgeo=1:1000 --for load_share=1|--load cannot be combined with --solve
--figures , --method integral|--figures names none
--figures time,time|--figures: figure 'time' is named twice
--sweep vmax=1,2 --figures time,vmax|--figures: 'vmax' is a parameter, not a figure
--planet moon-l1 --report|--report is the study of a planet turning alone
LIST
    ;;
traffic)
    # The traffic's columns come after every other, the modes' included, and
    # are empty by the march; one warning where the foot would lift, none
    # beside the one that says it cannot lift one climber.
    run --sweep vmax=50,100 --modes 1 --format csv
    [ "$(head -n 1 "$tmp/out" | cut -d, -f23-)" = "period_in_1,period_out_1,load_capacity,peak_load,load_share,min_interval,on_tether,max_throughput,throughput" ] ||
        fail "columns: $(head -n 1 "$tmp/out")"
    [ "$(sed -n 2p "$tmp/out" | cut -d, -f25-)" = ",,,,,," ] || fail "by the march: $(sed -n 2p "$tmp/out")"
    run --method integral --set climbers=20 --figures load_share
    [ "$status" -eq 0 ] && [ "$(grep -c 'the foot would lift' "$tmp/err")" -eq 1 ] ||
        fail "climbers=20: status $status, $(cat "$tmp/err")"
    run --method integral --sweep climbers=1:30:30 --figures load_share
    [ "$(grep -c 'the foot would lift' "$tmp/err")" -eq 1 ] || fail "sweep: $(cat "$tmp/err")"
    run --method integral --set mclimb=40000 --set fextra=1e5 --figures load_share,min_interval
    grep -q 'cannot lift it' "$tmp/err" && ! grep -q 'would lift' "$tmp/err" ||
        fail "a climber the foot cannot lift: $(cat "$tmp/err")"
    # --load: a row every rowdz up to GEO; the foot's tension is t0 less
    # the peak load, which the figures give.
    run --load --set climbers=4 --set anchor=10 --format csv
    [ "$status" -eq 0 ] && [ "$(head -n 1 "$tmp/out")" = "alt,t0,tension,share" ] || fail "--load: $(cat "$tmp/err")"
    [ "$(wc -l <"$tmp/out")" -eq 1792 ] || fail "--load rows: $(wc -l <"$tmp/out")"
    IFS=, read -r capacity peak < <("$prog" --method integral --set climbers=4 --set anchor=10 \
        --figures load_capacity,peak_load --format csv | tail -n 1)
    awk -F, -v c="$capacity" -v p="$peak" 'NR == 2 { d = ($2 - $3) / (p - 10) - 1; exit !($2 == c && d * d < 1e-26) }' \
        "$tmp/out" || fail "--load's foot $(sed -n 2p "$tmp/out") against $capacity, $peak"
    # Goal seek: the cross-section whose tether carries a climber every 12 h.
    run --solve csgeo=1:1000 --for load_share=1 --set interval=12 --set rhog=auto --format csv
    [ "$status" -eq 0 ] || fail "--solve: $(cat "$tmp/err")"
    share=$(awk -F, 'NR == 1 { for (i = 1; i <= NF; i++) if ($i == "load_share") c = i } NR == 2 { print $c }' "$tmp/out")
    awk -v s="$share" 'BEGIN { exit !((s - 1)^2 < 1e-20) }' || fail "solved load_share $share"
    [ -s "$tmp/err" ] && fail "a design sized to a share of 1 warned: $(cat "$tmp/err")"
    ;;
report)
    # The default design's report is the study's, byte for byte.
    run --report
    [ "$status" -eq 0 ] || fail "exit status $status"
    cmp -s "$tmp/out" "$expected" || fail "--report differs from $expected"
    ;;
list)
    # The listing reads back through --config to the same listing, and the
    # file's settings come before --planet and --set.
    run --set strength=50 --set rhog=auto --set dz=0.1 --list
    [ "$status" -eq 0 ] || fail "exit status $status"
    cp "$tmp/out" "$tmp/design"
    run --config "$tmp/design" --list
    cmp -s "$tmp/out" "$tmp/design" || fail "the listing does not read back to itself"
    run --config "$tmp/design" --planet mars --set strength=60 --list
    grep -q '^strength = 60 ' "$tmp/out" || fail "--set does not override the file"
    grep -q '^RE       = 3396.2 ' "$tmp/out" || fail "--planet does not override the file"
    grep -q '^dz       = 0.1 ' "$tmp/out" || fail "the file's step was lost"
    # A file's planet stands where --planet is not given. The design's
    # warning is in the file, not on the terminal; a report's after it.
    run --planet mars --list
    [ ! -s "$tmp/err" ] && grep -q '^# warning: rhog' "$tmp/out" || fail "mars' warning: $(cat "$tmp/err")"
    "$prog" --planet mars --report 2>&1 | tail -n 1 | grep -q '^tether-explore: warning: rhog' ||
        fail "the report's warning does not come last"
    cp "$tmp/out" "$tmp/mars.design"
    run --config "$tmp/mars.design" --list
    cmp -s "$tmp/out" "$tmp/mars.design" || fail "the file's planet did not stand"
    # At the end of plain digits, and next to it, as std::to_chars writes them.
    for v in 1e+15 1000000000000000.1 999999999999999.9; do
        run --set fextra=$v --list
        grep -q "^fextra   = $v " "$tmp/out" || fail "fextra=$v listed as $(grep '^fextra' "$tmp/out")"
    done
    ;;
formats)
    # The march's sums to the last bit, in each machine format.
    run --format csv
    # The study's figures first, the whole tether's after them, the traffic's last.
    [ "$(sed -n 1p "$tmp/out")" = "rgeo,yuri,taper_re,taper_apex,cs_re,cs_apex,mapex,mre,tether_mass,total_mass,time,cap_alt,lower_mass,upper_mass,system_mass,orbit_alt,escape_alt,apex_speed,apex_vinf,uniform_yuri,uniform_top,load_capacity,peak_load,load_share,min_interval,on_tether,max_throughput,throughput" ] ||
        fail "CSV header: $(sed -n 1p "$tmp/out")"
    [ "$(wc -l <"$tmp/out")" -eq 2 ] || fail "CSV is not one header and one row"
    sed -n 2p "$tmp/out" | cut -d, -f10-12 | grep -qx '2275.3355806298227,105.97027192859169,1943.75' ||
        fail "CSV row: $(sed -n 2p "$tmp/out")"
    run --format json --set vmax=1e9
    grep -q '"total_mass":[0-9.]*,"time":[0-9.]*,"cap_alt":null,' "$tmp/out" || fail "JSON: $(cat "$tmp/out")"
    # A payload let go at the top end of a tether that ends below escape
    # stays bound: an answer, null in JSON, empty in CSV, and exit 0.
    run --format json --set rapex=50000
    [ "$status" -eq 0 ] && grep -q '"apex_vinf":null,' "$tmp/out" || fail "bound: $(cat "$tmp/out")"
    run --set vmax=1e9
    [ "$(awk 'NR == 3 { print $12 }' "$tmp/out")" = NaN ] || fail "table: $(cat "$tmp/out")"
    # The ascent rows are the report's rows: the same points, the same numbers.
    run --ascent --format csv
    [ "$(sed -n 1p "$tmp/out")" = "alt,taper,grav,power,speed,time,surplus,coriolis,tilt" ] ||
        fail "ascent CSV header: $(sed -n 1p "$tmp/out")"
    awk -F, 'NR > 1 { printf "%10.0f%9.5f%9.5f%9.5f%9.3f%9.3f%9.3f\n", $1, $2, $3, $4, $5, $6, $7 }' \
        "$tmp/out" >"$tmp/ascent"
    grep -v '^#' "$expected" | cut -c 1-64 | cmp -s - "$tmp/ascent" ||
        fail "the ascent rows differ from the report's rows"
    ;;
write-error)
    "$prog" >/dev/full 2>"$tmp/err"
    status=$?
    [ "$status" -eq 1 ] || fail "exit status $status, wanted 1"
    [ "$(cat "$tmp/err")" = "tether-explore: write error: No space left on device (0 of 1 designs written)" ] ||
        fail "standard error: $(cat "$tmp/err")"
    ;;
notes)
    # The study's design has nothing to warn of, by either method.
    for method in march integral; do
        run --method $method
        [ "$status" -eq 0 ] && [ ! -s "$tmp/err" ] || fail "--method $method: $(cat "$tmp/err")"
    done
    # A counterweight heavier than the tether below the march's top: the
    # report's own masses in the one line that says so.
    run --set strength=150 --report
    [ "$status" -eq 0 ] || fail "strength=150 --report: status $status"
    total=$(awk '/^# Total  mass/ { print $4 }' "$tmp/out")
    apex=$(awk '/^# Apex   mass/ { print $4 }' "$tmp/out")
    [ "$(wc -l <"$tmp/err")" -eq 2 ] || fail "strength=150: $(cat "$tmp/err")"
    line=$(grep 'tether_mass' "$tmp/err")
    awk -v line="$line" -v total="$total" -v apex="$apex" 'BEGIN {
        if (match(line, /total_mass = [0-9.]+/) == 0) exit 1
        t = substr(line, RSTART + 13, RLENGTH - 13)
        if (match(line, /mapex = [0-9.]+/) == 0) exit 1
        a = substr(line, RSTART + 8, RLENGTH - 8)
        d1 = t - total; d2 = a - apex
        exit !(d1 * d1 < 1e-4 && d2 * d2 < 1e-4)
    }' || fail "the warning's masses are not the report's ($total, $apex): $line"
    # In a sweep: once, for the first design, with the count of the others.
    run --sweep strength=100:200:5 --sweep vmax=1,2
    grep -q '^tether-explore: warning: design 5 of 10 (strength=150, vmax=1) and 5 more: tether_mass = ' \
        "$tmp/err" || fail "a sweep's note: $(cat "$tmp/err")"
    [ "$(grep -c tether_mass "$tmp/err")" -eq 1 ] || fail "a sweep's note said twice"
    # A march whose first step holds most of the time: said once, naming the
    # integral method, which has no steps.
    for args in "--set fextra=1e-5 --set mclimb=1e6 --set csgeo=2000" "--set ztop=0.1 --set rhog=auto" \
                "--set ztop=0.1 --set rhog=auto --ascent" "--set ztop=0.1 --set rhog=auto --report"; do
        # shellcheck disable=SC2086
        run $args
        [ "$(grep -c "first point alone gives .* (--method integral)\$" "$tmp/err")" -eq 1 ] ||
            fail "'$args': $(cat "$tmp/err")"
    done
    run --set fextra=1e-5 --set mclimb=1e6 --method integral
    grep -q 'first point' "$tmp/err" && fail "the integral method has no first point"
    # A foot that cannot hold the climber at the working stress: said, with
    # the figure it concerns; a safety factor that keeps it holding: not.
    run --set safety=3 --set rhog=auto --format csv
    mre=$(awk -F, 'NR == 1 { for (i = 1; i <= NF; i++) if ($i == "mre") c = i } NR == 2 { print $c }' "$tmp/out")
    awk -v m="$mre" 'BEGIN { exit !(m * 1000 < 16000) }' || fail "safety 3: mre $mre"
    grep -q "^tether-explore: warning: mre = .* cannot lift it" "$tmp/err" || fail "safety 3: $(cat "$tmp/err")"
    # Its climb empty (not a miss: status 0), its loads refused.
    [ "$status" -eq 0 ] && awk -F, 'NR == 2 { exit $11 $12 != "" }' "$tmp/out" || fail "safety 3: $(cat "$tmp/out")"
    run --set safety=3 --load
    [ "$status" -eq 2 ] && [ ! -s "$tmp/out" ] || fail "safety 3 --load: status $status"
    run --set safety=1.1 --set rhog=auto
    [ ! -s "$tmp/err" ] || fail "safety 1.1: $(cat "$tmp/err")"
    # Figures the march leaves empty, named with the option that gives them.
    run --figures time,max_throughput
    grep -q "^tether-explore: warning: max_throughput is .*integral method.* (--method integral)\$" "$tmp/err" ||
        fail "the march's empty figures: $(cat "$tmp/err")"
    ;;
solve)
    # Refused before anything is written: status 2 and the reason.
    while IFS='|' read -r args wanted; do
        # shellcheck disable=SC2086
        run $args
        [ "$status" -eq 2 ] && [ ! -s "$tmp/out" ] || fail "'$args': status $status, $(cat "$tmp/out")"
        grep -qF "tether-explore: $wanted" "$tmp/err" || fail "'$args': $(head -n 1 "$tmp/err")"
    done <<LIST
--solve strength=10:300 --for time=72|at strength = 10 GPa (the bracket's low end) the foot cannot lift the climber
--solve strength=10:300 --for time=110 --method march|--solve seeks with the integral method, whose figures are smooth in the parameters: not with --method march
--solve strength=10:300 --for time=110 --report|--report cannot be combined with --solve
--solve strength=10:300 --for time=110 --ascent|--ascent cannot be combined with --solve
--solve colour=1:2 --for time=1|--solve colour=1:2: unknown parameter
--solve strength=1:2 --for colour=1|--for colour=1: unknown figure
--solve strength=3:2 --for time=1|--solve strength=3:2: LOW must be less than HIGH
--solve strength=1:3 --for time=1 --sweep strength=1,2|--solve strength=1:3: strength is swept too
--for time=1|--for needs --solve NAME=LOW:HIGH
--solve vmax=50:1e9 --for cap_alt=1000|cap_alt has no value at vmax = 1e+09 m/s (the bracket's high end)
--solve vmax=10:20 --for period_in_1=100|--for period_in_1=100: 'period_in_1' is an oscillation period, which goal seek cannot seek
--solve rapex=42164.2:300000 --for rgeo=42164.1|rgeo = 42164.2 km at rapex = 42164.2 km and 42164.2 km at rapex = 300000 km: 42164.1 km is not between them
LIST
    # A base design refused on another parameter: in --set's words, as a
    # plain run says it, with no bracket blamed.
    "$prog" --set vmax=-1 2>"$tmp/plain"
    run --set vmax=-1 --solve strength=10:300 --for time=100
    [ "$status" -eq 2 ] && cmp -s "$tmp/err" "$tmp/plain" || fail "a refused base: $(cat "$tmp/err")"
    # The figures at the ends as computed: a target of 1e308 leaves them whole.
    slow=$("$prog" --set vmax=1e-300 --method integral --format csv | awk -F, 'NR == 2 { printf "%.5g", $11 }')
    run --solve vmax=1e-300:1e300 --for time=1e308
    grep -qF "time = $slow h at vmax = 1e-300 m/s and " "$tmp/err" || fail "figures at the ends: $(cat "$tmp/err")"
    # A figure that jumps or steps over the target has no answer: status 3,
    # an empty row, and where and why on standard error.
    while IFS='|' read -r args wanted; do
        # shellcheck disable=SC2086
        run $args --format csv
        [ "$status" -eq 3 ] && [ "$(sed -n 2p "$tmp/out" | tr -d ,)" = "" ] ||
            fail "'$args': status $status, $(cat "$tmp/out")"
        grep -q "^tether-explore: design 1 of 1: no value gives $wanted; its figures are NaN\$" "$tmp/err" ||
            fail "'$args': $(cat "$tmp/err")"
    done <<LIST
--set strength=10 --set csgeo=10000 --solve vmax=26.5:27.2 --for cap_alt=5000|cap_alt = 5000 km: it jumps from .* (a capped stretch of the climb appears or vanishes there)
--solve tsid=70000:100000 --for time=100|time = 100 h: it steps from .* (ztop = auto moves the top of the march by whole km, from .*: set ztop)
--solve GM=390000:410000 --for total_mass=2200|total_mass = 2200 t: it steps from .*: set ztop)
LIST
    # The jump's two top speeds, run on their own: cap_alt on either side.
    run --set strength=10 --set csgeo=10000 --solve vmax=26.5:27.2 --for cap_alt=5000
    for v in $(grep -o 'at vmax = [0-9.e+-]*' "$tmp/err" | cut -d' ' -f4); do
        "$prog" --set strength=10 --set csgeo=10000 --set vmax="$v" --method integral --format csv 2>/dev/null |
            awk -F, 'NR == 2 { print ($12 < 5000) }'
    done | sort | tr -d '\n' | grep -qx 01 || fail "the jump's ends: $(cat "$tmp/err")"
    # With ztop set, time is smooth in tsid and the same bracket answers.
    target=$("$prog" --set ztop=30000 --set tsid=80000 --method integral --format csv | awk -F, 'NR == 2 { print $11 }')
    run --set ztop=30000 --solve tsid=70000:100000 --for time="$target" --format csv
    [ "$status" -eq 0 ] && awk -F, 'NR == 2 { exit !($1 > 80000 - 1e-6 && $1 < 80000 + 1e-6) }' "$tmp/out" ||
        fail "tsid with ztop set: status $status, $(cat "$tmp/out") $(cat "$tmp/err")"
    # A bracket of 600 decades is searched on a log scale.
    target=$("$prog" --set vmax=140 --method integral --format csv | awk -F, 'NR == 2 { print $11 }')
    run --solve vmax=1e-300:1e300 --for time="$target" --format csv
    [ "$status" -eq 0 ] && awk -F, 'NR == 2 { exit !($1 > 140 - 1e-6 && $1 < 140 + 1e-6) }' "$tmp/out" ||
        fail "a wide bracket: status $status, $(cat "$tmp/out") $(cat "$tmp/err")"
    # The solved design's notes are those of a plain run of it.
    run --set csgeo=10000 --solve strength=10:300 --for time=110 --format csv
    "$prog" --set csgeo=10000 --set strength="$(sed -n 2p "$tmp/out" | cut -d, -f1)" --method integral >/dev/null 2>"$tmp/plain"
    grep -q rhog "$tmp/plain" && cmp -s "$tmp/err" "$tmp/plain" || fail "notes: $(cat "$tmp/err")"
    # One design: the solved value first, named for its parameter; the
    # figure is the target.
    run --set csgeo=10000 --solve strength=10:300 --for time=110 --format csv
    [ "$status" -eq 0 ] || fail "solve: status $status"
    [ "$(sed -n 1p "$tmp/out" | cut -d, -f1,12)" = "strength,time" ] || fail "solve: $(cat "$tmp/out")"
    awk -F, 'NR == 2 { exit !($12 > 110 - 1e-9 && $12 < 110 + 1e-9) }' "$tmp/out" ||
        fail "solved time: $(sed -n 2p "$tmp/out")"
    # A grid: rows in order, each as its own single solve, the rows with no
    # answer empty, said on standard error, and status 3.
    run --set csgeo=10000 --solve strength=10:300 --for time=100 --sweep vmax=90,1000,200 --format csv
    [ "$status" -eq 3 ] || fail "solved grid: status $status"
    [ "$(wc -l <"$tmp/out")" -eq 4 ] || fail "solved grid: $(cat "$tmp/out")"
    grep -q '^tether-explore: design 1 of 3 (vmax=90): time = .* is not between them' "$tmp/err" ||
        fail "solved grid: $(cat "$tmp/err")"
    [ "$(sed -n 2p "$tmp/out" | tr -d ,)" = 90 ] || fail "an unsolved row: $(sed -n 2p "$tmp/out")"
    for row in 3:1000 4:200; do
        single=$("$prog" --set csgeo=10000 --solve strength=10:300 --for time=100 --set vmax="${row#*:}" --format csv |
            sed -n 2p)
        [ "$(sed -n "${row%%:*}p" "$tmp/out")" = "${row#*:},$single" ] || fail "row ${row%%:*}"
    done
    ;;
modes)
    while IFS='|' read -r args wanted; do
        # shellcheck disable=SC2086
        run $args
        [ "$status" -eq 2 ] && [ ! -s "$tmp/out" ] || fail "'$args': status $status"
        grep -qF "tether-explore: $wanted" "$tmp/err" || fail "'$args': $(head -n 1 "$tmp/err")"
    done <<LIST
--modes 0|--modes: 0 is not a whole number from 1 to 100
--modes 101|--modes: 101 is not a whole number from 1 to 100
--modes 2.5|--modes: 2.5 is not a whole number from 1 to 100
--modes 2 --shard garbage|--shard is for sweeps: not with --modes for one design
--modes 2 --shapes --shard 5/3|--shard is for sweeps: not with --modes for one design
--modes 3 --report|--report cannot be combined with --modes
--modes 3 --ascent|--ascent cannot be combined with --modes
--modes 3 --swing|--swing cannot be combined with --modes
--modes 3 --solve vmax=100:400 --for time=72|--solve cannot be combined with --modes
--shapes|--shapes needs --modes N
--modes 3 --shapes --sweep vmax=1,2|--shapes is for one design: not with --sweep
LIST
    # An empty count is said as empty, not as nothing.
    run --modes ''
    [ "$status" -eq 2 ] && grep -qxF "tether-explore: --modes: '' is not a whole number from 1 to 100" "$tmp/err" ||
        fail "--modes '': $(head -n 1 "$tmp/err")"
    # The most modes there may be, all of them.
    run --modes 100 --format csv
    [ "$status" -eq 0 ] && [ "$(wc -l <"$tmp/out")" -eq 101 ] || fail "--modes 100: status $status"
    # A tether tapering by 10^250: no period rather than a wrong one.
    run --set strength=0.5 --modes 2 --format csv
    [ "$status" -eq 3 ] && [ "$(sed -n 2p "$tmp/out")" = "1,," ] &&
        grep -q "mode 1's period has an error estimate above 1e-6" "$tmp/err" ||
        fail "strength 0.5: status $status, $(tail -n 1 "$tmp/err")"
    # The slowest mode of a weak tether swings the whole tether about the
    # foot: Y nearly in proportion to the radius.
    run --set safety=5 --modes 1 --shapes --format csv
    [ "$status" -eq 0 ] && awk -F, 'NR == 102 || NR == 502 || NR == 902 {
            want = ($1 + 6378) / 300000; d = $2 - want; if (d < -0.001 || d > 0.001) exit 1 }' \
        "$tmp/out" || fail "safety 5's slowest shape: $(sed -n '102p;502p;902p' "$tmp/out")"
    # One design's table: a row a mode; the same bits as a sweep's columns.
    run --modes 5 --format csv
    [ "$status" -eq 0 ] && [ "$(sed -n 1p "$tmp/out")" = "mode,period_in,period_out" ] &&
        [ "$(wc -l <"$tmp/out")" -eq 6 ] || fail "--modes 5: $(cat "$tmp/out")"
    "$prog" --sweep vmax=100 --modes 5 --format csv >"$tmp/sweep" || fail "a sweep with --modes"
    for k in 1 2 3 4 5; do
        in=$(awk -F, -v k=$k 'NR == 1 { for (i = 1; i <= NF; i++) c[$i] = i }
            NR == 2 { print $c["period_in_" k] "," $c["period_out_" k] }' "$tmp/sweep")
        [ "$(sed -n "$((k + 1))p" "$tmp/out")" = "$k,$in" ] || fail "mode $k: $in"
    done
    # Periods grow shorter with the mode; out of plane the first is shorter
    # (the planet's rotation adds to the restoring force).
    awk -F, 'NR > 2 && !($2 < prev) { exit 1 } NR > 1 { prev = $2 } NR == 2 && !($3 < $2) { exit 1 }' \
        "$tmp/out" || fail "periods: $(cat "$tmp/out")"
    # Shapes: 1001 altitudes from the foot to the top end, each shape at
    # most 1 in size with 1 reached, and positive just above the foot.
    run --modes 3 --shapes --format csv
    [ "$status" -eq 0 ] && [ "$(wc -l <"$tmp/out")" -eq 1002 ] || fail "--shapes: status $status"
    awk -F, 'NR == 2 && $1 != 0 { exit 1 } END { if ($1 != 293622) exit 1 }
        NR > 1 { for (i = 2; i <= 4; i++) { a = $i < 0 ? -$i : $i; if (a > 1) exit 1; if (a == 1) top[i] = 1 } }
        NR == 3 { for (i = 2; i <= 4; i++) if (!($i > 0)) exit 1 }
        END { for (i = 2; i <= 4; i++) if (!top[i]) exit 1 }' "$tmp/out" || fail "shapes: $(sed -n '1,3p' "$tmp/out")"
    ;;
processors)
    # The same bytes whatever the processor: glibc picks FMA and AVX2 code for
    # exp and its kin where the processor has them, and this setting turns
    # that off; the programs' figures must not change with it (they use
    # their own portable functions). Where the C library does not choose by
    # processor, both runs are the same run and the check holds trivially.
    plain=glibc.cpu.hwcaps=-AVX2,-FMA
    while IFS= read -r args; do
        # shellcheck disable=SC2086
        "$prog" $args --jobs 2 >"$tmp/native" 2>&1
        # shellcheck disable=SC2086
        GLIBC_TUNABLES=$plain "$prog" $args --jobs 2 >"$tmp/plain" 2>&1
        [ -s "$tmp/native" ] || fail "'$args' printed nothing"
        cmp -s "$tmp/native" "$tmp/plain" ||
            fail "'$args' differs with GLIBC_TUNABLES=$plain: $(diff "$tmp/native" "$tmp/plain" | head -n 3)"
    done <<LIST
--set strength=10 --format csv
--sweep strength=10:130:241 --format csv
--sweep strength=10:130:241 --format csv --method integral
--sweep vmax=160:300:40 --sweep strength=10:100:10 --method integral --format csv
--sweep strength=0.78:130:30:log --sweep safety=1:4:3 --format json
--solve vmax=50:200 --for time=100 --sweep strength=20:100:50 --format csv
--modes 5
--sweep strength=10:100:20 --modes 3 --format csv
--set strength=30 --modes 3 --shapes --format csv
--set strength=30 --ascent --format csv
--planet mars --report
LIST
    if /usr/bin/python3 -c 'import math' 2>/dev/null; then
        probe='import math; print(hash(tuple(math.exp(k / 977) for k in range(-200000, 200000))))'
        [ "$(/usr/bin/python3 -c "$probe")" = "$(GLIBC_TUNABLES=$plain /usr/bin/python3 -c "$probe")" ] &&
            echo "note: here the C library's exp is the same with and without $plain"
    fi
    ;;
sensitivity)
    # One design's derivatives: every figure by every parameter, in every
    # format the same numbers; the held ztop and the one-sided safety said;
    # refused where it means nothing.
    run --sensitivity --format csv
    [ "$status" -eq 0 ] || fail "--sensitivity: exit status $status: $(cat "$tmp/err")"
    [ "$(head -n 1 "$tmp/out")" = figure,parameter,derivative,elasticity ] || fail "header: $(head -n 1 "$tmp/out")"
    # every figure but those of the integral method alone (the traffic's)
    figures=$("$prog" --method march --format csv | tail -n 1 | tr ',' '\n' | grep -c .)
    # every parameter but the traffic's and the ribbon's (the last groups)
    # and damping, which move their own figures alone, and a partner body's,
    # read only with a partner
    params=$("$prog" --list | sed '/^# traffic/,$d' | grep -v '^partner_\|^damping' | grep -c '^[A-Za-z]')
    [ "$(($(wc -l <"$tmp/out") - 1))" -eq "$((figures * params))" ] ||
        fail "$(wc -l <"$tmp/out") lines for $figures figures and $params parameters"
    grep -qx 'rgeo,GM,[0-9.e-]*,0.333333333333[0-9]*' "$tmp/out" || fail "rgeo by GM: $(grep '^rgeo,GM,' "$tmp/out")"
    grep -q '^tether-explore: note: ztop = auto is held at its worked-out value' "$tmp/err" || fail "no held ztop: $(cat "$tmp/err")"
    grep -q '^tether-explore: note: safety = 1 is at a bound' "$tmp/err" || fail "no one-sided safety: $(cat "$tmp/err")"
    cp "$tmp/out" "$tmp/csv"
    run --sensitivity --format json
    [ "$(wc -l <"$tmp/out")" -eq "$((figures * params))" ] || fail "json rows"
    sed -E 's/^\{"figure":"([^"]*)","parameter":"([^"]*)","derivative":([^,]*),"elasticity":([^}]*)\}$/\1,\2,\3,\4/; s/null//g' "$tmp/out" |
        cmp -s - <(tail -n +2 "$tmp/csv") || fail "json and csv differ"
    run --sensitivity --set ztop=35767
    grep -q 'ztop = auto' "$tmp/err" && fail "ztop set but said held"
    run --sensitivity --modes 2 --format csv
    [ "$status" -eq 0 ] && grep -q '^period_out_2,strength,' "$tmp/out" || fail "--modes 2: no period rows"
    run --sensitivity --figures survival --format csv
    [ "$status" -eq 0 ] && [ "$(cut -d, -f1 "$tmp/out" | sort -u | tr '\n' ' ')" = "figure survival " ] &&
        grep -q '^survival,width,-' "$tmp/out" || fail "--figures survival: $status, $(cut -d, -f1 "$tmp/out" | sort -u)"
    for args in "--method march" "--sweep vmax=1:2:2" "--solve strength=10:300 --for time=110" \
                "--report" "--list" "--shard 1/2"; do
        # shellcheck disable=SC2086
        run --sensitivity $args
        [ "$status" -eq 2 ] && [ ! -s "$tmp/out" ] && grep -q '^tether-explore: --sensitivity' "$tmp/err" ||
            fail "--sensitivity $args: status $status, $(head -n 1 "$tmp/err")"
    done
    grep -q 'not smooth in the parameters' <("$prog" --sensitivity --method march 2>&1) || fail "march refusal's reason"
    run --sensitivity --set rapex=1000
    [ "$status" -eq 2 ] && grep -q 'rapex = 1000 km' "$tmp/err" || fail "a bad design: $status"
    ;;
help)
    run --help
    [ "$status" -eq 0 ] || fail "--help: exit status $status"
    grep -q -- '--set NAME=VALUE' "$tmp/out" || fail "--help does not show --set"
    run --version
    [ "$status" -eq 0 ] && grep -q '^tether-explore [0-9]' "$tmp/out" || fail "--version: $(cat "$tmp/out")"
    ;;
*)
    fail "unknown check '$check'"
    ;;
esac
echo "ok: $check"
