#!/usr/bin/env bash
# Renders the sample document through the installed program and checks the
# page in headless chromium. Usage: sample_page.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$1
source=$2
work=$(mktemp -d)
# The console log lives outside the working directory: a *.txt file there
# would join the file list and shift the number typed below.
log=$(mktemp)
trap 'rm -rf "$work" "$log"' EXIT
cmake --install "$build" --prefix "$work" >/dev/null
cd "$work"
# Find the sample's number in the file list, then run with a table of contents.
number=$(printf '110\n' | ./kestram | tr -d '\r' | sed -n 's/^ \([0-9]*\) Report\.txt$/\1/p')
[ -n "$number" ] || { echo "FAIL: Report.txt is not listed"; exit 1; }
printf '11%s\n\ny\n\n2' "$number" | ./kestram >"$log"
shot=${KESTRAM_ARTIFACTS:-$build/artifacts}
mkdir -p "$shot"
exec python3 "$source/tests/browser/check_page.py" Report_indent.htm --screenshot "$shot/sample_page.png"
