#!/usr/bin/env bash
# Runs a command as make would show it, then says how long it took (whether
# it passed or not), so that a long run's log gives each build's cost.
# Usage: tools/timed.sh NAME COMMAND [ARG ...]
name=$1
shift
echo "$*"
start=$SECONDS
status=0
"$@" || status=$?
echo "make: $name took $((SECONDS - start)) s"
exit "$status"
