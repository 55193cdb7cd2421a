// Loading stored CIT-8 declarations of generations 73 and 72 from a recording host.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "citforms/store/declaration_load.h"
#include "citforms/support/fake_host.h"

namespace citforms::store {
namespace {

using testing::FakeHost;
using values::FieldClass;

constexpr std::int32_t kId = 17;
const std::string kOrdZuQuery =
    "select nr_pola, wartosc_pola from DEKLARACJE_ZALACZNIK where id_deklaracje_nag=17 AND "
    "typ='ORD-ZU'";
const std::string kOrdZu13Query =
    "select wartosc_pola from DEKLARACJE_ZALACZNIK where id_deklaracje_nag=17 AND "
    "typ='ORD-ZU' AND nr_pola=13";

// The stored text a test writes for field n of a list, and what the field then holds.
std::string storedText(const FieldList& list, int n) {
    return list.fieldSpec(n).cls == FieldClass::Text ? "T" + std::to_string(n)
                                                : std::to_string(n) + ".5";
}
std::string heldText(const FieldList& list, int n) {
    return list.fieldSpec(n).cls == FieldClass::Text ? "T" + std::to_string(n)
                                                : std::to_string(n) + ".50";
}

class DeclarationLoad : public ::testing::Test {
protected:
    struct Row {
        std::int32_t id, sheet;
        std::string nr, value;
    };

    DeclarationLoad() {
        state.CIT_ID_DEKLARACJI = kId;
        host.utility.script(kOrdZuQuery, {});
    }

    // Complete main and CIT-8/O sheets of declaration kId, plus rows of its neighbours.
    void addCompleteSheets(std::string_view mainList) {
        for (int n : fieldList(mainList).numbers()) {
            pending.push_back({kId, 0, std::to_string(n), storedText(fieldList(mainList), n)});
        }
        const FieldList& o = fieldList("cit8o_11");
        for (int n : o.numbers()) {
            pending.push_back({kId, 1, std::to_string(n),
                               n == 4 || n == 5 ? std::to_string(80000 + n) : storedText(o, n)});
        }
        pending.push_back({kId - 1, 0, "1", "other declaration"});
        pending.push_back({kId + 1, 0, "1", "other declaration"});
    }

    // Inserts the rows in a shuffled (but repeatable) order: the key must order them.
    void insertShuffled() {
        std::mt19937 random(20240601);
        std::shuffle(pending.begin(), pending.end(), random);
        for (const Row& r : pending) host.addPoz(r.id, r.sheet, r.nr, r.value);
        pending.clear();
    }

    void load73() {
        state.CIT_ID_WZORCA = 73;
        WCZYTAJ_CIT_8(73, host.binding(), state, fields);
    }
    void load72() {
        state.CIT_ID_WZORCA = 72;
        WCZYTAJ_CIT_8(72, host.binding(), state, fields);
    }

    std::vector<std::string> messages(const std::string& kind) const {
        std::vector<std::string> out;
        for (const auto& m : host.utility.messages) {
            if (m.kind == kind) out.push_back(m.text);
        }
        return out;
    }

    FakeHost host;
    module::DeclarationState state;
    DeclarationFields fields;
    std::vector<Row> pending;
};

TEST_F(DeclarationLoad, Generation73PutsEveryRowOnItsOwnFieldWhateverTheKeyOrder) {
    addCompleteSheets("cit8_24");
    insertShuffled();

    load73();

    const FieldList& main = fieldList("cit8_24");
    for (int n : main.numbers()) EXPECT_EQ(fields.main()[n].toStored(), heldText(main, n)) << n;
    EXPECT_EQ(fields.main()[150].toStored(), "T150");
    EXPECT_EQ(fields.main()[99].toStored(), "T99");  // the last row in text order
    const FieldList& o = fieldList("cit8o_11");
    for (int n : o.numbers()) {
        const std::string expected = n == 4 || n == 5 ? std::to_string(80000 + n) : heldText(o, n);
        EXPECT_EQ(fields.form("CIT-8/O").stored(n), expected) << n;
    }
    EXPECT_TRUE(host.utility.messages.empty());
    // One pass over the file, with the busy cursor around the load.
    const auto& poz = host.data.fakeFile(host::HostFileId::DEKLARACJE_POZ);
    EXPECT_EQ(poz.openCount, 1);
    EXPECT_EQ(poz.closeCount, 1);
    EXPECT_EQ(host.ui.busyCalls, (std::vector<bool>{true, false}));
}

TEST_F(DeclarationLoad, MissingAndSurplusMainRowsMoveNoValue) {
    addCompleteSheets("cit8_24");
    pending.erase(std::remove_if(pending.begin(), pending.end(),
                                 [](const Row& r) {
                                     return r.id == kId && r.sheet == 0 &&
                                            (r.nr == "40" || r.nr == "100");
                                 }),
                  pending.end());
    pending.push_back({kId, 0, "2", "never stored"});
    pending.push_back({kId, 0, "151", "beyond the form"});
    pending.push_back({kId, 0, "x", "not a number"});
    insertShuffled();

    load73();

    const FieldList& main = fieldList("cit8_24");
    for (int n : main.numbers()) {
        if (n == 40) {
            EXPECT_EQ(fields.main()[n].toStored(), "0.00");
        } else if (n == 100) {
            EXPECT_EQ(fields.main()[n].toStored(), "");
        } else {
            EXPECT_EQ(fields.main()[n].toStored(), heldText(main, n)) << n;
        }
    }
}

TEST_F(DeclarationLoad, AttachmentSheetsGoToTheirListsAndASheetBeyond900Nowhere) {
    host.addPoz(kId, 1, "6", "O6");
    host.addPoz(kId, 103, "7", "Fundacja");
    host.addPoz(kId, 103, "10", "250.00");
    host.addPoz(kId, 500, "1", "CIT-D 400");
    host.addPoz(kId, 502, "19", "1200");
    host.addPoz(kId, 900, "1", "CIT-BR 400");
    host.addPoz(kId, 950, "1", "no such sheet");
    host.addPoz(kId, 0, "6", "main");

    load73();

    EXPECT_EQ(fields.main()[6].toStored(), "main");
    EXPECT_EQ(fields.form("CIT-8/O").stored(6), "O6");
    ASSERT_NE(fields.copies("CIT-D").find(3, 7), nullptr);
    EXPECT_EQ(fields.copies("CIT-D").find(3, 7)->ext_wartosc, "Fundacja");
    EXPECT_EQ(fields.copies("CIT-D").find(3, 10)->ext_wartosc, "250.00");
    EXPECT_EQ(fields.copies("CIT-D").find(400, 1)->ext_wartosc, "CIT-D 400");
    EXPECT_EQ(fields.copies("CIT-D").size(), 3u);
    EXPECT_EQ(fields.copies("CIT-BR").find(2, 19)->ext_wartosc, "1200");
    EXPECT_EQ(fields.copies("CIT-BR").find(400, 1)->ext_wartosc, "CIT-BR 400");
    EXPECT_EQ(fields.copies("CIT-BR").size(), 2u);
}

TEST_F(DeclarationLoad, Generation72ReadsUpTo147AndEverySheetFrom101AsCitD) {
    addCompleteSheets("cit8_24");  // rows 148..150 too: generation 72 has none
    pending.push_back({kId, 104, "2", "CIT-D 4"});
    pending.push_back({kId, 550, "3", "CIT-D 450"});
    pending.push_back({kId, 650, "5", "CIT-D 550"});
    insertShuffled();

    load72();

    const FieldList& main72 = fieldList("cit8_23");
    for (int n : main72.numbers()) EXPECT_EQ(fields.main()[n].toStored(), heldText(main72, n)) << n;
    EXPECT_FALSE(fields.main().has(148));
    EXPECT_EQ(fields.copies("CIT-D").find(4, 2)->ext_wartosc, "CIT-D 4");
    EXPECT_EQ(fields.copies("CIT-D").find(450, 3)->ext_wartosc, "CIT-D 450");
    EXPECT_EQ(fields.copies("CIT-D").find(550, 5)->ext_wartosc, "CIT-D 550");
    EXPECT_FALSE(fields.carries("CIT-BR"));
}

TEST_F(DeclarationLoad, NothingOfThePreviousDeclarationStaysInTheLoadedSheets) {
    fields.main()[6].setText("previous");
    fields.main()[31].setText("99.00");
    fields.form("CIT-8/O")[6].setText("previous");
    fields.copies("CIT-D").append(1, 1, "previous");
    host.addPoz(kId, 0, "1", "1234567890");

    load73();

    EXPECT_EQ(fields.main()[1].toStored(), "1234567890");
    EXPECT_EQ(fields.main()[6].toStored(), "");
    EXPECT_EQ(fields.main()[31].toStored(), "0.00");
    EXPECT_EQ(fields.form("CIT-8/O").stored(6), "");
    EXPECT_TRUE(fields.copies("CIT-D").empty());
}

TEST_F(DeclarationLoad, EmptyAmountIsZeroAndUnreadableNumbersAreNamedOnce) {
    host.addPoz(kId, 0, "31", "");
    host.addPoz(kId, 0, "33", "12,5x");
    host.addPoz(kId, 0, "34", "1e5");
    host.addPoz(kId, 0, "35", " 17.5 ");
    host.addPoz(kId, 1, "9", "abc");
    host.addPoz(kId, 1, "4", "81234");
    host.addPoz(kId, 1, "5", "31.12.2023");
    host.addPoz(kId, 0, "60", "not a number but a text field");

    load73();

    EXPECT_EQ(fields.main()[31].toStored(), "0.00");
    EXPECT_EQ(fields.main()[33].toStored(), "0.00");
    EXPECT_EQ(fields.main()[34].toStored(), "0.00");
    EXPECT_EQ(fields.main()[35].amount().grosze(), 1750);
    EXPECT_EQ(fields.form("CIT-8/O").stored(9), "0.00");
    EXPECT_EQ(fields.form("CIT-8/O")[4].day(), 81234);
    EXPECT_EQ(fields.form("CIT-8/O")[5].day(), 0);
    ASSERT_EQ(messages("MSG_OST").size(), 1u);
    const std::string text = messages("MSG_OST").front();
    EXPECT_TRUE(text.starts_with("Nieczytelne wartości pól deklaracji: CIT-8 poz. 33")) << text;
    for (const char* name :
         {"CIT-8 poz. 33", "CIT-8 poz. 34", "CIT-8/O poz. 5", "CIT-8/O poz. 9"}) {
        EXPECT_NE(text.find(name), std::string::npos) << name;
    }
    EXPECT_EQ(text.find("poz. 31"), std::string::npos);
    EXPECT_EQ(text.find("poz. 60"), std::string::npos);
    EXPECT_EQ(text.find("CIT-8/O poz. 4"), std::string::npos);
    // The message comes after the normal cursor is back.
    EXPECT_EQ(host.ui.busyDepth, 0);
}

TEST_F(DeclarationLoad, OrdZuTakesItsFieldsAndTheLongTextThroughTheSecondQuery) {
    const std::string longText(3500, 'z');
    host.utility.script(
        kOrdZuQuery,
        {{"1", "Jan Kowalski"}, {"3", "ignored"}, {"12", "Uzasadnienie"}, {"13", longText}});
    host.utility.script(kOrdZu13Query, {{longText}});
    // The result column holds 3000 characters; the database says how long the text is.
    const std::string lengthQuery =
        "select len(wartosc_pola) from DEKLARACJE_ZALACZNIK where id_deklaracje_nag=17 AND "
        "typ='ORD-ZU' AND nr_pola=13";
    host.utility.script(lengthQuery, {{"3500"}});

    load73();

    EXPECT_EQ(fields.form("ORD-ZU").stored(1), "Jan Kowalski");
    EXPECT_EQ(fields.form("ORD-ZU").stored(12), "Uzasadnienie");
    EXPECT_EQ(fields.form("ORD-ZU").stored(13), std::string(3000, 'z'));
    EXPECT_FALSE(fields.form("ORD-ZU").has(3));
    EXPECT_EQ(host.utility.statements.back().text, lengthQuery);
    EXPECT_EQ(fields.issues.cut, std::vector<std::string>{"ORD-ZU poz. 13"});
    EXPECT_NE(messages("MSG_OST").back().find("zostały skrócone: ORD-ZU poz. 13"),
              std::string::npos);
}

TEST_F(DeclarationLoad, OrdZuQueryErrorIsShownAndKeepsTheFields) {
    fields.form("ORD-ZU")[2].setText("kept");
    host.utility.scriptFailure(kOrdZuQuery, "Brak tabeli DEKLARACJE_ZALACZNIK");
    host.addPoz(kId, 0, "6", "main");

    load73();

    EXPECT_EQ(fields.form("ORD-ZU").stored(2), "kept");
    EXPECT_EQ(messages("MSG_INF"), std::vector<std::string>{"Brak tabeli DEKLARACJE_ZALACZNIK"});
    EXPECT_EQ(fields.main()[6].toStored(), "main");
}

TEST_F(DeclarationLoad, AnotherTemplateLeavesTheSheetsButStillReadsOrdZu) {
    fields.main()[6].setText("untouched");
    fields.copies("CIT-D").append(1, 1, "untouched");
    host.addPoz(kId, 0, "6", "stored");
    host.utility.script(kOrdZuQuery, {{"2", "Korekta"}});

    state.CIT_ID_WZORCA = 72;
    WCZYTAJ_CIT_8(73, host.binding(), state, fields);

    EXPECT_EQ(fields.main()[6].toStored(), "untouched");
    EXPECT_EQ(fields.copies("CIT-D").size(), 1u);
    EXPECT_EQ(fields.form("ORD-ZU").stored(2), "Korekta");
    EXPECT_EQ(host.data.fakeFile(host::HostFileId::DEKLARACJE_POZ).openCount, 0);
}

// A read error at the first row (of the main sheet) or after 2 rows of a walk (in CIT-D)
// ends the load: the user is told, nothing more is read, and the error stays for the caller.
class DeclarationLoadReadError : public DeclarationLoad,
                                 public ::testing::WithParamInterface<int> {};

TEST_P(DeclarationLoadReadError, EndsTheLoadSaysSoAndLeavesTheErrorForTheCaller) {
    host.utility.script(kOrdZuQuery, {{"2", "Korekta"}});
    host.addPoz(kId, 0, "1", "NIP");
    for (const char* field : {"1", "2", "3"}) host.addPoz(kId, 101, field, "CIT-D");
    host.data.fakeFile(host::HostFileId::DEKLARACJE_POZ).failReadsAfter = GetParam();

    load73();

    EXPECT_EQ(host.utility.errorStatus().code, 90);
    EXPECT_EQ(host.utility.errorStatus().text, "Błąd odczytu pliku DEKLARACJE_POZ");
    ASSERT_EQ(messages("MSG_OST").size(), 1u);
    EXPECT_TRUE(messages("MSG_OST")[0].starts_with("Deklaracja 17 nie została wczytana w całości"))
        << messages("MSG_OST")[0];
    EXPECT_EQ(fields.form("ORD-ZU").stored(2), "") << "nothing is read after the error";
}

INSTANTIATE_TEST_SUITE_P(MainSheetAndCitD, DeclarationLoadReadError, ::testing::Values(0, 2));

TEST_F(DeclarationLoad, ALoadThatReachesEveryEndLeavesNoError) {
    host.addPoz(kId, 0, "1", "NIP");
    host.addPoz(kId, 101, "1", "CIT-D");
    load73();
    EXPECT_EQ(host.utility.errorStatus().code, 0);
    EXPECT_EQ(fields.main()[1].toStored(), "NIP");
}

}  // namespace
}  // namespace citforms::store
