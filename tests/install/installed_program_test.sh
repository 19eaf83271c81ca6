#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the build into a staging prefix and drives the installed program
# under Xvfb with the keyboard, as a user who cannot write the program's
# folder: "Online Help" must open the installed manual, and closing the
# window must write "cd.dat" into the settings folder, not beside the program.
# Usage: installed_program_test.sh BUILD_FOLDER
set -eu
build=$1

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

work=$(mktemp -d)
xvfb_pid=
program_pid=
cleanup() {
  [ -z "$program_pid" ] || kill "$program_pid" 2>/dev/null || true
  [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true
  chmod -R u+w "$work" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
chmod 755 "$work"

prefix=$work/usr
cmake --install "$build" --prefix "$prefix" >"$work/install.log" || {
  cat "$work/install.log"
  fail "cmake --install"
}
# The menu entry starts the installed program and shows an installed icon.
entry=$prefix/share/applications/example.tamberlyn.Brisklark.desktop
command=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$entry")
[ -x "$prefix/bin/$command" ] || fail "Exec=$command is not an installed program"
icon=$(sed -n 's/^Icon=//p' "$entry")
[ -f "$prefix/share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "no scalable icon $icon"
for size in 16 22 24 32 48 64 128 256; do
  png=$prefix/share/icons/hicolor/${size}x$size/apps/$icon.png
  actual=$(python3 -c 'import struct, sys
d = open(sys.argv[1], "rb").read(24)
print("%dx%d" % struct.unpack(">II", d[16:24]) if d[:8] == b"\x89PNG\r\n\x1a\n" else "not a PNG")' "$png")
  [ "$actual" = "${size}x$size" ] || fail "$png is $actual"
done

# The user: root (CI) may write anywhere, so it runs the program as nobody;
# anybody else takes the write permission off the program's folder.
home=$work/home
mkdir -p "$home" "$work/disc" "$work/fakebin"
cp "$build/demo/demo.cue" "$build/demo/demo.bin" "$work/disc/"
# The demo disc has no record in the disc cache, so the program would look it
# up on the internet: the test keeps every lookup on loopback (port 9 refuses).
settings=$home/.config/Tamberlyn/Brisklark
mkdir -p "$settings"
cat >"$settings/options.ini" <<EOS
[Metadata]
AutoLookup=0
MusicBrainzServer=http://127.0.0.1:9
CoverArt=0
CoverArtServer=http://127.0.0.1:9
[Verify]
AccurateRipServer=http://127.0.0.1:9
EOS
if [ "$(id -u)" -eq 0 ]; then
  chown -R nobody "$home"
  as_user="setpriv --reuid=nobody --regid=nogroup --clear-groups --"
else
  chmod a-w "$prefix/bin"
  as_user=
fi
# shellcheck disable=SC2086
$as_user touch "$prefix/bin/probe" 2>/dev/null && fail "the program's folder is writable"

# The desktop's URL opener, replaced by one that notes what it was asked.
cat >"$work/fakebin/xdg-open" <<EOS
#!/bin/sh
echo "\$1" >>"$work/opened"
EOS
chmod 755 "$work/fakebin/xdg-open"
touch "$work/opened"
chmod 666 "$work/opened"

Xvfb -displayfd 3 -nolisten tcp -screen 0 1280x1024x24 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 50); do
  [ -s "$work/display" ] && break
  sleep 0.2
done
[ -s "$work/display" ] || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
DISPLAY=:$(cat "$work/display")
export DISPLAY

# shellcheck disable=SC2086
env -u XDG_CONFIG_HOME -u XDG_RUNTIME_DIR HOME="$home" PATH="$work/fakebin:$PATH" \
  QT_QPA_PLATFORM=xcb BRISKLARK_DISC_IMAGES="$work/disc/demo.cue" \
  $as_user "$prefix/bin/brisklark" >"$work/program.log" 2>&1 &
program_pid=$!

window=$(timeout 30 xdotool search --sync --onlyvisible --name '^Brisklark$' | head -n 1) ||
  fail "no main window: $(cat "$work/program.log")"
xdotool windowfocus --sync "$window"
sleep 1
xdotool key F1
for _ in $(seq 50); do
  [ -s "$work/opened" ] && break
  sleep 0.2
done
manual=$prefix/share/brisklark/brisklark-manual.html
[ "$(cat "$work/opened")" = "file://$manual" ] ||
  fail "Online Help opened '$(cat "$work/opened")', not the installed manual"
[ -s "$manual" ] || fail "$manual is missing"

xdotool key alt+f x
timeout 30 sh -c "while kill -0 $program_pid 2>/dev/null; do sleep 0.2; done" ||
  fail "the program did not close: $(cat "$work/program.log")"
wait "$program_pid" || fail "the program failed: $(cat "$work/program.log")"
program_pid=

grep -q '^\[' "$settings/cd.dat" 2>/dev/null || fail "no disc cache in $settings"
grep -q '^\[CommonOptions\]' "$settings/options.ini" || fail "no settings saved in $settings"
[ ! -e "$prefix/bin/cd.dat" ] || fail "cd.dat written beside the program"
echo "installed program: manual and settings folder as expected"
