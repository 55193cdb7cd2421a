// Save and load of the largest CIT-8 of edition (24): 148 main-sheet, 89 CIT-8/O and 11 ORD-ZU
// rows, 400 CIT-D copies of 123 fields and 400 CIT-BR copies of 67 fields (76 248 rows), through
// the module's save and load over the reference host on SQLite. Baseline: the same rows written
// with one prepared statement in one transaction, and read back with one query.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "bench/ratio_reporter.h"
#include "citforms/module/declaration_state.h"
#include "citforms/store/declaration_fields.h"
#include "citforms/store/declaration_load.h"
#include "citforms/store/declaration_save.h"
#include "refhost/libraries/reference_host.h"
#include "refhost/sql/database.h"
#include "runtime/ui/scripted/scripted_ui.h"

namespace {

constexpr int kCopies = 400;

struct Row {
    std::string sheet, field, value;
};

struct Setup {
    std::filesystem::path folder;
    std::unique_ptr<refhost::sql::HostDatabase> db;
    std::unique_ptr<citforms::runtime::ScriptedUi> ui;
    std::unique_ptr<refhost::libraries::ReferenceHost> host;
    citforms::module::DeclarationState state;
    citforms::store::DeclarationFields fields;
    std::int32_t moduleId = 0;
    std::int32_t baselineId = 0;
    std::vector<Row> rows;                                  // every DEKLARACJE_POZ row
    std::vector<std::pair<std::string, std::string>> ordZu;  // nr_pola, text
};

std::unique_ptr<Setup> setup;

void fillLargest(citforms::store::DeclarationFields& f) {
    using citforms::values::FieldClass;
    for (citforms::store::FieldSet* set : {&f.main(), &f.form("CIT-8/O")}) {
        for (int n : set->list().numbers()) {
            switch (set->list().fieldSpec(n).cls) {
                case FieldClass::Text:
                    set->loadStored(n, n >= 57 ? std::to_string(n * 1000) + ".50"
                                               : "Pozycja " + std::to_string(n) + " – żółć");
                    break;
                case FieldClass::Amount:
                    set->loadStored(n, std::to_string(n * 12345) + ".67");
                    break;
                case FieldClass::Day:
                    set->loadStored(n, "78531");
                    break;
            }
        }
    }
    f.main()[4].setText("78531");
    f.main()[5].setText("78896");
    f.main()[7].setText("2");
    f.main()[28].setText(std::to_string(kCopies));
    f.main()[29].setText(std::to_string(kCopies));
    for (int n : f.form("ORD-ZU").list().numbers()) {
        f.form("ORD-ZU")[n].setText("Wyjaśnienie " + std::to_string(n) + ": korekta z dnia 'X'");
    }
    for (int copy = 1; copy <= kCopies; ++copy) {
        for (int field = 1; field <= 123; ++field) {
            f.copies("CIT-D").append(copy, field, "Obdarowany " + std::to_string(copy) + "/" +
                                          std::to_string(field));
        }
        for (int field = 1; field <= 67; ++field) {
            f.copies("CIT-BR").append(copy, field, std::to_string(copy * 100 + field) + ".00");
        }
    }
}

// The rows the save writes, for the baseline.
void collectRows(Setup& s) {
    s.fields.main().forEachStored([&](int n, const std::string& v) {
        s.rows.push_back({"0", std::to_string(n), v});
    });
    s.fields.form("CIT-8/O").forEachStored([&](int n, const std::string& v) {
        s.rows.push_back({"1", std::to_string(n), v});
    });
    for (const auto& r : s.fields.copies("CIT-D").rows()) {
        s.rows.push_back({std::to_string(100 + r.ext_nr_zalacznika),
                          std::to_string(r.ext_nr_pola), r.ext_wartosc});
    }
    for (const auto& r : s.fields.copies("CIT-BR").rows()) {
        s.rows.push_back({std::to_string(500 + r.ext_nr_zalacznika),
                          std::to_string(r.ext_nr_pola), r.ext_wartosc});
    }
    s.fields.form("ORD-ZU").forEachStored([&](int n, const std::string& v) {
        s.ordZu.emplace_back(std::to_string(n), v);
    });
}

bool prepare() {
    setup = std::make_unique<Setup>();
    Setup& s = *setup;
    s.folder = std::filesystem::temp_directory_path() /
               ("cit8-store-bench-" + std::to_string(::getpid()));
    std::filesystem::remove_all(s.folder);
    std::filesystem::create_directories(s.folder);
    auto db = refhost::sql::HostDatabase::open((s.folder / "bench.db").string());
    if (!db || !(*db)->loadDemo()) return false;
    s.db = std::move(*db);
    s.ui = std::make_unique<citforms::runtime::ScriptedUi>();
    s.host = std::make_unique<refhost::libraries::ReferenceHost>(*s.db, *s.ui);
    citforms::host::Globals g;
    g.DANE_ID_FIRMY = 1;
    g.DANE_ID_UZYTKOWNIKA_NR = 1;
    g.DANE_ID_UZYT = "ADMIN";
    s.host->state().setDefaults(g);
    s.state.CIT_ID_WZORCA = 73;
    fillLargest(s.fields);
    collectRows(s);
    const auto b = s.host->binding();
    s.moduleId = citforms::store::ZAPISZ_CIT_8(73, b, s.state, s.fields, 0, 0, 78867, 0);
    s.baselineId = citforms::store::ZAPISZ_CIT_8(73, b, s.state, s.fields, 0, 0, 78867, 0);
    if (s.moduleId == 0 || s.baselineId == 0) return false;
    // The module's declaration exists before the load is measured.
    return citforms::store::ZAPISZ_CIT_8(73, b, s.state, s.fields, 1, s.moduleId, 78867, 0) ==
           s.moduleId;
}

void moduleSave(benchmark::State& state) {
    Setup& s = *setup;
    const auto b = s.host->binding();
    for (auto _ : state) {
        citforms::store::SaveOutcome outcome{};
        citforms::store::ZAPISZ_CIT_8(73, b, s.state, s.fields, 1, s.moduleId, 78867, 0, &outcome);
        if (outcome != citforms::store::SaveOutcome::Saved) state.SkipWithError("save failed");
    }
    state.SetItemsProcessed(state.iterations() *
                            static_cast<std::int64_t>(s.rows.size() + s.ordZu.size()));
}

void baselineSave(benchmark::State& state) {
    Setup& s = *setup;
    refhost::sql::HostDatabase& db = *s.db;
    const std::string id = std::to_string(s.baselineId);
    for (auto _ : state) {
        bool ok = static_cast<bool>(db.begin());
        ok = ok && db.runNative("delete from DEKLARACJE_POZ where ID_DEKLARACJE_NAG = ?", {id});
        ok = ok &&
             db.runNative("delete from DEKLARACJE_ZALACZNIK where id_deklaracje_nag = ?", {id});
        for (const Row& r : s.rows) {
            if (!ok) break;
            ok = static_cast<bool>(
                db.runNative("insert into DEKLARACJE_POZ (ID_DEKLARACJE_NAG, NR_ZALACZNIKA, "
                             "NR_POLA, WARTOSC_POLA) values (?, ?, ?, ?)",
                             {id, r.sheet, r.field, r.value}));
        }
        for (const auto& [nr, text] : s.ordZu) {
            if (!ok) break;
            ok = static_cast<bool>(
                db.runNative("insert into DEKLARACJE_ZALACZNIK (id_deklaracje_nag, nr_pola, "
                             "wartosc_pola, typ) values (?, ?, ?, 'ORD-ZU')",
                             {id, nr, text}));
        }
        if (ok && db.commit()) continue;
        db.rollback();
        state.SkipWithError("baseline save failed");
    }
    state.SetItemsProcessed(state.iterations() *
                            static_cast<std::int64_t>(s.rows.size() + s.ordZu.size()));
}

void moduleLoad(benchmark::State& state) {
    Setup& s = *setup;
    const auto b = s.host->binding();
    citforms::module::DeclarationState declaration = s.state;
    declaration.CIT_ID_DEKLARACJI = s.moduleId;
    for (auto _ : state) {
        citforms::store::DeclarationFields loaded;
        citforms::store::WCZYTAJ_CIT_8(73, b, declaration, loaded);
        if (loaded.copies("CIT-D").size() != 123u * kCopies) state.SkipWithError("load incomplete");
        benchmark::DoNotOptimize(loaded);
    }
    state.SetItemsProcessed(state.iterations() *
                            static_cast<std::int64_t>(s.rows.size() + s.ordZu.size()));
}

void baselineLoad(benchmark::State& state) {
    Setup& s = *setup;
    const std::string id = std::to_string(s.moduleId);
    for (auto _ : state) {
        std::vector<Row> rows;
        auto r = s.db->runNative("select NR_ZALACZNIKA, NR_POLA, WARTOSC_POLA from DEKLARACJE_POZ "
                                 "where ID_DEKLARACJE_NAG = ? order by NR_ZALACZNIKA, NR_POLA",
                                 {id});
        auto z = s.db->runNative("select nr_pola, wartosc_pola from DEKLARACJE_ZALACZNIK where "
                                 "id_deklaracje_nag = ? and typ = 'ORD-ZU'",
                                 {id});
        if (!r || !z) {
            state.SkipWithError("baseline load failed");
            continue;
        }
        rows.reserve(r->rows.size() + z->rows.size());
        for (auto& row : r->rows) {
            rows.push_back({row[0].value_or(""), row[1].value_or(""), row[2].value_or("")});
        }
        for (auto& row : z->rows) rows.push_back({"ORD-ZU", row[0].value_or(""), row[1].value_or("")});
        if (rows.size() != s.rows.size() + s.ordZu.size()) state.SkipWithError("rows missing");
        benchmark::DoNotOptimize(rows);
    }
    state.SetItemsProcessed(state.iterations() *
                            static_cast<std::int64_t>(s.rows.size() + s.ordZu.size()));
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<char*> args = citforms::bench::withDefaultFlags(argc, argv);
    int count = static_cast<int>(args.size()) - 1;
    benchmark::Initialize(&count, args.data());
    if (!prepare()) {
        std::fprintf(stderr, "cit8_store_bench: the database could not be prepared\n");
        return 1;
    }
    benchmark::RegisterBenchmark("save/module", moduleSave)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("save/baseline", baselineSave)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("load/module", moduleLoad)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("load/baseline", baselineLoad)->Unit(benchmark::kMillisecond);
    citforms::bench::RatioReporter reporter(
        {{"save/module", "save/baseline"}, {"load/module", "load/baseline"}});
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    setup->host.reset();
    setup->db.reset();
    std::filesystem::remove_all(setup->folder);
    setup.reset();
    return 0;
}
