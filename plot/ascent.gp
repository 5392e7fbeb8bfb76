# Ascent profile of the climber, read straight from tether-study's report.
#
#   gnuplot -e "prog='build/tether-study'; out='ascent.svg'" plot/ascent.gp
#
# prog: the program to run (default: tether-study on the PATH)
# out:  the SVG file to write (default: ascent.svg)
#
# Lines starting with "#" are comments to gnuplot, so the report's table rows
# are the only data it reads. Columns: 1 altitude (km), 2 taper, 3 effective
# gravity (m/s^2), 4 power used (MW), 5 speed (m/s), 6 travel time (h),
# 7 surplus power (MW).

if (!exists("prog")) prog = "tether-study"
if (!exists("out")) out = "ascent.svg"
report = "< " . prog

set terminal svg size 800,1000 font "sans,12" background "white"
set output out

set multiplot layout 4,1 title "Climber ascent from the surface to 35767 km" font "sans,15"
set grid
set xrange [0:36000]
set xtics 5000
set format x "%.0f"
set key right center box opaque
set lmargin 12
set rmargin 12

set ylabel "speed (m/s)"
set yrange [0:110]
plot report using 1:5 with lines lw 2 lc rgb "#1f77b4" title "climb speed", \
     100 with lines dt 2 lc rgb "#d62728" title "100 m/s cap"

set ylabel "power (MW)"
set yrange [0:*]
plot report using 1:($4 + $7) with lines lw 2 lc rgb "#1f77b4" title "delivered", \
     report using 1:7 with lines lw 2 lc rgb "#ff7f0e" title "surplus"

set ylabel "taper"
set y2label "effective gravity (m/s²)"
set ytics nomirror
set y2tics
set yrange [0:7]
set y2range [0:10]
plot report using 1:2 axes x1y1 with lines lw 2 lc rgb "#1f77b4" title "taper (surface = 1)", \
     report using 1:3 axes x1y2 with lines lw 2 lc rgb "#2ca02c" title "effective gravity"

unset y2label
unset y2tics
set ytics mirror
set ylabel "time (h)"
set xlabel "altitude (km)"
set yrange [0:*]
set key right bottom
plot report using 1:6 with lines lw 2 lc rgb "#1f77b4" title "travel time"

unset multiplot
unset output
