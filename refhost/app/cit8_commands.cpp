#include "refhost/app/cit8_commands.h"

#include <algorithm>
#include <nlohmann/json.hpp>

#include "citforms/values/day_number.h"
#include "citforms/values/text.h"
#include "refhost/app/options.h"
#include "refhost/services/declarations.h"
#include "refhost/services/host_transaction.h"
#include "refhost/sql/database.h"

namespace refhost::app {

using services::failureText;

namespace {

using citforms::values::Result;

std::int32_t number(const std::string& text) {
    return citforms::values::parseInteger<std::int32_t>(text).value_or(0);
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

namespace {

using CommandTransaction = services::HostTransaction;

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
    // An edition the module does not serve is a wrong argument, as any other (exit 2).
    if (!knownEdition(module, "CIT-8", args.edition, "new-cit8", err)) return 2;
    const auto made = services::newCit8(
        host, module, {args.year, args.edition, args.copyFrom, args.fill}, failuresBefore);
    if (!made) {
        err << "tabrix: " << made.error() << '\n';
        return 1;
    }
    // What was done after the computation, as a person does it in the window.
    for (const std::string& line : made->filled) out << "fill\t" << line << '\n';
    out << made->id << '\n';
    return 0;
}

int runNewCit2(libraries::ReferenceHost& host, const libraries::LoadedModule& module,
               const NewCit2Arguments& args, std::ostream& out, std::ostream& err) {
    if (!knownEdition(module, "CIT-2", args.edition, "new-cit2", err)) return 2;
    const auto id = services::newCit2(host, module, {args.year, args.month, args.edition});
    if (!id) {
        err << "tabrix: " << id.error() << '\n';
        return 1;
    }
    out << *id << '\n';
    return 0;
}

int runRecompute(libraries::ReferenceHost& host, const libraries::LoadedModule& module,
                 std::int32_t id, std::int32_t mode, std::ostream& out, std::ostream& err,
                 long failuresBefore) {
    const auto done = services::recompute(host, module, id, mode, failuresBefore);
    if (!done) {
        err << "tabrix: " << done.error() << '\n';
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
    services::HostTransaction transaction(host);
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
    if (auto done = services::setLock(host, id, lock, force); !done) {
        err << "tabrix: " << done.error() << '\n';
        return 1;
    }
    out << "declaration " << id << (lock ? " locked" : " unlocked") << '\n';
    return 0;
}

}  // namespace refhost::app
