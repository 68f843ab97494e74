#!/usr/bin/env bash
# cmake --install into a temporary DESTDIR: the desktop entry validates, bin/ holds only the
# link to the program, the output keeper and every data file the build copied are installed
# beside the program, and the program started from bin/pelvaxon with an empty home (on the X
# server with-xvfb made) finds its background picture and 3D icons there: the settings it
# writes when terminated name both inside the prefix. Set PELVAXON_GL_SCREENSHOTS to keep a
# picture of its window.
set -euo pipefail
build_dir=$1
work=$(mktemp -d)
program=
cleanup() {
  [ -n "$program" ] && kill -KILL "$program" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $1"; [ -f "$work/program.log" ] && { echo "--- program output"; cat "$work/program.log"; }; exit 1; }

prefix=/opt/pelvaxon
DESTDIR="$work/root" cmake --install "$build_dir" --prefix "$prefix" >"$work/install.log" ||
  { cat "$work/install.log"; fail "cmake --install"; }
root=$(realpath "$work/root$prefix")
lib="$root/lib/pelvaxon"

desktop-file-validate "$root/share/applications/pelvaxon.desktop" || fail "the desktop entry does not validate"
[ -f "$root/share/icons/hicolor/scalable/apps/pelvaxon.svg" ] || fail "no scalable program icon"
[ "$(readlink "$root/bin/pelvaxon")" = ../lib/pelvaxon/pelvaxon ] || fail "bin/pelvaxon is not the relative link"
[ "$(ls -A "$root/bin")" = pelvaxon ] || fail "bin/ holds more than the program's link: $(ls -A "$root/bin")"
[ -x "$lib/pelvaxon" ] || fail "no program in lib/pelvaxon"
[ -x "$lib/pelvaxon-metafile" ] || fail "no metafile player beside the program"
[ -x "$lib/pelvaxon-output-keeper" ] || fail "no output keeper beside the program"
# The build only warns about a missing picture; find's failure must not end the script unseen.
copied=$(cd "$build_dir" && { find ngc3132a.jpg earth.jpg icon3d -type f 2>/dev/null || true; } | sort)
grep -q '^icon3d/txt.an8$' <<<"$copied" || fail "the build copied no icon models beside the program"
while read -r file; do
  cmp -s "$build_dir/$file" "$lib/$file" || fail "$file is not installed beside the program"
done <<<"$copied"

mkdir -p "$work/home" "$work/config" "$work/data" "$work/cache" "$work/runtime"
chmod 700 "$work/runtime"
export HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" \
  XDG_CACHE_HOME="$work/cache" XDG_RUNTIME_DIR="$work/runtime"
"$root/bin/pelvaxon" >"$work/program.log" 2>&1 &
program=$!
# Settings are written at a termination only once the first activation has read them: the
# main window is given the keyboard (no window manager does it here), and the activation that
# brings has time to run (seconds, under a sanitizer on a loaded machine).
window=
for _ in $(seq 600); do
  window=$(xdotool search --onlyvisible --name '^Pelvaxon' 2>/dev/null | head -1 || true)
  [ -n "$window" ] && break
  kill -0 "$program" 2>/dev/null || fail "the program ended by itself"
  sleep 0.1
done
[ -n "$window" ] || fail "no Pelvaxon window shown within 60 s"
xdotool windowfocus --sync "$window" || fail "the main window cannot take the keyboard"
sleep 6
if [ -n "${PELVAXON_GL_SCREENSHOTS:-}" ]; then
  sleep 2
  mkdir -p "$PELVAXON_GL_SCREENSHOTS"
  import -window root "$PELVAXON_GL_SCREENSHOTS/installed.png"
fi
kill -TERM "$program"
for _ in $(seq 300); do
  kill -0 "$program" 2>/dev/null || break
  sleep 0.1
done
kill -0 "$program" 2>/dev/null && fail "the program did not end within 30 s of SIGTERM"
status=0
wait "$program" || status=$?
program=
[ "$status" = 0 ] || fail "the program ended with status $status after SIGTERM"

ini="$XDG_CONFIG_HOME/pelvaxon/PELVAXON.INI"
[ -f "$ini" ] || fail "no settings written to $ini"
for key in bkgfilenam ic3ddirnam; do
  value=$(sed -n "s/^$key=//p" "$ini")
  case "$value" in
    "$lib"/*) ;;
    *) fail "$key=$value does not lie in $lib" ;;
  esac
  [ -e "$value" ] || fail "$key=$value does not exist"
done
echo "installed, started from bin/pelvaxon, settings name data in $lib"
