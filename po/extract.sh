#!/usr/bin/env bash
# Writes the catalog's template, every message of the sources, to the file given (po/gerador.pot
# by default): the ids are the Portuguese texts, marked with tr, trn and N_.
set -euo pipefail
cd "$(dirname "$0")/.."
output=${1:-po/gerador.pot}
find src -name '*.cpp' -o -name '*.h' | LC_ALL=C sort |
  xgettext --from-code=UTF-8 --language=C++ --keyword= --keyword=tr:1 --keyword=trn:1,2 --keyword=N_ \
           --flag=textf:1:c-format --flag=tr:1:pass-c-format --flag=trn:1:pass-c-format --flag=trn:2:pass-c-format \
           --add-location=file --sort-by-file --package-name=gerador --msgid-bugs-address=none \
           --files-from=- --output="$output"
