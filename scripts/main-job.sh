#!/usr/bin/env bash
# The main job on the embedded SQLite default: a demo database, a new CIT-8 of the demo company
# made, computed from its books and saved by the module, written as PDF through the module's
# own load, and a few lines to read at the end: the return, its tax, its PDF, the desktop.
set -euo pipefail
cd "$(dirname "$0")/.."
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
db=${CITFORMS_DB:-build/demo.db}
company=${CITFORMS_COMPANY:-1}
year=${CITFORMS_YEAR:-2016}
pdf=${CITFORMS_PDF:-build/demo-cit8.pdf}
tabrix() { build/bin/tabrix --db "$db" "$@"; }
rm -f "$db"
tabrix init-db --demo >/dev/null
# new-cit8 prints the module's messages (transcript lines) and then the new id on its own line.
made=$(tabrix new-cit8 --company "$company" --year "$year")
id=$(tail -n 1 <<<"$made")
tabrix pdf "$id" "$pdf" >/dev/null
summary=$(tabrix summary "$id")
pages=$(pdfinfo "$pdf" 2>/dev/null | sed -n 's/^Pages: *//p')
messages=$(grep -c '^message' <<<"$made" || true)

echo
echo "Nowa deklaracja CIT-8 firmy $company za rok $year, zapisana w bazie $(realpath "$db")"
echo "$summary"
echo "Plik PDF: $(realpath "$pdf")${pages:+ (stron: $pages)}"
[ "$messages" -gt 0 ] && echo "Komunikaty modułu przy obliczeniu: $messages (tabrix new-cit8 wypisuje je)"
echo "Deklaracja w całości (JSON): build/bin/tabrix --db $db dump $id"
echo "Aplikacja okienkowa na tej bazie (potrzebny ekran): build/bin/tabrix --db $db"
