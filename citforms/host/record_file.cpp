#include "citforms/host/record_file.h"

#include <algorithm>

namespace citforms::host {

namespace {

// Column names are ASCII identifiers; a locale-aware tolower per character would cost more
// than the rest of a record lookup.
char asciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equalsIgnoreCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i] != b[i] && asciiLower(a[i]) != asciiLower(b[i])) return false;
    }
    return true;
}

}  // namespace

std::string_view hostFileName(HostFileId id) {
    switch (id) {
        case HostFileId::LATA_OBROTOWE: return "LATA_OBROTOWE";
        case HostFileId::ZAPYTANIESQL: return "ZAPYTANIESQL";
        case HostFileId::URZEDY: return "URZEDY";
        case HostFileId::ADRESY_FIRMY: return "ADRESY_FIRMY";
        case HostFileId::FIRMA: return "FIRMA";
        case HostFileId::URZEDY_FIRMY: return "URZEDY_FIRMY";
        case HostFileId::ZAPYTANIESQL1: return "ZAPYTANIESQL1";
        case HostFileId::DEKLARACJE_NAG: return "DEKLARACJE_NAG";
        case HostFileId::DEKLARACJE_POZ: return "DEKLARACJE_POZ";
        case HostFileId::DEKLARACJE_DOCHOD: return "DEKLARACJE_DOCHOD";
        case HostFileId::VAX_FK: return "VAX_FK";
        case HostFileId::VAZ_FK: return "VAZ_FK";
        case HostFileId::VAY_FK: return "VAY_FK";
    }
    return "";
}

Record::Record(std::initializer_list<std::pair<std::string, std::string>> values)
    : values_(values) {}

const std::string& Record::get(std::string_view column) const {
    static const std::string kEmpty;
    for (const auto& [name, value] : values_) {
        if (equalsIgnoreCase(name, column)) return value;
    }
    return kEmpty;
}

bool Record::has(std::string_view column) const {
    return std::any_of(values_.begin(), values_.end(),
                       [&](const auto& v) { return equalsIgnoreCase(v.first, column); });
}

void Record::set(std::string_view column, std::string value) {
    for (auto& [name, current] : values_) {
        if (equalsIgnoreCase(name, column)) {
            current = std::move(value);
            return;
        }
    }
    values_.emplace_back(std::string(column), std::move(value));
}

}  // namespace citforms::host
