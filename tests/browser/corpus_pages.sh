#!/usr/bin/env bash
# Renders every document of the shared corpus, the sample and a document
# with headings inside a table block through the installed program, with a
# table of contents, and checks each page in headless chromium: every "#"
# link lands on an element.
# Usage: corpus_pages.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
source=$(cd "$2" && pwd)
corpus=$source/../shared/corpus
command -v chromium >/dev/null || { echo "SKIP: no chromium"; exit 77; }
work=$(mktemp -d)
log=$(mktemp)
trap 'rm -rf "$work" "$log"' EXIT
cmake --install "$build" --prefix "$work" >/dev/null
documents=("$work/Report.txt" "$source/tests/browser/headings_in_table.txt")
[ -d "$corpus" ] && for document in "$corpus"/*.txt; do documents+=("$document"); done
failed=0
for document in "${documents[@]}"; do
  name=$(basename "$document")
  # One document at a time in the directory, so that its number in the file
  # list is known: the work files listed before it come first.
  mkdir "$work/run"
  cp "$work/kestram" "$work"/*.exe "$work/run/"
  cp "$document" "$work/run/doc.txt"
  cd "$work/run"
  number=$(printf '110\n' | ./kestram | tr -d '\r' | sed -n 's/^ *\([0-9]*\) doc\.txt$/\1/p')
  printf '11%s\n\ny\n\n2' "$number" | ./kestram >"$log"
  if [ ! -f doc_indent.htm ]; then
    grep -q "The file does not have a chapter marked." "$log" || { echo "FAIL: $name gave no page"; failed=1; }
    echo "$name: no chapter marks, no page"
  else
    printf '%s: ' "$name"
    python3 "$source/tests/browser/check_page.py" doc_indent.htm || failed=1
  fi
  cd "$work"
  rm -rf "$work/run"
done
exit $failed
