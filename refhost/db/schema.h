#pragma once
// The host database's schema, described as data and applied as numbered migrations.
//
// Each migration is a list of steps (tables, indexes, views, seed rows) spelled for the
// engine by its profile. The version table WERSJA_SCHEMATU records what has been applied
// and doubles as the marker that a database is ours: a database holding tables but not
// this one belongs to someone else and is left alone.
//
//   migrate(db, profile);            // on open: from whatever version to the newest
//   currentVersion(db) == latestVersion()
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "refhost/sql/database.h"
#include "refhost/sql/engine.h"

namespace refhost::db {

using citforms::values::Status;
using sql::ColumnType;

struct ColumnDef {
    std::string name;
    ColumnType type;
    std::string constraint;  // e.g. "NOT NULL DEFAULT 0"
};

struct TableDef {
    std::string name;
    std::vector<ColumnDef> columns;
    std::vector<std::string> primaryKey;
};

// A column added to a table of an earlier migration.
struct ColumnAddDef {
    std::string table;
    ColumnDef column;
};

struct IndexDef {
    std::string name;
    std::string table;
    std::vector<std::string> columns;
    bool unique = false;
};

struct ViewDef {
    std::string name;
    std::string select;  // portable SQL, the same on every engine
};

struct RowsDef {
    std::string table;
    std::vector<std::string> columns;
    std::vector<std::vector<std::string>> rows;  // SQL literals
};

// Statements written for each engine where the two have no common spelling (triggers).
struct NativeDef {
    std::vector<std::string> sqlite;
    std::vector<std::string> postgresql;
};
using MigrationStep =
    std::variant<TableDef, ColumnAddDef, IndexDef, ViewDef, RowsDef, NativeDef>;

struct Migration {
    int version;
    std::string description;
    std::vector<MigrationStep> steps;
};

inline constexpr const char* kVersionTable = "WERSJA_SCHEMATU";

const std::vector<Migration>& migrations();
int latestVersion();

// A table as the newest schema has it: its definition with the columns added later.
std::optional<TableDef> tableDefinition(std::string_view name);

// The statements that apply one step on the profile's engine.
std::vector<std::string> render(const MigrationStep& step, const sql::EngineProfile& profile);

// Applies every migration above the database's version up to `target` (default: all) in
// one writing transaction; a second process opening the same new file waits and then
// finds the work done. A database that is up to date is not locked at all.
Status migrate(sql::HostDatabase& db, const sql::EngineProfile& profile, int target = -1);

// The applied version; 0 for a database without our schema.
int currentVersion(sql::HostDatabase& db);

// Whether a database whose user tables are `tables` carries our version table.
bool hasSchemaMarker(const std::vector<std::string>& tables);

// Whether every table of the schema that has a column of this name keeps text in it.
bool isTextColumn(std::string_view column);

}  // namespace refhost::db
