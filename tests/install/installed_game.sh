#!/usr/bin/env bash
# The installed game: `cmake --install` into a temporary prefix puts every file
# where the desktop looks, the desktop entry and AppStream file validate, and
# the installed program, started from another folder with a base/ it may not
# write, runs and keeps the player's files in the player's data folder. Then
# the .deb is built and must declare its dependencies.
# Usage: installed_game.sh BUILD_DIR
set -euo pipefail
BUILD="$(cd "$1" && pwd)"
WORK="$(mktemp -d /tmp/korvask-install-XXXXXX)"
GAME_PID=""
XVFB_PID=""
cleanup() {
  [ -n "$GAME_PID" ] && kill "$GAME_PID" 2>/dev/null || true
  [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null || true
  chmod -R u+w "$WORK" 2>/dev/null || true
  rm -rf "$WORK"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

PREFIX="$WORK/prefix"
# What a killed writer or a player leaves in base/ must not travel either:
# planted in a folder of their own (which nothing else in the build touches),
# the names are left out wherever they lie.
PLANTED="$BUILD/base/install-check-$$"
mkdir -p "$PLANTED/screenshots"
trap 'rm -rf "$PLANTED"; cleanup' EXIT
planted_names=(career.inf.tmpQ1w2E3 menu.inf.tmpAbCdEf stats.html.tmp000000 korvask-20260101-120000.png.tmpzZ9yY8
  career.inf.new menu.inf.new .korvask-probe-4242 career.inf.bad menu.inf.bad career.inf.tmp
  settings.cfg.tmpAbC123 settings.cfg.bad menu.inf career.inf settings.cfg stats.html korvask-20260101-120000.png
  records.dat records.dat.bad records.dat.tmpR3c0rd ghost_1_0.dat ghost_15_11.dat ghost_1_0.dat.tmpAbC123
  ghost_3_2.dat.bad)
for name in "${planted_names[@]}"; do echo planted > "$PLANTED/$name"; done
echo planted > "$PLANTED/screenshots/korvask-20260101-120000.png"
cmake --install "$BUILD" --prefix "$PREFIX" > "$WORK/install.log"
rm -rf "$PLANTED"
left="$(find "$PREFIX/share/korvask/base/install-check-$$" -mindepth 1 2>/dev/null || true)"
[ -z "$left" ] || fail "installed: $left"
rm -rf "$PREFIX/share/korvask/base/install-check-$$"
# Nor does anything a run of the game left among the content itself.
left="$(find "$PREFIX" -name '*.tmp*' -o -name '*.new' -o -name '.korvask-probe-*' -o -name '*.bad' \
  -o -name 'korvask-*.png' -o -name screenshots)"
[ -z "$left" ] || fail "installed: $left"

# Everything in its place.
for path in bin/korvask \
    share/korvask/base/shaders share/korvask/base/textures share/korvask/base/maps/1/points/level.ai \
    share/korvask/base/sound/menu1.wav share/korvask/base/music/menu.ogg \
    share/applications/korvask.desktop share/metainfo/io.korvask.Korvask.metainfo.xml \
    share/icons/hicolor/48x48/apps/korvask.png share/icons/hicolor/128x128/apps/korvask.png \
    share/icons/hicolor/256x256/apps/korvask.png; do
  [ -e "$PREFIX/$path" ] || fail "missing $path"
done
# The icons are PNGs of their stated size (width and height at bytes 16..23).
for size in 48 128 256; do
  header="$(od -An -tx1 -j12 -N12 "$PREFIX/share/icons/hicolor/${size}x${size}/apps/korvask.png" | tr -d ' \n')"
  expected="$(printf '49484452%08x%08x' "$size" "$size")"
  [ "$header" = "$expected" ] || fail "icon ${size}: header $header"
done
# No player's files travel with the content.
for name in menu.inf career.inf settings.cfg records.dat ghost_1_0.dat stats.html icons screenshots; do
  [ ! -e "$PREFIX/share/korvask/base/$name" ] || fail "base/$name installed"
done

desktop-file-validate "$PREFIX/share/applications/korvask.desktop" || fail "desktop entry"
appstreamcli validate --no-net "$PREFIX/share/metainfo/io.korvask.Korvask.metainfo.xml" || fail "metainfo"

# Start the installed game the way a player does: from their home folder,
# with a system-owned base/. Root may write anywhere, so root plays as nobody.
HOME_DIR="$WORK/home"
mkdir -p "$HOME_DIR" "$WORK/elsewhere"
chmod 755 "$WORK"
chmod -R a-w "$PREFIX/share/korvask"
RUN_AS=()
if [ "$(id -u)" = 0 ]; then
  chown -R 65534:65534 "$HOME_DIR" "$WORK/elsewhere"
  RUN_AS=(setpriv --reuid=65534 --regid=65534 --clear-groups)
fi

# A screen of the game's default 800 x 600, so the fullscreen mode is found
# and no question box waits for an answer; open to any user (-ac).
Xvfb -displayfd 5 -screen 0 800x600x24 -ac -nolisten tcp 5> "$WORK/display" 2> /dev/null &
XVFB_PID=$!
for _ in $(seq 1 100); do [ -s "$WORK/display" ] && break; sleep 0.1; done
[ -s "$WORK/display" ] || fail "Xvfb did not start"
export DISPLAY=":$(head -n1 "$WORK/display")"

cd "$WORK/elsewhere"
# No opener on PATH: the game says where the statistics page is instead.
"${RUN_AS[@]}" env -i HOME="$HOME_DIR" DISPLAY="$DISPLAY" PATH=/nonexistent ALSOFT_DRIVERS=null \
  ALSOFT_LOGLEVEL=0 "$PREFIX/bin/korvask" > "$WORK/game.out" 2> "$WORK/game.err" &
GAME_PID=$!

# Wait for its window, then close it as the desktop would.
for _ in $(seq 1 240); do
  if xwininfo -root -tree 2>/dev/null | grep -q '"Korvask"'; then break; fi
  kill -0 "$GAME_PID" 2>/dev/null || { cat "$WORK/game.err" >&2; fail "the game ended at start-up"; }
  sleep 0.5
done
xwininfo -root -tree 2>/dev/null | grep -q '"Korvask"' || fail "no game window"
sleep 1
kill -TERM "$GAME_PID"
status=0
wait "$GAME_PID" || status=$?
GAME_PID=""
[ "$status" = 0 ] || { cat "$WORK/game.err" >&2; fail "exit code $status"; }

SAVES="$HOME_DIR/.local/share/korvask"
[ "$(stat -c %s "$SAVES/menu.inf")" = 24 ] || fail "menu.inf in $SAVES"
[ "$(stat -c %s "$SAVES/career.inf")" = 492 ] || fail "career.inf in $SAVES"
[ -s "$SAVES/stats.html" ] || fail "stats.html in $SAVES"
grep -qx "Career statistics: $SAVES/stats.html" "$WORK/game.out" || fail "stats line: $(cat "$WORK/game.out")"

# The Debian package of the same tree, with its dependencies declared.
cd "$WORK"
cpack -G DEB -B "$WORK/deb" --config "$BUILD/CPackConfig.cmake" > "$WORK/cpack.log" || { cat "$WORK/cpack.log" >&2; fail "cpack"; }
DEB="$(ls "$WORK"/deb/korvask_*.deb)"
depends="$(dpkg-deb -f "$DEB" Depends)"
echo "Depends: $depends"
for lib in libsdl2 libopenal libvorbisfile libgl1 libglu1; do
  case "$depends" in *"$lib"*) ;; *) fail "Depends lacks $lib: $depends" ;; esac
done
dpkg-deb -c "$DEB" > "$WORK/deb.list"
for path in ./usr/bin/korvask ./usr/share/applications/korvask.desktop ./usr/share/korvask/base/maps/1/map.ms3d; do
  grep -q " $path\$" "$WORK/deb.list" || fail "deb lacks $path"
done
echo "installed game: ok"
