#!/usr/bin/env bash
# The Calc extension in a headless LibreOffice with a scratch user profile.
#   calc_test.sh install WORK    unopkg add puts tessaly.oxt into the profile; listed
#   calc_test.sh bookmarks WORK  a Python UNO client works bookmarks in Calc, saves as
#                                .xlsx, and the tessaly program reads them back
#   calc_test.sh scenes WORK     the client runs the navigation scenes of TESSALY_SCENES
#   calc_test.sh dialogs WORK    the client drives the list and settings dialogs
#   calc_test.sh japanese WORK   the add-in's menu, toolbar, list and a command in an
#                                office whose UI language is Japanese: chosen, then taken
#                                from LANG=ja_JP.UTF-8
# The environment names the programs: TESSALY_SOFFICE, TESSALY_UNOPKG, TESSALY_PYTHON3,
# TESSALY_PROGRAM, TESSALY_OXT, TESSALY_SAMPLES, and the table TESSALY_SCENES.
set -euo pipefail
scene=$1
work=$2
here=$(cd "$(dirname "$0")" && pwd)

# unopkg refuses to install into a user profile as root. As root, the test runs as the
# user nobody on copies of what it needs in a scratch folder (the build folder may be
# out of that user's reach); the folder is removed afterwards, the office's output kept.
if [[ $(id -u) == 0 && -z ${TESSALY_CALC_AS_USER:-} ]]; then
  rm -rf "$work"
  mkdir -p "$work"
  scratch=$(mktemp -d "${TMPDIR:-/tmp}/tessaly-calc.XXXXXX")
  cp "$TESSALY_OXT" "$TESSALY_PROGRAM" "$scratch/"
  cp -r "$here" "$scratch/tests"
  cp -r "$TESSALY_SAMPLES" "$scratch/samples"
  cp "$TESSALY_SCENES" "$scratch/"
  mkdir "$scratch/work"
  chmod 755 "$scratch"
  chown -R nobody: "$scratch"
  status=0
  setpriv --reuid=nobody --regid="$(id -g nobody)" --clear-groups \
    env HOME="$scratch/work" TESSALY_CALC_AS_USER=nobody \
    TESSALY_OXT="$scratch/$(basename "$TESSALY_OXT")" \
    TESSALY_PROGRAM="$scratch/$(basename "$TESSALY_PROGRAM")" TESSALY_SAMPLES="$scratch/samples" \
    TESSALY_SCENES="$scratch/$(basename "$TESSALY_SCENES")" \
    bash "$scratch/tests/calc_test.sh" "$scene" "$scratch/work" || status=$?
  cp "$scratch/work/office.log" "$work/" 2>/dev/null || true
  cp "$scratch/work/environment/office.log" "$work/environment-office.log" 2>/dev/null || true
  rm -rf "$scratch"
  exit $status
fi
find "$work" -mindepth 1 -delete 2>/dev/null || true
mkdir -p "$work/profile" "$work/config"
profile_url="file://$work/profile"
# The add-in's settings file, as the tessaly program keeps it: bookmarks are saved in
export TESSALY_CONFIG_DIR=$work/config
# the workbook, and next has the shortcut Ctrl+Shift+N.
printf '[QEL_BOOKMARK_VEROZARA\\Setting]\nSaveMark=1\nkey1_2=Ctrl+Shift\nkey2_2=N\n' \
  >"$TESSALY_CONFIG_DIR/settings.ini"

unopkg() {
  timeout 120 "$TESSALY_UNOPKG" "$@" "-env:UserInstallation=$profile_url"
}

fail() {
  echo "FAIL $*"
  exit 1
}

unopkg add "$TESSALY_OXT" || fail "unopkg add tessaly.oxt"
listing=$(unopkg list)
grep -q 'Identifier: org.tessaly.bookmarks' <<<"$listing" || fail "unopkg list names the extension"
grep -q 'is registered: yes' <<<"$listing" || {
  echo "$listing"
  fail "unopkg list shows it registered"
}
echo "ok   unopkg add installs tessaly.oxt into the profile and unopkg list lists it"

case $scene in
  install)
    unopkg remove org.tessaly.bookmarks || fail "unopkg remove org.tessaly.bookmarks"
    ! unopkg list | grep -q 'org.tessaly.bookmarks' || fail "unopkg list still names it"
    echo "ok   unopkg remove org.tessaly.bookmarks takes it away again"
    ;;
  bookmarks)
    # A workbook with a bookmark, saved by the tessaly program.
    cp "$TESSALY_SAMPLES/Demo.xlsx" "$work/FromTessaly.xlsx"
    printf 'open FromTessaly.xlsx\nselect Costs!D4\nclick toggle\nsave\n' >"$work/save.tsc"
    (cd "$work" && "$TESSALY_PROGRAM" run save.tsc >/dev/null) || fail "tessaly run save.tsc"
    # The client ends the office it started, also when it is stopped by the timeout.
    timeout -s KILL 60 "$TESSALY_PYTHON3" "$here/calc_client.py" "$work/profile" "$work" bookmarks ||
      fail "the scene in Calc"
    saved=$("$TESSALY_PROGRAM" bookmarks --json "$work/Saved.xlsx")
    expected='{"workbook": "Saved.xlsx", "bookmarks": [{"sheet": "Sales", "address": "$B$3"}, '
    expected+='{"sheet": "Costs", "address": "$C$5"}], "unresolved": []}'
    [[ $saved == "$expected" ]] || {
      printf 'tessaly bookmarks Saved.xlsx:\n%s\n' "$saved"
      fail "tessaly bookmarks reads the bookmarks Calc saved"
    }
    echo "ok   tessaly bookmarks reads Sales!\$B\$3 and Costs!\$C\$5 from the .xlsx Calc saved"
    ;;
  scenes)
    timeout -s KILL 150 "$TESSALY_PYTHON3" "$here/calc_client.py" "$work/profile" "$work" scenes ||
      fail "the navigation scenes in Calc"
    ;;
  dialogs)
    timeout -s KILL 150 "$TESSALY_PYTHON3" "$here/calc_client.py" "$work/profile" "$work" dialogs ||
      fail "the list and settings dialogs in Calc"
    ;;
  japanese)
    # The user's UI language set to Japanese (Tools > Options > Language Settings), and
    # Japanese among the installed languages, as its language pack makes it: without it
    # the office starts in English and writes that to ooLocale. This office has no pack,
    # so its own texts stay English; the add-in's are its own.
    settings=$work/profile/user/registrymodifications.xcu
    installed='<item oor:path="/org.openoffice.Setup/Office/InstalledLocales">'
    installed+='<node oor:name="ja" oor:op="replace"><prop oor:name="Origin" oor:op="fuse">'
    installed+='<value>calc_test.sh</value></prop></node></item>'
    ui='<item oor:path="/org.openoffice.Office.Linguistic/General">'
    ui+='<prop oor:name="UILocale" oor:op="fuse"><value>ja</value></prop></item>'
    cp "$settings" "$work/registrymodifications.xcu"
    sed -i "s|</oor:items>|$installed$ui</oor:items>|" "$settings"
    timeout -s KILL 150 "$TESSALY_PYTHON3" "$here/calc_client.py" "$work/profile" "$work" \
      japanese || fail "the add-in in a Japanese Calc"
    # No UI language chosen ("Default" in the options): the office takes the environment's,
    # writes it to ooLocale before the add-in connects, and the add-in follows.
    cp "$work/registrymodifications.xcu" "$settings"
    sed -i "s|</oor:items>|$installed</oor:items>|" "$settings"
    mkdir "$work/environment"
    LANG=ja_JP.UTF-8 LANGUAGE='' LC_ALL='' LC_MESSAGES='' timeout -s KILL 150 "$TESSALY_PYTHON3" \
      "$here/calc_client.py" "$work/profile" "$work/environment" japanese ||
      fail "the add-in in a Calc with no UI language chosen, under LANG=ja_JP.UTF-8"
    ;;
  *) fail "unknown scene $scene" ;;
esac
