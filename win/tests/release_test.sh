#!/usr/bin/env bash
# The release folder: made from the built libraries, installer and help pages, it holds
# what a user downloads, and a failed run keeps the last good folder.
#   release_test.sh <version> <scratch dir> <make_release.cmake> <cmake> <its -D args...>
set -uo pipefail
version=$1 scratch=$2 script=$3
shift 3
failures=0
ok() { echo "ok   $1"; }
bad() { echo "FAIL $1"; failures=$((failures + 1)); }
check() { if eval "$1"; then ok "$2"; else bad "$2"; fi; }

rm -rf "$scratch"
mkdir -p "$scratch"
dist=$scratch/dist
"$@" -DDIST="$dist" -P "$script" >"$scratch/log" 2>&1 || { cat "$scratch/log"; bad "make_release ran"; exit 1; }
ok "make_release ran"
zip=$dist/Tessaly-$version-dlls.zip
for f in "Tessaly-$version.msi" "$(basename "$zip")" README.md LICENSE help/index.html \
    help/free/soft/excel/tessaly/help.html; do
    check "[ -s '$dist/$f' ]" "dist has $f"
done
cmake=$1
mkdir -p "$scratch/unzipped"
listing=$(cd "$scratch/unzipped" && "$cmake" -E tar tf "$zip" 2>&1 && "$cmake" -E tar xf "$zip")
for f in x64/QEL_BOOKMARK_VEROZARA.dll x86/QEL_BOOKMARK_VEROZARA.dll INSTALL.txt LICENSE help/index.html; do
    check "grep -qx 'Tessaly-$version/$f' <<<\"\$listing\"" "the zip has Tessaly-$version/$f"
done
text=$(cat "$scratch/unzipped/Tessaly-$version/INSTALL.txt" 2>&1)
check "grep -q 'Tessaly $version: installing by hand' <<<\"\$text\"" "the install text names version $version"
check "grep -qF 'regsvr32 /i:user /n x64\\QEL_BOOKMARK_VEROZARA.dll' <<<\"\$text\"" \
    "and the per-user registration in the unpacked folder"
check "grep -q 'The installer is for 64-bit Windows only' <<<\"\$text\"" \
    "and which Windows the installer serves"
check "grep -q '$version' '$dist/help/index.html'" "the help pages carry version $version"

# A run whose input is missing fails and leaves the folder as it was.
before=$(cd "$dist" && find . -type f | sort | xargs md5sum)
args=("$@")
for i in "${!args[@]}"; do
    [[ ${args[$i]} == -DPACKAGE=* ]] && args[$i]=-DPACKAGE=$scratch/missing.msi
done
if "${args[@]}" -DDIST="$dist" -P "$script" >"$scratch/log2" 2>&1; then
    bad "a missing installer fails the release"
else
    ok "a missing installer fails the release"
fi
check "tr -s ' \\n' ' ' <'$scratch/log2' | grep -q 'build everything first'" "and says what to do"
after=$(cd "$dist" && find . -type f | sort | xargs md5sum)
check "[ \"\$before\" = \"\$after\" ]" "and the last release stays as it was"
echo "$failures failed"
[ "$failures" -eq 0 ]
