#!/usr/bin/env bash
# Writes the language and read-me files of the window, app/Lang/, from their UTF-8
# sources in app/lang-src/: each in the character set of its language (English code
# page 1250, Traditional Chinese Big5, Simplified Chinese GB2312), with CR LF line ends.
# Fails, writing nothing for that file, when a text holds a character its set lacks.
set -euo pipefail
cd "$(dirname "$0")/.."
source_dir=app/lang-src
target_dir=app/Lang
mkdir -p "$target_dir"

charset_of() {
  case "$1" in
    *-EN*) echo CP1250 ;;
    *-TW*) echo BIG5 ;;
    *-CN*) echo GB2312 ;;
    *) echo "no character set for $1" >&2; return 1 ;;
  esac
}

for source in "$source_dir"/*.ini "$source_dir"/*.txt; do
  name=$(basename "$source")
  charset=$(charset_of "$name")
  temporary=$(mktemp)
  if ! sed 's/\r$//; s/$/\r/' "$source" | iconv -f UTF-8 -t "$charset" >"$temporary"; then
    rm -f "$temporary"
    echo "$name: not representable in $charset" >&2
    exit 1
  fi
  mv "$temporary" "$target_dir/$name"
  chmod 644 "$target_dir/$name"
  echo "$target_dir/$name ($charset)"
done
