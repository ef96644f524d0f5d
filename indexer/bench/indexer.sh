#!/usr/bin/env bash
# Times the indexer on the page of a generated document and prints its peak
# memory.
#
# usage: indexer/bench/indexer.sh [MB] [LEXPAGE_EXE]
#   MB           size of the generated document in millions of bytes (default 10)
#   LEXPAGE_EXE  the built indexer (default build/indexer/lexpage_1_0.exe)
# The document generator is found through $GEN_DOC, else shared/tools/gen-doc
# beside the repository.
set -euo pipefail
repo=$(cd "$(dirname "$0")/../.." && pwd)
mb=${1:-10}
exe=$(realpath "${2:-$repo/build/indexer/lexpage_1_0.exe}")
gen_doc=${GEN_DOC:-}
if [ -z "$gen_doc" ]; then
  for candidate in "$repo/../shared/tools/gen-doc" /work/shared/tools/gen-doc; do
    [ -x "$candidate" ] && gen_doc=$candidate && break
  done
fi
[ -n "$gen_doc" ] || { echo "gen-doc not found: set GEN_DOC" >&2; exit 2; }
[ -x "$exe" ] || { echo "no indexer at $exe: build first" >&2; exit 2; }
[ -x /usr/bin/time ] || { echo "/usr/bin/time is needed (Debian package time)" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/htm_in"
"$gen_doc" --mb "$mb" --seed 1 | python3 "$repo/bench/make_page.py" --toc \
  > "$work/htm_in/bench_indent.htm"
page_bytes=$(stat -c %s "$work/htm_in/bench_indent.htm")

(cd "$work" && /usr/bin/time -f '%e %M' -o "$work/time.txt" "$exe")
read -r seconds peak_kb < "$work/time.txt"
out_bytes=$(du -sb "$work/htm_out" | cut -f1)
awk -v page="$page_bytes" -v s="$seconds" -v kb="$peak_kb" -v out="$out_bytes" 'BEGIN {
  printf "page: %.1f MB\ntime: %.2f s\npeak memory: %.1f MB (%.1f times the page)\n",
         page / 1e6, s, kb * 1024 / 1e6, kb * 1024 / page
  printf "output: %.1f MB in htm_out\n", out / 1e6
}'
