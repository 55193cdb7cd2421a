#include "citforms/print/document_title.h"

namespace citforms::print {

namespace {

constexpr std::string_view kDash = " \u2013 ";  // an en dash between spaces

std::string trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return std::string(s);
}

}  // namespace

std::string periodText(values::DayNumber from, values::DayNumber to) {
    if (from <= 0 || to <= 0 || !values::isDisplayableDay(from) || !values::isDisplayableDay(to) ||
        to < from)
        return {};
    const int year = values::yearOf(from);
    if (from == values::fromDate(year, 1, 1) && to == values::fromDate(year, 12, 31))
        return std::to_string(year);
    return values::formatDayMonthYear(from, '.') + "\u2013" + values::formatDayMonthYear(to, '.');
}

std::string documentTitle(std::string_view form, std::string_view company, values::DayNumber from,
                          values::DayNumber to) {
    std::string title = trimmed(form);
    for (const std::string& part : {trimmed(company), periodText(from, to)}) {
        if (part.empty()) continue;
        if (!title.empty()) title += kDash;
        title += part;
    }
    return title;
}

}  // namespace citforms::print
