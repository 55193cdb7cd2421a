#include "citforms/compute/cit2_advances.h"

#include <stdexcept>

#include "citforms/store/declaration_load.h"

namespace citforms::compute {

std::vector<AdvanceSlot> advanceSlots(const FormEdition& edition, values::DayNumber yearStart,
                                      values::DayNumber yearEnd, bool quarterly) {
    const FormEdition::QuarterlyAdvances& ownQuarters = edition.quarterlyAdvances();
    const bool apart = quarterly && ownQuarters.first != 0;
    const auto at = [&](int p24) { return edition.position(p24).value_or(0); };
    const values::DayNumber first = values::secondOfMonth(yearStart);
    const values::DayNumber last = values::secondOfMonth(yearEnd);
    std::vector<AdvanceSlot> slots;
    int quarter = 0;
    for (int k = 0; k < 23; ++k) {
        const values::DayNumber key = values::addMonths(first, k);
        if (key > last) break;
        int field = at(68 + k);
        if (quarterly) {
            if (values::monthOf(key) % 3 != 0) continue;
            if (apart) {
                if (++quarter > ownQuarters.count) break;
                field = ownQuarters.first + quarter - 1;
            } else {
                if (++quarter > 7) break;
                field = at(70 + 3 * (quarter - 1));
            }
        }
        slots.push_back({field, key});
    }
    return slots;
}

std::string cit2AdvanceQuery(std::int32_t company, values::DayNumber month) {
    return "select top 1 a.wartosc_pola from DEKLARACJE_POZ a inner join DEKLARACJE_NAG b on "
           "a.ID_DEKLARACJE_NAG = b.ID_DEKLARACJE_NAG where a.NR_POLA = '45' AND "
           "b.ID_DEKLARACJE_WZORZEC = 35 AND b.ID_FIRMY = " +
           std::to_string(company) + " AND DATA_OKRESU=" + std::to_string(month) +
           " order by b.LP desc";
}

int fillAdvancesFromCit2(const host::HostBinding& host, const FormEdition& edition,
                         std::int32_t company, values::DayNumber yearStart,
                         values::DayNumber yearEnd, store::DeclarationFields& fields,
                         bool quarterly) {
    using values::Decimal;
    store::FieldSet& main = fields.main();
    const FormEdition::QuarterlyAdvances& ownQuarters = edition.quarterlyAdvances();
    // The advance positions of edition (24) in the declaration's own edition.
    const auto at = [&](int p24) { return edition.position(p24).value_or(0); };
    const bool apart = quarterly && ownQuarters.first != 0;
    std::vector<int> targets;
    if (apart) {
        for (int k = 0; k < ownQuarters.count; ++k) targets.push_back(ownQuarters.first + k);
    } else {
        for (int n = 68; n <= 90; ++n) targets.push_back(at(n));
    }
    const int sumField = apart ? ownQuarters.sum : at(91);
    for (int field : targets) main[field].setDecimal(Decimal(0), values::Rounding::Never);

    int found = 0;
    for (const AdvanceSlot& slot : advanceSlots(edition, yearStart, yearEnd, quarterly)) {
        if (!host.utility->EXECVAX(cit2AdvanceQuery(company, slot.month))) continue;
        host::ResultRow row;
        if (!host.data->result(host::ResultFileId::VAX_FK).next(row)) continue;
        ++found;
        std::string_view stored = row.column(0);
        while (!stored.empty() && stored.front() == ' ') stored.remove_prefix(1);
        while (!stored.empty() && stored.back() == ' ') stored.remove_suffix(1);
        // What is no amount, or more than the position holds, reads as 0.
        values::FieldValue& v = main[slot.field];
        try {
            v.setDecimal(Decimal::parse(stored).value_or(Decimal(0)),
                         values::Rounding::HalfAwayFromZero);
        } catch (const std::exception&) {
            v.setDecimal(Decimal(0), values::Rounding::Never);
        }
    }
    Decimal sum;
    for (int field : targets) sum += main[field].decimal();
    try {
        main[sumField].setDecimal(sum, values::Rounding::Never);
    } catch (const std::exception&) {
        host.utility->MSG_OST("Suma zaliczek z poz. " + std::to_string(targets.front()) +
                              " do " + std::to_string(targets.back()) + " przekracza 15 cyfr.");
    }
    return found;
}

bool paysQuarterly(host::UtilityLibrary& utility, std::int32_t company) {
    return store::parseStoredNumber(
               utility.FUNCVAY("select KWARTALNY_PDO from FIRMA where id_firmy=" +
                               std::to_string(company)))
               .value_or(0) == 1;
}

}  // namespace citforms::compute
