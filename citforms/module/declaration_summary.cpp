#include "citforms/module/declaration_summary.h"

#include <map>

#include "citforms/module/declaration_kinds.h"
#include "citforms/store/declaration_load.h"

namespace citforms::module {

SummaryPositions summaryPositions(std::int32_t templateId) {
    const DeclarationKind* kind = declarationKind(templateId);
    if (kind == nullptr) return {};
    const auto at = [](int position) {
        return position != 0 ? std::optional<int>(position) : std::nullopt;
    };
    const ResultPositions& r = kind->results;
    return {at(r.taxDue), at(r.taxForYear), at(r.toPay), at(r.overpaid)};
}

values::Result<DeclarationSummary> declarationSummary(ModuleState& module, std::int32_t id) {
    using R = values::Result<DeclarationSummary>;
    const host::HostBinding& host = module.host();
    const std::string idText = std::to_string(id);
    if (!host.utility->EXECVAX(
            "select id_deklaracje_wzorzec from DEKLARACJE_NAG where id_deklaracje_nag = " +
            idText)) {
        return R::failure(host.utility->fileErrorText());
    }
    host::ResultRow row;
    if (!host.data->result(host::ResultFileId::VAX_FK).next(row)) {
        return R::failure("no declaration " + idText);
    }
    DeclarationSummary out;
    out.templateId = store::parseStoredNumber(row.column(0)).value_or(0);
    const DeclarationKind* kind = declarationKind(out.templateId);
    if (kind == nullptr || kind->family != "CIT-8") {
        return R::failure("declaration " + idText + " is not a CIT-8");
    }
    out.form = kind->mainForm;
    const SummaryPositions at = summaryPositions(kind->templateId);
    if (!at.taxDue && !at.toPay && !at.overpaid) return out;

    if (!host.utility->EXECVAX("select nr_pola, wartosc_pola from DEKLARACJE_POZ where "
                               "id_deklaracje_nag = " +
                               idText + " AND nr_zalacznika = 0")) {
        return R::failure(host.utility->fileErrorText());
    }
    std::map<int, std::string> stored;
    for (auto& rows = host.data->result(host::ResultFileId::VAX_FK); rows.next(row);) {
        if (const auto n = store::parseStoredNumber(row.column(0))) stored[*n] = row.column(1);
    }
    std::string unreadable;
    // A position never written or left empty holds nothing: 0.
    auto amount = [&](std::optional<int> position) -> std::optional<values::Decimal> {
        if (!position) return std::nullopt;
        const auto it = stored.find(*position);
        if (it == stored.end() || it->second.find_first_not_of(' ') == std::string::npos) {
            return values::Decimal(0);
        }
        const auto value = values::Decimal::parse(it->second);
        if (!value && unreadable.empty()) {
            unreadable = "position " + std::to_string(*position) + " of declaration " + idText +
                         " is not an amount: '" + it->second + "'";
        }
        return value.value_or(values::Decimal(0));
    };
    out.taxDue = amount(at.taxDue);
    if (out.taxDue && at.taxForYear) *out.taxDue += *amount(at.taxForYear);
    out.toPay = amount(at.toPay);
    out.overpaid = amount(at.overpaid);
    if (!unreadable.empty()) return R::failure(unreadable);
    return out;
}

}  // namespace citforms::module
