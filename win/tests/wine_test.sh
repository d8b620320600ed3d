#!/usr/bin/env bash
# The Windows add-in under Wine, one step per call; ctest runs the steps in order
# (see the end of the top-level CMakeLists.txt).
#
#   wine_test.sh <step> <cross build dir> [arguments]
#
# Steps:
#   setup        a fresh Wine prefix in <build>/wine-prefix, the library alone in
#                C:\Tessaly and the harness in C:\harness
#   imports      the library: 64-bit, the five Dll* exports, only Windows' own DLLs
#   static32     the 32-bit library <build32>: the same file checks, and its resources
#                and type library read as data by the 64-bit harness
#   library      the library loads alone; its type library, strings and bitmap
#   register     regsvr32, then the keys and values it must have written
#   scenario     fake_excel scenario <name>, for each name given
#   bench        the COM benchmark: <repetitions> <bookmarks>..., each size in the three
#                scenes of fake_excel bench; the JSON lines on stdout, the rest on stderr
#   bars         fake_excel dump-bars on Excel 11 and 16: one line per control, and every
#                control of the add-in with a Tag of its own
#   unregister   regsvr32 /u, then nothing of the registration is left
#   user         DllInstall "user" registers per user and unregisters again
#   teardown     stops the prefix's Wine server
set -uo pipefail

step=${1:?step}
build=$(cd "${2:?cross build directory}" && pwd)
shift 2

wine_dir=${TESSALY_WINE_DIR:-/usr/lib/wine}
wine="$wine_dir/wine64"
wineserver="$wine_dir/wineserver"
# A prefix of another place for a run apart from the tests' (win/bench/run.sh).
export WINEPREFIX="${TESSALY_WINE_PREFIX:-$build/wine-prefix}"
export WINEDEBUG=-all
# No Mono or Gecko installers on a headless machine.
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY

dll_name=QEL_BOOKMARK_VEROZARA.dll
dll_unix="$WINEPREFIX/drive_c/Tessaly/$dll_name"
dll_win="C:\\Tessaly\\$dll_name"
harness="C:\\harness\\fake_excel.exe"

# Extra environment for one run (only Wine sees it, not this shell).
wine_env=()

fail() {
    echo "FAIL $*" >&2
    exit 1
}

# Wine's helper processes (services, the desktop) outlive the program they started
# for; they must not keep the test's output open, so each run writes to a file first.
run_wine() {
    local log rc
    log=$(mktemp)
    env "${wine_env[@]}" timeout "${TESSALY_WINE_TIMEOUT:-120}" "$wine" "$@" >"$log" 2>&1 </dev/null
    rc=$?
    cat "$log"
    rm -f "$log"
    return $rc
}

# The library's file as Windows' loader sees it: its machine, its five exports and
# imports from Windows' own DLLs only.
check_library_file() {
    local file=$1 format=$2 objdump=${TESSALY_OBJDUMP:-x86_64-w64-mingw32-objdump}
    local size imports exports bad
    [ -f "$file" ] || fail "no library at $file"
    "$objdump" -f "$file" | grep -q "file format $format\$" ||
        fail "$file is not $format: $("$objdump" -f "$file" | grep 'file format')"
    echo "ok   $format"
    exports=$("$objdump" -p "$file" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/s/^\s*\[ *[0-9]*\] //p' |
        sort | tr '\n' ' ')
    [ "$exports" = "DllCanUnloadNow DllGetClassObject DllInstall DllRegisterServer DllUnregisterServer " ] ||
        fail "exports are not the five Dll* entries: $exports"
    echo "ok   exports: $exports"
    size=$(stat -c %s "$file")
    imports=$("$objdump" -p "$file" | sed -n 's/^\s*DLL Name: //p' | sort -f)
    echo "$dll_name: $size bytes; imports:"
    echo "$imports" | sed 's/^/    /'
    allowed='^(ADVAPI32|COMCTL32|comdlg32|GDI32|KERNEL32|msvcrt|ole32|OLEAUT32|SHELL32|USER32)\.dll$'
    bad=$(echo "$imports" | grep -Eiv "$allowed")
    [ -z "$bad" ] || fail "imports beyond Windows' own DLLs: $bad"
    echo "ok   only Windows system DLLs"
    # Titles are read with the wide API, so that captions outside the ANSI code page work.
    if "$objdump" -p "$file" | grep -q 'GetWindowTextA'; then
        fail "the library imports GetWindowTextA"
    fi
    echo "ok   no GetWindowTextA"
}

case "$step" in
setup)
    "$wineserver" -k 2>/dev/null
    rm -rf "$WINEPREFIX"
    mkdir -p "$WINEPREFIX"
    run_wine wineboot -i >/dev/null 2>&1 || fail "wineboot -i"
    # No display here: Wine's null driver still gives real (invisible) windows, a
    # foreground window and a clipboard.
    run_wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null ||
        fail "null graphics driver"
    "$wineserver" -k 2>/dev/null
    "$wineserver" -w 2>/dev/null
    # One server for all the steps (it outlives a pause of 30 s between them), started
    # apart so that no step's output stays open.
    "$wineserver" -p30 </dev/null >/dev/null 2>&1
    mkdir -p "$WINEPREFIX/drive_c/Tessaly" "$WINEPREFIX/drive_c/harness"
    # The library alone in its folder: it must load with nothing beside it.
    cp "$build/$dll_name" "$dll_unix" || fail "copy the library"
    cp "$build/fake_excel.exe" "$WINEPREFIX/drive_c/harness/" || fail "copy the harness"
    # The help pages where a library in C:\Tessaly finds its installed site: C:\help.
    cp -r "$build/help" "$WINEPREFIX/drive_c/" || fail "copy the help pages"
    # The prefix's browser is the harness, which notes the URLs it is asked to open.
    run_wine reg add 'HKLM\Software\Classes\http\shell\open\command' /ve \
        /d "\"$harness\" record-url \"%1\"" /f >/dev/null || fail "stand-in browser"
    # ...and for the installed help pages, which a build without a web site opens.
    run_wine reg add 'HKLM\Software\Classes\.html' /ve /d htmlfile /f >/dev/null ||
        fail "stand-in browser for pages"
    run_wine reg add 'HKLM\Software\Classes\htmlfile\shell\open\command' /ve \
        /d "\"$harness\" record-url \"%1\"" /f >/dev/null || fail "stand-in browser for pages"
    echo "prefix ready: $WINEPREFIX"
    ;;
imports)
    check_library_file "$build/$dll_name" pei-x86-64
    ;;
static32)
    # The 32-bit library cannot run here (these machines' kernels have no 32-bit
    # support): its file is checked as it is, and the 64-bit harness reads its
    # resources and type library as data.
    build32=$(cd "${1:?32-bit build directory}" && pwd)
    check_library_file "$build32/$dll_name" pei-i386
    mkdir -p "$WINEPREFIX/drive_c/Tessaly32"
    cp "$build32/$dll_name" "$WINEPREFIX/drive_c/Tessaly32/" || fail "copy the 32-bit library"
    run_wine "$harness" other-bitness "C:\\Tessaly32\\$dll_name" "$dll_win"
    ;;
library)
    run_wine "$harness" library "$dll_win"
    ;;
register)
    run_wine regsvr32 /s "$dll_win" || fail "regsvr32 $dll_win"
    echo "ok   regsvr32"
    run_wine "$harness" registered "$dll_win"
    ;;
scenario)
    # Each named scenario runs in a process of its own, one after the other (so that
    # a later one can read what an earlier one left in the registry).
    failed=0
    for name in "$@"; do
        wine_env=()
        # Wine takes the user's locale from the Unix one; the Japanese scenario runs
        # in Japan (the glibc locale need not be installed for that).
        [ "$name" = japanese ] && wine_env=(LC_ALL=ja_JP.UTF-8)
        echo "== $name"
        run_wine "$harness" scenario "$name" || failed=1
    done
    exit $failed
    ;;
bench)
    repetitions=${1:?repetitions}
    shift
    failed=0
    lines=0
    for size in "$@"; do
        for scene in commands workbook_marks_on workbook_marks_off; do
            out=$(run_wine "$harness" bench "$scene" "$size" "$repetitions" | tr -d '\r') || failed=1
            grep '^{' <<<"$out"
            grep -v '^{' <<<"$out" >&2
            lines=$((lines + $(grep -c '^{' <<<"$out")))
        done
    done
    # Five command cases and two workbook cases in each of two scenes, per size.
    [ "$lines" -eq $((9 * $#)) ] || fail "$lines result lines, expected $((9 * $#))"
    exit $failed
    ;;
bars)
    failed=0
    for version in 11 16; do
        echo "== dump-bars --version $version"
        out=$(run_wine "$harness" dump-bars --version "$version") || failed=1
        echo "$out"
        # The add-in's own controls: its buttons (routed to it by OnAction) and its popups.
        lines=$(echo "$out" | tr -d '\r' | grep '^control: ' |
            grep -E ' tag=(QEL|BOOKMARK) onaction=$| onaction=!<Tessaly\.Connect>$')
        own=$(echo "$lines" | sed -E 's/.* tag=(.*) onaction=.*/\1/')
        count=$(echo "$lines" | grep -c '^control: ')
        expected=$([ "$version" = 11 ] && echo 17 || echo 8)
        if [ "$count" -ne "$expected" ]; then
            echo "FAIL Excel $version: $count controls of the add-in, expected $expected"
            failed=1
        fi
        if echo "$own" | grep -qx ''; then
            echo "FAIL Excel $version: a control of the add-in without a Tag"
            failed=1
        fi
        dups=$(echo "$own" | sort | uniq -d)
        if [ -n "$dups" ]; then
            echo "FAIL Excel $version: Tags used twice: $dups"
            failed=1
        else
            echo "ok   Excel $version: the $count Tags of the add-in's controls are distinct"
        fi
    done
    exit $failed
    ;;
unregister)
    run_wine regsvr32 /u /s "$dll_win" || fail "regsvr32 /u $dll_win"
    echo "ok   regsvr32 /u"
    run_wine "$harness" unregistered
    ;;
user)
    run_wine regsvr32 /s /n /i:user "$dll_win" || fail "regsvr32 /n /i:user"
    echo "ok   regsvr32 /n /i:user"
    run_wine "$harness" user-registered "$dll_win" || fail "per-user registration"
    run_wine regsvr32 /u /s /n /i:user "$dll_win" || fail "regsvr32 /u /n /i:user"
    echo "ok   regsvr32 /u /n /i:user"
    run_wine "$harness" user-unregistered
    ;;
teardown)
    "$wineserver" -k 2>/dev/null
    echo "Wine server stopped"
    ;;
*)
    fail "unknown step $step"
    ;;
esac
