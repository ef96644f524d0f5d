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
# The command line writes the dialogue's pages; a document without a chapter
# mark gives none, and the program says so.
"$work/kestram" --toc --output-dir "$work/pages" "${documents[@]}" 2>"$work/errors" || true
cat "$work/errors"
cd "$work/pages"
pages=(*_indent.htm)
if [ $((${#pages[@]} + $(grep -c ': no chapter mark$' "$work/errors"))) -ne ${#documents[@]} ]; then
  echo "FAIL: ${#pages[@]} pages of ${#documents[@]} documents"
  exit 1
fi
python3 "$source/tests/browser/check_page.py" "${pages[@]}"
