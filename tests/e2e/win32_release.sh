#!/usr/bin/env bash
# Black-box test of the release Korvane.exe (build/win32, PE32) as a 32-bit program on 64-bit
# Windows: run by tools/test-win32 inside the WOW64 chroot it sets up. The 64-bit test helpers run
# natively beside it and see its windows and list row counts, not its list texts; so contents are
# checked through row counts beside those of the 64-bit build on the same data, screenshots of
# the lists beside the 64-bit build's, and the registry and files after each action.
# Seeded: the machine's Run key in both views, the user's Run key, an Uninstall entry in each
# view, a file association, and a 64-bit and a 32-bit process. Everything seeded is removed
# again, also on failure.
set -uo pipefail
: "${KORVANE_ROOT:?run through tools/test-win32}"
source "$KORVANE_ROOT/tools/win32-env.sh"
[ -n "${DISPLAY:-}" ] && w32_prefix_ready || { echo "FAIL no WOW64 bench (run through tools/test-win32)"; exit 1; }

exe32=$KORVANE_ROOT/build/win32/Korvane.exe
exe64=$KORVANE_ROOT/build/win64/Korvane.exe
h64=$KORVANE_ROOT/build/win64/tests/helpers
h32=$KORVANE_ROOT/build/win32/tests/helpers
shots=$KORVANE_ROOT/build/win32/shots-wow64
drive=$W32_ROOT$W32_PREFIX_IN/drive_c
app=$drive/Korvane  # C:\Korvane: the undo folder is made beside the program
mkdir -p "$shots"
work=$(mktemp -d)
pids=()
failures=0

ok() { printf 'ok   %s [%d s]\n' "$*" "$SECONDS"; }
bad() { printf 'FAIL %s [%d s]\n' "$*" "$SECONDS"; failures=$((failures + 1)); }
fatal() { printf 'FAIL %s (stopping)\n' "$*"; exit 1; }
check() { local what=$1; shift; if "$@"; then ok "$what"; else bad "$what"; fi; }
wait_until() {
  local seconds=$1 i; shift
  for ((i = 0; i < seconds * 5; i++)); do "$@" && return 0; sleep 0.2; done
  "$@"
}

w() { w32_wine "$@" </dev/null 2>/dev/null | tr -d '\r'; }
wininfo() { w "$h64/wininfo.exe" "$1"; }
shown() { [ -n "$(wininfo "$1" | awk '$1 == 1')" ]; }
not_shown() { ! shown "$1"; }
rows() { w "$h64/wininfo.exe" KorvaneMain rows | head -n 1; }
rows_are() { [ "$(rows)" = "$1" ]; }
dialog_shown() { shown 'KorvaneDialog'; }

# ---- the seeded data: GBK names in the values, quotes and backslashes in the commands ----
RUN='Software\Microsoft\Windows\CurrentVersion\Run'
RUN32='Software\Wow6432Node\Microsoft\Windows\CurrentVersion\Run'
UNI='Software\Microsoft\Windows\CurrentVersion\Uninstall'
UNI32='Software\Wow6432Node\Microsoft\Windows\CurrentVersion\Uninstall'
seeded_values=("HKLM\\$RUN|kvw32machine64" "HKLM\\$RUN32|kvw32machine32" "HKCU\\$RUN|kvw32user")
seeded_keys=("HKLM\\$UNI\\KvW32App64" "HKLM\\$UNI32\\KvW32App32" 'HKCR\.kvw32' 'HKCR\kvw32file')

unseed() {
  local e
  for e in "${seeded_values[@]}"; do w reg delete "${e%|*}" /v "${e#*|}" /f >/dev/null; done
  for e in "${seeded_keys[@]}"; do w reg delete "$e" /f >/dev/null; done
}

seed() {
  {
    printf 'Windows Registry Editor Version 5.00\r\n\r\n'
    printf '[HKEY_LOCAL_MACHINE\\%s]\r\n"kvw32machine64"="\\"C:\\\\Program Files\\\\测试64\\\\kv64.exe\\" /开始"\r\n\r\n' "$RUN"
    printf '[HKEY_LOCAL_MACHINE\\%s]\r\n"kvw32machine32"="C:\\\\Program Files (x86)\\\\测试32\\\\kv32.exe"\r\n\r\n' "$RUN32"
    printf '[HKEY_CURRENT_USER\\%s]\r\n"kvw32user"="%%SystemRoot%%\\\\notepad.exe"\r\n\r\n' "$RUN"
    printf '[HKEY_LOCAL_MACHINE\\%s\\KvW32App64]\r\n"DisplayName"="KvW32 乙 六十四位"\r\n' "$UNI"
    printf '"UninstallString"="\\"C:\\\\Program Files\\\\测试64\\\\卸载.exe\\""\r\n\r\n'
    printf '[HKEY_LOCAL_MACHINE\\%s\\KvW32App32]\r\n"DisplayName"="KvW32 甲 三十二位"\r\n' "$UNI32"
    printf '"UninstallString"="C:\\\\Program Files (x86)\\\\测试32\\\\卸载.exe /S"\r\n"DisplayIcon"="C:\\\\Windows\\\\System32\\\\notepad.exe"\r\n\r\n'
    printf '[HKEY_CLASSES_ROOT\\.kvw32]\r\n@="kvw32file"\r\n"PerceivedType"="text"\r\n\r\n'
    printf '[HKEY_CLASSES_ROOT\\kvw32file\\shell\\open\\command]\r\n@="notepad.exe \\"%%1\\""\r\n'
  } | { printf '\xff\xfe'; iconv -f UTF-8 -t UTF-16LE; } >"$drive/kvw32-seed.reg"
  w regedit /s 'C:\kvw32-seed.reg' >/dev/null
  rm -f "$drive/kvw32-seed.reg"
}

# reg_value KEY NAME: the value's data as `reg query` prints it, empty when absent.
reg_value() { w reg query "$1" /v "$2" | awk -v n="$2" '$1 == n { $1 = ""; $2 = ""; sub(/^  /, ""); print }'; }
key_exists() { w reg query "$1" >/dev/null 2>&1 && [ -n "$(w reg query "$1")" ]; }

cleanup() {
  local p
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done
  for p in "${pids[@]}"; do wait "$p" 2>/dev/null; done
  unseed
  rm -rf "$work" "$app" "$drive/kvprobe"
}
trap cleanup EXIT

# ---- the program: the very bytes of the release, as a 32-bit program ----
rm -rf "$app"
mkdir -p "$app"
cp "$exe32" "$app/Korvane.exe"
check "the program is the release's Korvane.exe, PE32" cmp -s "$exe32" "$app/Korvane.exe"
LC_ALL=C i686-w64-mingw32-objdump -f "$app/Korvane.exe" | grep -q 'pei-i386' || bad "Korvane.exe is PE32"
unseed

# ---- the processes: a 64-bit and a 32-bit one besides the prefix's own 64-bit services ----
cp "$h64/sleeper.exe" "$drive/kvsleep64.exe"
cp "$h32/sleeper.exe" "$drive/kvsleep32.exe"
w32_wine 'C:\kvsleep64.exe' 3600000 </dev/null >/dev/null 2>&1 &
pids+=("$!")
w32_wine 'C:\kvsleep32.exe' 3600000 </dev/null >/dev/null 2>&1 &
pids+=("$!")
# The probes below are Windows processes too, each a moment in the list: tab 3 shows one row per
# name, so a stand-in named like them, running throughout, keeps their row and the count steady.
mkdir -p "$drive/kvprobe"
cp "$h64/sleeper.exe" "$drive/kvprobe/wininfo.exe"
w32_wine 'C:\kvprobe\wininfo.exe' 3600000 </dev/null >/dev/null 2>&1 &
pids+=("$!")
# Listed only once the system's snapshot names it: the emulated loader takes a while to get there
# (waited for after the 64-bit build's first run), and a list read before then would miss it.
windows_process() { w32_wine "$h64/wininfo.exe" -process "$1" </dev/null >/dev/null 2>&1; }
no_windows_process() { ! windows_process "$1"; }

# ---- click helpers at the main window's client coordinates ----
read -r screen_w screen_h < <(xwininfo -root | awk '/^  Width/ {w=$2} /^  Height/ {h=$2} END {print w, h}')
X0=$(((screen_w - 720) / 2))
Y0=$(((screen_h - 540) / 2))
at() { echo $((X0 + $1)) $((Y0 + $2)); }
click() { xdotool mousemove $(at "$1" "$2") click 1; }
tab() { click $((${label_left[$1]} + 60)) 78; }
label_left=(0 146 290 434 578)
list_shot() {  # list_shot FILE: the list of the shown tab (panel 16,100; list 8,8, 673 by 345)
  import -window root "$work/screen.ppm" 2>/dev/null
  convert "$work/screen.ppm" -crop "673x345+$((X0 + 24))+$((Y0 + 108))" +repage "$1"
}
same_picture() { [ "$(compare -metric AE "$1" "$2" null: 2>&1)" = 0 ]; }
settled_rows() {  # the row count once it has stayed the same for two seconds
  local last="" now i
  for ((i = 0; i < 60; i++)); do
    now=$(rows)
    [ -n "$now" ] && [ "$now" = "$last" ] && { echo "$now"; return; }
    last=$now
    sleep 2
  done
  echo "$last"
}

# counts BUILD EXE_LABEL: starts the program, reads each tab's settled row count into COUNT[1..4]
# and a picture of tabs 1, 2 and 4's lists, then closes it.
declare -A COUNT
run_tabs() {
  local label=$1 path=$2 timeout=$3 pid t
  w32_wine "$path" </dev/null >/dev/null 2>&1 &
  pid=$!
  pids+=("$pid")
  local started=$(date +%s)
  wait_until "$timeout" shown KorvaneMain || fatal "$label: the main window appears within $timeout s"
  ok "$label: the main window appears ($(($(date +%s) - started)) s)"
  for t in 1 2 3 4; do
    [ "$t" = 1 ] || tab "$t"
    sleep 1
    COUNT[$label,$t]=$(settled_rows)
    [ "$t" = 3 ] || list_shot "$shots/$label-tab$t.png"
  done
  tab 1
  sleep 1
  echo "$label: rows per tab ${COUNT[$label,1]} ${COUNT[$label,2]} ${COUNT[$label,3]} ${COUNT[$label,4]}"
  eval "$4=$pid"
}
running() { kill -0 "$1" 2>/dev/null; }
ended() { ! running "$1"; }
close_program() {  # close_program PID: Alt+F4 (no promotion window), then the process must end
  click 300 30
  sleep 0.5
  xdotool key alt+F4
  wait_until 60 ended "$1" && return 0
  kill "$1"
  return 1
}

# ---- the 64-bit build before and after seeding: what the seeded data adds ----
run_tabs base64 "$exe64" 60 p
close_program "$p" || bad "the 64-bit build closes"
seed
wait_until 300 windows_process kvsleep32.exe || bad "the 32-bit helper process starts"
wait_until 30 windows_process kvsleep64.exe || bad "the 64-bit helper process starts"
run_tabs win64 "$exe64" 60 p
close_program "$p" || bad "the 64-bit build closes"
check "seeded: tab 1 of the 64-bit build has three rows more" [ $((COUNT[win64,1] - COUNT[base64,1])) = 3 ]
check "seeded: tab 2 of the 64-bit build has two rows more" [ $((COUNT[win64,2] - COUNT[base64,2])) = 2 ]
check "seeded: tab 4 of the 64-bit build has one row more" [ $((COUNT[win64,4] - COUNT[base64,4])) = 1 ]

# ---- the release: every tab lists what the 64-bit build lists ----
run_tabs win32 'C:\Korvane\Korvane.exe' 300 main32
for t in 1 2 3 4; do
  check "tab $t: the release lists ${COUNT[win64,$t]} rows like the 64-bit build (got ${COUNT[win32,$t]})" \
    [ "${COUNT[win32,$t]}" = "${COUNT[win64,$t]}" ]
done
for t in 1 2 4; do
  check "tab $t: the release's list looks like the 64-bit build's" same_picture "$shots/win32-tab$t.png" "$shots/win64-tab$t.png"
done

# ---- tab 3: the 64-bit and 32-bit processes are listed, and ending one works ----
tab 3
wait_until 20 rows_are "${COUNT[win32,3]}"
n3=$(settled_rows)
# Type-ahead selects the row by its caption; the first button ends every process of that name.
click 300 140
xdotool type --delay 50 kvsleep64.exe
sleep 1
click 430 507
if wait_until 30 dialog_shown; then
  xdotool key Return  # the confirmation opens with the focus on "是"
  check "the release ends the 64-bit process it lists" wait_until 30 no_windows_process kvsleep64.exe
  check "...and its row goes" wait_until 30 rows_are $((n3 - 1))
else
  bad "tab 3: ending kvsleep64.exe asks first"
fi
# By its id: Wine's taskkill finds names through each process's memory, which an emulated
# process does not let it read.
pid32=$(w "$h64/wininfo.exe" -process | awk '$2 == "kvsleep32.exe" { print $1; exit }')
w taskkill /f /pid "$pid32" >/dev/null
if wait_until 60 rows_are $((n3 - 2)); then
  ok "the 32-bit process's row goes when it ends"
else
  bad "the 32-bit process's row goes when it ends: $(rows) rows of $n3; running: $(w "$h64/wininfo.exe" -process | awk '{ printf "%s ", $2 }')"
fi

# ---- tab 1: delete the machine's 32-bit Run entry; its undo file restores it ----
# The confirmation (client 300 by 116) and the message window (300 by 102) are told by height.
dialog_height() { wininfo 'KorvaneDialog' | awk '$1 == 1 { print $7; exit }'; }
answer_dialogs() {  # "是" to the question (it opens with the focus there), then the message away
  wait_until 60 dialog_shown || return 1
  local asked; asked=$(dialog_height)
  xdotool key Return
  wait_until 60 eval '[ "$(dialog_height)" != "$asked" ]' || return 1
  wait_until 300 dialog_shown || return 1
  [ "$(dialog_height)" -lt "$asked" ] || return 1
  xdotool key Return
  wait_until 30 not_shown 'KorvaneDialog'
}
undo_files() { ls "$app/Undo" 2>/dev/null | grep -c '\.reg$'; }
tab 1
wait_until 30 rows_are "${COUNT[win32,1]}"
before=$(reg_value "HKLM\\$RUN32" kvw32machine32)
click 300 140
xdotool type --delay 50 kvw32machine32
sleep 1
xdotool key space
sleep 1
click 600 507
if answer_dialogs; then
  check "tab 1: the 32-bit Run entry is deleted" [ -z "$(reg_value "HKLM\\$RUN32" kvw32machine32)" ]
  check "tab 1: the other seeded entries stay" [ -n "$(reg_value "HKLM\\$RUN" kvw32machine64)" ] 
  check "tab 1: one row fewer" wait_until 30 rows_are $((COUNT[win32,1] - 1))
  check "tab 1: an undo file is written" [ "$(undo_files)" = 1 ]
  f=$(ls "$app/Undo" | grep '\.reg$' | head -n 1)
  w regedit /s "C:\\Korvane\\Undo\\$f" >/dev/null
  check "tab 1: importing the undo file restores the entry" [ "$(reg_value "HKLM\\$RUN32" kvw32machine32)" = "$before" ]
else
  bad "tab 1: the deletion asks and reports"
fi

# ---- tab 2: delete the 64-bit Uninstall record; its undo file restores it ----
# Rows come in reading order, the 64-bit view first, so type-ahead stops at the 64-bit record: the
# one a 32-bit program can back up only with the 64-bit registry editor. (The 32-bit record's
# deletion by a 32-bit program is DeleteRecordTest in the 32-bit Windows tests.)
tab 2
wait_until 30 rows_are "${COUNT[win32,2]}"
click 300 140
xdotool type --delay 50 'KvW32 '
sleep 1
n_undo=$(undo_files)
click 600 507
if answer_dialogs; then
  check "tab 2: the 64-bit Uninstall record is deleted" [ -z "$(reg_value "HKLM\\$UNI\\KvW32App64" DisplayName)" ]
  check "tab 2: the 32-bit record stays" [ -n "$(reg_value "HKLM\\$UNI32\\KvW32App32" DisplayName)" ]
  check "tab 2: an undo file is written" [ "$(undo_files)" = $((n_undo + 1)) ]
  f=$(ls -t "$app/Undo" | grep '\.reg$' | head -n 1)
  w regedit /s "C:\\Korvane\\Undo\\$f" >/dev/null
  check "tab 2: importing the undo file restores the record" [ -n "$(reg_value "HKLM\\$UNI\\KvW32App64" DisplayName)" ]
else
  bad "tab 2: the deletion asks and reports"
fi

# ---- tab 4: delete the seeded association; its undo file restores it ----
# Extension keys are shared between the views on Windows 7 and later ("Registry Keys Affected by
# WOW64"); the release deletes and backs up the one the 64-bit programs see.
tab 4
wait_until 60 rows_are "${COUNT[win32,4]}"
click 300 140
xdotool type --delay 50 .kvw32
sleep 1
n_undo=$(undo_files)
click 600 507
if answer_dialogs; then
  check "tab 4: the association is deleted" eval '! key_exists "HKCR\.kvw32"'
  check "tab 4: its file type stays" key_exists 'HKCR\kvw32file\shell\open\command'
  check "tab 4: one row fewer" wait_until 60 rows_are $((COUNT[win32,4] - 1))
  check "tab 4: an undo file is written" [ "$(undo_files)" = $((n_undo + 1)) ]
  f=$(ls -t "$app/Undo" | grep '\.reg$' | head -n 1)
  w regedit /s "C:\\Korvane\\Undo\\$f" >/dev/null
  check "tab 4: importing the undo file restores the association" \
    [ "$(reg_value 'HKCR\.kvw32' PerceivedType)" = text ]
else
  bad "tab 4: the deletion asks and reports"
fi
tab 1

# ---- About, then a second start restores the first instance ----
click 643 16
if wait_until 60 shown KorvaneAbout; then
  ok "the About window opens"
  import -window root "$work/screen.ppm" 2>/dev/null && convert "$work/screen.ppm" -crop "350x300+$((X0 + 185))+$((Y0 + 120))" +repage "$shots/about.png"
  click $((185 + 324)) $((120 + 22))  # its x
  check "About closes" wait_until 30 not_shown KorvaneAbout
else
  bad "the About window opens"
fi
iconic() { [ -n "$(wininfo KorvaneMain | awk '$2 == 1')" ]; }
restored() { [ -n "$(wininfo KorvaneMain | awk '$1 == 1 && $2 == 0')" ]; }
click 672 14
check "the _ label minimises" wait_until 30 iconic
start2=$(date +%s)
w32_wine 'C:\Korvane\Korvane.exe' </dev/null >/dev/null 2>&1 &
second=$!
pids+=("$second")
if wait_until 300 ended "$second"; then
  wait "$second"
  check "the second start exits 0 ($(($(date +%s) - start2)) s)" [ $? = 0 ]
else
  bad "the second start ends within 300 s"
fi
check "one main window" [ "$(wininfo KorvaneMain | wc -l)" = 1 ]
check "the first one is restored" wait_until 30 restored
close_program "$main32" || bad "the release closes"

echo "screenshots: $shots"
[ "$failures" -eq 0 ] || { echo "$failures check(s) failed"; exit 1; }
echo "all checks passed"
