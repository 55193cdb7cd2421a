// The CIT-8 returns of an office's companies in one go: `tabrix batch --all --pdf --check`
// over the demo's companies and 500 generated ones (BATCH_BENCH_COMPANIES changes the count),
// on SQLite in a temporary folder. Two measurements in one run:
//   Batch       the whole command as a person runs it (process, module load, for each company
//               the CIT-8 made, computed and saved, its PDF written and the declaration
//               checked), on a fresh copy of the generated database each time
//   ExportOnly  the baseline: ZAPISZ_CIT8_DO_PDF alone of the same companies' stored
//               declarations (made once before the run), in this process
// Both report companies per second, on the clock and per second of processor time (user and
// system; Batch's is that of the tabrix processes, so the "cpu" figure of the ratio line,
// which reads this process's main thread, says nothing for it); the run ends with Batch's time
// as a ratio to ExportOnly's. The generation of the database (`init-db --demo --companies N`) is timed
// once and shown as Batch's counter generate_s.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QGuiApplication>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "bench/ratio_reporter.h"
#include "citforms/print/report_runtime.h"
#include "citforms/shell/print_dispatch.h"
#include "citforms/state/module_state.h"
#include "refhost/db/open_database.h"
#include "refhost/libraries/reference_host.h"
#include "refhost/sql/database.h"
#include "runtime/ui/scripted/scripted_ui.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

int companies() {
    const char* n = std::getenv("BATCH_BENCH_COMPANIES");
    return n != nullptr && std::atoi(n) > 0 ? std::atoi(n) : 500;
}

// tabrix with `args`, its output into `log`; its exit status (-1 when it did not run).
int tabrix(const std::vector<std::string>& args, const fs::path& log) {
    std::vector<std::string> all{TABRIX_PATH};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, log.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return -1;
    int status = 0;
    if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

// The generated database, and a copy of it holding each company's CIT-8 of 2016.
struct Office {
    fs::path dir;
    fs::path generated;
    fs::path made;
    double generateSeconds = 0;
    int companies = 0;  // with the demo's
    std::string problem;

    ~Office() {
        if (!dir.empty()) fs::remove_all(dir);
    }
};

Office* office() {
    static std::unique_ptr<Office> o = [] {
        auto out = std::make_unique<Office>();
        out->dir = fs::temp_directory_path() / ("batch-bench-" + std::to_string(::getpid()));
        fs::create_directories(out->dir);
        out->generated = out->dir / "office.db";
        out->made = out->dir / "made.db";
        const auto start = std::chrono::steady_clock::now();
        if (tabrix({"--db", out->generated.string(), "init-db", "--demo", "--companies",
                    std::to_string(companies())},
                   out->dir / "init.log") != 0) {
            out->problem = "init-db failed, see " + (out->dir / "init.log").string();
            return out;
        }
        out->generateSeconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        fs::copy_file(out->generated, out->made);
        // The demo's pottery has no fiscal year: it fails in every batch, as it should.
        tabrix({"--db", out->made.string(), "batch", "--year", "2016", "--all", "--out",
                (out->dir / "made").string()},
               out->dir / "made.log");
        out->companies = companies() + 4;
        return out;
    }();
    return o.get();
}

void Batch(benchmark::State& state) {
    Office* o = office();
    if (!o->problem.empty()) {
        state.SkipWithError(o->problem.c_str());
        return;
    }
    const fs::path work = o->dir / "work.db";
    const fs::path out = o->dir / "out";
    // The processor time of the batch processes (user and system), which a machine busy with
    // other work disturbs less than the time on the clock.
    auto childCpu = [] {
        rusage usage{};
        getrusage(RUSAGE_CHILDREN, &usage);
        return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
               static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    };
    double cpu = 0;
    for (auto _ : state) {
        state.PauseTiming();
        fs::remove_all(out);
        fs::copy_file(o->generated, work, fs::copy_options::overwrite_existing);
        const double cpuBefore = childCpu();
        state.ResumeTiming();
        // Status 1: the pottery without a fiscal year; anything else is a failed run.
        const int status = tabrix({"--db", work.string(), "batch", "--year", "2016", "--all",
                                   "--out", out.string(), "--pdf", "--check"},
                                  o->dir / "batch.log");
        if (status != 0 && status != 1) state.SkipWithError("batch failed, see batch.log");
        cpu += childCpu() - cpuBefore;
    }
    state.counters["companies_per_s"] = benchmark::Counter(
        static_cast<double>(o->companies) * static_cast<double>(state.iterations()),
        benchmark::Counter::kIsRate);
    state.counters["companies_per_cpu_s"] =
        cpu > 0 ? static_cast<double>(o->companies) * static_cast<double>(state.iterations()) / cpu
                : 0.0;
    state.counters["generate_s"] = o->generateSeconds;
}

void ExportOnly(benchmark::State& state) {
    Office* o = office();
    if (!o->problem.empty()) {
        state.SkipWithError(o->problem.c_str());
        return;
    }
    auto db = refhost::db::openDatabase(o->made.string());
    if (!db) {
        state.SkipWithError(db.error().c_str());
        return;
    }
    std::ostringstream transcript;
    citforms::runtime::ScriptedUi ui(&transcript);
    refhost::libraries::ReferenceHost host(**db, ui);
    const auto runtime = citforms::print::makeWindowlessReportRuntime();
    citforms::host::HostBinding binding = host.binding();
    binding.report = runtime.get();
    citforms::module::ModuleState module;
    module.bindHost(binding);
    // The declarations the batch made: every CIT-8 after the demo's own.
    struct Made {
        std::int32_t id, company, templateId;
    };
    std::vector<Made> made;
    auto rows = (*db)->run(
        "select id_deklaracje_nag, id_firmy, id_deklaracje_wzorzec from DEKLARACJE_NAG where "
        "id_deklaracje_wzorzec in (70, 72, 73) AND id_deklaracje_nag > (select "
        "max(id_deklaracje_nag) from DEKLARACJE_NAG where id_firmy <= 4 AND "
        "id_deklaracje_wzorzec = 70) order by id_deklaracje_nag");
    if (!rows) {
        state.SkipWithError(rows.error().c_str());
        return;
    }
    for (const auto& r : rows->rows) {
        made.push_back({std::stoi(*r[0]), std::stoi(*r[1]), std::stoi(*r[2])});
    }
    const fs::path out = o->dir / "export";
    fs::create_directories(out);
    auto ownCpu = [] {
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
               static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    };
    const double cpuBefore = ownCpu();
    for (auto _ : state) {
        for (const Made& m : made) {
            host.data().globals().DANE_ID_FIRMY = m.company;
            const fs::path file = out / (std::to_string(m.id) + ".pdf");
            if (citforms::module::ZAPISZ_CIT8_DO_PDF(module, m.templateId, m.id, file.string()) != 1)
                state.SkipWithError("export failed");
        }
    }
    state.counters["companies_per_s"] = benchmark::Counter(
        static_cast<double>(made.size()) * static_cast<double>(state.iterations()),
        benchmark::Counter::kIsRate);
    const double cpu = ownCpu() - cpuBefore;
    state.counters["companies_per_cpu_s"] =
        cpu > 0 ? static_cast<double>(made.size()) * static_cast<double>(state.iterations()) / cpu
                : 0.0;
    state.counters["declarations"] = static_cast<double>(made.size());
}

BENCHMARK(Batch)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(2)->UseRealTime();
BENCHMARK(ExportOnly)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(2)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QGuiApplication app(argc, argv);
    std::vector<char*> args = citforms::bench::withDefaultFlags(argc, argv);
    int n = static_cast<int>(args.size()) - 1;
    benchmark::Initialize(&n, args.data());
    citforms::bench::RatioReporter reporter(std::vector<std::pair<std::string, std::string>>{
        {"Batch/iterations:1/repeats:2/real_time", "ExportOnly/iterations:1/repeats:2/real_time"}});
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
