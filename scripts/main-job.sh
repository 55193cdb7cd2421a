#!/usr/bin/env bash
# The main job on the embedded SQLite default: a demo database, a new CIT-8 of the demo company
# made, computed from its books and saved by the module, then printed through the module's own
# load.
set -euo pipefail
cd "$(dirname "$0")/.."
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
db=${CITFORMS_DB:-build/demo.db}
company=${CITFORMS_COMPANY:-1}
year=${CITFORMS_YEAR:-2016}
rm -f "$db"
build/bin/tabrix --db "$db" init-db --demo
# new-cit8 prints the module's messages (transcript lines) and then the new id on its own line.
id=$(build/bin/tabrix --db "$db" new-cit8 --company "$company" --year "$year" | tail -n 1)
build/bin/tabrix --db "$db" dump "$id"
echo "New CIT-8 of company $company for the fiscal year $year: declaration $id in $db"
pdf=${CITFORMS_PDF:-build/demo-cit8.pdf}
build/bin/tabrix --db "$db" pdf "$id" "$pdf"
echo "The new CIT-8 as PDF: $(realpath "$pdf")"
echo "The desktop application on this database (needs a screen): build/bin/tabrix --db $db"
