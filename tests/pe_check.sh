#!/usr/bin/env bash
# Inspects both builds' Korvane.exe: PE32 for the 32-bit release and PE32+ for the 64-bit build,
# a GUI program, imports from Windows' own DLLs only (the GCC runtime is linked in statically),
# the embedded manifest (highest available level, common controls 6, Vista to 8.1) and a
# version resource.
# Usage: pe_check.sh WIN32_EXE WIN64_EXE        Exit status 1 when any check fails.
set -uo pipefail
# objdump translates its words ("file format") under the zh_CN locale that Wine runs with.
export LC_ALL=C

# Windows' own DLLs that the program may import. Anything else means a DLL that would have to be
# shipped beside the executable.
ALLOWED_DLLS="kernel32.dll user32.dll gdi32.dll advapi32.dll shell32.dll ole32.dll oleaut32.dll
  comctl32.dll comdlg32.dll shlwapi.dll msvcrt.dll psapi.dll shfolder.dll"
# Supported OS: Vista, 7, 8, 8.1.
SUPPORTED_OS="e2011457-1546-43c5-a5fe-008deee3d3f0 35138b9a-5d96-4fbd-8e2d-a2440225f93a
  4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38 1f676c76-80e1-4239-95bb-83d0f6d0da78"

failures=0
fail() { printf 'FAIL  %s\n' "$*"; failures=$((failures + 1)); }
pass() { printf 'ok    %s\n' "$*"; }

# The resource types and names of an `objdump -p` dump, one "TYPE NAME" line each
# (RT_VERSION is 0x000010, RT_MANIFEST 0x000018).
resource_entries() {
  awk '/Resource Directory section/ { on = 1; next }
       on && /^[0-9a-f]+   Entry: ID:/ { type = $4; sub(",", "", type); next }
       on && /^[0-9a-f]+     Entry: ID:/ { name = $4; sub(",", "", name); print type, name; next }
       on && /^[0-9a-f]+     Entry: name:/ { print type, "named" }'
}

# The manifest's text with its whitespace folded: the XML stored as plain UTF-8 in .rsrc.
manifest_text() {
  tr -c '[:print:]\t\r\n' '\n' <"$1" | sed -n '/<assembly /,/<\/assembly>/p' | tr -s '[:space:]' ' '
}

# inspect LABEL EXE OBJDUMP FORMAT MAGIC
inspect() {
  local label=$1 exe=$2 objdump=$3 format=$4 magic=$5
  if [ ! -f "$exe" ]; then
    if [ "$label" = win32 ]; then
      fail "$label: $exe is missing; build the 32-bit release first (cmake --preset win32 && cmake --build --preset win32)"
    else
      fail "$label: $exe is missing"
    fi
    return
  fi
  if ! command -v "$objdump" >/dev/null; then
    fail "$label: $objdump not found (package binutils-mingw-w64)"
    return
  fi
  local dump
  if ! dump=$("$objdump" -p "$exe" 2>&1); then
    fail "$label: $objdump -p $exe failed: ${dump%%$'\n'*}"
    return
  fi

  if grep -q "file format $format\$" <<<"$dump" && grep -Eq "^Magic[[:space:]]+$magic" <<<"$dump"; then
    pass "$label: $format, magic $magic"
  else
    fail "$label: expected file format $format with magic $magic, objdump says: $(grep -m1 'file format' <<<"$dump") / $(grep -m1 '^Magic' <<<"$dump")"
  fi

  if grep -Eq '^Subsystem[[:space:]]+00000002' <<<"$dump"; then
    pass "$label: Windows GUI subsystem"
  else
    fail "$label: not a Windows GUI program: $(grep -m1 '^Subsystem' <<<"$dump")"
  fi

  local dlls foreign="" dll
  dlls=$(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$dump" | tr '[:upper:]' '[:lower:]' | tr -d '\r' | sort -u)
  for dll in $dlls; do
    case " $(echo $ALLOWED_DLLS) " in
      *" $dll "*) ;;
      *) foreign="$foreign $dll" ;;
    esac
  done
  if [ -z "$dlls" ] || ! grep -qx 'kernel32.dll' <<<"$dlls"; then
    fail "$label: no import of kernel32.dll found; imports read: ${dlls:-none}"
  elif [ -n "$foreign" ]; then
    local hint=""
    grep -Eq 'libstdc\+\+|libgcc|libwinpthread' <<<"$foreign" && hint=" (the GCC runtime: link with -static)"
    fail "$label: imports DLLs outside Windows' own:$foreign$hint"
  else
    pass "$label: imports only $(echo $dlls)"
  fi

  local resources
  resources=$(resource_entries <<<"$dump")
  if [ "$(grep -c '^0x000018 ' <<<"$resources")" = 1 ] && grep -qx '0x000018 0x000001' <<<"$resources"; then
    pass "$label: one manifest resource, ID 1"
  else
    fail "$label: expected one RT_MANIFEST resource with ID 1, found: $(grep '^0x000018 ' <<<"$resources" | tr '\n' ' ')"
  fi
  if grep -q '^0x000010 ' <<<"$resources" && strings -a -el "$exe" | grep -qx 'VS_VERSION_INFO'; then
    pass "$label: version resource"
  else
    fail "$label: no version resource (RT_VERSION with VS_VERSION_INFO)"
  fi

  local manifest
  manifest=$(manifest_text "$exe")
  if [ -z "$manifest" ]; then
    fail "$label: no manifest text (<assembly ...</assembly>) in the executable"
    return
  fi
  if grep -Eq '<requestedExecutionLevel [^>]*level="highestAvailable"' <<<"$manifest"; then
    pass "$label: manifest asks for highestAvailable"
  else
    fail "$label: manifest lacks requestedExecutionLevel level=\"highestAvailable\""
  fi
  local controls
  controls=$(grep -Eo '<assemblyIdentity [^>]*name="Microsoft\.Windows\.Common-Controls"[^>]*>' <<<"$manifest")
  if grep -q 'version="6\.0\.0\.0"' <<<"$controls" && grep -q '<dependentAssembly>' <<<"$manifest"; then
    pass "$label: manifest depends on Common-Controls 6.0"
  else
    fail "$label: manifest lacks the dependency on Microsoft.Windows.Common-Controls version 6.0.0.0"
  fi
  local id missing=""
  for id in $SUPPORTED_OS; do
    grep -qi "<supportedOS Id=\"{$id}\"" <<<"$manifest" || missing="$missing $id"
  done
  if [ -z "$missing" ]; then
    pass "$label: manifest declares Vista to 8.1"
  else
    fail "$label: manifest lacks supportedOS$missing"
  fi
}

if [ $# -ne 2 ]; then
  echo "usage: $0 WIN32_EXE WIN64_EXE" >&2
  exit 2
fi
inspect win32 "$1" i686-w64-mingw32-objdump pei-i386 010b
inspect win64 "$2" x86_64-w64-mingw32-objdump pei-x86-64 020b
if [ $failures -ne 0 ]; then
  printf '%d check(s) failed\n' "$failures"
  exit 1
fi
echo "all checks passed"
