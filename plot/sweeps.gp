# Classic curves of tether design, each from one tether-explore sweep:
#   sweep-material.svg  taper ratio and tether mass against specific strength
#   sweep-speed.svg     travel time against top speed
#   sweep-apex.svg      apex counterweight against apex radius
#
#   gnuplot -e "prog='build/tether-explore'; outdir='build'" plot/sweeps.gp
#
# prog:   the explorer to run (default: tether-explore on the PATH)
# outdir: the folder for the SVG files (default: the current one)
#
# A one-parameter sweep's table has the swept value in column 1, then the
# figures: 2 rgeo, 3 yuri, 4 taper_re, 5 taper_apex, 6 cs_re, 7 cs_apex,
# 8 mapex, 9 mre, 10 tether_mass, 11 total_mass, 12 time, 13 cap_alt.

if (!exists("prog")) prog = "tether-explore"
if (!exists("outdir")) outdir = "."
# Notes on single designs (a material too weak to lift the climber, a
# counterweight heavier than the tether) are not the plots' business.
sweep(args) = "< " . prog . " --quiet " . args . " 2>/dev/null"

set terminal svg size 800,500 font "sans,12" background "white"
set grid
set key box opaque
set lmargin 12
set rmargin 12

# Materials from steel-like (0.6 MJ/kg: 0.78 GPa at 1300 kg/m^3) to beyond
# the study's CNT (27 MJ/kg), for a tether of the study's cross-section at
# GEO: its linear density at the surface follows the material (rhog=auto).
material = sweep("--set rhog=auto --sweep strength=0.78:130:60:log")
set output outdir . "/sweep-material.svg"
set title "A constant-stress tether from the equator to 35767 km" font "sans,14"
set xlabel "specific strength (MJ/kg)"
set logscale x
set xrange [0.5:120]
set logscale y
set format y "10^{%L}"
set ylabel "taper ratio (cross-section at GEO / at the surface)"
set y2label "tether mass (t)"
set logscale y2
set format y2 "10^{%L}"
set ytics nomirror
set y2tics
set key top right
plot material using 3:(1 / $4) axes x1y1 with lines lw 2 lc rgb "#1f77b4" title "taper ratio", \
     material using 3:10 axes x1y2 with lines lw 2 dt 2 lc rgb "#d62728" title "tether mass"
unset y2label
unset y2tics
unset logscale y2
set ytics mirror

set output outdir . "/sweep-speed.svg"
set title "Travel time to 35767 km against the climber's top speed" font "sans,14"
set xlabel "top speed (m/s)"
set xrange [1:300]
set ylabel "travel time (h)"
set format y "%g"
plot sweep("--sweep vmax=1:300:60:log") using 1:12 with lines lw 2 lc rgb "#1f77b4" title "travel time"

set output outdir . "/sweep-apex.svg"
set title "Counterweight at the apex against the apex radius" font "sans,14"
unset logscale x
set xlabel "apex radius (km)"
set xrange [40000:300000]
set ylabel "apex counterweight (t)"
set format x "%.0f"
plot sweep("--sweep rapex=45000:300000:52") using 1:8 with lines lw 2 lc rgb "#1f77b4" title "apex mass"

unset output
