// The CIT-8 (24) window as a person meets it, with the real Qt view (offscreen unless a
// display is set) over the demo database:
//   EmptyWindow  baseline: a plain dialog of the CIT-8 window's size shown, painted, closed
//   Open         a stored declaration opened as DEKLARACJE_CIT_POKAZ opens it: load, company
//                data, the window generated over its layout and page drawings, the view built,
//                shown, painted and closed
//   Refresh      "Odśwież" on the open window: company data afresh, every form rule, the view
//                synced and painted
// The run ends with Open and Refresh as ratios to EmptyWindow.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <QApplication>
#include <QDialog>

#include <filesystem>
#include <functional>
#include <sstream>

#include "bench/ratio_reporter.h"
#include "citforms/print/report_runtime.h"
#include "citforms/shell/window_dispatch.h"
#include "citforms/state/module_state.h"
#include "refhost/db/open_database.h"
#include "refhost/libraries/reference_host.h"
#include "refhost/sql/database.h"
#include "runtime/ui/qt_form_window.h"

namespace {

namespace host = citforms::host;
namespace module = citforms::module;

// The UI seam of the benchmark: each window the module opens is a real view, shown and
// painted; what happens while it is open is the case's, then it closes.
class BenchUi : public host::UiSeam {
public:
    std::function<void(host::UiWindow&, citforms::runtime::QtFormWindowView&)> whileOpen;
    QSize lastSize;
    int messages = 0;

    int message(const host::MessageRequest&) override {
        ++messages;
        return 1;
    }
    void setBusy(bool) override {}
    int runWindow(const host::WindowRequest& request) override {
        citforms::runtime::QtFormWindowView view(request);
        view.show();
        view.repaint();
        lastSize = view.size();
        if (whileOpen) whileOpen(*request.window, view);
        return 0;
    }
};

struct Demo {
    std::filesystem::path dbFile;
    std::unique_ptr<::refhost::sql::HostDatabase> db;
    BenchUi ui;
    std::unique_ptr<::refhost::libraries::ReferenceHost> host;
    std::unique_ptr<citforms::print::ReportRuntime> runtime;
    module::ModuleState module;
    std::int32_t id = 0;

    ~Demo() {
        host.reset();
        db.reset();
        std::filesystem::remove(dbFile);
    }

    // The stored declaration in its window; `whileOpen` runs with the window shown.
    bool open(std::function<void(host::UiWindow&, citforms::runtime::QtFormWindowView&)> f) {
        ui.whileOpen = std::move(f);
        const auto result =
            module::openDeclarationWindow(module, id, "CIT_8_73", 0, 0, {true, 0, true, 0, {}});
        return result.ok();
    }
};

Demo* demo() {
    static std::unique_ptr<Demo> d = [] {
        auto out = std::make_unique<Demo>();
        out->dbFile = std::filesystem::temp_directory_path() /
                      ("window-bench-" + std::to_string(::getpid()) + ".db");
        std::filesystem::remove(out->dbFile);
        auto db = ::refhost::db::openDatabase(out->dbFile.string());
        if (!db || !(*db)->loadDemo()) return std::unique_ptr<Demo>();
        out->db = std::move(*db);
        out->host = std::make_unique<::refhost::libraries::ReferenceHost>(*out->db, out->ui);
        host::Globals g;
        g.DANE_ID_FIRMY = 1;
        out->host->state().setDefaults(g);
        out->id = std::stoi(out->host->utility().FUNCVAY(
            "select min(id_deklaracje_nag) from DEKLARACJE_NAG where id_deklaracje_wzorzec = 73"));
        out->runtime = citforms::print::makeWindowlessReportRuntime();
        host::HostBinding binding = out->host->binding();
        binding.report = out->runtime.get();
        out->module.bindHost(binding);
        // Once, so that the baseline knows the window's size.
        if (!out->open(nullptr)) return std::unique_ptr<Demo>();
        return out;
    }();
    return d.get();
}

void EmptyWindow(benchmark::State& state) {
    Demo* d = demo();
    if (d == nullptr) return state.SkipWithError("no demo database");
    for (auto _ : state) {
        QDialog dialog;
        dialog.resize(d->ui.lastSize);
        dialog.show();
        dialog.repaint();
        QApplication::processEvents();
    }
}

void Open(benchmark::State& state) {
    Demo* d = demo();
    if (d == nullptr) return state.SkipWithError("no demo database");
    for (auto _ : state) {
        if (!d->open([](host::UiWindow&, citforms::runtime::QtFormWindowView&) {
                QApplication::processEvents();
            }))
            return state.SkipWithError("the window did not open");
    }
    state.counters["messages"] = d->ui.messages;
}

void Refresh(benchmark::State& state) {
    Demo* d = demo();
    if (d == nullptr) return state.SkipWithError("no demo database");
    bool found = false;
    d->open([&](host::UiWindow& window, citforms::runtime::QtFormWindowView& view) {
        const auto& buttons = window.model().buttons;
        for (std::size_t b = 0; b < buttons.size(); ++b) {
            if (buttons[b].caption != "Odśwież") continue;
            found = true;
            for (auto _ : state) {
                window.press(b);
                view.sync();
                view.repaint();
            }
        }
        // The demo declaration is a correction: "Odśwież" makes it a filing (position 7).
        for (std::size_t e = 0; e < window.model().entries.size(); ++e) {
            if (window.model().entries[e].field == 7 && window.display(e) != "1")
                found = false;
        }
    });
    if (!found) state.SkipWithError("no \"Odśwież\" button, or it did not refresh");
}

}  // namespace

BENCHMARK(EmptyWindow)->Unit(benchmark::kMillisecond)->MinTime(0.5)->UseRealTime();
BENCHMARK(Open)->Unit(benchmark::kMillisecond)->MinTime(0.5)->UseRealTime();
BENCHMARK(Refresh)->Unit(benchmark::kMillisecond)->MinTime(0.5)->UseRealTime();

int main(int argc, char** argv) {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    std::vector<char*> args = citforms::bench::withDefaultFlags(argc, argv);
    int n = static_cast<int>(args.size()) - 1;
    benchmark::Initialize(&n, args.data());
    const char* baseline = "EmptyWindow/min_time:0.500/real_time";
    citforms::bench::RatioReporter reporter(std::vector<std::pair<std::string, std::string>>{
        {"Open/min_time:0.500/real_time", baseline},
        {"Refresh/min_time:0.500/real_time", baseline}});
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
