// Where an amount comes from, on the books of a million postings that books_import_bench
// imports (the same generated JPK_KR file, imported once into an SQLite database):
//   explain/statement  the sources of the costs statement of position 36 (its terms, the
//                      accounts they take and their turnovers over the year)
//   explain/postings   the same with the first page of 100 postings behind them (what the
//                      window's tree reads); explain/postings_counted also counts them all
//   explain/baseline   a plain aggregate query of the same postings (one sum over the year)
//   reconcile/books    every account of the year with the statements that take it, the
//                      books' totals and every statement's value
//   reconcile/baseline a plain GROUP BY of the year's postings per account
// The run ends with the ratios of each case to its baseline.
//
// CITFORMS_BENCH_POSTINGS sets the number of postings (default 1 000 000, a multiple of 4).
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "bench/ratio_reporter.h"
#include "refhost/db/book_import.h"
#include "citforms/values/day_number.h"
#include "refhost/db/statement_feeds.h"
#include "refhost/db/open_database.h"
#include "refhost/sql/database.h"
#include "tests/support/jpk_kr_generator.h"

namespace {

namespace fs = std::filesystem;
using refhost::sql::HostDatabase;

const std::string kNip = "7781234563";
constexpr long long kDeclaration = 1;

long long postingCount() {
    const char* n = std::getenv("CITFORMS_BENCH_POSTINGS");
    const long long count = n != nullptr ? std::atoll(n) : 1000000;
    return count > 0 ? count / 4 * 4 : 1000000;
}

int yearStart() { return citforms::values::fromDate(2017, 1, 1); }
int yearEnd() { return citforms::values::fromDate(2017, 12, 31); }

fs::path folder() {
    static const fs::path dir = [] {
        fs::path d = fs::temp_directory_path() / ("explain-bench-" + std::to_string(getpid()));
        fs::create_directories(d);
        return d;
    }();
    return dir;
}

void check(bool ok, const std::string& what) {
    if (ok) return;
    std::cerr << what << '\n';
    std::exit(1);
}

// The database with the year's books and the statements of one declaration, made once.
HostDatabase& books() {
    static const std::unique_ptr<HostDatabase> db = [] {
        const std::string file = (folder() / "jpk_kr.xml").string();
        citforms_test::writeJpkKr(file, {kNip, "Młyn Pszenica", 2017, postingCount(), 7});
        auto opened = refhost::db::openDatabase((folder() / "books.db").string());
        check(static_cast<bool>(opened), opened ? "" : opened.error());
        std::unique_ptr<HostDatabase> d = std::move(*opened);
        for (const std::string& s : std::vector<std::string>{
                 "insert into FIRMA (id_firmy, nip, nazwa) values (1, '" + kNip + "', 'Młyn')",
                 "insert into LATA_OBROTOWE (id_lata_obrotowe, id_firmy, poczatek_roku, "
                 "koniec_roku, rok_obrotowy) values (1, 1, " + std::to_string(yearStart()) +
                     ", " + std::to_string(yearEnd()) + ", '2017')",
                 // Costs of domestic revenue less refunds, and the revenue, as the demo's
                 // definitions take them.
                 "insert into ZESTAWIENIE_DEFINICJA (id_deklaracje_nag, rodzaj, kod, lp, maska, "
                 "miara, znak) values (1, 'DD', '36', 1, '4?\?-1*', 'WN', 1), "
                 "(1, 'DD', '36', 2, '751-01', 'WN', 1), (1, 'DD', '36', 3, '760-09', 'MA', -1), "
                 "(1, 'DD', '31', 1, '700*', 'MA', 1), (1, 'DD', '31', 2, '750-01', 'MA', 1), "
                 "(1, 'DD', '33', 1, '702*', 'MA', 1)",
             }) {
            auto r = d->runNative(s);
            check(static_cast<bool>(r), r ? "" : r.error());
        }
        auto imported = refhost::db::importBooks(*d, 1, file);
        check(static_cast<bool>(imported), imported ? "" : imported.error());
        return d;
    }();
    return *db;
}

void BM_ExplainStatement(benchmark::State& state) {
    HostDatabase& db = books();
    for (auto _ : state) {
        auto s = refhost::db::statementSources(db, 1, yearStart(), yearEnd(), kDeclaration, "36");
        if (!s || s->total == 0) {
            state.SkipWithError("the statement found nothing");
            return;
        }
        benchmark::DoNotOptimize(s->total);
    }
}

// The accounts statement 36 takes, as the statement finds them.
std::vector<std::string> statementAccounts() {
    auto s = refhost::db::statementSources(books(), 1, yearStart(), yearEnd(), kDeclaration, "36");
    std::vector<std::string> out;
    if (!s) return out;
    for (const auto& t : s->terms)
        for (const auto& a : t.accounts) out.push_back(a.account);
    return out;
}

void BM_ExplainPostings(benchmark::State& state) {
    HostDatabase& db = books();
    for (auto _ : state) {
        auto s = refhost::db::statementSources(db, 1, yearStart(), yearEnd(), kDeclaration, "36");
        std::vector<std::string> accounts;
        for (const auto& t : s->terms)
            for (const auto& a : t.accounts) accounts.push_back(a.account);
        long long count = 0;
        bool more = false;
        auto page = refhost::db::accountPostings(db, 1, accounts, yearStart(), yearEnd(), 0, 100,
                                                 &more, state.range(0) != 0 ? &count : nullptr);
        if (!page || page->empty()) {
            state.SkipWithError("no postings");
            return;
        }
        benchmark::DoNotOptimize(count);
    }
}

void BM_ExplainBaseline(benchmark::State& state) {
    HostDatabase& db = books();
    const std::vector<std::string> accounts = statementAccounts();
    std::string in;
    for (const std::string& a : accounts) in += (in.empty() ? "'" : ", '") + a + "'";
    const std::string sql =
        "select sum(kwota_wn), sum(kwota_ma) from KSIEGOWANIA where id_firmy = 1 and data >= " +
        std::to_string(yearStart()) + " and data <= " + std::to_string(yearEnd()) +
        " and nr_konta in (" + in + ")";
    for (auto _ : state) {
        auto r = db.runNative(sql);
        if (!r) {
            state.SkipWithError(r.error().c_str());
            return;
        }
        benchmark::DoNotOptimize(r->rows.size());
    }
}

void BM_Reconcile(benchmark::State& state) {
    HostDatabase& db = books();
    auto definition = refhost::db::declarationDefinition(db, kDeclaration);
    for (auto _ : state) {
        auto r = refhost::db::reconcile(db, 1, yearStart(), yearEnd(), *definition);
        if (!r) {
            state.SkipWithError(r.error().c_str());
            return;
        }
        benchmark::DoNotOptimize(r->debit);
    }
}

void BM_ReconcileBaseline(benchmark::State& state) {
    HostDatabase& db = books();
    const std::string sql =
        "select nr_konta, sum(kwota_wn), sum(kwota_ma) from KSIEGOWANIA where id_firmy = 1 and "
        "data >= " + std::to_string(yearStart()) + " and data <= " +
        std::to_string(yearEnd()) + " group by nr_konta";
    for (auto _ : state) {
        auto r = db.runNative(sql);
        if (!r) {
            state.SkipWithError(r.error().c_str());
            return;
        }
        benchmark::DoNotOptimize(r->rows.size());
    }
}

BENCHMARK(BM_ExplainStatement)->Name("explain/statement")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExplainPostings)->Name("explain/postings")->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExplainPostings)
    ->Name("explain/postings_counted")
    ->Arg(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExplainBaseline)->Name("explain/baseline")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Reconcile)->Name("reconcile/books")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReconcileBaseline)->Name("reconcile/baseline")->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    std::vector<char*> args = citforms::bench::withDefaultFlags(argc, argv);
    int n = static_cast<int>(args.size()) - 1;
    benchmark::Initialize(&n, args.data());
    (void)books();  // the import is no part of any case
    citforms::bench::RatioReporter reporter(std::vector<std::pair<std::string, std::string>>{
        {"explain/statement", "explain/baseline"},
        {"explain/postings/0", "explain/baseline"},
        {"explain/postings_counted/1", "explain/baseline"},
        {"reconcile/books", "reconcile/baseline"}});
    benchmark::RunSpecifiedBenchmarks(&reporter);
    fs::remove_all(folder());
    benchmark::Shutdown();
    return 0;
}
