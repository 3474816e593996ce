#!/usr/bin/env bash
# Starts the desktop program under Xvfb, opens the quarterly window from the
# start menu, unpacks and checks one package, and writes PNGs of the menu and
# of the checker window with its protocol into OUTDIR.
#
#   tools/screenshots.sh OUTDIR
#   ZENTROX_BUILD_DIR=build-gui tools/screenshots.sh /tmp/shots
#
# Needs xvfb, xdotool and imagemagick (import), and a built build/bin.
set -euo pipefail

if [ $# -ne 1 ]; then
  echo "usage: $0 OUTDIR" >&2
  exit 2
fi
root="$(cd "$(dirname "$0")/.." && pwd)"
out="$(realpath -m "$1")"
build="$(realpath -m "${ZENTROX_BUILD_DIR:-$root/build}")"
bin="$build/bin"
for tool in Xvfb xdotool import; do
  command -v "$tool" >/dev/null || { echo "missing $tool (apt-get install xvfb xdotool imagemagick)" >&2; exit 1; }
done
[ -x "$bin/zentrox" ] && [ -x "$bin/Rar" ] || { echo "no $bin/zentrox or $bin/Rar: build first" >&2; exit 1; }
mkdir -p "$out"

# A private copy of the installation: the program unpacks into its own folder.
work="$(mktemp -d)"
xvfb_pid=""
app_pid=""
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
cp "$bin/zentrox" "$bin/Rar" "$bin"/*.txt "$work/"
mkdir "$work/packages"
archive="$work/packages/REV5_1234567_00002_2026T03.rar"
(cd "$root/examples/quarterly-faulty" && "$work/Rar" a "$archive" rev5_t rev5_ip rev5_na rev5_sd >/dev/null)

# A display number nobody uses.
display=""
for n in $(seq 91 140); do
  if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then display=":$n"; break; fi
done
[ -n "$display" ] || { echo "no free X display" >&2; exit 1; }
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
export DISPLAY="$display"
unset QT_QPA_PLATFORM
for _ in $(seq 50); do xdotool getmouselocation >/dev/null 2>&1 && break; sleep 0.1; done

window() {  # window id by exact title, waiting for it
  local id=""
  for _ in $(seq 100); do
    id="$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n1 || true)"
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.1
  done
  echo "window '$1' did not appear" >&2
  return 1
}
click() {  # click WINDOW X Y (window coordinates)
  xdotool mousemove --window "$1" "$2" "$3" click 1
}
shoot() {  # shoot WINDOW FILE
  sleep 0.5
  import -window "$1" "$out/$2"
  echo "wrote $out/$2"
}

(cd "$work" && exec ./zentrox) &
app_pid=$!

menu="$(window 'Zentrox v.11.02.2015')"
shoot "$menu" menu.png

# The about dialog from F1, closed with its button.
xdotool windowfocus --sync "$menu"
xdotool key F1
about="$(xdotool search --onlyvisible --name '^Zentrox$' | head -n1 || true)"
if [ -n "$about" ]; then
  shoot "$about" about.png
  xdotool windowfocus --sync "$about"
  xdotool key Return
fi

# "Controlul declaratiilor electronice. TRIMESTRIAL": the second button.
click "$menu" 332 181
kv="$(window 'Zentrox            TRIMESTRIAL        КВАРТАЛЬНЫЙ       Н О В Ы Е   Ф О Р М А Т Ы')"
xdotool windowactivate "$kv" 2>/dev/null || xdotool windowfocus "$kv"

shoot "$kv" checker-empty.png
# The buttons' row: the middle of the 53-pixel panel, which stands on the
# status bar (24 pixels under Xvfb), counted from the window's bottom.
eval "$(xdotool getwindowgeometry --shell "$kv")"
row=$((HEIGHT - 24 - 27))

# UnRar (first button of the bottom panel), then the archive in the dialog.
click "$kv" 45 "$row"
dialog="$(window 'Alege.* arhiva RAR de dezarhivat .* directorul de lucru')"
xdotool windowfocus --sync "$dialog"
sleep 0.3
shoot "$dialog" open-dialog.png
xdotool type --delay 5 "$archive"
xdotool key Return
# "Pachet dezarhivat"
sleep 1
box="$(xdotool search --onlyvisible --name '^Zentrox$' | head -n1 || true)"
[ -n "$box" ] && { shoot "$box" unpacked-message.png; xdotool windowfocus --sync "$box"; xdotool key Return; }
sleep 0.5

# Control (second button).
click "$kv" 132 "$row"
sleep 3
shoot "$kv" checker-protocol.png

# The top of the same protocol: its header and the red part headings.
xdotool mousemove --window "$kv" 400 200 click --repeat 40 --delay 10 4
shoot "$kv" checker-protocol-top.png

# The record behind the first finding that names one: F8 from the top of the
# protocol opens it on the record page, Escape goes back to its line.
click "$kv" 300 60
xdotool key ctrl+Home F8
shoot "$kv" record-page.png
# The example's findings that name a record, in protocol order: 1 the date
# 31.09.2026, 4 the first of the duplicate CPAS, 7 the category missing from
# its dictionary, 11 the month sum of BALAN. Each shows what would be right.
shoot "$kv" record-date.png
xdotool key F8 F8 F8
shoot "$kv" record-duplicate.png
xdotool key F8 F8 F8
shoot "$kv" record-code.png
xdotool key F8 F8 F8 F8
shoot "$kv" record-sum.png
xdotool key Escape

# The findings grouped by file and rule: the "Rezumat" tab beside
# "Protocol", then back to the protocol.
click "$kv" 140 14
shoot "$kv" checker-overview.png
click "$kv" 45 14

# UnRar of a file that is no archive: the refusal in the protocol, the
# archiver's reason in the status bar under the buttons.
broken="$work/packages/REV5_1234567_00003_2026T03.rar"
echo "not an archive" > "$broken"
click "$kv" 45 "$row"
dialog="$(window 'Alege.* arhiva RAR de dezarhivat .* directorul de lucru')"
xdotool windowfocus --sync "$dialog"
sleep 0.3
xdotool type --delay 5 "$broken"
xdotool key Return
sleep 1.5
box="$(xdotool search --onlyvisible --name '^(Zentrox|Eroare)$' | head -n1 || true)"
[ -n "$box" ] && { xdotool windowfocus --sync "$box"; xdotool key Return; sleep 0.5; }
shoot "$kv" checker-unrar-failed.png
