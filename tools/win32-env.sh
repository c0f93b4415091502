# Source this file (after lib.sh): the 32-bit release's bench. 32-bit Windows programs run under
# 32-bit Wine, and 32-bit Linux programs under qemu's user-mode emulation, inside a Debian chroot
# of their own in build/win32-chroot with a 64-bit prefix, so the release meets real WOW64
# (Program Files (x86), the registry's two views, file-system redirection). The host never gets
# the i386 architecture. Mounts are made only inside a private mount namespace (tools/test-win32
# enters one), so an interrupted run cannot leave /dev or /proc mounted inside build/.
: "${KORVANE_ROOT:?source tools/lib.sh first}"
W32_ROOT=${KORVANE_WIN32_CHROOT:-$KORVANE_ROOT/build/win32-chroot}
W32_SUITE=bookworm
# Changing what goes into the chroot changes this recipe; a chroot of another recipe is rebuilt.
W32_RECIPE="1 $W32_SUITE minbase; wine wine32 wine64 libwine:i386 locales fonts-wqy-microhei"
W32_PREFIX_IN=/prefix  # the Wine prefix, as the chroot sees it
W32_MOUNTED=()
W32_XVFB_PID=""
W32_SERVER_STARTED=""

# The i386 ELF header; the mask leaves out the OS/ABI byte's low bit and the padding.
W32_MAGIC='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
W32_MASK='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
W32_QEMU=/usr/bin/qemu-i386-static

# i386 programs started through qemu-i386-static. The F flag opens the emulator at registration,
# so it works inside the chroot, which has no emulator of its own.
w32_binfmt() {
  local dir=/proc/sys/fs/binfmt_misc
  [ -x "$W32_QEMU" ] || { echo "$W32_QEMU is missing (package qemu-user-static)" >&2; return 1; }
  if [ ! -e "$dir/register" ]; then
    mount -t binfmt_misc binfmt_misc "$dir" 2>/dev/null || {
      echo "this machine cannot mount binfmt_misc on $dir (not root, or a container without it):" \
           "32-bit Linux programs cannot run, so the 32-bit release cannot be tested here" >&2
      return 1
    }
  fi
  local f
  for f in "$dir"/*; do
    case ${f##*/} in register | status) continue ;; esac
    grep -q '^enabled' "$f" && grep -q "^interpreter $W32_QEMU\$" "$f" && grep -q '^flags: .*F' "$f" && return 0
  done
  [ -e "$dir/korvane-i386" ] && echo -1 >"$dir/korvane-i386"
  if ! printf ':korvane-i386:M::%s:%s:%s:F\n' "$W32_MAGIC" "$W32_MASK" "$W32_QEMU" >"$dir/register" 2>/dev/null; then
    echo "this machine cannot register i386 programs with binfmt_misc ($dir/register refused):" \
         "the 32-bit release cannot be tested here" >&2
    return 1
  fi
}

# The archive this machine already installs from, for the chroot.
w32_mirror() {
  local m
  m=$(grep -hsE '^(URIs:|deb) ' /etc/apt/sources.list /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources |
      grep -oE 'https?://[^ ]+/debian/?( |$)' | grep -v security | head -n 1 | tr -d ' ')
  echo "${m:-http://deb.debian.org/debian}"
}

w32_in() {  # w32_in COMMAND...: runs as root inside the chroot, with a plain environment
  chroot "$W32_ROOT" /usr/bin/env -i HOME=/root PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 \
    DEBIAN_FRONTEND=noninteractive "$@"
}

# retry N COMMAND...: a transient network or mirror failure gets two more chances.
w32_retry() {
  local n=$1 i; shift
  for ((i = 1; i <= n; i++)); do
    "$@" && return 0
    [ "$i" -lt "$n" ] && { echo "attempt $i failed; again in 10 s" >&2; sleep 10; }
  done
  return 1
}

# Removes the chroot; refuses while anything is mounted below it.
w32_remove_root() {
  [ -e "$W32_ROOT" ] || return 0
  if findmnt -rno TARGET | grep -qF "$W32_ROOT/"; then
    echo "something is still mounted below $W32_ROOT; not removing it" >&2
    return 1
  fi
  rm -rf --one-file-system "$W32_ROOT"
}

w32_debootstrap() {
  w32_remove_root || return 1
  mkdir -p "$W32_ROOT"
  debootstrap --variant=minbase "$W32_SUITE" "$W32_ROOT" "$(w32_mirror)" >"$W32_ROOT.debootstrap.log" 2>&1 || {
    tail -n 20 "$W32_ROOT.debootstrap.log" >&2
    return 1
  }
}

# The chroot with Wine; rebuilt from scratch when an earlier build did not finish or another
# recipe made it. Needs the mounts of w32_mount_base.
w32_chroot_ready() { [ "$(cat "$W32_ROOT/.korvane-recipe" 2>/dev/null)" = "$W32_RECIPE" ]; }

w32_build_chroot() {
  w32_retry 3 w32_debootstrap || return 1
  # No manuals or docs: less to unpack. No services start inside the chroot.
  mkdir -p "$W32_ROOT/etc/dpkg/dpkg.cfg.d"
  printf 'path-exclude=/usr/share/doc/*\npath-exclude=/usr/share/man/*\npath-exclude=/usr/share/info/*\n' \
    >"$W32_ROOT/etc/dpkg/dpkg.cfg.d/korvane-nodoc"
  printf '#!/bin/sh\nexit 101\n' >"$W32_ROOT/usr/sbin/policy-rc.d"
  chmod +x "$W32_ROOT/usr/sbin/policy-rc.d"
  echo "deb $(w32_mirror) $W32_SUITE main" >"$W32_ROOT/etc/apt/sources.list"
  w32_mount_base || return 1
  w32_in dpkg --add-architecture i386 || return 1
  w32_retry 3 w32_in apt-get -o Acquire::Retries=3 update -qq || return 1
  w32_retry 3 w32_in apt-get -o Acquire::Retries=3 install -y -qq --no-install-recommends \
    wine wine32 wine64 libwine:i386 locales fonts-wqy-microhei >"$W32_ROOT.apt.log" 2>&1 || {
    tail -n 20 "$W32_ROOT.apt.log" >&2
    return 1
  }
  echo 'zh_CN.UTF-8 UTF-8' >"$W32_ROOT/etc/locale.gen"
  w32_in locale-gen >/dev/null || return 1
  w32_in apt-get clean
  rm -rf "$W32_ROOT"/var/lib/apt/lists/*
  echo "$W32_RECIPE" >"$W32_ROOT/.korvane-recipe"
}

w32_mount() {  # w32_mount TARGET_IN_CHROOT mount-arguments...: remembered for w32_umount_all
  local target=$W32_ROOT$1; shift
  mkdir -p "$target"
  mountpoint -q "$target" && return 0
  mount "$@" "$target" || return 1
  W32_MOUNTED+=("$target")
}

w32_mount_base() {
  w32_mount /proc -t proc proc || return 1
  w32_mount /sys -t sysfs sysfs || return 1
  w32_mount /dev --bind /dev || return 1
  w32_mount /dev/pts --bind /dev/pts || return 1
  w32_mount /dev/shm -t tmpfs -o mode=1777 tmpfs || return 1
}

w32_mount_x11() { w32_mount /tmp/.X11-unix --bind /tmp/.X11-unix; }

# Unmounts exactly what this shell mounted, innermost first.
w32_umount_all() {
  local i rc=0
  for ((i = ${#W32_MOUNTED[@]} - 1; i >= 0; i--)); do
    umount "${W32_MOUNTED[i]}" 2>/dev/null || umount -l "${W32_MOUNTED[i]}" || rc=1
  done
  W32_MOUNTED=()
  return $rc
}

# Wine inside the chroot. wine64 starts 64-bit programs natively and hands 32-bit ones to the
# 32-bit loader, which runs emulated; plain `wine` would run everything through the emulated one.
w32_wine_env() {
  echo HOME=/root PATH=/usr/lib/wine:/usr/bin:/bin WINEPREFIX=$W32_PREFIX_IN WINEARCH=win64 \
       WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml= LC_ALL=zh_CN.UTF-8 DISPLAY=${DISPLAY:-} \
       WINESERVER=/usr/lib/wine/wineserver64
}
w32_wine() { chroot "$W32_ROOT" /usr/bin/env -i $(w32_wine_env) /usr/lib/wine/wine64 "$@"; }
w32_server() { chroot "$W32_ROOT" /usr/bin/env -i $(w32_wine_env) /usr/lib/wine/wineserver64 "$@"; }
# A host path below the chroot as the chroot sees it.
w32_inside() { echo "${1#"$W32_ROOT"}"; }

w32_start_display() {
  local n=120
  while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  W32_XVFB_PID=$!
  export DISPLAY=":$n"
  for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && return 0; sleep 0.1; done
  return 1
}

w32_prefix_ready() { [ -f "$W32_ROOT$W32_PREFIX_IN/.korvane-booted" ]; }

# Boots the 64-bit prefix (about six minutes under emulation) with the Wine virtual desktop that
# the smoke test uses: there is no window manager on the private display.
w32_boot_prefix() {
  rm -rf --one-file-system "${W32_ROOT:?}$W32_PREFIX_IN"
  mkdir -p "$W32_ROOT$W32_PREFIX_IN"
  w32_wine wineboot -i >/dev/null 2>&1 || return 1
  w32_server -w
  w32_wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1280x1024 /f >/dev/null 2>&1 || return 1
  w32_wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1 || return 1
  w32_server -w
  touch "$W32_ROOT$W32_PREFIX_IN/.korvane-booted"
}

w32_start_wine() {
  w32_server -p >/dev/null 2>&1 || return 1
  W32_SERVER_STARTED=1
  w32_wine cmd.exe /c exit </dev/null >/dev/null 2>&1
}

w32_stop() {
  if [ -n "$W32_SERVER_STARTED" ]; then
    w32_server -k >/dev/null 2>&1
    w32_server -w >/dev/null 2>&1
    W32_SERVER_STARTED=""
  fi
  if [ -n "$W32_XVFB_PID" ]; then
    kill "$W32_XVFB_PID" 2>/dev/null
    wait "$W32_XVFB_PID" 2>/dev/null
    W32_XVFB_PID=""
  fi
  w32_umount_all
}
