// The PDF export of a template-73 CIT-8 correction with its ORD-ZU, CIT-8/O and 400 CIT-BR
// attachments (the demo correction with position 28 raised to 400, every copy stored), and
// its pre-filing check. The cases, in one run:
//   Baseline    the pages the export writes, with the values it prints (the declaration
//               loaded once, every copy's values taken before the run), built and painted
//               through the host's PDF maker into a file replaced whole and synced as every
//               PDF is: what the pages themselves cost
//   Export/N    ZAPISZ_CIT8_DO_PDF end to end with N CIT-BR copies announced (load, each
//               copy's values, pipeline, PDF maker); N = 400 makes the same PDF as Baseline,
//               N = 1, 100 and 400 (18, 216 and 816 pages) show whether each page costs the
//               same however many come before it
//   Values      Baseline's pages without their page drawings (the values alone)
//   QtValues    the values only, painted by Qt's PDF writer alone straight into a file: the
//               floor under Values (no rewrite, no sync)
//   QtOnly      the pages with their drawings painted by Qt's PDF writer alone, which writes
//               every page's drawing again: the way the maker replaced, for comparison
//   Check/N     the pre-filing check of the stored declaration with N copies announced
// Counters: pages, time per page, bytes per page, and the process's peak resident memory (KB)
// in the case; the check's items found. The run ends with each case's time as a ratio to
// Baseline's, Export/400 to Export/1 and Check/400 to Check/1.
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
#include <optional>
#include <fstream>
#include <sstream>

#include "bench/ratio_reporter.h"
#include "citforms/check/declaration_check.h"
#include "citforms/module/declaration_kinds.h"
#include "citforms/module/module_state.h"
#include "citforms/module/print_dispatch.h"
#include "citforms/print/cit8_prints.h"
#include "citforms/print/declaration_variables.h"
#include "citforms/print/layout_catalogue.h"
#include "citforms/print/page_builder.h"
#include "citforms/print/print_pipeline.h"
#include "citforms/print/report_runtime.h"
#include "citforms/store/declaration_load.h"
#include "refhost/libraries/reference_host.h"
#include "refhost/print/pdf_maker.h"
#include "refhost/sql/database.h"
#include "runtime/render/page_painter.h"
#include "runtime/ui/scripted/scripted_ui.h"

namespace {

namespace check = citforms::check;
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

// One print run of the export: a procedure's layout and, for a numbered form, the values of
// the copy it prints (taken from the loaded declaration before any measurement).
struct Part {
    const print::PrintProcedure* procedure;
    std::shared_ptr<const print::Layout> layout;
    std::string copyOf;              // the numbered form, empty for the others
    std::optional<store::FieldSet> copy;
};

const print::PrintProcedure* procedureNamed(const std::string& name) {
    for (const print::PrintProcedure* p : {&print::cit8Print73(), &print::ordZuPrint(),
                                           &print::cit8OPrint73(), &print::citBrPrint73(),
                                           &print::citDPrint72()}) {
        if (p->name == name) return p;
    }
    return nullptr;
}

// The runs the export of `fields` makes, step by step as the declaration's kind lists them
// (a step is printed when its main-form field is above 0, or equals the value it names; a
// step per copy once for each copy announced). Empty when a step has no procedure here.
std::vector<Part> exportParts(store::DeclarationFields& fields) {
    std::vector<Part> out;
    const module::DeclarationKind* kind = module::declarationKind(73);
    for (const module::PdfStep& step : kind->pdf) {
        std::int64_t value = 1;
        if (step.field != 0) value = fields.main()[step.field].decimal().integerPart();
        if (step.equals != 0 ? value != step.equals : value <= 0) continue;
        const print::PrintProcedure* procedure = procedureNamed(step.print);
        if (procedure == nullptr) return {};
        auto layout = std::shared_ptr<const print::Layout>(
            std::make_unique<print::Layout>(*print::openLayout(procedure->name)));
        if (step.perCopyOf.empty()) {
            out.push_back({procedure, layout, {}, std::nullopt});
            continue;
        }
        for (std::int32_t n = 1; n <= value; ++n) {
            store::loadCopy(fields, step.perCopyOf, n, static_cast<std::int32_t>(value));
            out.push_back({procedure, layout, step.perCopyOf, fields.form(step.perCopyOf)});
        }
    }
    return out;
}

// The export's pages in the order of its PDF, built from the values as the print pipeline
// builds them (origin, receipt lines by the settings); `forms` false hides every page drawing.
template <class Sink>
void everyPage(store::DeclarationFields& fields, const std::vector<Part>& parts,
               const host::Globals& globals, bool forms, Sink&& sink) {
    for (const Part& part : parts) {
        if (part.copy) fields.form(part.copyOf) = *part.copy;
        print::ReportRun run(*part.layout);
        run.setOrigin(print::offsetThousandths(globals.DEKLARACJE_XPOS),
                      print::offsetThousandths(globals.DEKLARACJE_YPOS));
        for (int control : print::receiptControls(*part.layout)) {
            if (globals.GGG_PRN_UPO_INFO_DRUKUJ == 1) {
                run.show(control);
            } else {
                run.hide(control);
            }
        }
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
    }
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
    host::Globals globals;            // the host's settings as the export prints with them
    std::vector<Part> parts;          // the print runs of the export, copies' values taken

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
        // Loaded as the export loads it: the template named, the settings of a PDF.
        module::DeclarationState state;
        state.CIT_ID_DEKLARACJI = out->id;
        state.CIT_ID_WZORCA = 73;
        store::WCZYTAJ_CIT_8(73, out->binding, state, out->fields);
        out->globals = out->binding.data->globals();
        out->globals.GGG_PRN_UPO_INFO_DRUKUJ = 1;
        out->globals.GGG_EMAILPDFSAVEAS = 10;
        out->globals.DEKLARACJE_NADRUK = 0;
        out->parts = exportParts(out->fields);
        if (out->parts.empty()) return std::unique_ptr<Demo>();
        return out;
    }();
    return d.get();
}

// The pages painted by Qt's PDF writer alone, as the maker did before it shared drawings.
bool qtPdf(const std::filesystem::path& file, store::DeclarationFields& fields,
           const std::vector<Part>& parts, const host::Globals& globals, bool forms,
           std::int64_t* pages) {
    QPdfWriter writer(QString::fromStdString(file.string()));
    writer.setResolution(1000);
    writer.setPageLayout(
        QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
    QPainter painter;
    runtime::PagePainter pagePainter;
    bool begun = false;
    everyPage(fields, parts, globals, forms, [&](const host::PageList& list) {
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

// The pages of a finished PDF (its page objects).
std::int64_t pdfPages(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::string text(std::filesystem::file_size(file), '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    const std::string mark = "/Type /Page";
    std::int64_t count = 0;
    for (std::size_t at = text.find(mark); at != std::string::npos;
         at = text.find(mark, at + mark.size())) {
        const std::size_t next = at + mark.size();
        if (next >= text.size() || text[next] != 's') ++count;
    }
    return count;
}

void pageCounters(benchmark::State& state, const std::filesystem::path& file,
                  std::int64_t pagesPerRun) {
    const auto pages = static_cast<double>(pagesPerRun);
    const auto iterations = static_cast<double>(state.iterations());
    state.counters["pages"] = pages;
    state.counters["s_per_page"] = benchmark::Counter(
        pages * iterations, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["bytes_per_page"] =
        static_cast<double>(std::filesystem::file_size(file)) / pages;
    state.counters["peak_rss_kb"] = static_cast<double>(peakRssKb());
}

enum class Writer { Qt, Maker };

void pagesIntoPdf(benchmark::State& state, bool forms, Writer writer, const char* name) {
    Demo* d = demo();
    if (d == nullptr) {
        state.SkipWithError("no demo database");
        return;
    }
    store::DeclarationFields fields = d->fields;
    const auto file = benchFile(name);
    std::int64_t pages = 0;
    resetPeakRss();
    for (auto _ : state) {
        pages = 0;
        if (writer == Writer::Qt) {
            if (!qtPdf(file, fields, d->parts, d->globals, forms, &pages))
                state.SkipWithError("PDF not made");
            continue;
        }
        citforms::refhost::PdfMaker pdf;
        pdf.MAKEPDF(0, file.string(), nullptr);
        everyPage(fields, d->parts, d->globals, forms, [&](const host::PageList& list) {
            pdf.MAKEPDF(1, "", &list);
            pages += static_cast<std::int64_t>(list.size());
        });
        if (pdf.MAKEPDF(2, "", nullptr) != 0) state.SkipWithError("PDF not made");
    }
    pageCounters(state, file, pages);
    dispose(file);
}

void Baseline(benchmark::State& state) { pagesIntoPdf(state, true, Writer::Maker, "baseline"); }
void Values(benchmark::State& state) { pagesIntoPdf(state, false, Writer::Maker, "values"); }
void QtValues(benchmark::State& state) { pagesIntoPdf(state, false, Writer::Qt, "qt-values"); }
void QtOnly(benchmark::State& state) { pagesIntoPdf(state, true, Writer::Qt, "qt-only"); }

// Position 28 (the CIT-BR copies announced) of the demo correction set to `copies` for the
// life of the object; all 400 copies stay stored.
class AnnouncedCopies {
public:
    AnnouncedCopies(Demo& d, std::int64_t copies) : d_(d) { announce(copies); }
    ~AnnouncedCopies() { announce(kCitBr); }

private:
    void announce(std::int64_t copies) {
        d_.host->utility().EXECSQL("update DEKLARACJE_POZ set WARTOSC_POLA = '" +
                                   std::to_string(copies) + ".00' where ID_DEKLARACJE_NAG = " +
                                   std::to_string(d_.id) +
                                   " AND NR_ZALACZNIKA = 0 AND NR_POLA = '28'");
    }
    Demo& d_;
};

// ZAPISZ_CIT8_DO_PDF on the demo correction with state.range(0) CIT-BR copies announced.
void Export(benchmark::State& state) {
    Demo* d = demo();
    if (d == nullptr) {
        state.SkipWithError("no demo database");
        return;
    }
    const AnnouncedCopies copies(*d, state.range(0));
    const std::string name = "export-" + std::to_string(state.range(0));
    const auto file = benchFile(name.c_str());
    resetPeakRss();
    for (auto _ : state) {
        if (module::ZAPISZ_CIT8_DO_PDF(d->module, 73, d->id, file.string()) != 1)
            state.SkipWithError("export failed");
    }
    pageCounters(state, file, pdfPages(file));
    dispose(file);
}

// The pre-filing check of the demo correction with state.range(0) CIT-BR copies announced.
void Check(benchmark::State& state) {
    Demo* d = demo();
    if (d == nullptr) {
        state.SkipWithError("no demo database");
        return;
    }
    const AnnouncedCopies copies(*d, state.range(0));
    std::size_t items = 0;
    for (auto _ : state) {
        const auto result = check::checkStoredDeclaration(d->module, d->id);
        if (!result) state.SkipWithError("check failed");
        items = result ? result->items.size() : 0;
    }
    state.counters["items"] = static_cast<double>(items);
}

BENCHMARK(Baseline)->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();
BENCHMARK(Export)
    ->Arg(kCitBr)
    ->Arg(100)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(1.0)
    ->UseRealTime();
BENCHMARK(Values)->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();
BENCHMARK(QtValues)->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();
BENCHMARK(QtOnly)->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();
BENCHMARK(Check)
    ->Arg(1)
    ->Arg(100)
    ->Arg(kCitBr)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(1.0)
    ->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QGuiApplication app(argc, argv);
    std::vector<char*> args = citforms::bench::withDefaultFlags(argc, argv);
    int n = static_cast<int>(args.size()) - 1;
    benchmark::Initialize(&n, args.data());
    const std::string baseline = "Baseline/min_time:1.000/real_time";
    const auto named = [](const std::string& name) { return name + "/min_time:1.000/real_time"; };
    citforms::bench::RatioReporter reporter(std::vector<std::pair<std::string, std::string>>{
        {named("Export/" + std::to_string(kCitBr)), baseline},
        {named("Values"), baseline},
        {named("QtValues"), baseline},
        {named("QtOnly"), baseline},
        {named("Export/" + std::to_string(kCitBr)), named("Export/1")},
        {named("Check/" + std::to_string(kCitBr)), named("Check/1")}});
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
