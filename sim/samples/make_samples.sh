#!/bin/sh
# Makes the sample workbook of `tessaly demo` from its flat source with a real spreadsheet
# application (Debian: libreoffice-calc-nogui). The program only reads the committed
# Demo.xlsx; run this again after changing Demo.fods.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
profile=$(mktemp -d)
trap 'rm -rf "$profile"' EXIT
soffice --headless --norestore -env:UserInstallation="file://$profile" \
    --convert-to xlsx --outdir "$here" "$here/Demo.fods"
