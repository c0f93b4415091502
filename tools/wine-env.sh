# Source this file: a private Wine prefix in the build folder, code page 936, the CJK font, no
# Mono/Gecko prompts, one wineserver kept alive for the run and a private Xvfb display when there
# is none. wine_env_stop ends exactly what wine_env_start started.
: "${KORVANE_BUILD:=${KORVANE_ROOT:?}/build/win64}"
export WINEPREFIX="${KORVANE_PREFIX:-$KORVANE_BUILD/wineprefix}"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export LC_ALL=zh_CN.UTF-8
export WINEARCH=win64

KORVANE_XVFB_PID=""
KORVANE_WINESERVER_STARTED=""

wine_env_start() {
  if [ -z "${DISPLAY:-}" ] || [ -n "${KORVANE_PRIVATE_DISPLAY:-}" ]; then
    local n=90
    while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    KORVANE_XVFB_PID=$!
    export DISPLAY=":$n"
    for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
  fi
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1 || return 1
    wineserver -w
  fi
  wine_env_desktop
  wineserver -p >/dev/null 2>&1
  KORVANE_WINESERVER_STARTED=1
  # Start Wine's long-lived helpers now, detached from any pipe: a test runner that captures a
  # program's output would otherwise wait for them to close it.
  wine cmd.exe /c exit </dev/null >/dev/null 2>&1
  return 0
}

# On a private Xvfb there is no window manager, and Wine waits two seconds for one whenever a
# window is hidden. A Wine virtual desktop filling the screen at 0,0 needs none: windows keep their
# screen coordinates, screenshots and xdotool clicks work as before. On a real display, none.
wine_env_desktop() {
  local want=""; [ -n "$KORVANE_XVFB_PID" ] && want=1
  local have=""; grep -q '^"Desktop"="Default"' "$WINEPREFIX/user.reg" 2>/dev/null && have=1
  [ "$want" = "$have" ] && return 0
  if [ -n "$want" ]; then
    wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1280x1024 /f </dev/null >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f </dev/null >/dev/null 2>&1
  else
    wine reg delete 'HKCU\Software\Wine\Explorer' /v Desktop /f </dev/null >/dev/null 2>&1
  fi
  wineserver -k >/dev/null 2>&1
  wineserver -w
}

wine_env_stop() {
  if [ -n "$KORVANE_WINESERVER_STARTED" ]; then
    wineserver -k >/dev/null 2>&1 || true
    KORVANE_WINESERVER_STARTED=""
  fi
  if [ -n "$KORVANE_XVFB_PID" ]; then
    kill "$KORVANE_XVFB_PID" 2>/dev/null || true
    wait "$KORVANE_XVFB_PID" 2>/dev/null || true
    KORVANE_XVFB_PID=""
  fi
}
