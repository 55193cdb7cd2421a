#include "refhost/app/summary_command.h"

#include <string>

#include <nlohmann/json.hpp>

#include "citforms/values/book_values.h"
#include "citforms/values/day_number.h"
#include "citforms/values/text.h"

namespace refhost::app {

using citforms::values::exactGrosze;
using citforms::values::shownGrosze;

namespace {

std::string trimmed(const std::optional<std::string>& cell) {
    std::string out = cell.value_or("");
    while (!out.empty() && out.back() == ' ') out.pop_back();
    return out;
}

}  // namespace

int runSummary(libraries::ReferenceHost& host, const libraries::LoadedModule& module,
               std::int32_t id, std::ostream& out, std::ostream& err) {
    const std::string idText = std::to_string(id);
    auto header = host.state().run(
        "select w.NAZWA, f.NAZWA, n.DATA_OKRESU from DEKLARACJE_NAG n left join "
        "DEKLARACJE_WZORZEC w on w.ID_DEKLARACJE_WZORZEC = n.ID_DEKLARACJE_WZORZEC left join "
        "FIRMA f on f.ID_FIRMY = n.ID_FIRMY where n.ID_DEKLARACJE_NAG = " + idText);
    if (!header || header->rows.empty()) {
        err << "tabrix: nie można odczytać deklaracji " << idText << ": "
            << (header ? "nie ma jej w bazie" : header.error()) << '\n';
        return 1;
    }
    const auto reply = nlohmann::json::parse(
        module.automation(R"({"verb":"summary","id":)" + idText + "}"), nullptr, false);
    if (!reply.is_object() || !reply.value("ok", false)) {
        err << "tabrix: nie można odczytać kwot deklaracji " << idText << ": "
            << (reply.is_object() ? reply.value("error", "") : std::string()) << '\n';
        return 1;
    }
    const auto& row = header->rows[0];
    const auto day = citforms::values::parseInteger<std::int32_t>(trimmed(row[2])).value_or(0);
    std::string period = day > 0 ? citforms::values::formatDayMonthYear(day) : std::string();
    if (period.size() == 10) period = period.substr(3);  // the month, as the list shows it
    out << "Deklaracja " << idText << ": " << trimmed(row[0]) << ", " << trimmed(row[1])
        << ", okres " << period << '\n';
    // An amount the edition has no position for is left out.
    auto line = [&](const char* caption, const char* name) {
        const auto& value = reply[name];
        if (!value.is_string()) return;
        const auto grosze = exactGrosze(value.get<std::string>());
        out << caption << ": " << (grosze ? shownGrosze(*grosze) : value.get<std::string>())
            << " zł\n";
    };
    line("Podatek należny", "taxDue");
    line("Do zapłaty", "toPay");
    line("Nadpłata", "overpaid");
    return 0;
}

}  // namespace refhost::app
