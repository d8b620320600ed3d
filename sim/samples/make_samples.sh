#!/bin/sh
# Makes the sample workbooks (the demo's Demo.xlsx, and Budget.xlsx, a second workbook for
# scripts) from their flat sources with a real spreadsheet application (Debian:
# libreoffice-calc-nogui). The program only reads the committed .xlsx files; run this
# again after changing a .fods file.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
profile=$(mktemp -d)
trap 'rm -rf "$profile"' EXIT
soffice --headless --norestore -env:UserInstallation="file://$profile" \
    --convert-to xlsx --outdir "$here" "$here/Demo.fods" "$here/Budget.fods"
