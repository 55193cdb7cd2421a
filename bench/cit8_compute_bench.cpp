// A fresh computation of a CIT-8 of edition (24) with its CIT-8/O (65 statements over the
// books, then the form rules) for a company whose books hold 10 000 and 1 000 000 postings.
// The statements read monthly turnovers, so the ratio of the two shows how the computation
// grows with the books.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bench/ratio_reporter.h"
#include "citforms/compute/cit8_procedures.h"
#include "citforms/module/declaration_state.h"
#include "citforms/store/declaration_fields.h"
#include "refhost/db/books.h"
#include "refhost/libraries/reference_host.h"
#include "refhost/sql/database.h"
#include "runtime/ui/scripted/scripted_ui.h"

namespace {

constexpr int kCompany = 1;
constexpr int kBooksFrom = 78166;  // 1 January 2015: the postings cover 2015 and 2016
constexpr int kBooksDays = 731;

struct Books {
    std::unique_ptr<refhost::sql::HostDatabase> db;
    std::unique_ptr<citforms::runtime::ScriptedUi> ui;
    std::unique_ptr<refhost::libraries::ReferenceHost> host;
    citforms::module::DeclarationState state;
};

bool run(refhost::sql::HostDatabase& db, const std::string& sql) {
    auto r = db.runNative(sql);
    if (!r) std::fprintf(stderr, "%s: %s\n", sql.c_str(), r.error().c_str());
    return static_cast<bool>(r);
}

// The demo database with the company's books replaced by `postings` generated postings over
// its chart of accounts, the monthly turnovers rebuilt, and a new CIT-8 header for 2016.
std::unique_ptr<Books> prepare(const std::filesystem::path& folder, long long postings) {
    auto b = std::make_unique<Books>();
    auto db = refhost::sql::HostDatabase::open(
        (folder / ("books-" + std::to_string(postings) + ".db")).string());
    if (!db || !(*db)->loadDemo()) return nullptr;
    b->db = std::move(*db);
    refhost::sql::HostDatabase& d = *b->db;
    const std::string company = std::to_string(kCompany);
    if (!run(d, "delete from KSIEGOWANIA where id_firmy = " + company) ||
        !run(d, "create temp table konto_nr (j integer primary key, nr_konta text)") ||
        !run(d, "insert into konto_nr select row_number() over (order by nr_konta) - 1, "
                "nr_konta from KONTA where id_firmy = " + company)) {
        return nullptr;
    }
    auto accounts = d.runNative("select count(*) from konto_nr");
    if (!accounts || accounts->rows.empty()) return nullptr;
    const std::string m = accounts->rows[0][0].value_or("1");
    if (!run(d, "with recursive n(i) as (select 0 union all select i + 1 from n where i + 1 < " +
                    std::to_string(postings) +
                    ") insert into KSIEGOWANIA (id_firmy, nr_konta, data, kwota_wn, kwota_ma, "
                    "dokument, opis) select " + company + ", k.nr_konta, " +
                    std::to_string(kBooksFrom) + " + n.i % " + std::to_string(kBooksDays) +
                    ", case when n.i % 2 = 0 then 100 + n.i % 99991 else 0 end, "
                    "case when n.i % 2 = 1 then 100 + n.i % 99989 else 0 end, "
                    "'PK/' || n.i, 'Księgowanie ' || n.i from n join konto_nr k on k.j = "
                    "n.i % " + m)) {
        return nullptr;
    }
    if (!refhost::db::Books(d).rebuildTurnovers(kCompany)) return nullptr;

    b->ui = std::make_unique<citforms::runtime::ScriptedUi>();
    b->host = std::make_unique<refhost::libraries::ReferenceHost>(d, *b->ui);
    citforms::host::Globals g;
    g.DANE_ID_FIRMY = kCompany;
    g.DANE_ID_UZYTKOWNIKA_NR = 1;
    g.DANE_ID_UZYT = "ADMIN";
    b->host->state().setDefaults(g);
    const std::string id =
        b->host->utility().FUNCVAY("CALL ZESTAWIENIE_DEKLARACJA_DODAJ (1,0,1,73,78867,0)");
    b->state.CIT_ID_DEKLARACJI = std::atoi(id.c_str());
    b->state.CIT_ID_WZORCA = 73;
    b->state.CIT_POCZATEK_ROKU = 78531;  // 2016
    b->state.CIT_KONIEC_ROKU = 78896;
    if (b->state.CIT_ID_DEKLARACJI == 0) return nullptr;
    return b;
}

void freshComputation(benchmark::State& state, Books& b, long long postings) {
    const auto binding = b.host->binding();
    citforms::store::DeclarationFields fields;
    for (auto _ : state) {
        citforms::compute::OBLICZ_CIT_8(73, binding, b.state, fields, false);
    }
    if (fields.main()[35].decimal().isZero()) state.SkipWithError("the statements found nothing");
    state.counters["postings"] = static_cast<double>(postings);
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<char*> args = citforms::bench::withDefaultFlags(argc, argv);
    int count = static_cast<int>(args.size()) - 1;
    benchmark::Initialize(&count, args.data());
    const std::filesystem::path folder = std::filesystem::temp_directory_path() /
                                         ("cit8-compute-bench-" + std::to_string(::getpid()));
    std::map<long long, std::unique_ptr<Books>> books;
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    for (long long postings : {10'000LL, 1'000'000LL}) {
        auto prepared = prepare(folder, postings);
        if (!prepared) {
            std::fprintf(stderr, "cit8_compute_bench: books of %lld postings not prepared\n",
                         postings);
            return 1;
        }
        Books* b = prepared.get();
        books[postings] = std::move(prepared);
        benchmark::RegisterBenchmark(
            ("compute/" + std::to_string(postings)).c_str(),
            [b, postings](benchmark::State& state) { freshComputation(state, *b, postings); })
            ->Unit(benchmark::kMillisecond);
    }
    citforms::bench::RatioReporter reporter(
        std::vector<std::pair<std::string, std::string>>{{"compute/1000000", "compute/10000"}});
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    books.clear();
    std::filesystem::remove_all(folder);
    return 0;
}
