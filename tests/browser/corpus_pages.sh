#!/usr/bin/env bash
# Renders the sample, a document with headings inside a table block and every
# document of the shared corpus through the installed program, with a table of
# contents, and checks all the pages in one headless chromium (check_page.py).
# Usage: corpus_pages.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
source=$(cd "$2" && pwd)
corpus=$source/../shared/corpus
command -v chromium >/dev/null || { echo "SKIP: no chromium"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cmake --install "$build" --prefix "$work" >/dev/null
documents=("$work/Report.txt" "$source/tests/browser/headings_in_table.txt")
[ -d "$corpus" ] && for document in "$corpus"/*.txt; do documents+=("$document"); done
mkdir "$work/pages"
failed=0
pages=()
for document in "${documents[@]}"; do
  # One document per directory, so that its number in the file list is
  # known: the work files listed before it come first.
  run=$work/pages/$(basename "$document")
  mkdir "$run"  # two documents of one name would share it: fail loudly
  cp "$work/kestram" "$work"/*.exe "$run/"
  cp "$document" "$run/doc.txt"
  number=$(cd "$run" && printf '110\n' | ./kestram | tr -d '\r' | sed -n 's/^ *\([0-9]*\) doc\.txt$/\1/p')
  (cd "$run" && printf '11%s\n\ny\n\n2' "$number" | ./kestram >log)
  if [ -f "$run/doc_indent.htm" ]; then
    pages+=("${run#"$work/pages/"}/doc_indent.htm")
  elif grep -q "The file does not have a chapter marked." "$run/log"; then
    echo "$(basename "$document"): no chapter marks, no page"
  else
    echo "FAIL: $(basename "$document") gave no page"; failed=1
  fi
done
(cd "$work/pages" && python3 "$source/tests/browser/check_page.py" "${pages[@]}") || failed=1
exit $failed
