#include "refhost/desktop/desktop_data.h"

#include <cstdlib>

#include "citforms/values/day_number.h"
#include "citforms/values/text.h"

namespace refhost::desktop {

namespace {

using Rows = std::vector<std::vector<std::optional<std::string>>>;

// The rows of one statement in the host's dialect; the engine's text when it failed.
Result<Rows> query(libraries::ReferenceHost& host, const std::string& sql) {
    auto result = host.state().run(sql);
    if (!result) return Result<Rows>::failure(result.error());
    return std::move(result->rows);
}

std::string text(const std::optional<std::string>& cell) {
    std::string out = cell.value_or("");
    while (!out.empty() && out.back() == ' ') out.pop_back();
    return out;
}

std::int32_t number(const std::optional<std::string>& cell) {
    return citforms::values::parseInteger<std::int32_t>(text(cell)).value_or(0);
}

std::string day(std::int32_t d) {
    return d > 0 ? citforms::values::formatDayMonthYear(d) : std::string();
}

// The e-filing state as the declaration list names it.
std::string filingText(bool takesPart, std::int32_t status) {
    if (!takesPart) return {};
    switch (status) {
        case 0: return "przygotowana";
        case 1: return "wysłana";
        case 2: return "przyjęta (UPO)";
        case 3: return "odrzucona";
        default: return "stan " + std::to_string(status);
    }
}

// A declaration's period is kept as a day of its month (the second): shown as the month.
std::string month(std::int32_t d) {
    const std::string full = day(d);
    return full.size() == 10 ? full.substr(3) : full;
}

}  // namespace

std::string FiscalYear::caption() const { return day(start) + " – " + day(end); }

std::vector<std::string> columnCaptions() {
    return {"Id",   "Formularz", "Wzór",       "Okres",     "LP",        "Cel",
            "Blokada", "e-Deklaracja", "Utworzył", "Utworzono", "Zmienił", "Zmieniono"};
}

std::vector<std::string> DeclarationRow::cells() const {
    std::string lock = lockedBy;
    if (lock.empty() && filingLocked) lock = "e-Deklaracja";
    return {std::to_string(id), form,      edition,   month(period),  std::to_string(number),
            purpose,            lock,      filing,    createdBy,    day(created),
            changedBy,          day(changed)};
}

std::string DeclarationRow::shownPeriod() const { return month(period); }

Result<std::vector<Company>> listCompanies(libraries::ReferenceHost& host) {
    auto rows = query(host, "select id_firmy, nazwa, nip from FIRMA order by id_firmy");
    if (!rows) return Result<std::vector<Company>>::failure(rows.error());
    std::vector<Company> out;
    for (const auto& r : *rows) out.push_back({number(r[0]), text(r[1]), text(r[2])});
    return out;
}

Result<std::vector<FiscalYear>> listFiscalYears(libraries::ReferenceHost& host,
                                                std::int32_t company) {
    auto rows = query(host,
                      "select id_lata_obrotowe, poczatek_roku, koniec_roku from LATA_OBROTOWE "
                      "where id_firmy = " +
                          std::to_string(company) + " order by poczatek_roku desc");
    if (!rows) return Result<std::vector<FiscalYear>>::failure(rows.error());
    std::vector<FiscalYear> out;
    for (const auto& r : *rows) out.push_back({number(r[0]), number(r[1]), number(r[2])});
    return out;
}

Result<std::vector<std::string>> listForms(libraries::ReferenceHost& host, std::int32_t company) {
    auto rows = query(host,
                      "select distinct w.TYP from DEKLARACJE_NAG n inner join DEKLARACJE_WZORZEC "
                      "w on w.ID_DEKLARACJE_WZORZEC = n.ID_DEKLARACJE_WZORZEC where n.ID_FIRMY = " +
                          std::to_string(company) + " order by w.TYP");
    if (!rows) return Result<std::vector<std::string>>::failure(rows.error());
    std::vector<std::string> out;
    for (const auto& r : *rows) out.push_back(text(r[0]));
    return out;
}

Result<std::vector<DeclarationRow>> listDeclarations(libraries::ReferenceHost& host,
                                                     const ListFilter& filter) {
    std::string sql =
        "select n.ID_DEKLARACJE_NAG, n.ID_DEKLARACJE_WZORZEC, w.TYP, w.NAZWA, n.DATA_OKRESU, "
        "n.LP, n.BLOKADA, v.blokada_stan, v.czy_zapis_w_bazie, v.status_edeklaracji, n.ID_UZYT, "
        "n.DATA_SYSTEMOWA, n.ID_UZYT_P, n.DATA_SYSTEMOWA_P, "
        "(select p.WARTOSC_POLA from DEKLARACJE_POZ p where p.ID_DEKLARACJE_NAG = "
        "n.ID_DEKLARACJE_NAG and p.NR_ZALACZNIKA = 0 and p.NR_POLA = case when w.TYP = 'CIT-ST' "
        "then '8' else '7' end) "
        "from DEKLARACJE_NAG n "
        "inner join DEKLARACJE_NAG_VIEW v on v.id_deklaracje_nag = n.ID_DEKLARACJE_NAG "
        "left join DEKLARACJE_WZORZEC w on w.ID_DEKLARACJE_WZORZEC = n.ID_DEKLARACJE_WZORZEC "
        "where n.ID_FIRMY = " +
        std::to_string(filter.company);
    if (!filter.form.empty()) sql += " and w.TYP = " + citforms::values::sqlQuoted(filter.form);
    if (filter.year) {
        sql += " and n.DATA_OKRESU >= " + std::to_string(filter.year->start) +
               " and n.DATA_OKRESU <= " + std::to_string(filter.year->end);
    }
    sql += " order by n.DATA_OKRESU desc, w.TYP, n.LP desc, n.ID_DEKLARACJE_NAG desc";
    auto rows = query(host, sql);
    if (!rows) return Result<std::vector<DeclarationRow>>::failure(rows.error());
    std::vector<DeclarationRow> out;
    for (const auto& r : *rows) {
        DeclarationRow d;
        d.id = number(r[0]);
        d.templateId = number(r[1]);
        d.form = text(r[2]);
        d.edition = text(r[3]);
        if (d.edition.empty()) d.edition = "wzór " + std::to_string(d.templateId);
        d.period = number(r[4]);
        d.number = number(r[5]);
        d.lockedBy = text(r[6]);
        d.filingLocked = number(r[7]) != 0 && d.lockedBy.empty();
        d.filing = filingText(number(r[8]) != 0, number(r[9]));
        d.createdBy = text(r[10]);
        d.created = number(r[11]);
        d.changedBy = text(r[12]);
        d.changed = number(r[13]);
        if (d.form == "CIT-8" || d.form == "CIT-ST") {
            const std::string purpose = text(r[14]);
            d.purpose = purpose == "1" ? "złożenie" : purpose == "2" ? "korekta" : "";
        }
        out.push_back(std::move(d));
    }
    return out;
}

Status deleteDeclaration(libraries::ReferenceHost& host, std::int32_t id) {
    const std::string idText = std::to_string(id);
    if (auto begun = host.state().begin(); !begun) return Status::failure(begun.error());
    auto fail = [&](const std::string& why) {
        host.state().rollback();
        return Status::failure(why);
    };
    // Read inside the transaction: a lock set by another user meanwhile is seen.
    if (Status can = deletable(host, id); !can) return fail(can.error());
    const struct {
        const char* table;
        const char* column;
    } parts[] = {{"ZESTAWIENIE_DEFINICJA", "id_deklaracje_nag"},
                 {"DEKLARACJE_POZ", "ID_DEKLARACJE_NAG"},
                 {"DEKLARACJE_ZALACZNIK", "id_deklaracje_nag"},
                 {"DEKLARACJE_NAG_INTER", "ID_DEKLARACJE_NAG_1"},
                 {"DEKLARACJE_NAG_INTER", "ID_DEKLARACJE_NAG_2"},
                 {"DEKLARACJE_KOREKTY", "ID_KOREKTY"},
                 {"DEKLARACJE_KOREKTY", "ID_DEKLARACJI"},
                 {"PRZELEW", "id_deklaracje_nag"},
                 {"DEKLARACJE_EDEKLARACJA", "id_deklaracje_nag"},
                 {"DEKLARACJE_NAG", "ID_DEKLARACJE_NAG"}};
    for (const auto& part : parts) {
        auto done = host.state().run(std::string("delete from ") + part.table + " where " +
                                     part.column + " = " + idText);
        if (!done) return fail(done.error());
    }
    host.utility().LOG_ADD(id, "Usunięcie deklaracji, id:" + idText, "X", "U");
    if (host.utility().errorStatus().code != 0) return fail(host.utility().fileErrorText());
    if (auto committed = host.state().commit(); !committed) return fail(committed.error());
    return Status{};
}

Status deletable(libraries::ReferenceHost& host, std::int32_t id) {
    const std::string idText = std::to_string(id);
    auto state = query(host, "select n.BLOKADA, v.blokada_stan from DEKLARACJE_NAG n inner join "
                             "DEKLARACJE_NAG_VIEW v on v.id_deklaracje_nag = n.ID_DEKLARACJE_NAG "
                             "where n.ID_DEKLARACJE_NAG = " +
                                 idText);
    if (!state) return Status::failure(state.error());
    if (state->empty()) return Status::failure("Nie ma deklaracji o identyfikatorze " + idText + ".");
    const std::string holder = text((*state)[0][0]);
    if (!holder.empty())
        return Status::failure("Deklaracja jest zablokowana przez użytkownika " + holder +
                               "; nie została usunięta.");
    if (number((*state)[0][1]) != 0)
        return Status::failure("Deklaracja została wysłana jako e-Deklaracja; nie została usunięta.");
    return Status{};
}

Status logActivity(libraries::ReferenceHost& host, std::int32_t id, const std::string& text,
                   const std::string& operation) {
    host.utility().LOG_ADD(id, text, "X", operation);
    if (host.utility().errorStatus().code != 0)
        return Status::failure(host.utility().fileErrorText());
    return Status{};
}

Result<std::vector<LogEntry>> activityLog(libraries::ReferenceHost& host, std::int32_t id) {
    std::string sql =
        "select data, czas, id_uzyt, id_deklaracje_nag, tekst from DZIENNIK";
    if (id != 0) sql += " where id_deklaracje_nag = " + std::to_string(id);
    sql += " order by id_dziennik desc";
    auto rows = query(host, sql);
    if (!rows) return Result<std::vector<LogEntry>>::failure(rows.error());
    std::vector<LogEntry> out;
    for (const auto& r : *rows)
        out.push_back({number(r[0]), text(r[1]), text(r[2]), number(r[3]), text(r[4])});
    return out;
}

}  // namespace refhost::desktop
