#!/usr/bin/env bash
# The main job on the embedded SQLite default: a demo database, then the stored template-73
# CIT-8 of the demo data printed through the module's own load.
set -euo pipefail
cd "$(dirname "$0")/.."
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
db=${CITFORMS_DB:-build/demo.db}
rm -f "$db"
build/bin/tabrix --db "$db" init-db --demo
id=$(build/bin/tabrix --db "$db" sql "select min(id_deklaracje_nag) from DEKLARACJE_NAG where id_deklaracje_wzorzec=73" | tail -n 1)
build/bin/tabrix --db "$db" dump "$id"
echo "Demo database: $db (declaration $id)"
pdf=${CITFORMS_PDF:-build/demo-cit8.pdf}
build/bin/tabrix --db "$db" pdf "$id" "$pdf"
echo "Demo CIT-8 as PDF: $(realpath "$pdf")"
