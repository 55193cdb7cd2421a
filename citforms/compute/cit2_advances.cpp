#include "citforms/compute/cit2_advances.h"

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

}  // namespace citforms::compute
