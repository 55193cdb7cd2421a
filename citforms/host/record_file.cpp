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

Record::Record(std::initializer_list<std::pair<std::string, std::string>> values) {
    auto columns = std::make_shared<Columns>();
    columns->reserve(values.size());
    values_.reserve(values.size());
    for (const auto& [column, value] : values) {
        columns->push_back(column);
        values_.push_back(value);
    }
    columns_ = std::move(columns);
}

Record::Record(std::shared_ptr<Columns> columns, std::vector<std::string> values)
    : columns_(std::move(columns)), values_(std::move(values)) {
    values_.resize(columns_ == nullptr ? 0 : columns_->size());
}

std::ptrdiff_t Record::indexOf(std::string_view column) const {
    for (std::size_t i = 0; i < values_.size(); ++i) {
        if (equalsIgnoreCase((*columns_)[i], column)) return static_cast<std::ptrdiff_t>(i);
    }
    return -1;
}

const std::string& Record::get(std::string_view column) const {
    static const std::string kEmpty;
    const std::ptrdiff_t i = indexOf(column);
    return i < 0 ? kEmpty : values_[static_cast<std::size_t>(i)];
}

bool Record::has(std::string_view column) const {
    return indexOf(column) >= 0;
}

void Record::set(std::string_view column, std::string value) {
    if (const std::ptrdiff_t i = indexOf(column); i >= 0) {
        values_[static_cast<std::size_t>(i)] = std::move(value);
        return;
    }
    // A new column: a list other records share stays as they know it.
    if (columns_ == nullptr) {
        columns_ = std::make_shared<Columns>();
    } else if (columns_.use_count() > 1) {
        columns_ = std::make_shared<Columns>(*columns_);
    }
    columns_->emplace_back(column);
    values_.push_back(std::move(value));
}

void Record::clear() {
    columns_.reset();
    values_.clear();
}

}  // namespace citforms::host
