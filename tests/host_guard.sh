#!/usr/bin/env bash
# Nothing a test starts outlives it: ctest runs every test through this script.
#
#   host_guard.sh COMMAND [ARG...]   runs the test COMMAND with NIMBULO_TEST_HOST=<id> in its
#       environment, which every process it starts inherits (X servers, compositors, panels,
#       D-Bus daemons and what they activate, notification servers, peers), also across runuser
#       and setsid. When the test ends, or this script is killed (ctest's --timeout), a watcher in
#       a session of its own ends every process still carrying the mark: TERM, then KILL.
#       Exits with the test's status.
#   host_guard.sh --left NAME=VALUE [kill]   lists the processes (pid and command line) whose
#       environment holds NAME=VALUE, other than this script and its ancestors; with "kill" also
#       ends them. Exits 1 when there was any.
set -u

# This script and the processes it runs under are never counted.
ours=" $$ "
pid=$PPID
while [ "$pid" -gt 1 ] 2>/dev/null; do
  ours+="$pid "
  next=0
  while read -r key value; do [ "$key" = "PPid:" ] && next=$value; done 2>/dev/null </proc/$pid/status
  pid=$next
done

# The processes marked with $1, one "pid command line" per line; pure bash, so that the scan
# starts no process that would carry the mark itself.
marked() {
  local dir pid entry cmd
  for dir in /proc/[0-9]*; do
    pid=${dir#/proc/}
    [[ $ours == *" $pid "* || $pid == "$BASHPID" ]] && continue
    while IFS= read -r -d '' entry; do
      if [ "$entry" = "$1" ]; then
        cmd=""
        while IFS= read -r -d "" entry; do cmd+="$entry "; done 2>/dev/null <"$dir/cmdline"
        echo "$pid ${cmd:-[gone]}"
        break
      fi
    done 2>/dev/null <"$dir/environ"
  done
}

# Ends the processes marked with $1: TERM, up to 2 s for them to go, then KILL.
end_marked() {
  local left pid i
  left=$(marked "$1")
  [ -n "$left" ] || return 0
  for pid in $(cut -d' ' -f1 <<<"$left"); do kill -TERM "$pid" 2>/dev/null; done
  for ((i = 0; i < 20; i++)); do
    left=$(marked "$1")
    [ -n "$left" ] || return 0
    sleep 0.1
  done
  for pid in $(cut -d' ' -f1 <<<"$left"); do kill -KILL "$pid" 2>/dev/null; done
}

if [ "${1:-}" = "--left" ]; then
  left=$(marked "$2")
  [ -n "$left" ] || exit 0
  echo "$left"
  [ "${3:-}" = "kill" ] && end_marked "$2"
  exit 1
fi
if [ "${1:-}" = "--sweep" ]; then
  # The watcher: waits until the guard's end closes the pipe on its standard input.
  while read -r _; do :; done
  end_marked "$2"
  exit 0
fi

mark="NIMBULO_TEST_HOST=$$.$(date +%s%N)"
# The watcher holds the reading end of a pipe whose only writer is this script (the test gets
# it closed), so the pipe closes when this script ends, however it ends. It is no descendant of
# this script (setsid -f forks it off), so a time-out that kills the test's whole tree spares it.
exec {guard}> >(exec setsid -f "$0" --sweep "$mark")
env "$mark" "$@" {guard}>&- &
test_pid=$!
trap 'kill -TERM "$test_pid" 2>/dev/null' TERM INT HUP
wait "$test_pid"
status=$?
end_marked "$mark" # before the next test starts
exec {guard}>&-
exit "$status"
