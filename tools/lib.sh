# Shared by the tools: one line per step, and a clear stop naming the step that failed.
KORVANE_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export KORVANE_ROOT

step() { printf '==> %s\n' "$*"; }
fail() { printf 'FAILED at step: %s\n' "$*" >&2; exit 1; }
# run_step "description" command...: runs quietly, shows the log's tail when it fails.
run_step() {
  local what=$1; shift
  step "$what"
  local log; log=$(mktemp)
  if ! "$@" >"$log" 2>&1; then
    tail -n 60 "$log" >&2
    rm -f "$log"
    fail "$what"
  fi
  rm -f "$log"
}

KORVANE_APT_PACKAGES="g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine wine64 xvfb xdotool x11-utils
  imagemagick fonts-wqy-microhei locales cmake ninja-build googletest g++ clang libclang-rt-14-dev
  qemu-user-static debootstrap"

# Installs the Debian packages that are missing and the zh_CN.UTF-8 locale (needed for Wine to
# create files with Chinese names and to keep Chinese arguments).
ensure_packages() {
  local missing=()
  for p in $KORVANE_APT_PACKAGES; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    local sudo=""; [ "$(id -u)" -eq 0 ] || sudo="sudo"
    run_step "apt-get update" $sudo apt-get update -qq
    run_step "install ${missing[*]}" env DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
  fi
  if ! locale -a 2>/dev/null | grep -qi '^zh_CN\.utf8$'; then
    local sudo=""; [ "$(id -u)" -eq 0 ] || sudo="sudo"
    step "generate the zh_CN.UTF-8 locale"
    $sudo sed -i 's/^# *zh_CN.UTF-8 UTF-8/zh_CN.UTF-8 UTF-8/' /etc/locale.gen
    grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen || echo 'zh_CN.UTF-8 UTF-8' | $sudo tee -a /etc/locale.gen >/dev/null
    $sudo locale-gen >/dev/null || fail "generate the zh_CN.UTF-8 locale"
  fi
}

build_preset() {
  local preset=$1
  run_step "configure $preset" cmake --preset "$preset" -S "$KORVANE_ROOT"
  run_step "build $preset" cmake --build --preset "$preset" -j "$(nproc)"
}
