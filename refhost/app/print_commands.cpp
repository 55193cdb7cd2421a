#include "refhost/app/print_commands.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <optional>

#include <QFileInfo>
#include <QGuiApplication>
#include <QTemporaryFile>

#include "citforms/shell/exports.h"
#include "citforms/values/text.h"
#include "refhost/libraries/module_loader.h"
#include "refhost/print/output_file.h"
#include "refhost/print/pdf_maker.h"
#include "refhost/services/pdf.h"
#include "runtime/report/qt_report_runtime.h"
#include "runtime/ui/scripted/scripted_ui.h"

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
    bool overlay = false;         // print: --overlay (DEKLARACJE_NADRUK)
};

std::optional<std::int32_t> wholeNumber(const std::string& text) {
    const auto v = citforms::values::parseInteger<std::int32_t>(text);
    if (!v || *v < -100000 || *v > 100000) return std::nullopt;
    return v;
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
    bool screen = false;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        auto value = [&](const char* what) -> std::optional<std::string> {
            if (i + 1 >= args.size()) return std::nullopt;
            (void)what;
            return args[++i];
        };
        if (arg == "--screen") {
            a.printer = false;
            screen = true;
        } else if (arg == "--printer") {
            a.printer = true;
        } else if (arg == "--overlay") {
            a.overlay = true;
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
    // The file is what the printer would print: the pages go there, not to a previewer that
    // writes nothing.
    if (!a.output.empty()) {
        if (screen) {
            return R::failure(
                "print: --output zapisuje do pliku to, co wydrukowałaby drukarka; nie łączy "
                "się z --screen");
        }
        a.printer = true;
    }
    return a;
}

bool headless() {
    return QGuiApplication::platformName() == QStringLiteral("offscreen") ||
           QGuiApplication::platformName() == QStringLiteral("minimal");
}

// The report runtime of a command-line print: the previewer nobody can see is reported and
// closed; the printer may be a PDF file, written whole or not at all.
class CommandLineRuntime : public citforms::runtime::QtReportRuntime {
public:
    CommandLineRuntime(citforms::runtime::QtReportRuntimeOptions options, bool showPreview)
        : QtReportRuntime(options),
          pdfFile_(options.printerOutputFile),
          showPreview_(showPreview) {}

    bool preview(const citforms::host::PageList& pages, int zoomPercent,
                 citforms::host::IniManager* ini, std::string_view settingsKey) override {
        if (showPreview_) return QtReportRuntime::preview(pages, zoomPercent, ini, settingsKey);
        std::cout << "preview\t" << settingsKey << '\t' << pages.size() << '\t' << zoomPercent
                  << '\n';
        return false;
    }

    bool print(const citforms::host::PageList& pages, std::string_view jobName,
               int copies) override {
        if (pdfFile_.empty()) return QtReportRuntime::print(pages, jobName, copies);
        // The PDF maker sees every failed write (a full disk) where a PDF printer does not.
        citforms::refhost::PdfMaker pdf;
        std::int32_t code = pdf.MAKEPDF(0, pdfFile_, nullptr);
        if (code == citforms::refhost::PdfMaker::kOk) code = pdf.MAKEPDF(1, "", &pages);
        if (code == citforms::refhost::PdfMaker::kOk) code = pdf.MAKEPDF(2, "", nullptr);
        if (code != citforms::refhost::PdfMaker::kOk) {
            failure_ = pdf.error().empty() ? "the PDF could not be written" : pdf.error();
            return false;
        }
        return true;
    }

    // Why writing the PDF failed; empty when it did not.
    const std::string& failure() const { return failure_; }

private:
    std::string pdfFile_;
    std::string failure_;
    bool showPreview_;
};

}  // namespace

std::unique_ptr<citforms::print::ReportRuntime> commandLineRuntime() {
    return std::make_unique<CommandLineRuntime>(citforms::runtime::QtReportRuntimeOptions{},
                                                !headless());
}

bool isPrintCommand(const std::string& command) { return command == "pdf" || command == "print"; }

std::string checkPrintArguments(const Options& options) {
    auto parsed = parse(options);
    return parsed ? std::string() : parsed.error();
}

int runPrintCommand(libraries::ReferenceHost& host, const Options& options,
                    const std::filesystem::path& iniFile,
                    const citforms::runtime::ScriptedUi* ui) {
    const PrintArguments a = *parse(options);
    auto& utility = host.utility();
    if (!utility.EXECVAY("select id_firmy, id_deklaracje_wzorzec from DEKLARACJE_NAG where "
                         "id_deklaracje_nag = " +
                         std::to_string(a.id))) {
        std::cerr << "tabrix: Błąd SQL: " << utility.fileErrorText() << '\n';
        return EXIT_FAILURE;
    }
    citforms::host::ResultRow row;
    if (!host.data().result(citforms::host::ResultFileId::VAY_FK).next(row)) {
        std::cerr << "tabrix: no declaration " << a.id << '\n';
        return EXIT_FAILURE;
    }
    const std::int32_t company = citforms::values::parseInteger<std::int32_t>(row.column(0)).value_or(0);
    const std::int32_t templateId = citforms::values::parseInteger<std::int32_t>(row.column(1)).value_or(0);

    auto module = libraries::LoadedModule::load(
        libraries::LoadedModule::pathFromEnvironment(CITFORMS_MODULE_PATH));
    if (!module) {
        std::cerr << "tabrix: " << module.error() << '\n';
        return EXIT_FAILURE;
    }
    const std::string outputName = options.command == "pdf" ? std::string() : a.output;
    const std::vector<std::string> keep = host.print().protectedFiles();
    std::optional<citforms::refhost::StagedOutput> output;
    if (!outputName.empty()) {
        output.emplace();
        if (const std::string problem = output->prepare(outputName, keep); !problem.empty()) {
            std::cerr << "tabrix: nie można zapisać pliku " << outputName << ": " << problem << '\n';
            return EXIT_FAILURE;
        }
    }
    citforms::runtime::QtReportRuntimeOptions runtimeOptions;
    if (output && options.command == "print")
        runtimeOptions.printerOutputFile = output->stagingName();
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
    const int reported = host.errorManager().reported();
    // An error of the database read on the way makes the pages incomplete: no file then.
    // So does any statement that failed on the way, even one the module showed and went on
    // from (the ORD-ZU texts, the check of the header).
    auto readFailure = [&]() -> std::optional<std::string> {
        if (host.errorManager().reported() != reported) return host.errorManager().lastReport();
        if (host.state().failures() > 0) return host.state().firstFailure();
        return std::nullopt;
    };
    int code = EXIT_SUCCESS;
    if (options.command == "pdf") {
        const std::size_t shownBefore = ui != nullptr ? ui->entries().size() : 0;
        const auto problem = services::writeDeclarationPdf(host, **module, a.id, templateId, a.file);
        if (!problem) {
            std::cout << "pdf\t" << a.file << '\n';
            // A file written with a warning (an announced CIT-ST not linked, copies printed
            // from their defaults) is written; the warning still reaches the caller's log.
            if (ui != nullptr) {
                const std::vector<citforms::runtime::TranscriptEntry> shown = ui->entries();
                for (std::size_t i = shownBefore; i < shown.size(); ++i) {
                    if (shown[i].request.icon == citforms::host::MessageIcon::Warning)
                        std::cerr << "tabrix: warning: " << shown[i].request.text << '\n';
                }
            }
        } else {
            std::cerr << "tabrix: " << problem->text << '\n';
            code = EXIT_FAILURE;
        }
    } else {
        // The module's contract: true is the screen, false the printer.
        g.DANE_DRUKARKA_EKRAN = a.printer ? 0 : 1;
        g.GGG_NUMCOPY = a.copies;
        g.DEKLARACJE_XPOS = a.xpos;
        g.DEKLARACJE_YPOS = a.ypos;
        g.DEKLARACJE_NADRUK = a.overlay ? 1 : 0;
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
        std::string problem;
        if (auto failed = readFailure()) {
            problem = "nie udało się odczytać deklaracji " + std::to_string(a.id) + ": " + *failed;
        } else if (!runtime.failure().empty()) {
            problem = "nie można zapisać pliku " + a.output + ": " + runtime.failure();
        } else if (output && completed) {
            if (std::string why = output->commit(keep); !why.empty())
                problem = "nie można zapisać pliku " + a.output + ": " + why;
        }
        if (problem.empty()) {
            std::cout << "print\t" << a.id << '\t' << (completed ? "completed" : "cancelled")
                      << '\n';
        } else {
            std::cerr << "tabrix: " << problem << '\n';
            code = EXIT_FAILURE;
        }
    }
    (*module)->kill();
    return code;
}

}  // namespace refhost::app
