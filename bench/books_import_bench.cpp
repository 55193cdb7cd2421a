// Importing a JPK_KR file of a million postings into an SQLite database (schema validation,
// streaming parse, checks, postings, turnovers) against the baseline of inserting the same
// rows into KSIEGOWANIA with one prepared statement in one transaction. The file is written
// first with libxml2's streaming writer and validated against the schema on its own. The run
// ends with "ratio import/jpk_kr / import/baseline" and the peak memory of one import.
//
// CITFORMS_BENCH_POSTINGS sets the number of postings (default 1 000 000, a multiple of 4).
#include <benchmark/benchmark.h>
#include <libxml/xmlschemas.h>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "bench/ratio_reporter.h"
#include "citforms/values/book_values.h"
#include "refhost/db/book_import.h"
#include "refhost/db/open_database.h"
#include "refhost/sql/database.h"
#include "tests/support/jpk_kr_generator.h"

using citforms::values::fromDate;

namespace {

namespace fs = std::filesystem;
using refhost::sql::HostDatabase;

const std::string kNip = "7781234563";

long long postingCount() {
    const char* n = std::getenv("CITFORMS_BENCH_POSTINGS");
    const long long count = n != nullptr ? std::atoll(n) : 1000000;
    return count > 0 ? count / 4 * 4 : 1000000;
}

citforms_test::JpkKrPlan plan() { return {kNip, "Młyn Pszenica", 2017, postingCount(), 7}; }

fs::path folder() {
    static const fs::path dir = [] {
        fs::path d = fs::temp_directory_path() / ("books-import-bench-" + std::to_string(getpid()));
        fs::create_directories(d);
        return d;
    }();
    return dir;
}

// The generated file, written and validated once.
const std::string& jpkFile() {
    static const std::string path = [] {
        const std::string p = (folder() / "jpk_kr.xml").string();
        citforms_test::writeJpkKr(p, plan());
        if (auto st = refhost::db::loadJpkKrSchema(); !st) {
            std::cerr << st.error() << '\n';
            std::exit(1);
        }
        const std::string xsd = refhost::db::jpkKrSchemaFolder() + "/Schemat_JPK_KR(1)_v1-0.xsd";
        xmlSchemaParserCtxtPtr pc = xmlSchemaNewParserCtxt(xsd.c_str());
        xmlSchemaPtr schema = xmlSchemaParse(pc);
        xmlSchemaValidCtxtPtr vc = xmlSchemaNewValidCtxt(schema);
        const int rc = xmlSchemaValidateFile(vc, p.c_str(), 0);
        xmlSchemaFreeValidCtxt(vc);
        xmlSchemaFree(schema);
        xmlSchemaFreeParserCtxt(pc);
        if (rc != 0) {
            std::cerr << "the generated file does not validate against the schema\n";
            std::exit(1);
        }
        std::printf("file %s: %lld postings, %.0f MB, valid against the schema\n", p.c_str(),
                    plan().postings, static_cast<double>(fs::file_size(p)) / 1e6);
        return p;
    }();
    return path;
}

// A fresh database holding the company with its fiscal year 2017.
std::unique_ptr<HostDatabase> freshDatabase() {
    const fs::path file = folder() / "books.db";
    fs::remove(file);
    auto db = refhost::db::openDatabase(file.string());
    if (!db) {
        std::cerr << db.error() << '\n';
        std::exit(1);
    }
    const std::vector<std::string> setup = {
        "insert into FIRMA (id_firmy, nip, nazwa) values (1, '" + kNip + "', 'Młyn')",
        "insert into LATA_OBROTOWE (id_lata_obrotowe, id_firmy, poczatek_roku, koniec_roku, "
        "rok_obrotowy) values (1, 1, " +
            std::to_string(fromDate(2017, 1, 1)) + ", " +
            std::to_string(fromDate(2017, 12, 31)) + ", '2017')",
    };
    for (const std::string& s : setup) {
        if (auto r = (*db)->runNative(s); !r) {
            std::cerr << r.error() << '\n';
            std::exit(1);
        }
    }
    return std::move(*db);
}

long peakKilobytes() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmHWM:", 0) == 0) return std::atol(line.c_str() + 6);
    }
    return 0;
}

void resetPeak() { std::ofstream("/proc/self/clear_refs") << "5"; }

long importPeakKb = 0;  // growth over the process before the import
long importHighKb = 0;  // the process's whole resident peak during it
long baselinePeakKb = 0;

void BM_ImportJpkKr(benchmark::State& state) {
    const std::string& file = jpkFile();
    for (auto _ : state) {
        state.PauseTiming();
        auto db = freshDatabase();
        resetPeak();
        const long before = peakKilobytes();
        state.ResumeTiming();
        auto summary = refhost::db::importBooks(*db, 1, file);
        state.PauseTiming();
        if (!summary) {
            state.SkipWithError(summary.error().c_str());
            return;
        }
        importPeakKb = std::max(importPeakKb, peakKilobytes() - before);
        importHighKb = std::max(importHighKb, peakKilobytes());
        db.reset();
        state.ResumeTiming();
    }
    state.counters["postings"] = static_cast<double>(plan().postings);
}

void BM_Baseline(benchmark::State& state) {
    (void)jpkFile();
    const std::string insert =
        "insert into KSIEGOWANIA (id_firmy, nr_konta, data, kwota_wn, kwota_ma, dokument, opis, "
        "id_importu, waluta, kwota_waluta) values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)";
    for (auto _ : state) {
        state.PauseTiming();
        auto db = freshDatabase();
        resetPeak();
        const long before = peakKilobytes();
        state.ResumeTiming();
        bool ok = static_cast<bool>(db->begin());
        std::vector<std::optional<std::string>> params(10);
        citforms_test::forEachJpkKrPosting(plan(), [&](const citforms_test::JpkKrRow& row) {
            if (!ok) return;
            params = {"1", row.account, std::to_string(row.day), std::to_string(row.debit),
                      std::to_string(row.credit), row.document, row.description, "1", "", "0"};
            ok = static_cast<bool>(db->runNative(insert, params));
        });
        ok = ok && db->commit();
        state.PauseTiming();
        if (!ok) {
            state.SkipWithError("baseline insert failed");
            return;
        }
        baselinePeakKb = std::max(baselinePeakKb, peakKilobytes() - before);
        db.reset();
        state.ResumeTiming();
    }
}

// Reading alone: the streaming parse with the schema validation, into a sink that keeps
// nothing; the part of the import that is not the database's.
class NoSink : public refhost::db::JpkKrSink {
public:
    citforms::values::Status header(const refhost::db::JpkKrHeader&) override { return {}; }
    citforms::values::Status account(const refhost::db::JpkKrAccount&) override { return {}; }
    citforms::values::Status posting(const refhost::db::JpkKrPosting&) override { return {}; }
};

void BM_ReadOnly(benchmark::State& state) {
    const std::string& file = jpkFile();
    for (auto _ : state) {
        NoSink sink;
        auto controls = refhost::db::readJpkKr(refhost::db::JpkKrSource::file(file), sink);
        if (!controls) {
            state.SkipWithError(controls.error().c_str());
            return;
        }
    }
}

BENCHMARK(BM_ReadOnly)->Name("import/read_only")->Iterations(1)->Unit(benchmark::kSecond)
    ->UseRealTime();
BENCHMARK(BM_ImportJpkKr)->Name("import/jpk_kr")->Iterations(1)->Unit(benchmark::kSecond)
    ->UseRealTime();
BENCHMARK(BM_Baseline)->Name("import/baseline")->Iterations(1)->Unit(benchmark::kSecond)
    ->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    // Three repetitions: each case of a million postings takes seconds.
    static char repetitions[] = "--benchmark_repetitions=3";
    std::vector<char*> args = citforms::bench::withDefaultFlags(argc, argv);
    args.insert(args.begin() + 4, repetitions);  // after the defaults, before the user's
    int n = static_cast<int>(args.size()) - 1;
    benchmark::Initialize(&n, args.data());
    citforms::bench::RatioReporter reporter(
        std::vector<std::pair<std::string, std::string>>{
            {"import/jpk_kr/iterations:1/real_time", "import/baseline/iterations:1/real_time"},
            {"import/read_only/iterations:1/real_time",
             "import/baseline/iterations:1/real_time"}});
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("peak memory of one import: %.1f MB above the process before it, %.1f MB "
                "resident in all (baseline: %.1f MB above)\n",
                importPeakKb / 1024.0, importHighKb / 1024.0, baselinePeakKb / 1024.0);
    fs::remove_all(folder());
    benchmark::Shutdown();
    return 0;
}
