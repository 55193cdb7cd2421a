#include "refhost/app/cit8_commands.h"

#include <algorithm>
#include <nlohmann/json.hpp>

#include "citforms/values/day_number.h"
#include "citforms/values/text.h"
#include "refhost/app/options.h"
#include "refhost/sql/database.h"

namespace refhost::app {

namespace {

using citforms::values::Result;

std::int32_t number(const std::string& text) {
    return citforms::values::parseInteger<std::int32_t>(text).value_or(0);
}

// Why the command's statements failed: the latest failure of the process (a commit that
// failed sets no statement's error status), never an empty text.
std::string failureText(libraries::ReferenceHost& host) {
    std::string text = host.state().lastFailure();
    if (text.empty()) text = host.utility().fileErrorText();
    return text.empty() ? std::string(sql::kConnectionLost) : text;
}

}  // namespace

Result<NewCit8Arguments> parseNewCit8(const std::vector<std::string>& args) {
    using R = Result<NewCit8Arguments>;
    NewCit8Arguments out;
    bool yearGiven = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::string value;
        if (name == "--no-fill") {
            out.fill = false;
            continue;
        }
        if (const auto eq = name.find('='); eq != std::string::npos) {
            value = name.substr(eq + 1);
            name = name.substr(0, eq);
        } else if (i + 1 < args.size()) {
            value = args[++i];
        } else {
            return R::failure("new-cit8: " + name + " needs a value");
        }
        if (name == "--company") {
            const auto company = parseId(value);
            if (!company) return R::failure("new-cit8: not a company number: '" + value + "'");
            out.company = *company;
        } else if (name == "--year") {
            const auto year = parseId(value);
            if (!year || *year < 1801 || *year > 9999) {
                return R::failure("new-cit8: not a year: '" + value + "'");
            }
            out.year = *year;
            yearGiven = true;
        } else if (name == "--edition") {
            // Which editions there are the module says (runNewCit8).
            if (!parseId(value)) {
                return R::failure("new-cit8: not an edition: '" + value + "'");
            }
            out.edition = value;
        } else if (name == "--copy-from") {
            const auto id = parseId(value);
            if (!id) return R::failure("new-cit8: not a declaration id: '" + value + "'");
            out.copyFrom = *id;
        } else {
            return R::failure("new-cit8: unknown argument " + name);
        }
    }
    if (!yearGiven) return R::failure("new-cit8 needs --year YYYY");
    return out;
}

Result<NewCit2Arguments> parseNewCit2(const std::vector<std::string>& args) {
    using R = Result<NewCit2Arguments>;
    NewCit2Arguments out;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& name = args[i];
        if (i + 1 >= args.size()) return R::failure("new-cit2: " + name + " needs a value");
        const std::string& value = args[++i];
        if (name == "--company") {
            const auto company = parseId(value);
            if (!company) return R::failure("new-cit2: not a company number: '" + value + "'");
            out.company = *company;
        } else if (name == "--month") {
            const auto year = value.size() == 7 && value[4] == '-'
                                  ? parseId(value.substr(0, 4))
                                  : std::nullopt;
            const auto month = year ? parseId(value.substr(5)) : std::nullopt;
            if (!year || !month || *year < 1801 || *month < 1 || *month > 12) {
                return R::failure("new-cit2: not a month YYYY-MM: '" + value + "'");
            }
            out.year = *year;
            out.month = static_cast<unsigned>(*month);
        } else if (name == "--edition") {
            // Which editions there are the module says (runNewCit2).
            if (!parseId(value)) {
                return R::failure("new-cit2: not an edition: '" + value + "'");
            }
            out.edition = value;
        } else {
            return R::failure("new-cit2: unknown argument " + name);
        }
    }
    if (out.month == 0) return R::failure("new-cit2 needs --month YYYY-MM");
    return out;
}

Result<std::int32_t> parseDeclarationId(const std::string& command,
                                        const std::vector<std::string>& args) {
    using R = Result<std::int32_t>;
    // explain ID POS [options]: the declaration comes first.
    if (command == "explain") {
        const auto id = args.empty() ? std::nullopt : parseId(args[0]);
        if (!id) return R::failure("explain needs a declaration id");
        return *id;
    }
    std::vector<std::string> rest;
    for (const std::string& arg : args) {
        if (arg == "--force" && (command == "unlock" || command == "discard")) continue;
        if (arg == "--json" && command == "check") continue;
        if (arg == "--justify" && command == "correct") continue;
        rest.push_back(arg);
    }
    if (rest.size() != 1) return R::failure(command + " needs one declaration id");
    const auto id = parseId(rest[0]);
    if (!id) return R::failure(command + ": not a declaration id: '" + rest[0] + "'");
    return *id;
}

bool hasForce(const std::vector<std::string>& args) {
    for (const std::string& arg : args) {
        if (arg == "--force") return true;
    }
    return false;
}

std::optional<std::int32_t> declarationCompany(libraries::ReferenceHost& host, std::int32_t id) {
    const std::string company = host.utility().FUNCVAY(
        "select id_firmy from DEKLARACJE_NAG where id_deklaracje_nag = " + std::to_string(id));
    if (company.empty()) return std::nullopt;
    return number(company);
}

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

namespace {

// The whole command in one transaction of the host: the module's own transactions join it,
// and it is committed only when the module reported success and no statement of the process
// failed on the way (a failure the module showed and went on from included, or one while the
// command was being set up). Anything else rolls back every write of the command.
// `failuresBefore`: the failures of the process that belong to earlier work (a batch's
// companies before this one), which do not hold this command back.
class CommandTransaction {
public:
    explicit CommandTransaction(libraries::ReferenceHost& host, long failuresBefore = 0)
        : host_(host), failuresBefore_(failuresBefore) {
        const auto begun = host_.state().begin();
        open_ = static_cast<bool>(begun);
        if (!open_) error_ = begun.error();
    }
    ~CommandTransaction() {
        if (open_) host_.state().rollback();
    }
    CommandTransaction(const CommandTransaction&) = delete;
    CommandTransaction& operator=(const CommandTransaction&) = delete;

    bool open() const { return open_; }
    // Why the transaction could not begin (the engine's text).
    const std::string& error() const { return error_; }
    bool clean() const { return host_.state().failures() == failuresBefore_; }
    // Commits when clean; otherwise (or when the commit fails) nothing of it stays.
    bool finish(bool moduleSucceeded) {
        if (!open_) return false;
        open_ = false;
        if (!moduleSucceeded || !clean()) {
            host_.state().rollback();
            return false;
        }
        return static_cast<bool>(host_.state().commit());
    }

private:
    libraries::ReferenceHost& host_;
    long failuresBefore_ = 0;
    bool open_ = false;
    std::string error_;
};

}  // namespace

namespace {

// Whether the module serves `edition` (empty: the one the period proposes) of `family`; else
// the editions there are are named: "the edition is 24, 23 or 21, not '25'".
bool knownEdition(const libraries::LoadedModule& module, std::string_view family,
                  const std::string& edition, std::string_view command, std::ostream& err) {
    if (edition.empty()) return true;
    const std::vector<libraries::ModuleKind> editions = module.kindsOf(family);
    if (std::any_of(editions.begin(), editions.end(),
                    [&](const libraries::ModuleKind& k) { return k.edition == edition; }))
        return true;
    std::string list;
    for (std::size_t i = 0; i < editions.size(); ++i) {
        if (i > 0) list += i + 1 == editions.size() ? " or " : ", ";
        list += editions[i].edition;
    }
    err << "tabrix: " << command << ": the edition is " << list << ", not '" << edition
        << "'\n";
    return false;
}

}  // namespace

int runNewCit8(libraries::ReferenceHost& host, const libraries::LoadedModule& module,
               const NewCit8Arguments& args, std::ostream& out, std::ostream& err,
               long failuresBefore) {
    if (!knownEdition(module, "CIT-8", args.edition, "new-cit8", err)) return 1;
    const std::int32_t company = host.state().thread().globals.DANE_ID_FIRMY;
    const std::optional<FiscalYear> year = fiscalYearOf(host, company, args.year);
    if (!year) {
        if (host.utility().errorStatus().code != 0) {
            err << "tabrix: Błąd SQL: " << host.utility().fileErrorText() << '\n';
        } else {
            err << "tabrix: company " << company << " has no fiscal year starting or ending in "
                << args.year << '\n';
        }
        return 1;
    }
    citforms::host::Globals& g = host.state().thread().globals;
    g.DANE_LATA_OBROTOWE = year->id;
    g.DANE_POCZATEK_ROKU = year->start;
    g.DANE_KONIEC_ROKU = year->end;

    CommandTransaction transaction(host, failuresBefore);
    if (!transaction.open()) {
        err << "tabrix: Błąd SQL: " << transaction.error() << '\n';
        return 1;
    }
    std::vector<std::string> filled;
    const std::int32_t id = module.newCit8(year->start, year->end, args.edition.c_str(),
                                           args.copyFrom, args.fill ? &filled : nullptr);
    if (!transaction.finish(id != 0)) {
        err << "tabrix: no CIT-8 was made for company " << company << ", fiscal year "
            << citforms::values::formatIso(year->start) << " to "
            << citforms::values::formatIso(year->end)
            << (id != 0 ? " (a statement of the creation failed)" : "")
            << "; nothing was written\n";
        return 1;
    }
    // What was done after the computation, as a person does it in the window.
    for (const std::string& line : filled) out << "fill\t" << line << '\n';
    out << id << '\n';
    return 0;
}

int runNewCit2(libraries::ReferenceHost& host, const libraries::LoadedModule& module,
               const NewCit2Arguments& args, std::ostream& out, std::ostream& err) {
    if (!knownEdition(module, "CIT-2", args.edition, "new-cit2", err)) return 1;
    const std::int32_t company = host.state().thread().globals.DANE_ID_FIRMY;
    const std::int32_t period = citforms::values::fromDate(args.year, args.month, 2);
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
            err << "tabrix: Błąd SQL: " << utility.fileErrorText() << '\n';
        } else {
            err << "tabrix: company " << company << " has no fiscal year holding "
                << citforms::values::formatIso(period).substr(0, 7) << '\n';
        }
        return 1;
    }
    const FiscalYear year{number(row.column(0)), number(row.column(1)), number(row.column(2))};
    citforms::host::Globals& g = host.state().thread().globals;
    g.DANE_LATA_OBROTOWE = year.id;
    g.DANE_POCZATEK_ROKU = year.start;
    g.DANE_KONIEC_ROKU = year.end;
    g.DANE_DATA_OKRESU = period;

    CommandTransaction transaction(host);
    if (!transaction.open()) {
        err << "tabrix: Błąd SQL: " << transaction.error() << '\n';
        return 1;
    }
    const std::int32_t id = module.newCit2(year.start, year.end, period, args.edition);
    if (!transaction.finish(id != 0)) {
        err << "tabrix: no CIT-2 was made for company " << company << ", month "
            << citforms::values::formatIso(period).substr(0, 7)
            << (id != 0 ? " (a statement of the creation failed)" : "")
            << "; nothing was written\n";
        return 1;
    }
    out << id << '\n';
    return 0;
}

int runRecompute(libraries::ReferenceHost& host, const libraries::LoadedModule& module,
                 std::int32_t id, std::int32_t mode, std::ostream& out, std::ostream& err,
                 long failuresBefore) {
    CommandTransaction transaction(host, failuresBefore);
    if (!transaction.open()) {
        err << "tabrix: Błąd SQL: " << transaction.error() << '\n';
        return 1;
    }
    const std::int32_t result = module.recomputeCit8(id, mode);
    if (!transaction.finish(result != 0)) {
        err << "tabrix: declaration " << id << " was not "
            << (mode == 0 ? "computed" : "recalculated")
            << " and saved; the stored declaration is unchanged\n";
        return 1;
    }
    out << id << '\n';
    return 0;
}

int runCorrect(libraries::ReferenceHost& host, const libraries::LoadedModule& module,
               std::int32_t id, bool justify, std::ostream& out, std::ostream& err) {
    // --justify on a correction still being prepared fills its own justification; on a filed
    // or locked return it makes the correction with one.
    auto& utility = host.utility();
    const std::string idText = std::to_string(id);
    const std::string corrects = utility.FUNCVAY(
        "select count(*) from DEKLARACJE_KOREKTY where ID_KOREKTY = " + idText);
    const std::string locked = utility.FUNCVAY(
        "select blokada_stan from DEKLARACJE_NAG_VIEW where id_deklaracje_nag = " + idText);
    if (utility.errorStatus().code != 0) {
        err << "tabrix: Błąd SQL: " << failureText(host) << '\n';
        return 1;
    }
    const bool ownJustification = justify && corrects != "0" && locked != "1";
    CommandTransaction transaction(host);
    if (!transaction.open()) {
        err << "tabrix: Błąd SQL: " << transaction.error() << '\n';
        return 1;
    }
    const nlohmann::json request =
        ownJustification ? nlohmann::json{{"verb", "justify"}, {"id", id}}
                         : nlohmann::json{{"verb", "correct"}, {"id", id}, {"justify", justify ? 1 : 0}};
    const nlohmann::json reply =
        nlohmann::json::parse(module.automation(request.dump()), nullptr, false);
    const bool ok = reply.is_object() && reply.value("ok", false);
    if (!transaction.finish(ok)) {
        err << "tabrix: " << (ownJustification ? "the justification of declaration "
                                               : "no correction of declaration ")
            << id << (ownJustification ? " was not saved" : " was made")
            << "; nothing was written\n";
        return 1;
    }
    for (const auto& note : reply.value("notes", nlohmann::json::array())) {
        if (note.is_string()) out << "correct\t" << note.get<std::string>() << '\n';
    }
    out << reply.value("id", 0) << '\n';
    return 0;
}

Result<std::pair<std::int32_t, std::int32_t>> parseDiff(const std::vector<std::string>& args) {
    using R = Result<std::pair<std::int32_t, std::int32_t>>;
    std::vector<std::int32_t> ids;
    for (const std::string& arg : args) {
        if (arg == "--json") continue;
        const auto id = parseId(arg);
        if (!id) return R::failure("diff: not a declaration id: '" + arg + "'");
        ids.push_back(*id);
    }
    if (ids.size() != 2) return R::failure("diff needs two declaration ids");
    return std::pair{ids[0], ids[1]};
}

int runDiff(const libraries::LoadedModule& module, std::int32_t first, std::int32_t second,
            bool json, std::ostream& out, std::ostream& err) {
    const nlohmann::json request = {{"verb", "diff"}, {"first", first}, {"second", second}};
    nlohmann::ordered_json reply =
        nlohmann::ordered_json::parse(module.automation(request.dump()), nullptr, false);
    if (!reply.is_object() || !reply.value("ok", false)) {
        err << "tabrix: "
            << (reply.is_object() ? reply.value("error", std::string("diff failed"))
                                  : std::string("diff failed"))
            << '\n';
        return 1;
    }
    const auto& changes = reply["changes"];
    if (json) {
        out << changes.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace)
            << '\n';
        return 0;
    }
    for (const auto& c : changes) {
        out << c["where"].get<std::string>() << ": było " << c["shownBefore"].get<std::string>()
            << ", jest " << c["shownAfter"].get<std::string>() << '\n';
    }
    out << "różnych pozycji: " << changes.size() << '\n';
    return 0;
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

namespace {

// Why declaration `id` may not be discarded, read inside the discard's transaction; empty
// when it may: a header that was never saved (no change date, no version, no field rows) and
// that no window is creating. `failed`: a statement failed (the engine's text is the host's).
std::string discardRefusal(libraries::ReferenceHost& host, std::int32_t id, bool force,
                           bool& failed) {
    auto& utility = host.utility();
    auto& rows = host.data().result(citforms::host::ResultFileId::VAY_FK);
    const std::string idText = std::to_string(id);
    citforms::host::ResultRow header;
    failed = !utility.EXECVAY(
        "select isnull(DATA_SYSTEMOWA_P, 0), isnull(WERSJA, 0), "
        "W_TWORZENIU from DEKLARACJE_NAG where id_deklaracje_nag = " +
        idText);
    if (failed) return "SQL error";
    if (!rows.next(header)) return "there is no declaration " + idText;
    const std::string creating(citforms::values::trim(header.column(2), " "));
    const std::string fieldRows =
        utility.FUNCVAY("select count(*) from DEKLARACJE_POZ where id_deklaracje_nag = " + idText);
    failed = utility.errorStatus().code != 0;
    if (failed) return "SQL error";
    if (number(header.column(0)) != 0 || number(header.column(1)) != 0 || fieldRows != "0") {
        return "declaration " + idText +
               " has been saved; only a header that was never saved is discarded";
    }
    if (!creating.empty() && !force) {
        return "declaration " + idText + " is being created in a window (" + creating +
               "); it is that window's to save or cancel (discard --force removes the header "
               "of a window that was closed without either)";
    }
    return {};
}

}  // namespace

int runDiscard(libraries::ReferenceHost& host, std::int32_t id, bool force, std::ostream& out,
               std::ostream& err) {
    auto& utility = host.utility();
    // The checks and every removal are one transaction: a writer that held the declaration
    // meanwhile cannot slip between them, and a failure anywhere leaves everything as it was.
    CommandTransaction transaction(host);
    if (!transaction.open()) {
        err << "tabrix: declaration " << id << " was not discarded: " << transaction.error()
            << '\n';
        return 1;
    }
    bool failed = false;
    const std::string refusal = discardRefusal(host, id, force, failed);
    if (failed) {
        err << "tabrix: declaration " << id << " was not discarded: " << failureText(host)
            << '\n';
        return 1;
    }
    if (!refusal.empty()) {
        err << "tabrix: " << refusal << '\n';
        return 1;
    }
    const std::string idText = std::to_string(id);
    std::string error;
    for (const char* table : {"ZESTAWIENIE_DEFINICJA", "DEKLARACJE_POZ", "DEKLARACJE_ZALACZNIK",
                              "DEKLARACJE_NAG_INTER", "DEKLARACJE_NAG"}) {
        const std::string column = std::string(table) == "DEKLARACJE_NAG_INTER"
                                       ? "ID_DEKLARACJE_NAG_1"
                                       : "id_deklaracje_nag";
        if (!utility.EXECSQL(std::string("delete from ") + table + " where " + column + " = " +
                             idText)) {
            error = failureText(host);
            break;
        }
    }
    if (error.empty()) {
        utility.LOG_ADD(id, "Usunięcie niezapisanej deklaracji, id:" + idText, "X", "U");
        if (utility.errorStatus().code != 0) error = failureText(host);
    }
    if (!error.empty() || !transaction.finish(true)) {
        if (error.empty()) error = failureText(host);
        err << "tabrix: declaration " << id << " was not discarded: " << error << '\n';
        return 1;
    }
    out << "declaration " << id << " discarded\n";
    return 0;
}

int runLock(libraries::ReferenceHost& host, std::int32_t id, bool lock, bool force,
            std::ostream& out, std::ostream& err) {
    auto& utility = host.utility();
    const std::string me = host.state().thread().globals.DANE_ID_UZYT;
    const std::string idText = std::to_string(id);
    CommandTransaction transaction(host);
    if (!transaction.open()) {
        err << "tabrix: Błąd SQL: " << transaction.error() << '\n';
        return 1;
    }
    std::string holder =
        utility.FUNCVAY("select BLOKADA from DEKLARACJE_NAG where id_deklaracje_nag = " + idText);
    if (!transaction.clean()) {
        err << "tabrix: Błąd SQL: " << failureText(host) << '\n';
        return 1;
    }
    while (!holder.empty() && holder.back() == ' ') holder.pop_back();
    if (!holder.empty() && holder != me && !(force && !lock)) {
        err << "tabrix: declaration " << id << " is locked by user " << holder << "; "
            << (lock ? "it stays locked by that user"
                     : "only that user unlocks it (or unlock --force, which is logged)")
            << '\n';
        return 1;
    }
    // Lifting another user's lock is recorded under the user's own name: a number missing from
    // the user register has none, and may not do it.
    if (!lock && !holder.empty() && holder != me) {
        const std::int32_t user = host.state().thread().globals.DANE_ID_UZYTKOWNIKA_NR;
        const std::string known = utility.FUNCVAY(
            "select count(*) from UZYTKOWNICY where id_uzytkownika = " + std::to_string(user));
        if (!transaction.clean()) {
            err << "tabrix: Błąd SQL: " << failureText(host) << '\n';
            return 1;
        }
        if (known == "0" || known.empty()) {
            err << "tabrix: użytkownika " << user
                << " nie ma w rejestrze UZYTKOWNICY; blokady użytkownika " << holder
                << " z deklaracji " << id << " nie zdejmuje (także z --force)\n";
            return 1;
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
    if (!transaction.finish(true)) {
        err << "tabrix: Błąd SQL: " << failureText(host) << '\n';
        return 1;
    }
    out << "declaration " << id << (lock ? " locked" : " unlocked") << '\n';
    return 0;
}

}  // namespace refhost::app
