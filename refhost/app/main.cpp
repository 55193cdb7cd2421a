// tabrix: the reference host's command line. It opens the host database, binds the host
// libraries with a scripted UI (every message the module shows becomes a transcript line on
// standard output), or with the real windows for the commands a person works in (`new`,
// `open`), and loads libcitforms.so as a host does.
#include <algorithm>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QCoreApplication>
#include <nlohmann/json.hpp>

#include "citforms/values/day_number.h"
#include "citforms/values/text.h"
#include "refhost/app/batch_command.h"
#include "refhost/app/check_command.h"
#include "refhost/app/cit8_commands.h"
#include "refhost/app/register_commands.h"
#include "refhost/app/copy_db.h"
#include "refhost/app/explain_command.h"
#include "refhost/app/import_books.h"
#include "refhost/app/options.h"
#include "refhost/app/print_commands.h"
#include "refhost/app/progress_bar.h"
#include "refhost/app/screen_commands.h"
#include "refhost/app/session_command.h"
#include "refhost/app/summary_command.h"
#include "refhost/db/demo.h"
#include "refhost/db/demo_companies.h"
#include "refhost/db/open_database.h"
#include "refhost/desktop/desktop_window.h"
#include "refhost/libraries/module_loader.h"
#include "refhost/libraries/reference_host.h"
#include "refhost/print/output_file.h"
#include "refhost/sql/database.h"
#include "refhost/sql/dialect.h"
#include "refhost/sql/fault_injection.h"
#include "runtime/ui/qt_ui.h"
#include "runtime/ui/scripted/scripted_ui.h"

namespace {

using refhost::app::Options;
using refhost::libraries::ReferenceHost;

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

// `check` keeps 1 for "warnings only": a check that could not be done ends with its own
// status instead.
int failureStatus = kExitFailure;

int fail(const std::string& message) {
    std::cerr << "tabrix: " << message << '\n';
    return failureStatus;
}

// A mistake in how tabrix was called: the reason and the usage of the command concerned
// (`command` "" or no command: the options and where the help is).
int usageError(const std::string& message, std::string_view command = {}) {
    const std::string usage = refhost::app::commandUsage(command);
    std::cerr << "tabrix: " << message << "\n"
              << (usage.empty() ? refhost::app::shortUsage() : usage);
    return kExitUsage;
}

std::filesystem::path homeFolder(const char* xdgVariable, const char* fallback) {
    if (const char* xdg = std::getenv(xdgVariable); xdg != nullptr && *xdg != '\0')
        return std::filesystem::path(xdg) / "tabrix";
    const char* home = std::getenv("HOME");
    return std::filesystem::path(home != nullptr ? home : ".") / fallback / "tabrix";
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

int makeDemoDatabase(refhost::sql::HostDatabase& db, const Options& o,
                     const std::filesystem::path& iniFile);

int runInitDb(refhost::sql::HostDatabase& db, const std::string& target, const Options& o,
              const std::filesystem::path& iniFile) {
    const refhost::app::InitDbArguments args = *refhost::app::parseInitDb(o.arguments);
    const bool demo = args.demo;
    if (demo) {
        if (const int status = makeDemoDatabase(db, o, iniFile); status != EXIT_SUCCESS)
            return status;
    }
    if (args.companies > 0) {
        refhost::app::ProgressBar bar(std::cerr, "firm");
        const bool terminal = isatty(STDERR_FILENO) == 1;
        const auto status = refhost::db::addDemoCompanies(db, args.companies, [&](int done, int total) {
            if (terminal) bar.update(static_cast<std::uint64_t>(done), static_cast<std::uint64_t>(total), done);
        });
        bar.clear();
        if (!status) return fail("generated companies: " + status.error());
    }
    std::cout << "database " << target << " ready (schema " << db.schemaVersion() << ")"
              << (demo ? ", demo data loaded" : "");
    if (args.companies > 0) std::cout << ", " << args.companies << " companies generated";
    std::cout << '\n';
    return EXIT_SUCCESS;
}

int runSql(ReferenceHost& host, const Options& o) {
    auto& utility = host.utility();
    if (!utility.EXECSQL(o.arguments[0])) return fail("Błąd SQL: " + utility.fileErrorText());
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
// `report`: the report runtime its prints use (nullptr: the module's own, with real windows).
citforms::values::Result<std::unique_ptr<refhost::libraries::LoadedModule>> loadModule(
    ReferenceHost& host, const std::filesystem::path& iniFile,
    citforms::print::ReportRuntime* report = nullptr) {
    auto module = refhost::libraries::LoadedModule::load(
        refhost::libraries::LoadedModule::pathFromEnvironment(CITFORMS_MODULE_PATH));
    if (!module) return module;
    citforms::host::HostBinding binding = host.binding();
    binding.report = report;
    if (auto status = (*module)->bind(binding); !status) {
        return citforms::values::Result<std::unique_ptr<refhost::libraries::LoadedModule>>::
            failure(status.error());
    }
    host.iniManager().init(iniFile.string());
    (*module)->init(&host.errorManager(), &host.iniManager());
    const refhost::libraries::LoadedModule* loaded = module->get();
    host.state().setModuleAutomation(
        [loaded](const std::string& request) { return loaded->automation(request); });
    return module;
}

// The demo database, the same from init-db --demo and from the desktop's first start: the
// data files and books (refhost/db/demo.cpp), then, through the module as a person makes
// them, the template-35 CIT-2 returns (company 1 every month of 2016, company 2, a quarterly
// payer, the quarter-end months of its fiscal year 2015/2016; each filled in on the 20th of
// the month after its own, by Anna Nowak), then company 1's CIT-8 returns 1 and 2 computed
// with their advances filled and counts set as in the window, and last the e-filing of 2.
int makeDemoDatabase(refhost::sql::HostDatabase& db, const Options& o,
                     const std::filesystem::path& iniFile) {
    if (auto status = db.loadDemo(); !status) return fail("demo data: " + status.error());
    std::ostringstream shown;
    citforms::runtime::ScriptedUi ui(&shown, {});
    ReferenceHost host(db, ui);
    auto module = loadModule(host, iniFile);
    if (!module) return fail(module.error());
    Options demoUser = o;
    demoUser.user = 7;
    using citforms::values::fromDate;
    struct Returns {
        std::int32_t company;
        int year;
        unsigned firstMonth;
        int months;
        int step;
    };
    for (const Returns& r : {Returns{1, 2016, 1, 12, 1}, Returns{2, 2015, 4, 12, 3}}) {
        setGlobals(host, demoUser, r.company, iniFile);
        citforms::host::Globals& g = host.state().thread().globals;
        const std::int32_t start = fromDate(r.year, r.firstMonth, 1);
        const std::int32_t end = citforms::values::addMonths(start, 12) - 1;
        for (int k = r.step - 1; k < r.months; k += r.step) {
            const std::int32_t period = citforms::values::addMonths(fromDate(r.year, r.firstMonth, 2), k);
            g.DANE_DATA_BIEZACA = citforms::values::addMonths(period, 1) + 18;
            g.DANE_DATA_OKRESU = period;
            if ((*module)->newCit2(start, end, period, "") == 0) {
                (*module)->kill();
                return fail("demo data: no CIT-2 was made for company " +
                            std::to_string(r.company) + ", " +
                            citforms::values::formatIso(period).substr(0, 7) + ": " + shown.str());
            }
        }
    }
    setGlobals(host, demoUser, 1, iniFile);
    for (const char* year : {"2015", "2016"}) {
        const std::string id = host.utility().FUNCVAY(
            "select id_deklaracje_nag from DEKLARACJE_NAG n inner join LATA_OBROTOWE l on "
            "l.id_firmy = n.id_firmy AND n.data_okresu >= l.poczatek_roku AND "
            "n.data_okresu <= l.koniec_roku where n.id_firmy = 1 AND n.id_deklaracje_wzorzec in (72, 73) AND "
            "l.rok_obrotowy = '" + std::string(year) + "'");
        const auto number = citforms::values::parseInteger<std::int32_t>(id);
        if (!number || (*module)->computeAndFill(*number) == 0) {
            (*module)->kill();
            return fail("demo data: the CIT-8 of " + std::string(year) +
                        " was not computed: " + shown.str());
        }
    }
    (*module)->kill();
    if (auto status = refhost::db::markDemoFiled(db); !status)
        return fail("demo data: " + status.error());
    return EXIT_SUCCESS;
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
    if (utility.errorStatus().code != 0) return fail("Błąd SQL: " + utility.fileErrorText());
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
        return fail("nie udało się odczytać deklaracji " + std::to_string(*id) + ": " + reason);
    }
    const auto parsed = nlohmann::json::parse(json, nullptr, false);
    std::cout << (parsed.is_discarded() ? std::string(json) : parsed.dump(2)) << '\n';
    (*module)->kill();
    return EXIT_SUCCESS;
}

// What a command runs on: more of it is there the later the command's stage.
struct Session {
    const Options& options;
    std::filesystem::path iniFile;
    refhost::sql::HostDatabase* db = nullptr;  // from Stage::Database on
    std::string shownTarget{};                 // the database as messages name it
    ReferenceHost* host = nullptr;             // from Stage::Session on, its globals set
    citforms::runtime::ScriptedUi* ui = nullptr;  // the host's UI, from Stage::Session on
    std::int32_t company = 0;
    std::int32_t declaration = 0;  // the declaration of a command on one (Command::onDeclaration)
};

enum class Stage {
    NoDatabase,      // runs before any database is opened
    Database,        // runs on the opened database, without a host session
    Session,         // runs in a host session
    CheckedSession,  // runs in a host session and fails when one of its statements failed
};

using refhost::sql::OpenMode;

struct Command {
    std::string_view name;
    // The arguments, checked before the database is touched: "" when they are fine.
    std::string (*checkArguments)(const Options&);
    // How the database is opened (the default database is created on first use whatever this
    // says). Commands that only read open it read-only, so that a write-protected file can be
    // read and nothing is ever changed by them.
    OpenMode (*openMode)(const Options&);
    Stage stage;
    // Works on the company of the stored declaration its arguments name.
    bool onDeclaration;
    // The company its arguments name, when they can (nullptr: --company or the first one).
    std::optional<std::int32_t> (*company)(const Options&);
    int (*run)(Session&);
};

OpenMode creates(const Options&) { return OpenMode::Create; }
OpenMode readsOnly(const Options&) { return OpenMode::ReadOnly; }
OpenMode writes(const Options&) { return OpenMode::Existing; }

std::string checkDeclarationId(const Options& o) {
    auto parsed = refhost::app::parseDeclarationId(o.command, o.arguments);
    return parsed ? "" : parsed.error();
}

// new-cit8, compute and recalc: the module loaded for the work and shut down after it.
template <class Work>
int withModule(Session& s, Work work, citforms::print::ReportRuntime* report = nullptr) {
    auto module = loadModule(*s.host, s.iniFile, report);
    if (!module) return fail(module.error());
    const int status = work(**module);
    (*module)->kill();
    return status;
}

int runRecompute(Session& s, std::int32_t mode) {
    return withModule(s, [&](const refhost::libraries::LoadedModule& module) {
        return refhost::app::runRecompute(*s.host, module, s.declaration, mode, std::cout,
                                          std::cerr);
    });
}

int runLock(Session& s, bool lock) {
    return refhost::app::runLock(*s.host, s.declaration, lock,
                                 refhost::app::hasForce(s.options.arguments), std::cout,
                                 std::cerr);
}

int runPrint(Session& s) {
    if (const auto id = refhost::app::parseId(s.options.arguments.front());
        id && refhost::app::neverSaved(*s.host, *id)) {
        return failNeverSaved(*id);
    }
    return refhost::app::runPrintCommand(*s.host, s.options, s.iniFile, s.ui);
}

int runDesktop(Session& s);

// The CIT-8 of many companies with one loaded module; each company becomes the session's
// company in turn.
int runBatch(Session& s) {
    const auto report = refhost::app::commandLineRuntime();
    return withModule(
        s,
        [&](const refhost::libraries::LoadedModule& module) {
            refhost::app::BatchServices services;
            services.host = s.host;
            services.module = &module;
            services.selectCompany = [&s](std::int32_t company) {
                s.company = company;
                setGlobals(*s.host, s.options, company, s.iniFile);
            };
            // Right after the declaration was computed: the statement messages are those
            // KOMUNIKAT holds, the statements are not run a second time.
            services.check = [&module](std::int32_t id, std::string& problem)
                -> std::optional<refhost::app::CheckCounts> {
                const auto checked = module.check(id, false);
                if (!checked) {
                    problem = checked.error();
                    return std::nullopt;
                }
                // A kind the check does not cover was not found clean.
                if (!checked->checked) {
                    problem = checked->note;
                    return std::nullopt;
                }
                return refhost::app::CheckCounts{checked->errors(), checked->warnings()};
            };
            services.terminal = isatty(STDERR_FILENO) == 1;
            return refhost::app::runBatch(services, *refhost::app::parseBatch(s.options.arguments),
                                          std::cout, std::cerr);
        },
        report.get());
}

// The office's overview; a CIT-8 not yet filed is checked under its own company, without
// running its statements again.
int runOverview(Session& s) {
    const auto args = *refhost::app::parseOverview(s.options.arguments);
    return withModule(s, [&](const refhost::libraries::LoadedModule& module) {
        const std::int32_t current = s.company;
        const auto check = [&](std::int32_t id) -> std::optional<int> {
            const auto company = refhost::app::declarationCompany(*s.host, id);
            if (!company) return std::nullopt;
            setGlobals(*s.host, s.options, *company, s.iniFile);
            const auto checked = module.check(id, false);
            if (!checked || !checked->checked) return std::nullopt;
            return checked->errors();
        };
        const auto rows = refhost::db::officeOverview(*s.db, args.year, check);
        setGlobals(*s.host, s.options, current, s.iniFile);
        if (!rows) return fail(rows.error());
        refhost::app::printOverview(*rows, args.csv, std::cout);
        return EXIT_SUCCESS;
    });
}

// Every command of tabrix, one row each.
const Command kCommands[] = {
    {"init-db",
     [](const Options& o) -> std::string {
         auto parsed = refhost::app::parseInitDb(o.arguments);
         return parsed ? "" : parsed.error();
     },
     creates, Stage::Database, false, nullptr,
     [](Session& s) { return runInitDb(*s.db, s.shownTarget, s.options, s.iniFile); }},
    {"sql",
     [](const Options& o) -> std::string {
         return o.arguments.size() == 1 ? "" : "sql needs one statement";
     },
     [](const Options& o) {
         return refhost::sql::isQuery(o.arguments.at(0)) ? OpenMode::ReadOnly
                                                         : OpenMode::Existing;
     },
     Stage::CheckedSession, false, nullptr, [](Session& s) { return runSql(*s.host, s.options); }},
    {"copy-db",
     [](const Options& o) { return refhost::app::checkCopyDbArguments(o.arguments); }, nullptr,
     Stage::NoDatabase, false, nullptr,
     [](Session& s) { return refhost::app::runCopyDb(s.options.arguments, std::cout, std::cerr); }},
    {"import-books",
     [](const Options& o) -> std::string {
         auto parsed = refhost::app::parseImportBooks(o.arguments);
         return parsed ? "" : parsed.error();
     },
     writes, Stage::Session, false,
     [](const Options& o) { return refhost::app::parseImportBooks(o.arguments)->company; },
     [](Session& s) {
         return refhost::app::runImportBooks(
             *s.db, s.company, refhost::app::parseImportBooks(s.options.arguments)->file,
             isatty(STDOUT_FILENO) == 1, std::cout, std::cerr);
     }},
    {"dump",
     [](const Options& o) -> std::string {
         if (o.arguments.size() != 1) return "dump needs one declaration id";
         if (!refhost::app::parseId(o.arguments[0]))
             return "dump: not a declaration id: '" + o.arguments[0] + "'";
         return {};
     },
     readsOnly, Stage::CheckedSession, false, nullptr,
     [](Session& s) { return runDump(*s.host, s.options, s.iniFile); }},
    {"new-cit8",
     [](const Options& o) -> std::string {
         auto parsed = refhost::app::parseNewCit8(o.arguments);
         return parsed ? "" : parsed.error();
     },
     writes, Stage::CheckedSession, false,
     [](const Options& o) { return refhost::app::parseNewCit8(o.arguments)->company; },
     [](Session& s) {
         return withModule(s, [&](const refhost::libraries::LoadedModule& module) {
             return refhost::app::runNewCit8(*s.host, module,
                                             *refhost::app::parseNewCit8(s.options.arguments),
                                             std::cout, std::cerr);
         });
     }},
    {"new-cit2",
     [](const Options& o) -> std::string {
         auto parsed = refhost::app::parseNewCit2(o.arguments);
         return parsed ? "" : parsed.error();
     },
     writes, Stage::CheckedSession, false,
     [](const Options& o) { return refhost::app::parseNewCit2(o.arguments)->company; },
     [](Session& s) {
         return withModule(s, [&](const refhost::libraries::LoadedModule& module) {
             return refhost::app::runNewCit2(*s.host, module,
                                             *refhost::app::parseNewCit2(s.options.arguments),
                                             std::cout, std::cerr);
         });
     }},
    {"summary", checkDeclarationId, readsOnly, Stage::CheckedSession, true, nullptr,
     [](Session& s) {
         if (refhost::app::neverSaved(*s.host, s.declaration)) return failNeverSaved(s.declaration);
         return withModule(s, [&](const refhost::libraries::LoadedModule& module) {
             return refhost::app::runSummary(*s.host, module, s.declaration, std::cout, std::cerr);
         });
     }},
    {"compute", checkDeclarationId, writes, Stage::CheckedSession, true, nullptr,
     [](Session& s) { return runRecompute(s, 0); }},
    {"recalc", checkDeclarationId, writes, Stage::CheckedSession, true, nullptr,
     [](Session& s) { return runRecompute(s, 1); }},
    {"correct", checkDeclarationId, writes, Stage::CheckedSession, true, nullptr,
     [](Session& s) {
         const bool justify = std::find(s.options.arguments.begin(), s.options.arguments.end(),
                                        "--justify") != s.options.arguments.end();
         return withModule(s, [&](const refhost::libraries::LoadedModule& module) {
             return refhost::app::runCorrect(*s.host, module, s.declaration, justify, std::cout,
                                             std::cerr);
         });
     }},
    {"diff",
     [](const Options& o) -> std::string {
         auto parsed = refhost::app::parseDiff(o.arguments);
         return parsed ? "" : parsed.error();
     },
     readsOnly, Stage::CheckedSession, false, nullptr,
     [](Session& s) {
         const auto ids = *refhost::app::parseDiff(s.options.arguments);
         const bool json = std::find(s.options.arguments.begin(), s.options.arguments.end(),
                                     "--json") != s.options.arguments.end();
         return withModule(s, [&](const refhost::libraries::LoadedModule& module) {
             return refhost::app::runDiff(module, ids.first, ids.second, json, std::cout,
                                          std::cerr);
         });
     }},
    {"company",
     [](const Options& o) -> std::string {
         auto parsed = refhost::app::parseCompany(o.arguments);
         return parsed ? "" : parsed.error();
     },
     writes, Stage::Database, false, nullptr,
     [](Session& s) {
         return refhost::app::runCompany(*s.db, *refhost::app::parseCompany(s.options.arguments),
                                         std::cout, std::cerr);
     }},
    {"fiscal-year",
     [](const Options& o) -> std::string {
         auto parsed = refhost::app::parseFiscalYear(o.arguments);
         return parsed ? "" : parsed.error();
     },
     writes, Stage::Database, false, nullptr,
     [](Session& s) {
         return refhost::app::runFiscalYear(
             *s.db, *refhost::app::parseFiscalYear(s.options.arguments), std::cout, std::cerr);
     }},
    {"overview",
     [](const Options& o) -> std::string {
         auto parsed = refhost::app::parseOverview(o.arguments);
         return parsed ? "" : parsed.error();
     },
     writes, Stage::CheckedSession, false, nullptr, runOverview},
    {"lock", checkDeclarationId, writes, Stage::CheckedSession, true, nullptr,
     [](Session& s) { return runLock(s, true); }},
    {"unlock", checkDeclarationId, writes, Stage::CheckedSession, true, nullptr,
     [](Session& s) { return runLock(s, false); }},
    {"discard", checkDeclarationId, writes, Stage::CheckedSession, true, nullptr,
     [](Session& s) {
         return refhost::app::runDiscard(
             *s.host, s.declaration, refhost::app::hasForce(s.options.arguments), std::cout,
             std::cerr);
     }},
    {"batch",
     [](const Options& o) -> std::string {
         auto parsed = refhost::app::parseBatch(o.arguments);
         return parsed ? "" : parsed.error();
     },
     writes, Stage::CheckedSession, false, nullptr, runBatch},
    {"check",
     [](const Options& o) -> std::string {
         auto parsed = refhost::app::parseCheck(o.arguments);
         return parsed ? "" : parsed.error();
     },
     writes, Stage::CheckedSession, true, nullptr,
     [](Session& s) {
         if (refhost::app::neverSaved(*s.host, s.declaration)) return failNeverSaved(s.declaration);
         return withModule(s, [&](const refhost::libraries::LoadedModule& module) {
             return refhost::app::runCheck(module, *refhost::app::parseCheck(s.options.arguments),
                                           std::cout, std::cerr);
         });
     }},
    {"explain",
     [](const Options& o) -> std::string {
         auto parsed = refhost::app::parseExplain(o.arguments);
         return parsed ? "" : parsed.error();
     },
     readsOnly, Stage::CheckedSession, true, nullptr,
     [](Session& s) {
         if (refhost::app::neverSaved(*s.host, s.declaration)) return failNeverSaved(s.declaration);
         return withModule(s, [&](const refhost::libraries::LoadedModule& module) {
             return refhost::app::runExplain(
                 module, *refhost::app::parseExplain(s.options.arguments), std::cout, std::cerr);
         });
     }},
    {"reconcile",
     [](const Options& o) -> std::string {
         auto parsed = refhost::app::parseReconcile(o.arguments);
         return parsed ? "" : parsed.error();
     },
     readsOnly, Stage::CheckedSession, false,
     [](const Options& o) -> std::optional<std::int32_t> {
         return refhost::app::parseReconcile(o.arguments)->company;
     },
     [](Session& s) {
         return refhost::app::runReconcile(*s.host, *s.db,
                                           *refhost::app::parseReconcile(s.options.arguments),
                                           std::cout, std::cerr);
     }},
    {"pdf", refhost::app::checkPrintArguments, readsOnly, Stage::CheckedSession, false, nullptr,
     runPrint},
    {"print", refhost::app::checkPrintArguments, readsOnly, Stage::CheckedSession, false, nullptr,
     runPrint},
    {"run",
     [](const Options& o) -> std::string {
         return o.arguments.size() == 1 ? "" : "run needs one script file";
     },
     writes, Stage::CheckedSession, false, nullptr,
     [](Session& s) {
         // Prints started in the windows go where a command-line print goes: a preview nobody
         // could see is a transcript line.
         const auto report = refhost::app::commandLineRuntime();
         return withModule(
             s,
             [&](const refhost::libraries::LoadedModule& module) {
                 return refhost::app::runSession(*s.host, module, *s.ui,
                                                s.options.arguments[0], std::cout, std::cerr);
             },
             report.get());
     }},
    {"new",
     [](const Options& o) -> std::string {
         auto parsed = refhost::app::parseNewOnScreen(o.arguments);
         return parsed ? "" : parsed.error();
     },
     writes, Stage::CheckedSession, false, nullptr,
     [](Session& s) {
         return withModule(s, [&](const refhost::libraries::LoadedModule& module) {
             return refhost::app::runNewOnScreen(
                 *s.host, module, *refhost::app::parseNewOnScreen(s.options.arguments), std::cout,
                 std::cerr);
         });
     }},
    {"desktop",
     [](const Options& o) -> std::string {
         return o.arguments.empty() ? "" : "the desktop application takes no arguments";
     },
     creates, Stage::Session, false, nullptr, runDesktop},
    {"open", checkDeclarationId, writes, Stage::CheckedSession, true, nullptr,
     [](Session& s) {
         if (refhost::app::neverSaved(*s.host, s.declaration)) return failNeverSaved(s.declaration);
         return withModule(s, [&](const refhost::libraries::LoadedModule& module) {
             return refhost::app::runOpenOnScreen(*s.host, module, s.declaration, std::cout,
                                                 std::cerr);
         });
     }},
};

// The commands a person works in, on the real windows.
bool onScreen(std::string_view command) {
    return command == "new" || command == "open" || command == "desktop";
}

// What the desktop application remembers: its window, the last database, each database's
// company.
std::unique_ptr<QSettings> desktopSettings() {
    const auto file = homeFolder("XDG_CONFIG_HOME", ".config") / "desktop.ini";
    return std::make_unique<QSettings>(QString::fromStdString(file.string()),
                                       QSettings::IniFormat);
}

// A first start on a database file that is not there: the person chooses the demo data or an
// empty database, or nothing. nullopt: nothing is created.
std::optional<bool> askNewDatabase(const std::string& target) {
    QMessageBox box(QMessageBox::Question, "Tabrix: Pytanie",
                    QString("Baza danych %1 jeszcze nie istnieje.\nUtworzyć ją z danymi "
                            "demonstracyjnymi (cztery firmy z księgami i deklaracjami) czy pustą?")
                        .arg(QString::fromStdString(target)));
    QPushButton* demo = box.addButton("&Demonstracyjna", QMessageBox::YesRole);
    QPushButton* empty = box.addButton("&Pusta", QMessageBox::NoRole);
    box.addButton("&Anuluj", QMessageBox::RejectRole);
    box.setDefaultButton(demo);
    box.exec();
    if (box.clickedButton() == demo) return true;
    if (box.clickedButton() == empty) return false;
    return std::nullopt;
}

int runDesktop(Session& s) {
    return withModule(s, [&](const refhost::libraries::LoadedModule& module) {
        refhost::desktop::DesktopServices services;
        services.host = s.host;
        services.db = s.db;
        services.module = &module;
        auto settings = desktopSettings();
        services.settings = settings.get();
        services.database = s.shownTarget;
        const std::string key =
            refhost::sql::HostDatabase::isPostgresTarget(s.shownTarget)
                ? s.shownTarget
                : std::filesystem::absolute(s.shownTarget).string();
        services.databaseKey = QByteArray::fromStdString(key).toHex().toStdString();
        services.selectCompany = [&s](std::int32_t company) {
            s.company = company;
            setGlobals(*s.host, s.options, company, s.iniFile);
        };
        refhost::desktop::DesktopWindow window(std::move(services));
        window.show();
        QApplication::exec();
        return EXIT_SUCCESS;
    });
}

const Command* findCommand(std::string_view name) {
    for (const Command& command : kCommands) {
        if (command.name == name) return &command;
    }
    return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    auto parsed = refhost::app::parseOptions(args);
    if (!parsed) return usageError(parsed.error());
    const Options& options = *parsed;
    if (options.help) {
        std::cout << refhost::app::usage();
        return EXIT_SUCCESS;
    }
    if (options.version) {
        std::cout << "tabrix " << TABRIX_VERSION << '\n';
        return EXIT_SUCCESS;
    }
    if (options.command == "help") {
        if (options.arguments.empty()) {
            std::cout << refhost::app::usage();
            return EXIT_SUCCESS;
        }
        const std::string usage = refhost::app::commandUsage(options.arguments[0]);
        if (options.arguments.size() > 1 || usage.empty())
            return usageError("help: no command " + options.arguments[0]);
        std::cout << usage;
        return EXIT_SUCCESS;
    }
    const Command* command = findCommand(options.command);
    if (command == nullptr) return usageError("unknown command " + options.command);
    if (refhost::app::asksForHelp(options.arguments)) {
        std::cout << refhost::app::commandUsage(command->name);
        return EXIT_SUCCESS;
    }
    if (const std::string problem = command->checkArguments(options); !problem.empty())
        return usageError(problem, command->name);
    if (command->name == "check") failureStatus = refhost::app::kCheckFailed;
    auto script = citforms::runtime::ScriptedUi::parseScript(options.answers);
    if (!script) return usageError("--answers: " + script.error(), command->name);

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
    // The windows of Qt itself (file dialogs, standard buttons) speak Polish, as ours do.
    QTranslator qtPolish;
    if (qtPolish.load(QLocale(QLocale::Polish, QLocale::Poland), "qtbase", "_",
                      QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&qtPolish);
    if (onScreen(command->name)) {
        if (const std::string problem = refhost::app::screenProblem(std::string(command->name));
            !problem.empty())
            return fail(problem);
    }

    Session session{options, homeFolder("XDG_CONFIG_HOME", ".config") / "tabrix.ini"};
    if (command->stage == Stage::NoDatabase) return command->run(session);

    // Only init-db creates a database, and any command the default one on first use.
    OpenMode mode = command->openMode(options);
    std::string target;
    const bool desktop = command->name == "desktop";
    std::unique_ptr<QSettings> remembered = desktop ? desktopSettings() : nullptr;
    if (options.db) {
        target = *options.db;
    } else if (desktop && !remembered->value("baza").toString().isEmpty()) {
        target = remembered->value("baza").toString().toStdString();
    } else {
        const auto folder = homeFolder("XDG_DATA_HOME", ".local/share");
        std::error_code ec;
        std::filesystem::create_directories(folder, ec);
        if (ec) return fail("cannot create " + folder.string() + ": " + ec.message());
        target = (folder / "tabrix.db").string();
        if (!std::filesystem::exists(target, ec)) mode = OpenMode::Create;
    }

    bool loadDemo = false;
    if (desktop && !refhost::sql::HostDatabase::isPostgresTarget(target) &&
        !std::filesystem::exists(target)) {
        const std::optional<bool> demo = askNewDatabase(target);
        if (!demo) return EXIT_SUCCESS;
        loadDemo = *demo;
        mode = OpenMode::Create;
    }
    refhost::sql::OpenOptions openOptions;
    openOptions.mode = mode;
    openOptions.lockTimeoutMs = options.lockTimeoutMs;
    // Tests fail chosen statements through TABRIX_FAULT_INJECTION (fault_injection.h); a
    // plan that cannot work is refused before the database is opened (or created).
    const auto faults = refhost::sql::faultPlanFromEnvironment();
    if (!faults) return fail(faults.error());
    auto db = refhost::db::openDatabase(target, openOptions);
    session.shownTarget = refhost::sql::HostDatabase::describeTarget(target);
    if (!db && desktop) {
        // The person is told in a window; the desktop goes on with the database it had last
        // time when that one opens, and ends only when none does.
        const std::string why = "Nie można otworzyć bazy danych " + session.shownTarget + ".\n" +
                                db.error();
        const std::string last = remembered->value("baza").toString().toStdString();
        const bool fallback = options.db && !last.empty() && last != target &&
                              std::filesystem::exists(last);
        QMessageBox::warning(nullptr, "Tabrix: Ostrzeżenie",
                             QString::fromStdString(why + (fallback ? "\n\nOtwieram bazę " + last + "."
                                                                    : std::string())));
        if (fallback) {
            openOptions.mode = OpenMode::Existing;
            auto previous = refhost::db::openDatabase(last, openOptions);
            if (previous) {
                db = std::move(previous);
                target = last;
                session.shownTarget = refhost::sql::HostDatabase::describeTarget(target);
            }
        }
    }
    if (!db) {
        return fail("nie można otworzyć bazy danych " + session.shownTarget + ": " + db.error());
    }
    *db = refhost::sql::withFaultInjection(std::move(*db), *faults);
    session.db = &**db;
    if (loadDemo) {
        if (const int status = makeDemoDatabase(**db, options, session.iniFile);
            status != EXIT_SUCCESS)
            return status;
    }
    // The desktop opens the same database next time (a server's address is not kept: it may
    // hold a password).
    if (desktop && !refhost::sql::HostDatabase::isPostgresTarget(target))
        remembered->setValue("baza", QString::fromStdString(std::filesystem::absolute(target).string()));
    if (command->stage == Stage::Database) return command->run(session);

    citforms::runtime::ScriptedUi ui(&std::cout, *script);
    citforms::runtime::QtUi screen;
    ReferenceHost host(**db, onScreen(command->name) ? static_cast<citforms::host::UiSeam&>(screen)
                                                     : static_cast<citforms::host::UiSeam&>(ui));
    host.utility().requestMaximise(options.maximise ? 1 : 0);
    session.host = &host;
    session.ui = &ui;
    if (!refhost::sql::HostDatabase::isPostgresTarget(target))
        host.print().protectFiles(citforms::refhost::sqliteFiles(target));
    std::optional<std::int32_t> chosenCompany = options.company;
    if (command->company != nullptr) {
        if (const auto named = command->company(options)) chosenCompany = named;
    } else if (command->onDeclaration) {
        session.declaration =
            *refhost::app::parseDeclarationId(options.command, options.arguments);
        const auto owner = refhost::app::declarationCompany(host, session.declaration);
        if (!owner) {
            if (host.utility().errorStatus().code != 0)
                return fail("Błąd SQL: " + host.utility().fileErrorText());
            return fail("no declaration " + std::to_string(session.declaration));
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
    session.company = company;
    setGlobals(host, options, company, session.iniFile);
    // Company, user and fiscal year must have been read: a command on guessed ones could
    // write under the wrong company or user.
    if (host.state().failures() > 0) return fail("Błąd SQL: " + host.state().firstFailure());
    const int status = command->run(session);
    // A statement that failed on the way (one the module showed and went on from, or one
    // after the work was saved) must not end in a success: the result may be incomplete.
    if (command->stage == Stage::CheckedSession &&
        (status == EXIT_SUCCESS || command->name == "check") && host.state().failures() > 0) {
        return fail("a database statement failed during the command: " +
                    host.state().firstFailure());
    }
    return status;
}
