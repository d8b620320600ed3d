#!/usr/bin/env bash
# The add-in's windows on a display: Wine draws them on a virtual X server (Xvfb), the
# fake Excel opens them through the real library, works them with the mouse and the
# keyboard, and photographs them in English and in Japanese.
#
#   ui_test.sh <cross build dir> [<screenshot folder>]
#
# A prefix of its own (<build>/wine-ui-prefix, with a display, unlike the other Wine
# tests' prefix, and removed again after a run without failures) and a server of its
# own. The screenshots are copied to the screenshot folder (default
# <build>/ui-screenshots).
set -uo pipefail

build=$(cd "${1:?cross build directory}" && pwd)
shots=${2:-$build/ui-screenshots}

wine_dir=${TESSALY_WINE_DIR:-/usr/lib/wine}
wine="$wine_dir/wine64"
wineserver="$wine_dir/wineserver"
xvfb=${TESSALY_XVFB:-Xvfb}
export WINEPREFIX="$build/wine-ui-prefix"
export WINEDEBUG=-all
# No Mono or Gecko installers.
export WINEDLLOVERRIDES="mscoree,mshtml="

dll_name=QEL_BOOKMARK_VEROZARA.dll
harness='C:\harness\ui_excel.exe'
shots_win='C:\harness\shots'

xvfb_pid=
display_file=$(mktemp)
cleanup() {
    "$wineserver" -k 2>/dev/null
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
    rm -f "$display_file"
}
trap cleanup EXIT

fail() {
    echo "FAIL $*" >&2
    exit 1
}

# Wine's helper processes outlive the program they started for; each run writes to a
# file first so that none keeps the test's output open.
# Extra environment for one run (only Wine sees it, not this shell).
wine_env=()
run_wine() {
    local log rc
    log=$(mktemp)
    env "${wine_env[@]}" timeout 180 "$wine" "$@" >"$log" 2>&1 </dev/null
    rc=$?
    cat "$log"
    rm -f "$log"
    return $rc
}

# A display of its own: Xvfb picks a free number and writes it to descriptor 3.
"$xvfb" -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$display_file" >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do
    [ -s "$display_file" ] && break
    sleep 0.1
done
[ -s "$display_file" ] || fail "Xvfb did not start"
export DISPLAY=":$(head -n1 "$display_file")"
echo "display $DISPLAY"

"$wineserver" -k 2>/dev/null
rm -rf "$WINEPREFIX"
mkdir -p "$WINEPREFIX"
run_wine wineboot -i >/dev/null 2>&1 || fail "wineboot -i"

# One virtual desktop that Wine draws itself, title bars included; the Japanese faces
# the windows ask for, given by the IPA Gothic fonts of the system; and the harness as
# the browser, noting the URLs it is asked to open.
settings="$WINEPREFIX/drive_c/ui-settings.reg"
cat >"$settings" <<'EOF'
REGEDIT4

[HKEY_CURRENT_USER\Software\Wine\Explorer]
"Desktop"="Default"

[HKEY_CURRENT_USER\Software\Wine\Explorer\Desktops]
"Default"="1024x768"

[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]
"MS UI Gothic"="IPAPGothic"
"MS PGothic"="IPAPGothic"
"MS Gothic"="IPAGothic"

[HKEY_LOCAL_MACHINE\Software\Classes\http\shell\open\command]
@="\"C:\\harness\\ui_excel.exe\" record-url \"%1\""

[HKEY_LOCAL_MACHINE\Software\Classes\.html]
@="htmlfile"

[HKEY_LOCAL_MACHINE\Software\Classes\htmlfile\shell\open\command]
@="\"C:\\harness\\ui_excel.exe\" record-url \"%1\""
EOF
run_wine regedit /S 'C:\ui-settings.reg' || fail "display and font settings"
# The desktop is made anew, with these settings, by the next program.
"$wineserver" -k 2>/dev/null
"$wineserver" -w 2>/dev/null

mkdir -p "$WINEPREFIX/drive_c/Tessaly" "$WINEPREFIX/drive_c/harness/shots"
cp "$build/$dll_name" "$WINEPREFIX/drive_c/Tessaly/" || fail "copy the library"
cp "$build/ui_excel.exe" "$WINEPREFIX/drive_c/harness/" || fail "copy the harness"
# The help pages where a library in C:\Tessaly finds its installed site: C:\help.
cp -r "$build/help" "$WINEPREFIX/drive_c/" || fail "copy the help pages"
run_wine regsvr32 /s "C:\\Tessaly\\$dll_name" || fail "regsvr32"

failed=0
# Each scenario in a process of its own; the language follows the user's locale.
for run in en_US.UTF-8:list en_US.UTF-8:settings ja_JP.UTF-8:look en_US.UTF-8:look; do
    locale=${run%%:*}
    scenario=${run#*:}
    echo "== $scenario ($locale)"
    wine_env=(LC_ALL="$locale")
    run_wine "$harness" "$shots_win" "$scenario" || failed=1
done
wine_env=()

mkdir -p "$shots"
rm -f "$shots"/*.png  # none left from an earlier run
cp "$WINEPREFIX/drive_c/harness/shots/"*.png "$shots/" 2>/dev/null
echo "screenshots in $shots:"
ls -1 "$shots" | sed 's/^/    /'
# The prefix takes hundreds of megabytes; it stays only to look into a failure.
if [ "$failed" = 0 ]; then
    "$wineserver" -k 2>/dev/null
    "$wineserver" -w 2>/dev/null
    rm -rf "$WINEPREFIX"
fi
exit $failed
