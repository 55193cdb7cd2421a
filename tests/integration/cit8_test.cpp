// CIT-8 declarations end to end on a real SQLite database: the module loaded as a host loads
// it, the reference host's libraries, the demo company's books. New declarations and their
// arithmetic, the round trip of every stored value, the locks, a save that fails half-way,
// and the numbering of the module's own headers under concurrent writers.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "citforms/module/declaration_state.h"
#include "citforms/store/declaration_fields.h"
#include "citforms/store/declaration_load.h"
#include "citforms/store/declaration_save.h"
#include "citforms/values/decimal.h"
#include "refhost/libraries/module_loader.h"
#include "refhost/libraries/reference_host.h"
#include "refhost/sql/database.h"
#include "runtime/ui/scripted/scripted_ui.h"
#include "support/test_engine.h"

namespace {

using citforms::values::Decimal;
using citforms::values::max0;
using citforms::values::round0;
using refhost::libraries::LoadedModule;
using refhost::libraries::ReferenceHost;
using Json = nlohmann::json;

constexpr std::int32_t kCompany = 1;
constexpr std::int32_t kYear2016Start = 78531;  // 1 January 2016
constexpr std::int32_t kYear2016End = 78896;    // 31 December 2016

const std::string kNastyText =
    "O'Brien i \"Spółka\" ''; DROP TABLE DEKLARACJE_POZ; -- C:\\ścieżka\\n zażółć gęślą jaźń '";

Decimal dec(const std::string& text) {
    if (text.empty()) return Decimal();
    const auto d = Decimal::parse(text);
    EXPECT_TRUE(d.has_value()) << "not an amount: " << text;
    return d.value_or(Decimal());
}

Decimal minOf(const Decimal& a, const Decimal& b) {
    return a < b ? a : b;
}

// The module, the host and one demo database for the whole suite: the module is a process-wide
// library with its own state, loaded once as a host loads it.
class Cit8EndToEnd : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        folder = std::filesystem::temp_directory_path() /
                 ("cit8-end-to-end-" + std::to_string(::getpid()));
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
        scratch = std::make_unique<citforms_test::ScratchDatabase>(folder);
        dbPath = scratch->target();
        auto opened = refhost::sql::HostDatabase::open(dbPath);
        ASSERT_TRUE(opened) << opened.error();
        db = std::move(*opened);
        ASSERT_TRUE(db->loadDemo());
        transcript = std::make_unique<std::ostringstream>();
        ui = std::make_unique<citforms::runtime::ScriptedUi>(transcript.get());
        host = std::make_unique<ReferenceHost>(*db, *ui);
        citforms::host::Globals g;
        g.DANE_ID_FIRMY = kCompany;
        g.DANE_ID_UZYTKOWNIKA_NR = 1;
        g.DANE_ID_UZYT = "ADMIN";
        g.DANE_DATA_BIEZACA = 82524;
        g.GGG_SCIEZKA_SET = (folder / "tabrix.ini").string();
        host->state().setDefaults(g);
        auto loaded = LoadedModule::load(CITFORMS_MODULE_PATH);
        ASSERT_TRUE(loaded) << loaded.error();
        module = std::move(*loaded);
        ASSERT_TRUE(module->bind(host->binding()));
        host->iniManager().init((folder / "tabrix.ini").string());
        module->init(&host->errorManager(), &host->iniManager());
    }
    static void TearDownTestSuite() {
        module.reset();
        host.reset();
        ui.reset();
        db.reset();
        scratch.reset();
        std::filesystem::remove_all(folder);
    }
    void SetUp() override {
        ASSERT_NE(module, nullptr);
        transcript->str("");
        host->state().thread().globals.DANE_ID_FIRMY = kCompany;
    }

    static std::vector<std::vector<std::string>> query(const std::string& nativeSql) {
        auto r = db->runNative(nativeSql);
        EXPECT_TRUE(r) << r.error();
        std::vector<std::vector<std::string>> rows;
        if (!r) return rows;
        for (const auto& row : r->rows) {
            std::vector<std::string> values;
            for (const auto& v : row) values.push_back(v.value_or("<null>"));
            rows.push_back(values);
        }
        return rows;
    }
    static void exec(const std::string& nativeSql) {
        auto r = db->runNative(nativeSql);
        ASSERT_TRUE(r) << nativeSql << ": " << r.error();
    }
    // Everything stored for a declaration, in a fixed order.
    static std::string storedState(std::int32_t id) {
        const std::string i = std::to_string(id);
        std::string out;
        for (const char* sql :
             {"select * from DEKLARACJE_NAG where ID_DEKLARACJE_NAG = ",
              "select NR_ZALACZNIKA, NR_POLA, WARTOSC_POLA from DEKLARACJE_POZ where "
              "ID_DEKLARACJE_NAG = ",
              "select nr_pola, wartosc_pola, typ from DEKLARACJE_ZALACZNIK where "
              "id_deklaracje_nag = "}) {
            for (const auto& row : query(std::string(sql) + i + " order by 1, 2, 3")) {
                for (const std::string& v : row) out += v + "|";
                out += "\n";
            }
        }
        return out;
    }
    static std::size_t count(const std::string& nativeSql) {
        return std::stoul(query(nativeSql).at(0).at(0));
    }

    static Json json(std::int32_t id) {
        const char* text = module->declarationJson(id);
        EXPECT_NE(text, nullptr) << "declaration " << id;
        return text != nullptr ? Json::parse(text) : Json::object();
    }

    static std::int32_t newCit8(std::int32_t start, std::int32_t end, const char* edition = "") {
        return module->newCit8(start, end, edition, 0);
    }

    // Makes every insert into `table` for which `condition` (on the row `new`) holds fail.
    static void failInsertsWhen(const std::string& table, const std::string& condition) {
        if (citforms_test::onPostgres()) {
            exec("create function stop_save() returns trigger language plpgsql as $$ begin if " +
                 condition +
                 " then raise exception 'zapis wstrzymany'; end if; return new; "
                 "end $$");
            exec("create trigger stop_save before insert on " + table +
                 " for each row execute function stop_save()");
        } else {
            exec("create trigger stop_save before insert on " + table + " when " + condition +
                 " begin select raise(abort, 'zapis wstrzymany'); end");
        }
    }
    static void stopFailingInserts(const std::string& table) {
        if (citforms_test::onPostgres()) {
            exec("drop trigger stop_save on " + table);
            exec("drop function stop_save()");
        } else {
            exec("drop trigger stop_save");
        }
    }

    static inline std::filesystem::path folder;
    static inline std::unique_ptr<citforms_test::ScratchDatabase> scratch;
    static inline std::string dbPath;
    static inline std::unique_ptr<refhost::sql::HostDatabase> db;
    static inline std::unique_ptr<std::ostringstream> transcript;
    static inline std::unique_ptr<citforms::runtime::ScriptedUi> ui;
    static inline std::unique_ptr<ReferenceHost> host;
    static inline std::unique_ptr<LoadedModule> module;
};

// The amounts of a stored CIT-8 of edition (24) and its CIT-8/O, read as decimals.
struct Amounts {
    explicit Amounts(const Json& j) : cit8(j.at("cit8")), cit8o(j.at("cit8o")) {}
    Decimal c(int p) const { return dec(cit8.at(std::to_string(p)).get<std::string>()); }
    Decimal o(int p) const { return dec(cit8o.at(std::to_string(p)).get<std::string>()); }
    Json cit8, cit8o;
};

TEST_F(Cit8EndToEnd, NewCit8OfTheDemoCompanyHoldsTheFormArithmetic) {
    const std::int32_t id = newCit8(kYear2016Start, kYear2016End);
    ASSERT_GT(id, 0) << transcript->str();
    const Json j = json(id);
    EXPECT_EQ(j.at("template"), 73);
    const Amounts a(j);

    // The statements found the books: revenue, costs and reliefs are there.
    for (int p : {31, 32, 33, 34, 36, 37, 38, 39, 40, 56, 57, 58, 94, 145}) {
        EXPECT_NE(a.c(p), Decimal()) << "field " << p;
    }
    EXPECT_NE(a.o(8), Decimal());
    EXPECT_EQ(a.cit8.at("4"), std::to_string(kYear2016Start));
    EXPECT_EQ(a.cit8.at("5"), std::to_string(kYear2016End));
    EXPECT_EQ(a.cit8.at("7"), "1");
    EXPECT_FALSE(a.cit8.at("1").get<std::string>().empty());
    EXPECT_FALSE(a.cit8.at("6").get<std::string>().empty());

    // CIT-8/O totals.
    Decimal o39;
    for (int p = 8; p <= 36; ++p) o39 += a.o(p);
    EXPECT_EQ(a.o(39), o39 + a.o(38));
    EXPECT_EQ(a.o(60), a.o(43) + a.o(47) + a.o(51) + a.o(55) + a.o(59));
    EXPECT_EQ(a.o(68), a.o(64) + a.o(60) + a.o(65) + a.o(67));
    EXPECT_EQ(a.o(71), a.o(70) + a.o(69));
    EXPECT_EQ(a.o(83), a.o(74) + a.o(73) + a.o(76) + a.o(79) + a.o(82));
    const Decimal limit = Decimal(10) * a.c(45) / Decimal(100) - a.o(39);
    EXPECT_LE(a.o(61), max0(limit));
    EXPECT_LE(a.o(62), max0(limit));
    for (int p : {87, 88, 90, 91}) EXPECT_EQ(a.o(p), round0(a.o(p))) << "O-" << p;

    // CIT-8 rules.
    EXPECT_EQ(a.c(35), a.c(31) + a.c(32) + a.c(33) + a.c(34));
    EXPECT_EQ(a.c(41), a.c(36) + a.c(37) + a.c(38) + a.c(39) + a.c(40));
    EXPECT_EQ(a.c(42), max0(a.c(35) - a.c(41)));
    EXPECT_EQ(a.c(43), max0(a.c(41) - a.c(35)));
    EXPECT_EQ(a.c(44), Decimal());
    EXPECT_EQ(a.c(45), a.c(43).isZero() ? a.c(42) + a.c(44) : Decimal());
    EXPECT_EQ(a.c(47), a.o(39));
    EXPECT_EQ(a.c(48), max0(minOf(a.o(68), a.c(45) - a.c(47))));
    EXPECT_EQ(a.c(49), max0(minOf(a.o(71), a.c(45) - (a.c(48) + a.c(47)))));
    EXPECT_EQ(a.c(50), a.c(47) + a.c(48) + a.c(49));
    EXPECT_EQ(a.c(51), a.c(45) > Decimal() ? max0(a.c(45) - a.c(50)) : Decimal());
    EXPECT_EQ(a.c(52), max0(a.c(50) + a.c(46) - a.c(45)));
    EXPECT_EQ(a.c(53), a.o(72));
    EXPECT_EQ(a.c(54), Decimal());  // no CIT-BR announced
    EXPECT_EQ(a.c(55), minOf(a.c(53) + a.c(54), a.c(51)));
    EXPECT_EQ(a.c(59), a.c(56) + a.c(57) + a.c(58));
    ASSERT_GT(a.c(51), Decimal());
    EXPECT_EQ(a.c(60), round0(max0(a.c(51) - a.c(55) + a.c(59))));
    EXPECT_EQ(a.c(62), Decimal(19));
    EXPECT_EQ(a.c(63), Decimal(19) * a.c(60) / Decimal(100));
    EXPECT_EQ(a.c(64), minOf(a.o(83), a.c(63)));
    EXPECT_EQ(a.c(65), round0(a.c(63) - a.c(64)));
    EXPECT_EQ(a.c(91), Decimal());
    EXPECT_EQ(a.c(92), a.c(65));
    EXPECT_EQ(a.c(94), round0(a.c(94)));
    EXPECT_EQ(a.c(95), max0(a.c(65) - a.c(94)));
    EXPECT_EQ(a.c(96), max0(a.c(94) - a.c(65)));
    EXPECT_EQ(a.c(145), round0(a.c(145)));
    EXPECT_EQ(a.cit8.at("149"), "82524");

    // The header and the log.
    EXPECT_EQ(query("select ID_DEKLARACJE_WZORZEC, ID_FIRMY, INFO_2, STATUS_2, "
                    "DATA_SYSTEMOWA_P, ID_UZYT_P from DEKLARACJE_NAG where "
                    "ID_DEKLARACJE_NAG = " +
                    std::to_string(id)),
              (std::vector<std::vector<std::string>>{{"73", "1", "CIT-8", "0", "82524", "ADMIN"}}));
    EXPECT_EQ(query("select tekst, operacja from DZIENNIK where id_deklaracje_nag = " +
                    std::to_string(id) + " order by 1"),
              (std::vector<std::vector<std::string>>{
                  {"Aktualizacja deklaracji CIT-8, id:" + std::to_string(id), "P"},
                  {"Dodanie deklaracji CIT-8, id:" + std::to_string(id), "D"}}));
    EXPECT_EQ(count("select count(*) from DEKLARACJE_POZ where ID_DEKLARACJE_NAG = " +
                    std::to_string(id)),
              148u + 89u);
    EXPECT_EQ(count("select count(*) from DEKLARACJE_ZALACZNIK where id_deklaracje_nag = " +
                    std::to_string(id)),
              11u);
}

TEST_F(Cit8EndToEnd, NewCit8OfEdition23UsesItsPositions) {
    const std::int32_t id = newCit8(kYear2016Start - 366, kYear2016Start - 1, "23");
    ASSERT_GT(id, 0) << transcript->str();
    const Json j = json(id);
    EXPECT_EQ(j.at("template"), 72);
    const Amounts a(j);
    EXPECT_NE(a.c(30), Decimal());
    EXPECT_EQ(a.c(34), a.c(30) + a.c(31) + a.c(32) + a.c(33));
    EXPECT_EQ(a.c(40), a.c(35) + a.c(36) + a.c(37) + a.c(38) + a.c(39));
    EXPECT_EQ(a.c(59), Decimal(19));
    EXPECT_EQ(a.c(60), Decimal(19) * a.c(57) / Decimal(100));
    EXPECT_EQ(a.c(91), round0(a.c(91)));
    EXPECT_EQ(a.cit8.size(), 145u);
    EXPECT_EQ(count("select count(*) from DEKLARACJE_POZ where ID_DEKLARACJE_NAG = " +
                    std::to_string(id)),
              145u + 89u);
}

// Every stored value of a declaration, all sheets, filled with texts and amounts that have
// something to break: apostrophes, quotes, backslashes, semicolons, Polish letters, signs.
void fillEverything(citforms::store::DeclarationFields& f, int citD, int citBr, int citDField) {
    using citforms::values::FieldClass;
    for (citforms::store::FieldSet* set : {&f.main(), &f.form("CIT-8/O")}) {
        for (int n : set->list().numbers()) {
            switch (set->list().fieldSpec(n).cls) {
                case FieldClass::Text:
                    set->loadStored(n, std::to_string(n) + "'ż\"\\;" + kNastyText);
                    break;
                case FieldClass::Amount:
                    set->loadStored(n, (n % 2 ? "-" : "") + std::to_string(n) + "1234.5" +
                                           std::to_string(n % 10));
                    break;
                case FieldClass::Day:
                    set->loadStored(n, std::to_string(78000 + n));
                    break;
            }
        }
    }
    f.main()[citDField].setText(std::to_string(citD));
    if (citBr > 0) f.main()[28].setText(std::to_string(citBr));
    for (int n : f.form("ORD-ZU").list().numbers()) f.form("ORD-ZU")[n].setText(std::to_string(n) + kNastyText);
    std::string longText;
    while (longText.size() < 5000) longText += "Wyjaśnienie 'korekty'; żółć. ";
    f.form("ORD-ZU")[13].setText(longText);
    for (int copy = citD; copy >= 1; --copy) {
        for (int field = 1; field <= 123; ++field) {
            f.copies("CIT-D").append(copy, field,
                         std::to_string(copy) + "/" + std::to_string(field) + kNastyText);
        }
    }
    for (int copy = 1; copy <= citBr; ++copy) {
        for (int field = 67; field >= 1; --field) {
            f.copies("CIT-BR").append(copy, field,
                           "BR " + std::to_string(copy) + "/" + std::to_string(field) + "'");
        }
    }
}

std::map<int, std::string> texts(const citforms::store::FieldSet& set) {
    std::map<int, std::string> out;
    set.forEachStored([&](int n, const std::string& v) { out[n] = v; });
    return out;
}

// "copy/field=value" of every row, sorted as text (both sides of a comparison alike).
std::vector<std::string> rows(const citforms::store::AttachmentRows& list) {
    std::vector<std::string> out;
    for (const auto& r : list.rows()) {
        out.push_back(std::to_string(r.ext_nr_zalacznika) + "/" + std::to_string(r.ext_nr_pola) +
                      "=" + r.ext_wartosc);
    }
    std::sort(out.begin(), out.end());
    return out;
}

std::map<int, std::string> jsonTexts(const Json& sheet) {
    std::map<int, std::string> out;
    for (const auto& [k, v] : sheet.items()) out[std::stoi(k)] = v.get<std::string>();
    return out;
}

std::vector<std::string> jsonRows(const Json& list) {
    std::vector<std::string> out;
    for (const Json& r : list) {
        out.push_back(std::to_string(r.at(0).get<int>()) + "/" +
                      std::to_string(r.at(1).get<int>()) + "=" + r.at(2).get<std::string>());
    }
    std::sort(out.begin(), out.end());
    return out;
}

TEST_F(Cit8EndToEnd, EveryStoredValueComesBackAsSaved) {
    for (int templateId : {73, 72}) {
        SCOPED_TRACE(templateId);
        citforms::module::DeclarationState state;
        state.CIT_ID_WZORCA = templateId;
        citforms::store::DeclarationFields saved(templateId);
        fillEverything(saved, 3, templateId == 73 ? 2 : 0, templateId == 73 ? 29 : 28);
        const auto b = host->binding();
        auto save = [&](std::int32_t tryb, std::int32_t id) {
            return templateId == 73
                       ? citforms::store::ZAPISZ_CIT_8(73, b, state, saved, tryb, id, 78867, 0)
                       : citforms::store::ZAPISZ_CIT_8(72, b, state, saved, tryb, id, 78867, 0);
        };
        const std::int32_t id = save(0, 0);
        ASSERT_GT(id, 0) << transcript->str();
        ASSERT_EQ(save(1, id), id) << transcript->str();
        EXPECT_EQ(transcript->str(), "");

        // Through the store's own load ...
        citforms::store::DeclarationFields loaded;
        state.CIT_ID_DEKLARACJI = id;
        if (templateId == 73) {
            citforms::store::WCZYTAJ_CIT_8(73, b, state, loaded);
        } else {
            citforms::store::WCZYTAJ_CIT_8(72, b, state, loaded);
        }
        const auto& mainList = saved.main().list();
        for (int n : mainList.numbers())
            EXPECT_EQ(loaded.main()[n].text(), saved.main()[n].text()) << n;
        EXPECT_EQ(texts(loaded.form("CIT-8/O")), texts(saved.form("CIT-8/O")));
        EXPECT_EQ(texts(loaded.form("ORD-ZU")), texts(saved.form("ORD-ZU")));
        EXPECT_EQ(loaded.form("ORD-ZU")[13].text().size(), saved.form("ORD-ZU")[13].text().size());
        EXPECT_EQ(rows(loaded.copies("CIT-D")), rows(saved.copies("CIT-D")));
        if (templateId == 73) {
            EXPECT_EQ(rows(loaded.copies("CIT-BR")), rows(saved.copies("CIT-BR")));
        }

        // ... and through the loaded module, as a host sees it.
        const Json j = json(id);
        std::map<int, std::string> mainTexts;
        for (int n : mainList.numbers()) mainTexts[n] = saved.main()[n].text();
        EXPECT_EQ(jsonTexts(j.at("cit8")), mainTexts);
        EXPECT_EQ(jsonTexts(j.at("cit8o")), texts(saved.form("CIT-8/O")));
        EXPECT_EQ(jsonTexts(j.at("ordzu")), texts(saved.form("ORD-ZU")));
        EXPECT_EQ(jsonRows(j.at("citd")), rows(saved.copies("CIT-D")));
        if (templateId == 73) {
            EXPECT_EQ(jsonRows(j.at("citbr")), rows(saved.copies("CIT-BR")));
        }
        EXPECT_NE(saved.form("ORD-ZU")[5].text().find(kNastyText), std::string::npos);
    }
}

TEST_F(Cit8EndToEnd, LockedDeclarationIsRefusedFromEitherLockSource) {
    const std::int32_t id = newCit8(kYear2016Start, kYear2016End);
    ASSERT_GT(id, 0);
    const std::string i = std::to_string(id);
    const std::string refused = "Nie można zapisać zmian. Deklaracja jest zablokowana.";
    struct Case {
        const char* name;
        const char* blokada;
        int efiling;  // -1: no e-filing row; else its status
        bool locked;
    };
    for (const Case& c :
         {Case{"lock mark", "ADMIN", -1, true}, Case{"e-filing sent, no mark", "", 1, true},
          Case{"e-filing accepted, no mark", "", 2, true},
          Case{"a user's lock holds though e-filing was rejected", "ADMIN", 3, true},
          Case{"a user's lock holds though e-filing is only prepared", "ADMIN", 0, true},
          Case{"e-filing rejected, no mark", "", 3, false},
          Case{"nothing", "", -1, false}}) {
        SCOPED_TRACE(c.name);
        exec("update DEKLARACJE_NAG set BLOKADA = '" + std::string(c.blokada) +
             "' where ID_DEKLARACJE_NAG = " + i);
        exec("delete from DEKLARACJE_EDEKLARACJA where id_deklaracje_nag = " + i);
        if (c.efiling >= 0) {
            exec(
                "insert into DEKLARACJE_EDEKLARACJA (id_deklaracje_nag, czy_zapis_w_bazie, "
                "status) values (" +
                i + ", 1, " + std::to_string(c.efiling) + ")");
        }
        // Something to change, so that a refused save would show.
        exec("update DEKLARACJE_POZ set WARTOSC_POLA = 'zmiana' where ID_DEKLARACJE_NAG = " + i +
             " and NR_ZALACZNIKA = 0 and NR_POLA = '8'");
        const std::string before = storedState(id);
        transcript->str("");
        for (int mode : {0, 1}) {
            const std::int32_t result = module->recomputeCit8(id, mode);
            if (c.locked) {
                EXPECT_EQ(result, 0);
                EXPECT_EQ(storedState(id), before);
            } else {
                EXPECT_EQ(result, id);
            }
        }
        EXPECT_EQ(transcript->str().find(refused) != std::string::npos, c.locked)
            << transcript->str();
        // Who holds a user's lock is named.
        EXPECT_EQ(transcript->str().find("Blokadę założył ADMIN") != std::string::npos,
                  c.locked && *c.blokada != '\0')
            << transcript->str();
        if (!c.locked) {
            EXPECT_NE(storedState(id), before);  // the company's name came back to field 8
        }
    }
}

TEST_F(Cit8EndToEnd, SaveFailingHalfWayLeavesTheOldDeclaration) {
    const std::int32_t id = newCit8(kYear2016Start, kYear2016End);
    ASSERT_GT(id, 0);
    const std::string i = std::to_string(id);
    struct Case {
        const char* name;
        const char* table;
        const char* condition;
    };
    for (const Case& c :
         {Case{"CIT-8/O row", "DEKLARACJE_POZ", "new.NR_ZALACZNIKA = 1 and new.NR_POLA = '50'"},
          Case{"ORD-ZU row", "DEKLARACJE_ZALACZNIK", "new.nr_pola = '9'"}}) {
        SCOPED_TRACE(c.name);
        exec("update DEKLARACJE_POZ set WARTOSC_POLA = 'zmiana' where ID_DEKLARACJE_NAG = " + i +
             " and NR_ZALACZNIKA = 0 and NR_POLA = '8'");
        const std::string before = storedState(id);
        failInsertsWhen(c.table, c.condition);
        transcript->str("");
        const std::int32_t result = module->recomputeCit8(id, 1);
        stopFailingInserts(c.table);
        EXPECT_EQ(result, 0);
        EXPECT_EQ(storedState(id), before);
        EXPECT_NE(transcript->str().find("Wystąpił błąd zapisu do bazy."), std::string::npos)
            << transcript->str();
    }

    // A new declaration whose first save fails leaves nothing behind: no header, no
    // definitions, no log entry; the next creation takes the id and works.
    const auto everything = [&] {
        return std::vector<std::size_t>{count("select count(*) from DEKLARACJE_NAG"),
                                        count("select count(*) from ZESTAWIENIE_DEFINICJA"),
                                        count("select count(*) from DZIENNIK")};
    };
    const auto before = everything();
    failInsertsWhen("DEKLARACJE_POZ", "new.NR_POLA = '100'");
    EXPECT_EQ(newCit8(kYear2016Start, kYear2016End), 0);
    stopFailingInserts("DEKLARACJE_POZ");
    EXPECT_EQ(everything(), before);
    EXPECT_NE(newCit8(kYear2016Start, kYear2016End), 0);
}

TEST_F(Cit8EndToEnd, ConcurrentCitStHeadersGetTheirOwnNumbers) {
    constexpr int kWriters = 2;
    constexpr int kHeadersEach = 15;
    std::vector<std::vector<std::int32_t>> ids(kWriters);
    std::vector<std::string> problems(kWriters);
    std::vector<std::thread> writers;
    for (int w = 0; w < kWriters; ++w) {
        writers.emplace_back([&, w] {
            // Each writer is a user of its own: its own connection to the same file.
            auto own = refhost::sql::HostDatabase::open(dbPath);
            if (!own) {
                problems[w] = own.error();
                return;
            }
            std::ostringstream log;
            citforms::runtime::ScriptedUi writerUi(&log);
            ReferenceHost writerHost(**own, writerUi);
            citforms::host::Globals g;
            g.DANE_ID_FIRMY = 2;
            g.DANE_ID_UZYT = "U" + std::to_string(w);
            g.DANE_DATA_BIEZACA = 82524;
            writerHost.state().setDefaults(g);
            for (int k = 0; k < kHeadersEach; ++k) {
                const auto id = citforms::store::insertCitStHeader(writerHost.binding(), 78900, 0);
                if (!id) log << id.error() << "\n";
                ids[w].push_back(id.value_or(0));
            }
            problems[w] = log.str();
        });
    }
    for (std::thread& t : writers) t.join();
    std::set<std::int32_t> distinct;
    for (int w = 0; w < kWriters; ++w) {
        EXPECT_EQ(problems[w], "");
        for (std::int32_t id : ids[w]) {
            EXPECT_GT(id, 0);
            distinct.insert(id);
        }
    }
    EXPECT_EQ(distinct.size(), static_cast<std::size_t>(kWriters * kHeadersEach));
    // LP numbers the CIT-ST of one company and period 1, 2, 3, ... without a gap or a twin.
    const auto lps = query(
        "select LP from DEKLARACJE_NAG where ID_FIRMY = 2 and DATA_OKRESU = "
        "78900 and INFO_2 = 'CIT-ST' order by LP");
    ASSERT_EQ(lps.size(), static_cast<std::size_t>(kWriters * kHeadersEach));
    for (std::size_t k = 0; k < lps.size(); ++k) EXPECT_EQ(lps[k][0], std::to_string(k + 1));
}

}  // namespace
