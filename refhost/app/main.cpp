// tabrix: the reference host's command line. It opens the host database, binds the host
// libraries with a scripted UI (every message the module shows becomes a transcript line on
// standard output) and loads libcitforms.so as a host does.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QApplication>
#include <QCoreApplication>
#include <nlohmann/json.hpp>

#include "citforms/values/day_number.h"
#include "refhost/app/cit8_commands.h"
#include "refhost/app/copy_db.h"
#include "refhost/app/import_books.h"
#include "refhost/app/options.h"
#include "refhost/app/print_commands.h"
#include "refhost/libraries/module_loader.h"
#include "refhost/libraries/reference_host.h"
#include "refhost/print/output_file.h"
#include "refhost/sql/database.h"
#include "refhost/sql/dialect.h"
#include "refhost/sql/fault_injection.h"
#include "runtime/ui/scripted/scripted_ui.h"

namespace {

using refhost::app::Options;
using refhost::libraries::ReferenceHost;

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

int fail(const std::string& message, int code = kExitFailure) {
    std::cerr << "tabrix: " << message << '\n';
    return code;
}

int usageError(const std::string& message) {
    std::cerr << "tabrix: " << message << "\n" << refhost::app::kUsage;
    return kExitUsage;
}

std::filesystem::path homeFolder(const char* xdgVariable, const char* fallback) {
    if (const char* xdg = std::getenv(xdgVariable); xdg != nullptr && *xdg != '\0')
        return std::filesystem::path(xdg) / "tabrix";
    const char* home = std::getenv("HOME");
    return std::filesystem::path(home != nullptr ? home : ".") / fallback / "tabrix";
}


// Commands on one stored declaration: they work on the declaration's company.
bool isDeclarationCommand(const std::string& command) {
    return command == "compute" || command == "recalc" || command == "lock" ||
           command == "unlock" || command == "discard";
}

// Commands that only read the database: it is opened read-only, so that a write-protected
// file can be read and nothing is ever changed by them.
bool readsOnly(const Options& o) {
    if (o.command == "dump" || refhost::app::isPrintCommand(o.command)) return true;
    return o.command == "sql" && refhost::sql::isQuery(o.arguments.at(0));
}

// Arguments of the command, checked before the database is touched; "" when they are fine.
std::string checkArguments(const Options& o) {
    if (o.command == "init-db") {
        for (const std::string& arg : o.arguments) {
            if (arg != "--demo") return "init-db: unknown argument " + arg;
        }
        return {};
    }
    if (o.command == "sql") return o.arguments.size() == 1 ? "" : "sql needs one statement";
    if (o.command == "copy-db") return refhost::app::checkCopyDbArguments(o.arguments);
    if (o.command == "import-books") {
        auto parsed = refhost::app::parseImportBooks(o.arguments);
        return parsed ? "" : parsed.error();
    }
    if (o.command == "dump") {
        if (o.arguments.size() != 1) return "dump needs one declaration id";
        if (!refhost::app::parseId(o.arguments[0]))
            return "dump: not a declaration id: '" + o.arguments[0] + "'";
        return {};
    }
    if (o.command == "new-cit8") {
        auto parsed = refhost::app::parseNewCit8(o.arguments);
        return parsed ? "" : parsed.error();
    }
    if (isDeclarationCommand(o.command)) {
        auto parsed = refhost::app::parseDeclarationId(o.command, o.arguments);
        return parsed ? "" : parsed.error();
    }
    if (refhost::app::isPrintCommand(o.command)) return refhost::app::checkPrintArguments(o);
    return "unknown command " + o.command;
}

// The company, user, dates and settings a host session starts with.
void setGlobals(ReferenceHost& host, const Options& options, std::int32_t company,
                const std::filesystem::path& iniFile) {
    citforms::host::Globals g;
    g.DANE_ID_FIRMY = company;
    g.DANE_ID_UZYTKOWNIKA_NR = options.user;
    g.DANE_DATA_BIEZACA = citforms::values::today();
    g.DANE_DATA_OKRESU = g.DANE_DATA_BIEZACA;
    g.GGG_NUMCOPY = 1;
    g.GGG_SCIEZKA_SET = iniFile.string();
    g.GGG_PROGRAMPATH = QCoreApplication::applicationDirPath().toStdString();
    g.GLO_LOCALPATH = iniFile.parent_path().string();
    g.GLO_MSG_TXT_INF = citforms::host::kTitleQuestion;

    auto& utility = host.utility();
    // The user's code as the user register has it; a user missing there writes "U<number>".
    g.DANE_ID_UZYT = utility.FUNCVAY("select id_uzyt from UZYTKOWNICY where id_uzytkownika = " +
                                     std::to_string(options.user));
    if (g.DANE_ID_UZYT.empty()) {
        g.DANE_ID_UZYT = "U" + std::to_string(options.user);
        std::cerr << "tabrix: warning: user " << options.user
                  << " is not in the user register UZYTKOWNICY; changes are recorded under the "
                     "code "
                  << g.DANE_ID_UZYT << '\n';
    }

    // The company's fiscal year that holds today, else its latest one.
    const std::string today = std::to_string(g.DANE_DATA_BIEZACA);
    if (company != 0 &&
        utility.EXECVAY("select top 1 id_lata_obrotowe, poczatek_roku, koniec_roku from "
                        "LATA_OBROTOWE where id_firmy = " +
                        std::to_string(company) + " order by case when poczatek_roku <= " + today +
                        " AND koniec_roku >= " + today +
                        " then 0 else 1 end, poczatek_roku desc")) {
        citforms::host::ResultRow row;
        if (host.data().result(citforms::host::ResultFileId::VAY_FK).next(row)) {
            g.DANE_LATA_OBROTOWE = std::atoi(row.column(0).c_str());
            g.DANE_POCZATEK_ROKU = std::atoi(row.column(1).c_str());
            g.DANE_KONIEC_ROKU = std::atoi(row.column(2).c_str());
        }
    }
    host.state().setDefaults(g);
}

int runInitDb(refhost::sql::HostDatabase& db, const std::string& target, const Options& o) {
    const bool demo = !o.arguments.empty();
    if (demo) {
        if (auto status = db.loadDemo(); !status) return fail("demo data: " + status.error());
    }
    std::cout << "database " << target << " ready (schema " << db.schemaVersion() << ")"
              << (demo ? ", demo data loaded" : "") << '\n';
    return EXIT_SUCCESS;
}

int runSql(ReferenceHost& host, const Options& o) {
    auto& utility = host.utility();
    if (!utility.EXECSQL(o.arguments[0])) return fail("SQL error: " + utility.fileErrorText());
    auto& rows = host.data().result(citforms::host::ResultFileId::ZAPYTANIESQL);
    for (citforms::host::ResultRow row; rows.next(row);) {
        for (std::size_t i = 0; i < row.columns.size(); ++i) {
            if (i > 0) std::cout << '\t';
            std::cout << citforms::runtime::escapeField(row.columns[i]);
        }
        std::cout << '\n';
    }
    return EXIT_SUCCESS;
}

// libcitforms.so loaded, bound to the host and initialised.
citforms::values::Result<std::unique_ptr<refhost::libraries::LoadedModule>> loadModule(
    ReferenceHost& host, const std::filesystem::path& iniFile) {
    auto module = refhost::libraries::LoadedModule::load(
        refhost::libraries::LoadedModule::pathFromEnvironment(CITFORMS_MODULE_PATH));
    if (!module) return module;
    if (auto status = (*module)->bind(host.binding()); !status) {
        return citforms::values::Result<std::unique_ptr<refhost::libraries::LoadedModule>>::
            failure(status.error());
    }
    host.iniManager().init(iniFile.string());
    (*module)->init(&host.errorManager(), &host.iniManager());
    return module;
}

// A header whose creation was interrupted has no values: shown or printed it would pass for a
// declaration of zeros.
int failNeverSaved(std::int32_t id) {
    return fail("declaration " + std::to_string(id) +
                " was never saved (its creation was interrupted); 'tabrix discard " +
                std::to_string(id) + "' removes it");
}

int runDump(ReferenceHost& host, const Options& o, const std::filesystem::path& iniFile) {
    const auto id = refhost::app::parseId(o.arguments[0]);
    auto& utility = host.utility();
    const std::string found = utility.FUNCVAY(
        "select count(*) from DEKLARACJE_NAG where id_deklaracje_nag = " + std::to_string(*id));
    if (utility.errorStatus().code != 0) return fail("SQL error: " + utility.fileErrorText());
    if (found.empty() || found == "0") return fail("no declaration " + std::to_string(*id));
    if (refhost::app::neverSaved(host, *id)) return failNeverSaved(*id);

    auto module = loadModule(host, iniFile);
    if (!module) return fail(module.error());

    const int reported = host.errorManager().reported();
    const char* json = (*module)->declarationJson(*id);
    // A read that failed part way leaves its error behind: what was read is not the whole
    // declaration.
    if (json == nullptr || utility.errorStatus().code != 0 ||
        host.errorManager().reported() != reported) {
        const std::string reason = utility.errorStatus().code != 0
                                       ? utility.fileErrorText()
                                       : host.errorManager().lastReport();
        return fail("declaration " + std::to_string(*id) + " could not be read: " + reason);
    }
    const auto parsed = nlohmann::json::parse(json, nullptr, false);
    std::cout << (parsed.is_discarded() ? std::string(json) : parsed.dump(2)) << '\n';
    (*module)->kill();
    return EXIT_SUCCESS;
}

// The command once the host's globals are set; returns the exit status.
int runCommand(ReferenceHost& host, const Options& options, const std::filesystem::path& iniFile,
               std::int32_t declaration) {
    if (options.command == "sql") return runSql(host, options);
    if (options.command == "dump") return runDump(host, options, iniFile);
    if (refhost::app::isPrintCommand(options.command)) {
        if (const auto id = refhost::app::parseId(options.arguments.front());
            id && refhost::app::neverSaved(host, *id)) {
            return failNeverSaved(*id);
        }
        return refhost::app::runPrintCommand(host, options, iniFile);
    }
    if (options.command == "lock" || options.command == "unlock") {
        return refhost::app::runLock(host, declaration, options.command == "lock",
                                     refhost::app::hasForce(options.arguments), std::cout,
                                     std::cerr);
    }
    if (options.command == "discard") {
        return refhost::app::runDiscard(host, declaration, std::cout, std::cerr);
    }

    auto module = loadModule(host, iniFile);
    if (!module) return fail(module.error());
    int status = EXIT_SUCCESS;
    if (options.command == "new-cit8") {
        status = refhost::app::runNewCit8(host, **module,
                                          *refhost::app::parseNewCit8(options.arguments),
                                          std::cout, std::cerr);
    } else {
        status = refhost::app::runRecompute(host, **module, declaration,
                                            options.command == "compute" ? 0 : 1, std::cout,
                                            std::cerr);
    }
    (*module)->kill();
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    auto parsed = refhost::app::parseOptions(args);
    if (!parsed) return usageError(parsed.error());
    const Options& options = *parsed;
    if (options.help) {
        std::cout << refhost::app::kUsage;
        return EXIT_SUCCESS;
    }
    if (const std::string problem = checkArguments(options); !problem.empty())
        return usageError(problem);
    auto script = citforms::runtime::ScriptedUi::parseScript(options.answers);
    if (!script) return usageError("--answers: " + script.error());

    const bool noDisplay =
        std::getenv("DISPLAY") == nullptr && std::getenv("WAYLAND_DISPLAY") == nullptr;
    if (noDisplay && std::getenv("QT_QPA_PLATFORM") == nullptr)
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
    if (std::getenv("XDG_RUNTIME_DIR") == nullptr) {
        // Qt warns on every start without one; a private folder of our own keeps stderr clean.
        const auto runtime =
            std::filesystem::temp_directory_path() / ("tabrix-runtime-" + std::to_string(getuid()));
        std::error_code ec;
        std::filesystem::create_directories(runtime, ec);
        std::filesystem::permissions(runtime, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::replace, ec);
        if (!ec) setenv("XDG_RUNTIME_DIR", runtime.c_str(), 0);
    }
    QApplication app(argc, argv);

    if (options.command == "copy-db")
        return refhost::app::runCopyDb(options.arguments, std::cout, std::cerr);

    // Only init-db creates a database, and any command the default one on first use.
    using refhost::sql::OpenMode;
    OpenMode mode = options.command == "init-db" ? OpenMode::Create
                    : readsOnly(options)          ? OpenMode::ReadOnly
                                                  : OpenMode::Existing;
    std::string target;
    if (options.db) {
        target = *options.db;
    } else {
        const auto folder = homeFolder("XDG_DATA_HOME", ".local/share");
        std::error_code ec;
        std::filesystem::create_directories(folder, ec);
        if (ec) return fail("cannot create " + folder.string() + ": " + ec.message());
        target = (folder / "tabrix.db").string();
        if (!std::filesystem::exists(target, ec)) mode = OpenMode::Create;
    }
    const auto iniFile = homeFolder("XDG_CONFIG_HOME", ".config") / "tabrix.ini";

    refhost::sql::OpenOptions openOptions;
    openOptions.mode = mode;
    openOptions.lockTimeoutMs = options.lockTimeoutMs;
    auto db = refhost::sql::HostDatabase::open(target, openOptions);
    const std::string shown = refhost::sql::HostDatabase::describeTarget(target);
    if (!db) return fail("cannot open database " + shown + ": " + db.error());
    // Tests fail chosen statements through TABRIX_FAULT_INJECTION (fault_injection.h).
    const auto faults = refhost::sql::faultPlanFromEnvironment();
    if (!faults) return fail(faults.error());
    *db = refhost::sql::withFaultInjection(std::move(*db), *faults);
    if (options.command == "init-db") return runInitDb(**db, shown, options);

    citforms::runtime::ScriptedUi ui(&std::cout, *script);
    ReferenceHost host(**db, ui);
    if (!refhost::sql::HostDatabase::isPostgresTarget(target))
        host.print().protectFiles(citforms::refhost::sqliteFiles(target));
    std::optional<std::int32_t> chosenCompany = options.company;
    std::int32_t declaration = 0;
    if (options.command == "new-cit8") {
        const auto newArgs = refhost::app::parseNewCit8(options.arguments);
        if (newArgs->company) chosenCompany = newArgs->company;
    } else if (options.command == "import-books") {
        const auto importArgs = refhost::app::parseImportBooks(options.arguments);
        if (importArgs->company) chosenCompany = importArgs->company;
    } else if (isDeclarationCommand(options.command)) {
        declaration = *refhost::app::parseDeclarationId(options.command, options.arguments);
        const auto owner = refhost::app::declarationCompany(host, declaration);
        if (!owner) {
            if (host.utility().errorStatus().code != 0)
                return fail("SQL error: " + host.utility().fileErrorText());
            return fail("no declaration " + std::to_string(declaration));
        }
        chosenCompany = *owner;
    }
    std::int32_t company = chosenCompany.value_or(0);
    if (!chosenCompany) {
        const std::string first = host.utility().FUNCVAY("select min(id_firmy) from FIRMA");
        company = std::atoi(first.c_str());
    } else if (host.utility().FUNCVAY("select count(*) from FIRMA where id_firmy = " +
                                      std::to_string(company)) == "0") {
        return fail("no company " + std::to_string(company));
    }
    setGlobals(host, options, company, iniFile);
    // Company, user and fiscal year must have been read: a command on guessed ones could
    // write under the wrong company or user.
    if (host.state().failures() > 0) return fail("SQL error: " + host.state().firstFailure());
    if (options.command == "import-books") {
        return refhost::app::runImportBooks(
            **db, company, refhost::app::parseImportBooks(options.arguments)->file,
            isatty(STDOUT_FILENO) == 1, std::cout, std::cerr);
    }
    const int status = runCommand(host, options, iniFile, declaration);
    // A statement that failed on the way (one the module showed and went on from, or one
    // after the work was saved) must not end in a success: the result may be incomplete.
    if (status == EXIT_SUCCESS && host.state().failures() > 0) {
        return fail("a database statement failed during the command: " +
                    host.state().firstFailure());
    }
    return status;
}
