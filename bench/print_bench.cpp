// The PDF of a template-73 CIT-8 correction with its CIT-8/O and 400 CIT-BR attachments: 808
// pages. Four measurements in one run:
// Every case prints the demo correction with position 28 raised to 400.
//   Baseline    the 808 pages without their page drawings (values only) through the host's
//               PDF maker, into a file replaced whole and synced as every PDF is: what the
//               values cost
//   WithForms   the pages with the drawings of the form under the values, through the PDF
//               maker (each drawing written once, placed as a form XObject on every page)
//   Export      ZAPISZ_CIT8_DO_PDF end to end on a demo database (load, pipeline, PDF maker)
//   QtValues    the values only, painted by Qt's PDF writer alone straight into a file: the
//               floor under Baseline (no rewrite, no sync)
//   QtOnly      the pages with their drawings painted by Qt's PDF writer alone, which writes
//               every page's drawing again: the way the maker replaced, for comparison
// Counters: pages per second, bytes per page, and the process's peak resident memory (KB)
// after the case (the cases run in this order, so Export's peak is not QtOnly's). The run
// ends with each case's time as a ratio to Baseline's.
// PRINT_BENCH_KEEP=<folder> keeps the PDFs there for a look with pdftotext or a viewer.
#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <unistd.h>

#include <QGuiApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "bench/ratio_reporter.h"
#include "citforms/module/module_state.h"
#include "citforms/module/print_dispatch.h"
#include "citforms/print/cit8_prints.h"
#include "citforms/print/declaration_variables.h"
#include "citforms/print/layout_catalogue.h"
#include "citforms/print/page_builder.h"
#include "citforms/print/report_runtime.h"
#include "citforms/store/declaration_load.h"
#include "refhost/libraries/reference_host.h"
#include "refhost/print/pdf_maker.h"
#include "refhost/sql/database.h"
#include "runtime/render/page_painter.h"
#include "runtime/ui/scripted/scripted_ui.h"

namespace {

namespace host = citforms::host;
namespace module = citforms::module;
namespace print = citforms::print;
namespace runtime = citforms::runtime;
namespace store = citforms::store;

constexpr int kCitBr = 400;

// The process's peak resident memory since the last resetPeakRss() (VmHWM), so that a case's
// figure is its own and not the largest of the cases that ran before it; without /proc, the
// peak of the whole process.
void resetPeakRss() {
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
}

long peakRssKb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

std::filesystem::path benchFile(const char* name) {
    return std::filesystem::temp_directory_path() /
           (std::string(name) + "-" + std::to_string(::getpid()) + ".pdf");
}

// Removes a PDF of the run, or moves it into PRINT_BENCH_KEEP.
void dispose(const std::filesystem::path& file) {
    if (const char* keep = std::getenv("PRINT_BENCH_KEEP")) {
        const std::filesystem::path name = file.filename().string().substr(
            0, file.filename().string().rfind('-'));
        std::filesystem::copy_file(file, std::filesystem::path(keep) / (name.string() + ".pdf"),
                                   std::filesystem::copy_options::overwrite_existing);
    }
    std::filesystem::remove(file);
}

// The demo correction (template 73) with position 28 raised to 400, in a database of its own
// that lives as long as the run; every case prints its pages.
struct Demo {
    std::filesystem::path dbFile;
    std::unique_ptr<::refhost::sql::HostDatabase> db;
    std::ostringstream transcript;
    std::unique_ptr<runtime::ScriptedUi> ui;
    std::unique_ptr<::refhost::libraries::ReferenceHost> host;
    std::unique_ptr<print::ReportRuntime> runtime;
    host::HostBinding binding;
    module::ModuleState module;
    std::int32_t id = 0;
    store::DeclarationFields fields;  // the declaration as the export loads it

    ~Demo() {
        host.reset();
        db.reset();
        std::filesystem::remove(dbFile);
    }
};

Demo* demo() {
    static std::unique_ptr<Demo> d = [] {
        auto out = std::make_unique<Demo>();
        out->dbFile = std::filesystem::temp_directory_path() /
                      ("print-bench-" + std::to_string(::getpid()) + ".db");
        std::filesystem::remove(out->dbFile);
        auto db = ::refhost::sql::HostDatabase::open(out->dbFile.string());
        if (!db || !(*db)->loadDemo()) return std::unique_ptr<Demo>();
        out->db = std::move(*db);
        out->ui = std::make_unique<runtime::ScriptedUi>(&out->transcript);
        out->host = std::make_unique<::refhost::libraries::ReferenceHost>(*out->db, *out->ui);
        host::Globals g;
        g.DANE_ID_FIRMY = 1;
        out->host->state().setDefaults(g);
        auto& u = out->host->utility();
        const std::string id = u.FUNCVAY(
            "select min(id_deklaracje_nag) from DEKLARACJE_NAG where id_deklaracje_wzorzec = 73");
        u.EXECSQL("update DEKLARACJE_POZ set WARTOSC_POLA = '400.00' where ID_DEKLARACJE_NAG = " +
                  id + " AND NR_ZALACZNIKA = 0 AND NR_POLA = '28'");
        // The 400 announced copies stored too (copy n on sheet 500 + n, each the first one's
        // values): the export refuses a declaration whose announced copies are missing.
        for (int n = 2; n <= kCitBr; ++n) {
            u.EXECSQL("insert into DEKLARACJE_POZ (ID_DEKLARACJE_NAG, NR_POLA, WARTOSC_POLA, "
                      "NR_ZALACZNIKA) select ID_DEKLARACJE_NAG, NR_POLA, WARTOSC_POLA, " +
                      std::to_string(500 + n) + " from DEKLARACJE_POZ where ID_DEKLARACJE_NAG = " +
                      id + " AND NR_ZALACZNIKA = 501");
        }
        out->id = std::stoi(id);
        out->runtime = print::makeWindowlessReportRuntime();
        out->binding = out->host->binding();
        out->binding.report = out->runtime.get();
        out->module.bindHost(out->binding);
        module::DeclarationState state;
        state.CIT_ID_DEKLARACJI = out->id;
        store::WCZYTAJ_CIT_8_73(out->binding, state, out->fields);
        return out;
    }();
    return d.get();
}

// The 808 pages in the order of the PDF; `forms` false hides every page drawing.
template <class Sink>
void everyPage(store::DeclarationFields& fields, const host::Globals& globals, bool forms,
               Sink&& sink) {
    struct Part {
        const print::PrintProcedure* procedure;
        std::unique_ptr<print::Layout> layout;
    };
    static std::vector<Part> parts = [] {
        std::vector<Part> out;
        for (const print::PrintProcedure* p : {&print::cit8Print73(), &print::ordZuPrint(),
                                               &print::cit8OPrint73(), &print::citBrPrint73()}) {
            out.push_back({p, std::make_unique<print::Layout>(*print::openLayout(p->name))});
        }
        return out;
    }();
    auto printPart = [&](const Part& part) {
        print::ReportRun run(*part.layout);
        if (!forms) {
            for (const print::Band& band : part.layout->bands()) {
                for (const print::Control& c : band.controls) {
                    if (c.kind == print::ControlKind::Image) run.hide(c.number);
                }
            }
        }
        const print::DeclarationVariables vars(fields, globals);
        host::PageList pages;
        for (int band : part.layout->pageBands()) pages.append(*print::buildPage(run, band, vars));
        sink(pages);
    };
    printPart(parts[0]);
    printPart(parts[1]);
    printPart(parts[2]);
    for (int i = 1; i <= kCitBr; ++i) {
        store::WCZYTAJ_CIT_BR(fields, i, kCitBr);
        printPart(parts[3]);
    }
}

// The pages painted by Qt's PDF writer alone, as the maker did before it shared drawings.
bool qtPdf(const std::filesystem::path& file, store::DeclarationFields& fields,
           const host::Globals& globals, bool forms, std::int64_t* pages) {
    QPdfWriter writer(QString::fromStdString(file.string()));
    writer.setResolution(1000);
    writer.setPageLayout(
        QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
    QPainter painter;
    runtime::PagePainter pagePainter;
    bool begun = false;
    everyPage(fields, globals, forms, [&](const host::PageList& list) {
        for (const print::PageContent& page : list.pages()) {
            if (!begun) {
                begun = painter.begin(&writer);
            } else {
                writer.newPage();
            }
            pagePainter.paint(painter, page);
            ++*pages;
        }
    });
    return begun && painter.end();
}

enum class Writer { Qt, Maker };

void pagesIntoPdf(benchmark::State& state, bool forms, Writer writer, const char* name) {
    if (demo() == nullptr) {
        state.SkipWithError("no demo database");
        return;
    }
    store::DeclarationFields fields = demo()->fields;
    const host::Globals globals;
    const auto file = benchFile(name);
    std::int64_t pages = 0;
    resetPeakRss();
    for (auto _ : state) {
        if (writer == Writer::Qt) {
            if (!qtPdf(file, fields, globals, forms, &pages)) state.SkipWithError("PDF not made");
            continue;
        }
        citforms::refhost::PdfMaker pdf;
        pdf.MAKEPDF(0, file.string(), nullptr);
        everyPage(fields, globals, forms, [&](const host::PageList& list) {
            pdf.MAKEPDF(1, "", &list);
            pages += static_cast<std::int64_t>(list.size());
        });
        if (pdf.MAKEPDF(2, "", nullptr) != 0) state.SkipWithError("PDF not made");
    }
    const auto bytes = static_cast<double>(std::filesystem::file_size(file));
    state.counters["pages_per_s"] =
        benchmark::Counter(static_cast<double>(pages), benchmark::Counter::kIsRate);
    state.counters["bytes_per_page"] = bytes / (static_cast<double>(pages) /
                                                static_cast<double>(state.iterations()));
    state.counters["peak_rss_kb"] = static_cast<double>(peakRssKb());
    dispose(file);
}

void Baseline(benchmark::State& state) {
    pagesIntoPdf(state, false, Writer::Maker, "baseline");
}
void QtValues(benchmark::State& state) { pagesIntoPdf(state, false, Writer::Qt, "qt-values"); }
void WithForms(benchmark::State& state) {
    pagesIntoPdf(state, true, Writer::Maker, "with-forms");
}
void QtOnly(benchmark::State& state) { pagesIntoPdf(state, true, Writer::Qt, "qt-only"); }

// ZAPISZ_CIT8_DO_PDF on the demo correction.
void Export(benchmark::State& state) {
    Demo* d = demo();
    if (d == nullptr) {
        state.SkipWithError("no demo database");
        return;
    }
    const auto file = benchFile("export");
    resetPeakRss();
    for (auto _ : state) {
        if (module::ZAPISZ_CIT8_DO_PDF(d->module, 73, d->id, file.string()) != 1)
            state.SkipWithError("export failed");
    }
    const auto bytes = static_cast<double>(std::filesystem::file_size(file));
    const double pages = 808.0;
    state.counters["pages_per_s"] = benchmark::Counter(
        pages * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["bytes_per_page"] = bytes / pages;
    state.counters["peak_rss_kb"] = static_cast<double>(peakRssKb());
    dispose(file);
}

BENCHMARK(Baseline)->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();
BENCHMARK(WithForms)->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();
BENCHMARK(Export)->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();
BENCHMARK(QtValues)->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();
BENCHMARK(QtOnly)->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QGuiApplication app(argc, argv);
    std::vector<char*> args = citforms::bench::withDefaultFlags(argc, argv);
    int n = static_cast<int>(args.size()) - 1;
    benchmark::Initialize(&n, args.data());
    const char* baseline = "Baseline/min_time:1.000/real_time";
    citforms::bench::RatioReporter reporter(std::vector<std::pair<std::string, std::string>>{
        {"WithForms/min_time:1.000/real_time", baseline},
        {"Export/min_time:1.000/real_time", baseline},
        {"QtValues/min_time:1.000/real_time", baseline},
        {"QtOnly/min_time:1.000/real_time", baseline}});
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
