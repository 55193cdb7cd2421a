#include "refhost/services/declarations.h"

#include <string>

#include "citforms/values/day_number.h"
#include "citforms/values/text.h"
#include "refhost/services/host_transaction.h"

namespace refhost::services {

using citforms::values::Result;
using citforms::values::Status;

namespace {

std::int32_t number(const std::string& text) {
    return citforms::values::parseInteger<std::int32_t>(text).value_or(0);
}

}  // namespace

std::optional<FiscalYear> fiscalYearOf(libraries::ReferenceHost& host, std::int32_t company,
                                       int year) {
    auto& utility = host.utility();
    if (!utility.EXECVAY("select id_lata_obrotowe, poczatek_roku, koniec_roku from "
                         "LATA_OBROTOWE where id_firmy = " +
                         std::to_string(company) + " order by poczatek_roku")) {
        return std::nullopt;
    }
    std::vector<FiscalYear> years;
    auto& rows = host.data().result(citforms::host::ResultFileId::VAY_FK);
    for (citforms::host::ResultRow row; rows.next(row);) {
        years.push_back({number(row.column(0)), number(row.column(1)), number(row.column(2))});
    }
    for (const FiscalYear& y : years) {
        if (citforms::values::yearOf(y.start) == year) return y;
    }
    for (const FiscalYear& y : years) {
        if (citforms::values::yearOf(y.end) == year) return y;
    }
    return std::nullopt;
}

Result<MadeDeclaration> newCit8(libraries::ReferenceHost& host,
                                const libraries::LoadedModule& module,
                                const NewCit8Request& request, long failuresBefore) {
    using R = Result<MadeDeclaration>;
    const std::int32_t company = host.state().thread().globals.DANE_ID_FIRMY;
    const std::optional<FiscalYear> year = fiscalYearOf(host, company, request.year);
    if (!year) {
        if (host.utility().errorStatus().code != 0) {
            return R::failure("Błąd SQL: " + host.utility().fileErrorText());
        }
        return R::failure("company " + std::to_string(company) +
                          " has no fiscal year starting or ending in " +
                          std::to_string(request.year));
    }
    citforms::host::Globals& g = host.state().thread().globals;
    g.DANE_LATA_OBROTOWE = year->id;
    g.DANE_POCZATEK_ROKU = year->start;
    g.DANE_KONIEC_ROKU = year->end;

    HostTransaction transaction(host, failuresBefore);
    if (!transaction.open()) return R::failure("Błąd SQL: " + transaction.error());
    MadeDeclaration made;
    made.id = module.newCit8(year->start, year->end, request.edition.c_str(), request.copyFrom,
                             request.fill ? &made.filled : nullptr);
    if (!transaction.finish(made.id != 0)) {
        return R::failure("no CIT-8 was made for company " + std::to_string(company) +
                          ", fiscal year " + citforms::values::formatIso(year->start) + " to " +
                          citforms::values::formatIso(year->end) +
                          (made.id != 0 ? " (a statement of the creation failed)" : "") +
                          "; nothing was written");
    }
    return made;
}

Result<std::int32_t> newCit2(libraries::ReferenceHost& host, const libraries::LoadedModule& module,
                             const NewCit2Request& request) {
    using R = Result<std::int32_t>;
    const std::int32_t company = host.state().thread().globals.DANE_ID_FIRMY;
    const std::int32_t period = citforms::values::fromDate(request.year, request.month, 2);
    const std::string month = citforms::values::formatIso(period).substr(0, 7);
    const std::string sql =
        "select id_lata_obrotowe, poczatek_roku, koniec_roku from LATA_OBROTOWE where "
        "id_firmy = " +
        std::to_string(company) + " AND poczatek_roku <= " + std::to_string(period) +
        " AND koniec_roku >= " + std::to_string(period);
    auto& utility = host.utility();
    citforms::host::ResultRow row;
    if (!utility.EXECVAY(sql) ||
        !host.data().result(citforms::host::ResultFileId::VAY_FK).next(row)) {
        if (utility.errorStatus().code != 0) {
            return R::failure("Błąd SQL: " + utility.fileErrorText());
        }
        return R::failure("company " + std::to_string(company) + " has no fiscal year holding " +
                          month);
    }
    const FiscalYear year{number(row.column(0)), number(row.column(1)), number(row.column(2))};
    citforms::host::Globals& g = host.state().thread().globals;
    g.DANE_LATA_OBROTOWE = year.id;
    g.DANE_POCZATEK_ROKU = year.start;
    g.DANE_KONIEC_ROKU = year.end;
    g.DANE_DATA_OKRESU = period;

    HostTransaction transaction(host);
    if (!transaction.open()) return R::failure("Błąd SQL: " + transaction.error());
    const std::int32_t id = module.newCit2(year.start, year.end, period, request.edition);
    if (!transaction.finish(id != 0)) {
        return R::failure("no CIT-2 was made for company " + std::to_string(company) +
                          ", month " + month +
                          (id != 0 ? " (a statement of the creation failed)" : "") +
                          "; nothing was written");
    }
    return id;
}

Result<std::int32_t> recompute(libraries::ReferenceHost& host,
                               const libraries::LoadedModule& module, std::int32_t id,
                               std::int32_t mode, long failuresBefore) {
    using R = Result<std::int32_t>;
    HostTransaction transaction(host, failuresBefore);
    if (!transaction.open()) return R::failure("Błąd SQL: " + transaction.error());
    const std::int32_t result = module.recomputeCit8(id, mode);
    if (!transaction.finish(result != 0)) {
        return R::failure("declaration " + std::to_string(id) + " was not " +
                          (mode == 0 ? "computed" : "recalculated") +
                          " and saved; the stored declaration is unchanged");
    }
    return id;
}

bool neverSaved(libraries::ReferenceHost& host, std::int32_t id) {
    auto& utility = host.utility();
    const std::string changed = utility.FUNCVAY(
        "select count(*) from DEKLARACJE_NAG where id_deklaracje_nag = " + std::to_string(id) +
        " AND isnull(DATA_SYSTEMOWA_P, 0) = 0");
    if (changed != "1") return false;
    const std::string rows = utility.FUNCVAY(
        "select count(*) from DEKLARACJE_POZ where id_deklaracje_nag = " + std::to_string(id));
    return rows == "0";
}

Status setLock(libraries::ReferenceHost& host, std::int32_t id, bool lock, bool force) {
    auto& utility = host.utility();
    const std::string me = host.state().thread().globals.DANE_ID_UZYT;
    const std::string idText = std::to_string(id);
    HostTransaction transaction(host);
    if (!transaction.open()) return Status::failure("Błąd SQL: " + transaction.error());
    std::string holder =
        utility.FUNCVAY("select BLOKADA from DEKLARACJE_NAG where id_deklaracje_nag = " + idText);
    if (!transaction.clean()) return Status::failure("Błąd SQL: " + failureText(host));
    while (!holder.empty() && holder.back() == ' ') holder.pop_back();
    if (!holder.empty() && holder != me && !(force && !lock)) {
        return Status::failure(
            "declaration " + idText + " is locked by user " + holder + "; " +
            (lock ? "it stays locked by that user"
                  : "only that user unlocks it (or unlock --force, which is logged)"));
    }
    // Lifting another user's lock is recorded under the user's own name: a number missing from
    // the user register has none, and may not do it.
    if (!lock && !holder.empty() && holder != me) {
        const std::int32_t user = host.state().thread().globals.DANE_ID_UZYTKOWNIKA_NR;
        const std::string known = utility.FUNCVAY(
            "select count(*) from UZYTKOWNICY where id_uzytkownika = " + std::to_string(user));
        if (!transaction.clean()) return Status::failure("Błąd SQL: " + failureText(host));
        if (known == "0" || known.empty()) {
            return Status::failure("użytkownika " + std::to_string(user) +
                                   " nie ma w rejestrze UZYTKOWNICY; blokady użytkownika " +
                                   holder + " z deklaracji " + idText +
                                   " nie zdejmuje (także z --force)");
        }
    }
    const std::string mark = lock ? citforms::values::sqlQuoted(me) : "''";
    utility.EXECSQL("update DEKLARACJE_NAG set BLOKADA = " + mark +
                    " where id_deklaracje_nag = " + idText);
    // Who locked a declaration and since when is read from the log by a refused save.
    utility.LOG_ADD(id,
                    std::string(lock ? "Założenie blokady deklaracji, id:"
                                     : "Zdjęcie blokady deklaracji, id:") +
                        idText,
                    "X", lock ? "B" : "O");
    if (!lock && !holder.empty() && holder != me) {
        utility.LOG_ADD(id, "Zdjęcie blokady użytkownika " + holder + " z deklaracji, id:" + idText,
                        "X", "P");
    }
    if (!transaction.finish(true)) return Status::failure("Błąd SQL: " + failureText(host));
    return {};
}

Result<citforms::check::CheckResult> checkDeclaration(const libraries::LoadedModule& module,
                                                      std::int32_t id, bool runStatements) {
    return module.check(id, runStatements);
}

}  // namespace refhost::services
