#!/usr/bin/env bash
# SIGTERM or SIGINT while the game shows a message box ends the game cleanly:
# exit status 0, the box (a process of its own) gone with it, no window left.
# Two boxes: the question whether to play in a window (a screen without the
# game's 800 x 600 mode) and "Initialization Failed." (a shader file replaced
# by a folder), each ended by either signal.
# Usage: signal_during_box.sh BUILD_DIR
set -euo pipefail
BUILD="$(cd "$1" && pwd)"
WORK="$(mktemp -d /tmp/korvask-box-XXXXXX)"
GAME_PID=""
XVFB_PID=""
cleanup() {
  if [ -n "$GAME_PID" ]; then
    # A box's process the game left behind goes too.
    for pid in $(cat "/proc/$GAME_PID/task/$GAME_PID/children" 2>/dev/null); do kill -KILL "$pid" 2>/dev/null || true; done
    kill -KILL "$GAME_PID" 2>/dev/null || true
  fi
  [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null || true
  rm -rf "$WORK"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; [ -f "$WORK/game.err" ] && cat "$WORK/game.err" >&2; exit 1; }

# A game folder of its own: the program beside a base/ that links the built
# content, with one shader file replaced by a folder.
GAME="$WORK/game"
mkdir -p "$GAME/base/shaders"
cp "$BUILD/korvask" "$GAME/korvask"
for entry in "$BUILD"/base/*; do
  name="$(basename "$entry")"
  case "$name" in shaders|menu.inf|career.inf|stats.html|screenshots) continue ;; esac
  ln -s "$entry" "$GAME/base/$name"
done
for shader in "$BUILD"/base/shaders/*; do ln -s "$shader" "$GAME/base/shaders/"; done
BROKEN="$(ls "$BUILD/base/shaders" | head -n1)"
[ -n "$BROKEN" ] || fail "no shaders in $BUILD/base/shaders"

start_screen() {
  Xvfb -displayfd 5 -screen 0 "$1" -nolisten tcp 5> "$WORK/display" 2> /dev/null &
  XVFB_PID=$!
  for _ in $(seq 1 100); do [ -s "$WORK/display" ] && break; sleep 0.1; done
  [ -s "$WORK/display" ] || fail "Xvfb did not start"
  export DISPLAY=":$(head -n1 "$WORK/display")"
}

stop_screen() {
  kill "$XVFB_PID" 2>/dev/null || true
  wait "$XVFB_PID" 2>/dev/null || true
  XVFB_PID=""
  : > "$WORK/display"
}

# The game's children (the box's process) while it runs.
children() { cat "/proc/$1/task/$1/children" 2>/dev/null || true; }

run_case() {
  local screen="$1" broken="$2" signal="$3" caption="$4"
  echo "case: $caption on $screen, $signal"
  rm -rf "$GAME/base/shaders/$BROKEN"
  if [ "$broken" = 1 ]; then
    mkdir "$GAME/base/shaders/$BROKEN"
  else
    ln -s "$BUILD/base/shaders/$BROKEN" "$GAME/base/shaders/$BROKEN"
  fi
  start_screen "$screen"
  ALSOFT_DRIVERS=null ALSOFT_LOGLEVEL=0 PATH=/nonexistent "$GAME/korvask" > "$WORK/game.out" 2> "$WORK/game.err" &
  GAME_PID=$!
  local box=""
  for _ in $(seq 1 240); do
    box="$(children "$GAME_PID")"
    if [ -n "$box" ] && xwininfo -root -tree 2>/dev/null | grep -q "\"$caption\""; then break; fi
    kill -0 "$GAME_PID" 2>/dev/null || fail "the game ended before its box"
    sleep 0.25
  done
  xwininfo -root -tree 2>/dev/null | grep -q "\"$caption\"" || fail "no \"$caption\" box"
  kill "-$signal" "$GAME_PID"
  local status=0
  for _ in $(seq 1 100); do kill -0 "$GAME_PID" 2>/dev/null || break; sleep 0.1; done
  kill -0 "$GAME_PID" 2>/dev/null && fail "the game still runs 10 s after $signal"
  wait "$GAME_PID" || status=$?
  GAME_PID=""
  [ "$status" = 0 ] || fail "exit status $status after $signal"
  for pid in $box; do
    for _ in $(seq 1 20); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    ! kill -0 "$pid" 2>/dev/null || fail "the box's process $pid was left behind"
  done
  ! xwininfo -root -tree 2>/dev/null | grep -q "\"$caption\"" || fail "the box's window was left behind"
  stop_screen
}

for signal in TERM INT; do
  # Without the game's 800 x 600 mode the game asks before playing in a window.
  run_case 1024x768x24 0 "$signal" "Korvask"
  run_case 800x600x24 1 "$signal" "ERROR"
done
echo "signal during box: ok"
