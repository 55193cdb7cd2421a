#include "refhost/db/office_overview.h"

#include <algorithm>
#include <set>

#include "citforms/values/text.h"

namespace refhost::db {

namespace {

namespace v = citforms::values;
using R = v::Result<std::vector<OverviewRow>>;

std::string cell(const sql::QueryResult& r, std::size_t row, std::size_t col) {
    if (row >= r.rows.size() || col >= r.rows[row].size() || !r.rows[row][col]) return {};
    return *r.rows[row][col];
}

std::int32_t number(const std::string& text) {
    return v::parseInteger<std::int32_t>(std::string(v::trim(text))).value_or(0);
}

}  // namespace

std::string stateText(ReturnState state) {
    switch (state) {
        case ReturnState::NoYear: return "brak roku obrotowego";
        case ReturnState::None: return "brak";
        case ReturnState::Draft: return "robocza";
        case ReturnState::CheckedErrors: return "sprawdzona, z błędami";
        case ReturnState::CheckedClean: return "sprawdzona, bez błędów";
        case ReturnState::Filed: return "złożona";
        case ReturnState::Corrected: return "skorygowana";
        case ReturnState::CorrectionDraft: return "korekta w przygotowaniu";
    }
    return {};
}

v::DayNumber cit8DueDate(v::DayNumber yearEnd) {
    return v::lastDayOfMonth(v::addMonths(v::firstDayOfMonth(yearEnd), 3));
}

R officeOverview(sql::HostDatabase& db, int year, const CheckErrors& check) {
    auto companies = db.run(
        "select f.id_firmy, f.nip, f.nazwa, f.KWARTALNY_PDO, l.poczatek_roku, l.koniec_roku "
        "from FIRMA f left join LATA_OBROTOWE l on l.id_firmy = f.id_firmy and l.koniec_roku >= " +
        std::to_string(v::fromDate(year, 1, 1)) + " and l.koniec_roku <= " +
        std::to_string(v::fromDate(year, 12, 31)) + " order by f.id_firmy, l.koniec_roku");
    if (!companies) return R::failure(companies.error());
    std::vector<OverviewRow> rows;
    for (std::size_t i = 0; i < companies->rows.size(); ++i) {
        OverviewRow row;
        row.company = number(cell(*companies, i, 0));
        // A company with two years ending in one year (a short first year) shows the later.
        if (!rows.empty() && rows.back().company == row.company) rows.pop_back();
        row.nip = cell(*companies, i, 1);
        row.name = cell(*companies, i, 2);
        const bool quarterly = number(cell(*companies, i, 3)) == 1;
        row.yearStart = number(cell(*companies, i, 4));
        row.yearEnd = number(cell(*companies, i, 5));
        if (row.yearEnd == 0) {
            row.state = ReturnState::NoYear;
            rows.push_back(std::move(row));
            continue;
        }
        row.due = cit8DueDate(row.yearEnd);
        const std::string company = std::to_string(row.company);
        const std::string within = " and n.DATA_OKRESU >= " + std::to_string(row.yearStart) +
                                   " and n.DATA_OKRESU <= " + std::to_string(row.yearEnd);

        // The newest CIT-8 of the year that holds values (a header whose creation never
        // finished is none), with whether it is a correction and whether it is filed.
        auto cit8 = db.run(
            "select top 1 n.ID_DEKLARACJE_NAG, v.blokada_stan, "
            "(select count(*) from DEKLARACJE_KOREKTY k where k.ID_KOREKTY = n.ID_DEKLARACJE_NAG) "
            "from DEKLARACJE_NAG n join DEKLARACJE_WZORZEC w on w.ID_DEKLARACJE_WZORZEC = "
            "n.ID_DEKLARACJE_WZORZEC join DEKLARACJE_NAG_VIEW v on v.id_deklaracje_nag = "
            "n.ID_DEKLARACJE_NAG where w.TYP = 'CIT-8' and n.ID_FIRMY = " +
            company + within + " and exists (select 1 from DEKLARACJE_POZ p where p.ID_DEKLARACJE_NAG = "
            "n.ID_DEKLARACJE_NAG) order by n.ID_DEKLARACJE_NAG desc");
        if (!cit8) return R::failure(cit8.error());
        if (cit8->rows.empty()) {
            row.state = ReturnState::None;
        } else {
            row.declaration = number(cell(*cit8, 0, 0));
            const bool filed = number(cell(*cit8, 0, 1)) != 0;
            const bool correction = number(cell(*cit8, 0, 2)) != 0;
            if (filed) {
                row.state = correction ? ReturnState::Corrected : ReturnState::Filed;
            } else if (correction) {
                row.state = ReturnState::CorrectionDraft;
            } else {
                row.state = ReturnState::Draft;
                const std::optional<int> errors = check ? check(row.declaration) : std::nullopt;
                if (errors) {
                    row.errors = *errors;
                    row.state = *errors > 0 ? ReturnState::CheckedErrors : ReturnState::CheckedClean;
                }
            }
        }

        // The CIT-2 returns of the year, by the first day of their month.
        auto cit2 = db.run(
            "select n.DATA_OKRESU from DEKLARACJE_NAG n join DEKLARACJE_WZORZEC w on "
            "w.ID_DEKLARACJE_WZORZEC = n.ID_DEKLARACJE_WZORZEC where w.TYP = 'CIT-2' and "
            "n.ID_FIRMY = " + company + within);
        if (!cit2) return R::failure(cit2.error());
        std::set<v::DayNumber> made;
        for (std::size_t r = 0; r < cit2->rows.size(); ++r)
            made.insert(v::firstDayOfMonth(number(cell(*cit2, r, 0))));
        int step = 0;
        for (v::DayNumber m = v::firstDayOfMonth(row.yearStart); m <= row.yearEnd;
             m = v::addMonths(m, 1), ++step) {
            if (quarterly && step % 3 != 2) continue;
            if (made.count(m) == 0) row.missingCit2.push_back(m);
        }
        rows.push_back(std::move(row));
    }
    std::stable_sort(rows.begin(), rows.end(), [](const OverviewRow& a, const OverviewRow& b) {
        if ((a.due == 0) != (b.due == 0)) return b.due == 0;
        if (a.due != b.due) return a.due < b.due;
        return a.company < b.company;
    });
    return rows;
}

}  // namespace refhost::db
