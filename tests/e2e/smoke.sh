#!/usr/bin/env bash
# Black-box smoke test of the real Korvane.exe on an X display under Wine: it clicks and drags
# with xdotool at the documented client coordinates and checks pixels of screenshots.
#
# Usage: smoke.sh KORVANE_EXE HELPERS_DIR ART_DIR SHOTS_DIR
#   HELPERS_DIR  holds postrestore.exe, clicktarget.exe and wininfo.exe (tests/helpers)
#   ART_DIR      the bitmap generator's .bmp files, for the reference pixels
#   SHOTS_DIR    receives tab1.png .. tab4.png and about.png (the window only)
# Needs WINEPREFIX and DISPLAY as tools/test sets them (wine_env_start); exits 77 (skipped) without.
# Every process it starts is ended by its PID; the settings key is left as found.
set -uo pipefail

exe=${1:?Korvane.exe}
helpers=${2:?helpers folder}
art=${3:?art folder}
shots=${4:?shots folder}

if [ -z "${DISPLAY:-}" ] || [ -z "${WINEPREFIX:-}" ]; then
  echo "SKIP: no Wine display (run through tools/test)"
  exit 77
fi
for tool in wine winepath xdotool xwininfo import convert; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool missing"; exit 77; }
done

mkdir -p "$shots"
work=$(mktemp -d)
pids=()
failures=0
settings_key='HKCU\SOFTWARE\Velmora\Korvane'
settings_saved=""

cleanup() {
  for p in "${pids[@]}"; do
    if kill -0 "$p" 2>/dev/null; then
      kill "$p" 2>/dev/null
      wait "$p" 2>/dev/null
    fi
  done
  if [ -n "$settings_saved" ]; then
    wine reg delete "$settings_key" /f >/dev/null 2>&1
    [ "$settings_saved" = yes ] && wine reg import "$work/settings.reg" >/dev/null 2>&1
  fi
  rm -rf "$work"
}
trap cleanup EXIT

ok() { printf 'ok   %s\n' "$*"; }
bad() { printf 'FAIL %s\n' "$*"; failures=$((failures + 1)); }
fatal() { printf 'FAIL %s (stopping)\n' "$*"; exit 1; }
check() {  # check "what" command...: ok when the command succeeds
  local what=$1; shift
  if "$@"; then ok "$what"; else bad "$what"; fi
}

# Waits until the command succeeds, polling every 0.1 s for at most $1 seconds.
wait_until() {
  local seconds=$1; shift
  local i
  for ((i = 0; i < seconds * 10; i++)); do
    "$@" && return 0
    sleep 0.1
  done
  "$@"
}

# The working screenshot is a raw PPM: much cheaper to write and read than PNG, polled often.
shot() { import -window root "$work/screen.ppm" 2>/dev/null; }
# The colour of a screen pixel in the last shot, as "srgb(r,g,b)".
pixel() { convert "$work/screen.ppm" -format "%[pixel:p{$1,$2}]" info: 2>/dev/null; }
# Several pixels of the last shot at once: pixels X1 Y1 X2 Y2 ... prints one colour per line.
pixels() {
  local fmt=""
  while [ $# -ge 2 ]; do fmt+="%[pixel:p{$1,$2}]\n"; shift 2; done
  convert "$work/screen.ppm" -format "$fmt" info: 2>/dev/null
}
ref_pixel() { convert "$1" -format "%[pixel:p{$2,$3}]" info: 2>/dev/null; }
# pixel_is X Y COLOUR: takes a fresh shot and compares.
pixel_is() { shot && [ "$(pixel "$1" "$2")" = "$3" ]; }
pixel_is_not() { shot && [ "$(pixel "$1" "$2")" != "$3" ]; }

# Windows are asked through Win32 (wininfo.exe), since inside a Wine virtual desktop they are no
# X windows of their own. One line per top-level window of the class:
#   visible iconic enabled left top width height
wininfo() { wine "$helpers/wininfo.exe" "$1" 2>/dev/null | tr -d '\r'; }
visible_of() { wininfo "$1" | awk '$1 == 1'; }
shown() { [ -n "$(visible_of "$1")" ]; }
not_shown() { [ -z "$(visible_of "$1")" ]; }
has_main_window() { shown KorvaneMain; }
# origin_is CLASS X Y: the visible window of that class has its top-left corner there.
origin_is() { [ "$(visible_of "$1" | awk 'NR == 1 {print $4, $5}')" = "$2 $3" ]; }
size_is() { [ "$(visible_of "$1" | awk 'NR == 1 {print $6, $7}')" = "$2 $3" ]; }
iconic() { [ -n "$(wininfo KorvaneMain | awk '$2 == 1')" ]; }
not_iconic() { ! iconic; }

# drag SCREEN_X SCREEN_Y DX DY: press, move in steps, release.
drag() {
  xdotool mousemove "$1" "$2" mousedown 1
  sleep 0.2
  xdotool mousemove $(($1 + $3 / 2)) $(($2 + $4 / 2))
  sleep 0.1
  xdotool mousemove $(($1 + $3)) $(($2 + $4))
  sleep 0.2
  xdotool mouseup 1
  sleep 0.4
}
click() { xdotool mousemove "$1" "$2" click 1; }

# The screen point of a main window client point.
X0=0
Y0=0
at() { echo $((X0 + $1)) $((Y0 + $2)); }

# ---- settings: both promotion windows allowed, so that a wrong close path would show one ----
if wine reg export "$settings_key" "$work/settings.reg" /y >/dev/null 2>&1; then settings_saved=yes; else settings_saved=no; fi
wine reg add "$settings_key" /v SparrowtuneAds /t REG_DWORD /d 1 /f >/dev/null 2>&1
wine reg add "$settings_key" /v GlimmerbackAds /t REG_DWORD /d 1 /f >/dev/null 2>&1

has_main_window && fatal "a Korvane window is already on the display"

# ---- start: the window centred on the screen, tab 1 selected ----
read -r screen_w screen_h < <(xwininfo -root | awk '/^  Width/ {w=$2} /^  Height/ {h=$2} END {print w, h}')
X0=$(((screen_w - 720) / 2))
Y0=$(((screen_h - 540) / 2))
red="srgb(255,0,0)"
shot
behind=$(pixel 5 5)  # what shows where no window is: the root window, or Wine's desktop

# A red window that will lie behind the top-left corner, started first so Korvane covers it.
clicks="$work/clicks.txt"
: >"$clicks"
wine "$helpers/clicktarget.exe" $((X0 - 20)) $((Y0 - 20)) 60 60 "$(winepath -w "$clicks" 2>/dev/null)" >/dev/null 2>&1 &
target=$!
pids+=("$target")
wait_until 10 pixel_is $((X0 - 10)) $((Y0 - 10)) "$red" || bad "the window behind the corner appears"

wine "$exe" >/dev/null 2>&1 &
app=$!
pids+=("$app")
wait_until 20 has_main_window || fatal "the main window appears"
check "window at ($X0, $Y0), the centre of the ${screen_w}x${screen_h} screen" origin_is KorvaneMain "$X0" "$Y0"
check "window 720 by 540" size_is KorvaneMain 720 540

marker=$(ref_pixel "$art/tab_marker.bmp" 4 15)  # client (140, 80) lies 4, 15 into the marker
frame=$(ref_pixel "$art/skin_main.bmp" 20 2)
title=$(ref_pixel "$art/skin_main.bmp" 300 30)
wait_until 10 pixel_is $(at 140 80) "$marker" && ok "tab marker at client x 136" || bad "tab marker at client x 136 (got $(pixel $(at 140 80)), want $marker)"
sleep 1  # tab 1's list fills once the window is up
shot
corners=("719 0" "0 539" "719 539" "718 1" "717 537" "0 0" "1 1" "2 2")
wants=("$behind" "$behind" "$behind" "$behind" "$behind" "$red" "$red" "$red")
points=()
for p in "${corners[@]}"; do points+=($(at $p)); done
mapfile -t got < <(pixels "${points[@]}")
for i in "${!corners[@]}"; do
  if [ "${wants[i]}" = "$red" ]; then what="the window behind"; else what="what lies behind the window"; fi
  check "cut-away corner pixel (${corners[i]// /, }) shows $what" [ "${got[i]:-}" = "${wants[i]}" ]
done
check "...which the skin covers elsewhere" [ "$(pixel $(at 20 2))" = "$frame" ]
check "nothing just left of the window" [ "$(pixel $((X0 - 1)) $((Y0 + 100)))" = "$behind" ]
check "the window's left edge at x $X0" [ "$(pixel "$X0" $((Y0 + 100)))" = "$frame" ]

# ---- a click on a cut-away corner reaches the window behind it ----
click $(at 0 0)
click $(at 10 10)  # inside the outline: the main window's own
sleep 0.5
check "the corner click went to the window behind, the other did not" [ "$(tr -d '\r' <"$clicks")" = "$X0 $Y0" ]
kill "$target" 2>/dev/null
wait "$target" 2>/dev/null
check "with it gone the corner shows what lies behind again" wait_until 5 pixel_is $(at 0 0) "$behind"
convert "$work/screen.ppm" -crop "720x540+$X0+$Y0" +repage "$shots/tab1.png"

# ---- tabs: a click on each label moves the marker to the label's left edge minus 10 ----
label_left=(0 146 290 434 578)
for tab in 2 3 4 1; do
  click $(at $((label_left[tab] + 60)) 78)
  if wait_until 20 pixel_is $(at $((label_left[tab] - 6)) 80) "$marker"; then
    ok "tab $tab: marker moved to client x $((label_left[tab] - 10))"
  else
    bad "tab $tab: marker moved to client x $((label_left[tab] - 10))"
  fi
  sleep 0.5
  shot
  points=()
  for other in 1 2 3 4; do points+=($(at $((label_left[other] - 6)) 80)); done
  mapfile -t got < <(pixels "${points[@]}")
  for other in 1 2 3 4; do
    [ "$other" != "$tab" ] && [ "${got[other - 1]:-}" = "$marker" ] && bad "tab $tab: marker also at tab $other"
  done
  [ "$tab" = 1 ] || convert "$work/screen.ppm" -crop "720x540+$X0+$Y0" +repage "$shots/tab$tab.png"
done

# ---- hover: image buttons of tab 1 at panel (350, 394) and (518, 394) ----
normal=$(ref_pixel "$art/button_a.bmp" 5 13)
hover=$(ref_pixel "$art/button_b.bmp" 5 13)
b1="371 507"  # client points 5, 13 into each button's image, clear of its label
b2="539 507"
hover_state() {  # hover_state STATE1 STATE2: each "n" or "h"
  shot
  local want1=$normal want2=$normal
  [ "$1" = h ] && want1=$hover
  [ "$2" = h ] && want2=$hover
  [ "$(pixels $(at $b1) $(at $b2) | tr '\n' ' ')" = "$want1 $want2 " ]
}
xdotool mousemove $(at 530 500)  # the gap between the two buttons: the panel's own background
sleep 0.3
if hover_state n n; then
  moves=("371 498|h n|first button's image"
         "539 498|n h|straight onto its neighbour"
         "300 300|n h|onto the list: still highlighted"
         "530 500|n n|panel background between the buttons"
         "449 507|h n|first button's label highlights its button")
  for m in "${moves[@]}"; do
    IFS='|' read -r point states what <<<"$m"
    xdotool mousemove $(at $point)
    if wait_until 3 hover_state $states; then ok "hover: $what"; else bad "hover: $what"; fi
  done
  xdotool mousemove $(at 530 500)
else
  echo "note: tab 1 shows no image buttons at panel (350, 394) and (518, 394) yet; hover checks skipped"
fi

# ---- dragging by the title strip ----
drag $(at 634 59) 60 40
check "a drag from client (634, 59) moves the window" origin_is KorvaneMain $((X0 + 60)) $((Y0 + 40))
drag $((X0 + 60 + 634)) $((Y0 + 40 + 60)) 50 50
check "a press at client (634, 60) does not drag" origin_is KorvaneMain $((X0 + 60)) $((Y0 + 40))
drag $((X0 + 60 + 635)) $((Y0 + 40 + 59)) 50 50
check "a press at client (635, 59) does not drag" origin_is KorvaneMain $((X0 + 60)) $((Y0 + 40))
drag $((X0 + 60 + 300)) $((Y0 + 40 + 30)) -60 -40
check "dragged back" origin_is KorvaneMain "$X0" "$Y0"

# ---- About: centred on the main window, drags only in its top 48 pixels left of x 316 ----
shot
under_about=$(pixel $((X0 + 185)) $((Y0 + 120)))  # what About's cut corner will show
click $(at 643 16)
if wait_until 10 shown KorvaneAbout; then
  ax=$((X0 + 185))
  ay=$((Y0 + 120))
  check "About centred on the main window" origin_is KorvaneAbout "$ax" "$ay"
  check "the main window is disabled meanwhile" [ "$(wininfo KorvaneMain | awk 'NR == 1 {print $3}')" = 0 ]
  shot
  convert "$work/screen.ppm" -crop "350x300+$ax+$ay" +repage "$shots/about.png"
  check "About's cut corner shows the main window behind it" [ "$(pixel "$ax" "$ay")" = "$under_about" ]
  drag $((ax + 315)) $((ay + 47)) 40 30
  check "About drags from its client (315, 47)" origin_is KorvaneAbout $((ax + 40)) $((ay + 30))
  ax=$((ax + 40))
  ay=$((ay + 30))
  for p in "316 40" "100 48" "200 150"; do
    set -- $p
    drag $((ax + $1)) $((ay + $2)) 30 30
    check "About does not drag from its client ($1, $2)" origin_is KorvaneAbout "$ax" "$ay"
  done
  click $((ax + 324)) $((ay + 22))
  check "About's x closes it" wait_until 5 not_shown KorvaneAbout
  check "the main window is enabled again" [ "$(wininfo KorvaneMain | awk 'NR == 1 {print $3}')" = 1 ]
else
  bad "the i label opens the About window"
fi

# ---- single instance: a second start restores the minimised first one ----
click $(at 672 14)
check "the _ label minimises" wait_until 5 iconic
wine "$helpers/postrestore.exe" 1024 >/dev/null 2>&1
check "the restore helper found the window" [ $? = 0 ]
sleep 1
check "a restore request with wParam 1024 changes nothing" iconic
timeout 30 wine "$exe" >/dev/null 2>&1 &
second=$!
pids+=("$second")
most=0
while kill -0 "$second" 2>/dev/null; do
  n=$(wininfo KorvaneMain | wc -l)
  [ "$n" -gt "$most" ] && most=$n
done
wait "$second"
check "the second instance exits 0" [ $? = 0 ]
check "the second instance made no window of its own" [ "$most" -le 1 ]
check "the first one is restored" wait_until 5 origin_is KorvaneMain "$X0" "$Y0"
check "...and no longer minimised" not_iconic
check "one main window" [ "$(wininfo KorvaneMain | wc -l)" = 1 ]
check "the restored window shows its skin" wait_until 5 pixel_is $(at 300 30) "$title"

# ---- Alt+F4 closes at once, without a promotion window ----
click $(at 300 30)  # gives the window the keyboard
sleep 0.3
xdotool key alt+F4
promo_seen=""
for _ in $(seq 100); do
  shown KorvanePromotion && promo_seen=yes
  kill -0 "$app" 2>/dev/null || break
  sleep 0.1
done
if kill -0 "$app" 2>/dev/null; then
  bad "Alt+F4 closes the program"
else
  wait "$app"
  check "Alt+F4 closes the program with exit code 0" [ $? = 0 ]
fi
check "Alt+F4 shows no promotion window" [ -z "$promo_seen" ]

echo "screenshots: $shots"
if [ "$failures" -gt 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "all checks passed"
