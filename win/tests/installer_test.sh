#!/usr/bin/env bash
# The per-user installer under Wine, in a fresh prefix of its own:
#
#   installer_test.sh <64-bit build dir> <32-bit build dir> <package.msi>
#
# installs an older package (0.99, made here), keeps a setting, upgrades to the
# package, checks every file and key in both registry views and that the machine's
# hives gained nothing of ours, starts the fake Excel as Office would and uses the
# add-in, then uninstalls and compares the registry and the files with the state before.
set -uo pipefail

build=$(cd "${1:?64-bit build directory}" && pwd)
build32=$(cd "${2:?32-bit build directory}" && pwd)
package=$(realpath "${3:?package}")
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)

wine_dir=${TESSALY_WINE_DIR:-/usr/lib/wine}
wine="$wine_dir/wine64"
wineserver="$wine_dir/wineserver"
work="$build/installer-test"
export WINEPREFIX="$work/prefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY

dll=QEL_BOOKMARK_VEROZARA.dll
clsid='{92B48704-39D5-4429-AB9F-35D3853D9BAC}'
libid='{CC8DB9A8-497F-4BFF-85BA-6DD710491D41}'
harness='C:\harness\fake_excel.exe'
settings='HKCU\Software\VB and VBA Program Settings\QEL_BOOKMARK_VEROZARA'
failures=0

fail() {
    echo "FAIL $*" >&2
    exit 1
}
check() {
    if eval "$1"; then echo "ok   $2"; else echo "FAIL $2"; failures=$((failures + 1)); fi
}

run_wine() {
    local log rc
    log=$(mktemp)
    timeout 180 "$wine" "$@" >"$log" 2>&1 </dev/null
    rc=$?
    cat "$log"
    rm -f "$log"
    return $rc
}

# The registry as text, one line per key or value, without Wine's time stamps, and
# without what Wine changes on its own between two of its runs (its own settings, device,
# service, performance and time-zone state, the shell's recent-use lists).
registry() {
    "$wineserver" -k 2>/dev/null
    "$wineserver" -w 2>/dev/null
    sed -E -e 's/^(\[.*\]) [0-9]+$/\1/' -e '/^#time=/d' "$WINEPREFIX/$1" |
        awk '/^\[/{key=$0; next} NF{print key " " $0}' |
        grep -v -E 'Software\\\\Wine|DynData|PerfLib|Explorer\\\\|RecentDocs|SessionInformation|\\\\Time Zones|\\\\Dynamic DST|ProfileList|MountedDevices|\\\\Enum\\\\|\\\\Control\\\\Class|\\\\Services\\\\|DeviceClasses|Hardware|\[Volatile' |
        LC_ALL=C sort
}
files() {
    (cd "$WINEPREFIX/drive_c" && find users -path '*Temp*' -prune -o -print | LC_ALL=C sort)
}
# Wine names the profile after $USER, or the account when it is unset (as under CI).
local_app_data="$WINEPREFIX/drive_c/users/${USER:-$(id -un)}/AppData/Local"

"$wineserver" -k 2>/dev/null
rm -rf "$work"
mkdir -p "$work" "$WINEPREFIX"
run_wine wineboot -i >/dev/null 2>&1 || fail "wineboot -i"
run_wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null ||
    fail "null graphics driver"
mkdir -p "$WINEPREFIX/drive_c/harness"
cp "$build/fake_excel.exe" "$WINEPREFIX/drive_c/harness/" || fail "copy the harness"
for class in http htmlfile; do
    run_wine reg add "HKLM\\Software\\Classes\\$class\\shell\\open\\command" /ve \
        /d "\"$harness\" record-url \"%1\"" /f >/dev/null || fail "stand-in browser"
done
run_wine reg add 'HKLM\Software\Classes\.html' /ve /d htmlfile /f >/dev/null ||
    fail "stand-in browser for pages"

registry user.reg >"$work/user-before.txt"
registry system.reg >"$work/machine-before.txt"
files >"$work/files-before.txt"

# ---- An older version, then the package over it -----------------------------------
# Version 0.99: the same package description with other bytes in its libraries, so
# that the upgrade can be seen to bring its own files.
for bits in 64 32; do
    src=$build
    [ $bits = 32 ] && src=$build32
    mkdir -p "$work/old$bits"
    cp "$src/$dll" "$work/old$bits/$dll"
    printf 'tessaly 0.99' >>"$work/old$bits/$dll"
done
cmake -DWIXL="${TESSALY_WIXL:-wixl}" -DWXS="$root/win/installer/Tessaly.wxs" \
    -DDLL64="$work/old64/$dll" -DDLL32="$work/old32/$dll" -DHELP="$build/help" \
    -DVERSION=0.99 -DSTAGE="$work/stage-old" -DOUTPUT="$work/Tessaly-0.99.msi" \
    -P "$root/cmake/make_installer.cmake" >/dev/null || fail "package 0.99"
cp "$package" "$work/Tessaly.msi"

to_windows() { "$wine" winepath -w "$1" 2>/dev/null | tr -d '\r'; }
run_wine msiexec /i "$(to_windows "$work/Tessaly-0.99.msi")" /qn || fail "install 0.99"
echo "ok   version 0.99 installed"
run_wine reg add "$settings\\FormJump" /v Left /d 1500 /f >/dev/null || fail "a setting"

run_wine msiexec /i "$(to_windows "$work/Tessaly.msi")" /qn || fail "install over 0.99"
echo "ok   the package installed over 0.99 without a question"

# ---- Files ---------------------------------------------------------------------------
installed="$local_app_data/Tessaly"
same() { cmp -s "$1" "$2"; }
check 'same "$installed/x64/$dll" "$build/$dll"' "64-bit library installed, the new one"
check 'same "$installed/x86/$dll" "$build32/$dll"' "32-bit library installed, the new one"
check '[ -f "$installed/help/index.html" ]' "the site's index page installed"
check '[ -f "$installed/help/free/soft/excel/tessaly/help.html" ]' "the help page installed"

# ---- Keys, in both registry views ----------------------------------------------------
value() { # key name: the value's data as reg shows it
    local out
    if [ -z "$2" ]; then
        out=$("$wine" reg query "$1" /ve 2>/dev/null | tr -d '\r' | grep -E '^\s+\(Default\)')
    else
        out=$("$wine" reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' | grep -E "^\s+$2\s")
    fi
    echo "$out" | sed -E 's/^\s+\S+( \S+)*\s+REG_\w+\s+//' | head -1
}
win_installed="C:\\users\\$(basename "$(dirname "$(dirname "$local_app_data")")")\\AppData\\Local\\Tessaly"
expect() { # key name expected what
    local got
    got=$(value "$1" "$2")
    if [ "$got" = "$3" ]; then
        echo "ok   $4"
    else
        echo "FAIL $4: $1 ${2:-(default)} is '$got', not '$3'"
        failures=$((failures + 1))
    fi
}
for view in '' 'Wow6432Node\'; do
    bits=64 dir=x64
    [ -n "$view" ] && bits=32 dir=x86
    key="HKCU\\Software\\Classes\\${view}CLSID\\$clsid"
    expect "$key" '' Tessaly.Connect "$bits-bit view: the class"
    expect "$key\\InprocServer32" '' "$win_installed\\$dir\\$dll" "$bits-bit view: its library"
    expect "$key\\InprocServer32" ThreadingModel Apartment "$bits-bit view: apartment threaded"
    expect "$key\\ProgID" '' Tessaly.Connect "$bits-bit view: its ProgID"
    expect "$key\\TypeLib" '' "$libid" "$bits-bit view: its type library"
    expect "HKCU\\Software\\Classes\\${view}Interface\\{E380F14A-1415-489C-96E3-6982F7F9C931}\\ProxyStubClsid32" \
        '' '{00020424-0000-0000-C000-000000000046}' "$bits-bit view: _Connect marshalled by its type library"
done
expect 'HKCU\Software\Classes\Tessaly.Connect\CLSID' '' "$clsid" "the ProgID names the class"
expect "HKCU\\Software\\Classes\\TypeLib\\$libid\\1.0\\0\\win64" '' "$win_installed\\x64\\$dll" \
    "the type library for 64-bit code"
expect "HKCU\\Software\\Classes\\TypeLib\\$libid\\1.0\\0\\win32" '' "$win_installed\\x86\\$dll" \
    "the type library for 32-bit code"
addins='HKCU\Software\Microsoft\Office\Excel\Addins\Tessaly.Connect'
expect "$addins" FriendlyName Tessaly "the add-in's friendly name"
expect "$addins" LoadBehavior 0x3 "loaded at start-up"
check '"$wine" reg query "$addins" /v Description 2>/dev/null | grep -q "The bookmark function is added to Excel."' \
    "the add-in's description"
expect "$settings\\FormJump" Left 1500 "the user's settings kept over the upgrade"

# Installed programs: one entry, the new version, with its uninstaller. Windows keeps a
# per-user product's entry under HKCU; Wine's installer writes it under HKLM, so both
# are read. Each entry as one line: its values joined.
programs=$(for hive in HKCU HKLM; do
    "$wine" reg query "$hive\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall" /s 2>/dev/null |
        tr -d '\r' | awk '/^HKEY/{if (line) print line; line=$0; next} NF{line=line " |" $0} END{if (line) print line}'
done | grep -E '\|\s+DisplayName\s+REG_SZ\s+Tessaly(\s|$)')
check '[ "$(echo "$programs" | grep -c .)" -eq 1 ]' "one entry in the installed programs"
check 'echo "$programs" | grep -q -E "DisplayVersion\s+REG_SZ\s+1\.00(\s|$)"' "its version is 1.00"
check 'echo "$programs" | grep -q -i "UninstallString.*msiexec"' "it has an uninstaller"

# Nothing of ours in the machine's hive. The Windows Installer service keeps its own
# records there for every product, per-user ones too (Installer\UserData\<user>), and
# Wine's installer also puts the installed-programs entry there.
registry system.reg >"$work/machine-installed.txt"
ours=$(LC_ALL=C comm -13 "$work/machine-before.txt" "$work/machine-installed.txt" |
    grep -v -E 'CurrentVersion\\\\Installer\\\\|CurrentVersion\\\\Uninstall\\\\\{|Installer\\\\(Products|Features|UpgradeCodes|Components)')
check '[ -z "$ours" ]' "nothing written to the machine's hive"
[ -z "$ours" ] || echo "$ours" | head -20

# ---- Excel started as Office starts, with nothing registered by hand ------------------
run_wine "$harness" scenario installed || { echo "FAIL the installed add-in in Excel"; failures=$((failures + 1)); }

# ---- Uninstall: back to where it began, the settings aside ---------------------------
run_wine msiexec /x "$(to_windows "$work/Tessaly.msi")" /qn || fail "uninstall"
echo "ok   uninstalled"
# Equal line for line, apart from the user's settings and what Wine itself writes the
# first time a console program runs (its console's defaults); registry() has left out
# Wine's other bookkeeping by name already.
settings_and_noise='VB and VBA Program Settings|^\[Console\] '
registry user.reg | grep -v -E "$settings_and_noise" >"$work/user-after.txt"
grep -v -E "$settings_and_noise" "$work/user-before.txt" >"$work/user-before-nosettings.txt"
registry system.reg >"$work/machine-after.txt"
files >"$work/files-after.txt"
left=$(diff "$work/user-before-nosettings.txt" "$work/user-after.txt")
check '[ -z "$left" ]' "the user's hive is as before the install, the settings aside"
[ -z "$left" ] || echo "$left" | head -20
left=$(diff "$work/machine-before.txt" "$work/machine-after.txt")
check '[ -z "$left" ]' "the machine's hive is as before the install"
[ -z "$left" ] || echo "$left" | head -20
left=$(diff "$work/files-before.txt" "$work/files-after.txt")
check '[ -z "$left" ]' "the files are as before the install"
[ -z "$left" ] || echo "$left" | head -20
expect "$settings\\FormJump" Left 1500 "the user's settings kept after uninstalling"

"$wineserver" -k 2>/dev/null
echo "$failures failed"
exit $((failures > 0))
