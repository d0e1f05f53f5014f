#!/bin/sh
# From a splicer-sim event log: the virtual times (ms) of the Run that starts the splice during
# whose result the heat key is pressed, and of the heater's cycle end one and a half seconds later,
# as "FROM_MS=… TO_MS=…"; nothing and status 1 when the log has no such splice.
# usage: splice_window.sh LOG
set -eu
awk '
function ms(line,   t) { t = substr(line, 2, 12); split(t, p, /[:.]/); return ((p[1] * 60 + p[2]) * 60 + p[3]) * 1000 + p[4] }
/^\[[0-9:.]+\] sim: operator presses run$/ && !heat { run = ms($0) }
/^\[[0-9:.]+\] sim: operator presses heat$/ && run { heat = 1 }
/^\[[0-9:.]+\] sim: heater: cycle finished/ && heat { print "FROM_MS=" run " TO_MS=" ms($0) + 1500; found = 1; exit }
END { exit found ? 0 : 1 }
' "$1"
