#!/usr/bin/env bash
# The English catalog is whole and current: every message the sources mark has an English
# text, none is fuzzy or left over from a message that is gone, and no source glues a
# sentence together from a translated piece and a literal one.
# Usage: catalog_test.sh SOURCE_FOLDER.
set -euo pipefail
source_folder=$1
work=$(mktemp -d /tmp/gerador-catalog.XXXXXX)
trap 'rm -rf "$work"' EXIT
failed=0

bash "$source_folder/po/extract.sh" "$work/gerador.pot" 2>/dev/null
# msgcmp takes an untranslated message for a missing one.
msgcmp "$source_folder/po/en.po" "$work/gerador.pot" || { echo "po/en.po lacks English for the messages above"; failed=1; }
fuzzy=$(msgattrib --only-fuzzy --no-obsolete "$source_folder/po/en.po")
[ -z "$fuzzy" ] || { echo "po/en.po has fuzzy messages:"; echo "$fuzzy"; failed=1; }
# Messages in only one of en.po and the sources: left over, or new (msgcmp names those).
stale=$(msgcomm --less-than=2 --unique -o - "$source_folder/po/en.po" "$work/gerador.pot" | grep -c '^msgid "[^"]' || true)
[ "$stale" = 0 ] || { echo "$stale messages are in only one of po/en.po and the sources"; failed=1; }
msgfmt --check -o /dev/null "$source_folder/po/en.po" || failed=1

# A translated text joined to words outside the catalog: tr(...) + "words" or "words" + tr(...).
glued=$(grep -rnE '(^|[^[:alnum:]_])(tr|trn|textf)\([^;]*\) *\+ *"[^"]*[[:alpha:]]{2}|"[^"]*[[:alpha:]]{2}[^"]*" *\+ *(tr|trn|textf)\(' \
          "$source_folder/src" || true)
[ -z "$glued" ] || { echo "sentences glued from pieces:"; echo "$glued"; failed=1; }
exit $failed
