#include "refhost/app/print_commands.h"

#include <cstdlib>
#include <iostream>
#include <optional>

#include <QGuiApplication>

#include "citforms/module/exports.h"
#include "refhost/libraries/module_loader.h"
#include "runtime/report/qt_report_runtime.h"

namespace refhost::app {

namespace {

struct PrintArguments {
    std::int32_t id = 0;
    std::string file;             // pdf: the PDF
    bool printer = false;         // print: --printer (else the screen)
    std::int32_t copies = 1;
    std::int32_t xpos = 0;
    std::int32_t ypos = 0;
    std::optional<std::pair<std::string, std::string>> receipt;
    std::string output;           // print: --output
};

std::optional<std::int32_t> wholeNumber(const std::string& text) {
    if (text.empty()) return std::nullopt;
    char* end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (*end != '\0' || v < -100000 || v > 100000) return std::nullopt;
    return static_cast<std::int32_t>(v);
}

citforms::values::Result<PrintArguments> parse(const Options& o) {
    using R = citforms::values::Result<PrintArguments>;
    PrintArguments a;
    const auto& args = o.arguments;
    if (args.empty()) return R::failure(o.command + " needs a declaration id");
    const auto id = parseId(args[0]);
    if (!id) return R::failure(o.command + ": not a declaration id: '" + args[0] + "'");
    a.id = *id;
    if (o.command == "pdf") {
        if (args.size() != 2 || args[1].empty()) return R::failure("pdf needs ID and FILE");
        a.file = args[1];
        return a;
    }
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        auto value = [&](const char* what) -> std::optional<std::string> {
            if (i + 1 >= args.size()) return std::nullopt;
            (void)what;
            return args[++i];
        };
        if (arg == "--screen") {
            a.printer = false;
        } else if (arg == "--printer") {
            a.printer = true;
        } else if (arg == "--copies" || arg == "--xpos" || arg == "--ypos") {
            const auto text = value(arg.c_str());
            const auto n = text ? wholeNumber(*text) : std::nullopt;
            if (!n) return R::failure("print: " + arg + " needs a whole number");
            if (arg == "--copies") {
                if (*n < 1 || *n > 999) return R::failure("print: --copies must be 1 to 999");
                a.copies = *n;
            } else {
                // An offset of a page's width or height or more moves every value off the
                // paper: the pages would come out blank and be reported as printed.
                const bool x = arg == "--xpos";
                const int limit = x ? 210 : 297;  // A4 in millimetres
                if (*n <= -limit || *n >= limit) {
                    return R::failure("print: " + arg + " must lie within the page (-" +
                                      std::to_string(limit - 1) + " to " +
                                      std::to_string(limit - 1) + " mm)");
                }
                (x ? a.xpos : a.ypos) = *n;
            }
        } else if (arg == "--receipt") {
            if (i + 2 >= args.size()) return R::failure("print: --receipt needs two texts");
            a.receipt = std::pair{args[i + 1], args[i + 2]};
            i += 2;
        } else if (arg == "--output") {
            const auto text = value("--output");
            if (!text || text->empty()) return R::failure("print: --output needs a file");
            a.output = *text;
        } else {
            return R::failure("print: unknown argument " + arg);
        }
    }
    return a;
}

bool headless() {
    return QGuiApplication::platformName() == QStringLiteral("offscreen") ||
           QGuiApplication::platformName() == QStringLiteral("minimal");
}

// The report runtime of a command-line print: the previewer nobody can see is reported and
// closed; the printer may be a PDF file.
class CommandLineRuntime : public citforms::runtime::QtReportRuntime {
public:
    CommandLineRuntime(citforms::runtime::QtReportRuntimeOptions options, bool showPreview)
        : QtReportRuntime(std::move(options)), showPreview_(showPreview) {}

    bool preview(const citforms::host::PageList& pages, int zoomPercent,
                 citforms::host::IniManager* ini, std::string_view settingsKey) override {
        if (showPreview_) return QtReportRuntime::preview(pages, zoomPercent, ini, settingsKey);
        std::cout << "preview\t" << settingsKey << '\t' << pages.size() << '\t' << zoomPercent
                  << '\n';
        return false;
    }

private:
    bool showPreview_;
};

}  // namespace

bool isPrintCommand(const std::string& command) { return command == "pdf" || command == "print"; }

std::string checkPrintArguments(const Options& options) {
    auto parsed = parse(options);
    return parsed ? std::string() : parsed.error();
}

int runPrintCommand(libraries::ReferenceHost& host, const Options& options,
                    const std::filesystem::path& iniFile) {
    const PrintArguments a = *parse(options);
    auto& utility = host.utility();
    if (!utility.EXECVAY("select id_firmy, id_deklaracje_wzorzec from DEKLARACJE_NAG where "
                         "id_deklaracje_nag = " +
                         std::to_string(a.id))) {
        std::cerr << "tabrix: SQL error: " << utility.fileErrorText() << '\n';
        return EXIT_FAILURE;
    }
    citforms::host::ResultRow row;
    if (!host.data().result(citforms::host::ResultFileId::VAY_FK).next(row)) {
        std::cerr << "tabrix: no declaration " << a.id << '\n';
        return EXIT_FAILURE;
    }
    const std::int32_t company = std::atoi(row.column(0).c_str());
    const std::int32_t templateId = std::atoi(row.column(1).c_str());

    auto module = libraries::LoadedModule::load(
        libraries::LoadedModule::pathFromEnvironment(CITFORMS_MODULE_PATH));
    if (!module) {
        std::cerr << "tabrix: " << module.error() << '\n';
        return EXIT_FAILURE;
    }
    citforms::runtime::QtReportRuntimeOptions runtimeOptions;
    runtimeOptions.printerOutputFile = a.output;
    CommandLineRuntime runtime(runtimeOptions, !headless());
    citforms::host::HostBinding binding = host.binding();
    // The module's own runtime serves a print that a person can watch on a real printer.
    if (headless() || !a.output.empty()) binding.report = &runtime;
    if (auto status = (*module)->bind(binding); !status) {
        std::cerr << "tabrix: " << status.error() << '\n';
        return EXIT_FAILURE;
    }
    host.iniManager().init(iniFile.string());
    host.print().setNotices(&std::cout);
    (*module)->init(&host.errorManager(), &host.iniManager());

    citforms::host::Globals& g = host.data().globals();
    g.DANE_ID_FIRMY = company;
    int code = EXIT_SUCCESS;
    if (options.command == "pdf") {
        namespace ex = citforms::module::exports;
        auto save = (*module)->procedureAs<ex::ZapiszCit8DoPdfFn>(ex::kZapiszCit8DoPdf);
        if (save(templateId, a.id, a.file.c_str()) == 1) {
            std::cout << "pdf\t" << a.file << '\n';
        } else {
            std::cerr << "tabrix: no PDF was made of declaration " << a.id << '\n';
            code = EXIT_FAILURE;
        }
    } else {
        g.DANE_DRUKARKA_EKRAN = a.printer ? 1 : 0;
        g.GGG_NUMCOPY = a.copies;
        g.DEKLARACJE_XPOS = a.xpos;
        g.DEKLARACJE_YPOS = a.ypos;
        g.GGG_EMAILPDFSAVEAS = 0;
        g.GGG_PRN_UPO_INFO_DRUKUJ = a.receipt ? 1 : 0;
        if (a.receipt) {
            g.GGG_PRN_UPO_INFO_1 = a.receipt->first;
            g.GGG_PRN_UPO_INFO_2 = a.receipt->second;
        }
        namespace ex = citforms::module::exports;
        auto print = (*module)->procedureAs<ex::WydrukDeklaracjiCitFn>(ex::kWydrukDeklaracjiCit);
        g.GLOBALRESPONSE = 0;
        print(std::to_string(a.id).c_str());
        const bool completed = g.GLOBALRESPONSE == 1;
        std::cout << "print\t" << a.id << '\t' << (completed ? "completed" : "cancelled") << '\n';
    }
    (*module)->kill();
    return code;
}

}  // namespace refhost::app
