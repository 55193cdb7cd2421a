#pragma once
// The host files' tables and keys, described as data.
//
// Each key is a list of columns in order; a column compares as a number or as text. The
// first key of a table is its primary key, which update() uses to find the row. Key order
// is the order next() reads in: DEKLARACJE_POZ by (ID_DEKLARACJE_NAG, NR_ZALACZNIKA, NR_POLA)
// with NR_POLA as text, so "1" < "10" < "100" < "11" < "9".
#include <string_view>
#include <vector>

#include "citforms/host/record_file.h"

namespace refhost::libraries {

enum class KeyKind { Number, Text };

struct KeyColumn {
    std::string_view name;
    KeyKind kind;
};

struct KeySpec {
    std::string_view name;
    std::vector<KeyColumn> columns;
};

struct TableSpec {
    citforms::host::HostFileId file;
    std::string_view table;
    std::vector<KeySpec> keys;  // keys[0] is the primary key
};

// The table behind a host file; nullptr for the result files (ZAPYTANIESQL, VAX_FK, ...).
const TableSpec* tableSpec(citforms::host::HostFileId file);

// The key of `table` named `name` (compared without regard to case); nullptr when unknown.
const KeySpec* findKey(const TableSpec& table, std::string_view name);

}  // namespace refhost::libraries
