#!/usr/bin/env bash
# The include check catches what it is there for: on a copy of src/ it passes as the tree is and with
# includes the layers allow, and fails on each kind of planted upward or sideways include.
#   bash tests/layers/check-includes-test.sh [SRC_DIR]
set -uo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
check="$here/scripts/check-includes.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r "${1:-$here/src}" "$work/src"

failed=0
# expect PASS|FAIL FILE TEXT: writes TEXT as FILE (below src/), runs the check, removes FILE again.
expect() {
  local want=$1 file=$2 text=$3 out rc
  mkdir -p "$(dirname "$work/src/$file")"
  printf '%s\n' "$text" > "$work/src/$file"
  out=$(bash "$check" "$work/src" 2>&1); rc=$?
  rm -f "$work/src/$file"
  if { [ "$want" = PASS ] && [ $rc -ne 0 ]; } || { [ "$want" = FAIL ] && [ $rc -ne 1 ]; } \
     || { [ "$want" = FAIL ] && ! grep -q "src/$file:" <<<"$out"; }; then
    echo "FAIL: the check should ${want,,} with src/$file holding: $text (exit $rc)"
    echo "$out" | sed 's/^/    /'
    failed=1
  else
    echo "ok: the check $( [ "$want" = PASS ] && echo passes || echo fails ) with src/$file: ${text//$'\n'/ }"
  fi
}

# The tree as it is, and includes the layers allow: own folder by bare name, lower folders by path,
# relative or <...>, the controls' shared header from a control.
expect PASS shell/planted.cpp '#include "globals.h"'
expect PASS reports/planted.cpp $'#include "shell/outksxx.h"\n#include "../shell/globals.h"\n#include <controls/grid/grid.h>\n#include "controls/propertybag.h"'
expect PASS controls/grid/planted.cpp '#include "../propertybag.h"'
expect PASS printing/layouts/planted.cpp $'#include "reports/register.h"\n#include "printing/engine/LumoPrinter.h"'
expect PASS app/planted.cpp '#include "printing/layouts/layouts.h"'
expect PASS workbook/helper/planted.cpp $'#include "workbook/xls/xlsfile.h"\n#include "workbook/workbook.h"'

# Upward, by folder path, relative path and <...>.
expect FAIL shell/planted.cpp '#include "arrangement/register.h"'
expect FAIL shell/planted.h '#include "../arrangement/register.h"'
expect FAIL shell/planted.cpp '#include <reports/register.h>'
expect FAIL arrangement/planted.cpp '#include "scores/register.h"'
expect FAIL reports/planted.cpp '#include "printing/layouts/layouts.h"'
expect FAIL printing/engine/planted.cpp '#include "../layouts/layouts.h"'
expect FAIL controls/grid/planted.cpp '#include "shell/globals.h"'
expect FAIL workbook/planted.cpp '#include "xls/xlsfile.h"'
expect FAIL shell/planted.cpp '#include "workbook/xls/xlsfile.h"'
# Sideways: one subsystem into another, one control into the other, the print engine into the shell, workbooks into the controls.
expect FAIL reports/planted.cpp '#include "arrangement/register.h"'
expect FAIL scores/planted.cpp '#include "../reports/register.h"'
expect FAIL controls/grid/planted.cpp '#include "controls/progressbar/XP_ProgressBar.h"'
expect FAIL printing/engine/planted.cpp '#include "shell/globals.h"'
expect FAIL workbook/planted.cpp '#include "controls/grid/grid.h"'
# A folder the layer table does not know.
expect FAIL extra/planted.cpp '#include "shell/globals.h"'

# An upward include planted among the includes of an existing header.
cp "$work/src/shell/globals.h" "$work/globals.h.orig"
sed -i '1a #include "scores/register.h"' "$work/src/shell/globals.h"
out=$(bash "$check" "$work/src" 2>&1)
if grep -q '^src/shell/globals.h:2: ' <<<"$out"; then
  echo "ok: the check fails with an upward include planted in src/shell/globals.h"
else
  echo "FAIL: the check missed an upward include planted in src/shell/globals.h"
  failed=1
fi
cp "$work/globals.h.orig" "$work/src/shell/globals.h"
exit $failed
