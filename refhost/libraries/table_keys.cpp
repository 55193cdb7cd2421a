#include "refhost/libraries/table_keys.h"

#include <algorithm>
#include <cctype>

namespace refhost::libraries {

using citforms::host::HostFileId;

namespace {

const std::vector<TableSpec>& tables() {
    static const std::vector<TableSpec> kTables = {
        {HostFileId::DEKLARACJE_NAG,
         "DEKLARACJE_NAG",
         {{citforms::host::kKeyDeklNagPk, {{"ID_DEKLARACJE_NAG", KeyKind::Number}}}}},
        {HostFileId::DEKLARACJE_POZ,
         "DEKLARACJE_POZ",
         {{citforms::host::kKeyDeklPozByZalacznik,
           {{"ID_DEKLARACJE_NAG", KeyKind::Number},
            {"NR_ZALACZNIKA", KeyKind::Number},
            {"NR_POLA", KeyKind::Text}}}}},
        {HostFileId::DEKLARACJE_DOCHOD,
         "DEKLARACJE_DOCHOD",
         {{citforms::host::kKeyDeklDochodPk, {{"ID_DEKLARACJE_DOCHOD", KeyKind::Number}}}}},
        {HostFileId::LATA_OBROTOWE,
         "LATA_OBROTOWE",
         {{citforms::host::kKeyLataObrotowePk, {{"ID_LATA_OBROTOWE", KeyKind::Number}}}}},
        {HostFileId::FIRMA,
         "FIRMA",
         {{citforms::host::kKeyFirmaPk, {{"ID_FIRMY", KeyKind::Number}}}}},
        {HostFileId::ADRESY_FIRMY,
         "ADRESY_FIRMY",
         {{citforms::host::kKeyAdresyFirmyPk, {{"ID_ADRESY_FIRMY", KeyKind::Number}}}}},
        {HostFileId::URZEDY,
         "URZEDY",
         {{citforms::host::kKeyUrzedyPk, {{"ID_URZEDU", KeyKind::Number}}}}},
        {HostFileId::URZEDY_FIRMY,
         "URZEDY_FIRMY",
         {{citforms::host::kKeyUrzedyFirmyPk, {{"ID_URZEDY_FIRMY", KeyKind::Number}}}}},
    };
    return kTables;
}

bool sameName(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::toupper(static_cast<unsigned char>(x)) ==
               std::toupper(static_cast<unsigned char>(y));
    });
}

}  // namespace

const TableSpec* tableSpec(HostFileId file) {
    for (const TableSpec& table : tables()) {
        if (table.file == file) return &table;
    }
    return nullptr;
}

const KeySpec* findKey(const TableSpec& table, std::string_view name) {
    for (const KeySpec& key : table.keys) {
        if (sameName(key.name, name)) return &key;
    }
    return nullptr;
}

}  // namespace refhost::libraries
