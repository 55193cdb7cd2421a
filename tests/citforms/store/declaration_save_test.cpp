// Saving CIT-8 declarations of both editions, the discard of a new one, the CIT-ST headers the
// module numbers itself and the CIT-8 / CIT-ST links, on a recording host that keeps the rows.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "citforms/store/declaration_save.h"
#include "citforms/support/fake_host.h"
#include "citforms/values/text.h"

namespace citforms::store {
namespace {

using host::HostFileId;
using host::Record;
using testing::FakeHost;

constexpr std::int32_t kId = 17;
const std::string kLockQuery =
    "select mozna_modyfikowac_dokument_edeklaracja, czy_zapis_w_bazie from deklaracje_nag_view "
    "where id_deklaracje_nag = 17";
const std::string kNastyText =
    "O'Brien i \"Spółka\" ''; DROP TABLE DEKLARACJE_POZ; -- C:\\ścieżka\\n zażółć gęślą jaźń '";

// Field values of a complete declaration: every field of every sheet holds something.
void fillEverything(DeclarationFields& f) {
    for (FieldSet* set : {&f.main(), &f.form("CIT-8/O")}) {
        for (int n : set->list().numbers()) {
            const values::FieldClass cls = set->list().fieldSpec(n).cls;
            set->loadStored(n, cls == values::FieldClass::Text ? "T" + std::to_string(n)
                                                               : std::to_string(n) + ".25");
        }
    }
    for (int n : f.form("ORD-ZU").list().numbers()) f.form("ORD-ZU")[n].setText("Z" + std::to_string(n));
    f.main()[7].setText("1");
}

class DeclarationSaveTest : public ::testing::Test {
protected:
    DeclarationSaveTest() {
        host::Globals& g = host.data.globalValues;
        g.DANE_ID_FIRMY = 3;
        g.DANE_ID_UZYTKOWNIKA_NR = 7;
        g.DANE_ID_UZYT = "ADMIN";
        g.DANE_DATA_BIEZACA = 80400;
        host.emulateDeclarationTables();
        host.addHeader(kId);
        host.utility.script(kLockQuery, {{"1", "0"}});
        fillEverything(fields);
        state.CIT_ID_WZORCA = 73;
    }

    std::int32_t save73(std::int32_t id = kId) {
        return ZAPISZ_CIT_8(73, host.binding(), state, fields, 1, id, 80333, 0, &outcome);
    }
    // The open declaration becomes a complete one of template 72.
    void as72() {
        fields.hold(72);
        fillEverything(fields);
    }
    std::int32_t save72(std::int32_t id = kId) {
        state.CIT_ID_WZORCA = 72;
        return ZAPISZ_CIT_8(72, host.binding(), state, fields, 1, id, 80333, 0, &outcome);
    }

    std::vector<std::string> fieldNumbers(std::int32_t sheet) {
        std::vector<std::string> out;
        for (const Record& r : host.pozRows(kId, sheet)) out.push_back(r.get("NR_POLA"));
        return out;
    }
    std::vector<int> sheets() {
        std::vector<int> out;
        for (const Record& r : host.pozRows(kId)) {
            const int sheet = std::stoi(r.get("NR_ZALACZNIKA"));
            if (std::find(out.begin(), out.end(), sheet) == out.end()) out.push_back(sheet);
        }
        return out;
    }
    Record header(std::int32_t id = kId) {
        for (const Record& r : host.data.fakeFile(HostFileId::DEKLARACJE_NAG).rows()) {
            if (r.get("ID_DEKLARACJE_NAG") == std::to_string(id)) return r;
        }
        return {};
    }
    std::vector<std::string> messages(const std::string& kind) const {
        std::vector<std::string> out;
        for (const testing::HostMessage& m : host.utility.messages) {
            if (m.kind == kind) out.push_back(m.text);
        }
        return out;
    }
    // Everything stored, as text, to compare before and after a save that must not write.
    std::string storedState() {
        std::string out;
        for (HostFileId file : {HostFileId::DEKLARACJE_NAG, HostFileId::DEKLARACJE_POZ}) {
            for (const Record& r : host.data.fakeFile(file).rows()) {
                for (std::size_t i = 0; i < r.size(); ++i) out += r.column(i) + "=" + r.value(i) + ";";
                out += "\n";
            }
        }
        for (const FakeHost::ZalacznikRow& z : host.zalacznik) {
            out += std::to_string(z.id) + "|" + z.nrPola + "|" + z.value + "|" + z.typ + "\n";
        }
        return out;
    }
    void storeOldDeclaration() {
        host.addPoz(kId, 0, "31", "1.00");
        host.addPoz(kId, 103, "1", "stara kopia");
        host.addPoz(kId + 1, 0, "31", "sąsiad");
        host.zalacznik.push_back({kId, "13", "stare wyjaśnienie", "ORD-ZU"});
        host.zalacznik.push_back({kId + 1, "13", "sąsiad", "ORD-ZU"});
    }
    void expectWriteErrorBox() {
        ASSERT_EQ(host.ui.messages.size(), 1u);
        EXPECT_EQ(host.ui.messages[0].title, "Tabrix: Ostrzeżenie");
        EXPECT_EQ(host.ui.messages[0].text, "Wystąpił błąd zapisu do bazy.");
        EXPECT_EQ(host.ui.messages[0].icon, host::MessageIcon::Warning);
    }

    FakeHost host;
    module::DeclarationState state;
    DeclarationFields fields;
    SaveOutcome outcome = SaveOutcome::Failed;
};

std::vector<std::string> numbersAsText(const FieldList& list) {
    std::vector<std::string> out;
    for (int n : list.numbers()) out.push_back(std::to_string(n));
    return out;
}

TEST_F(DeclarationSaveTest, Edition24WritesEveryFieldOfEverySheetOnce) {
    fields.main()[29].setText("2");  // CIT-D count
    fields.main()[28].setText("1");  // CIT-BR count
    for (int copy : {3, 1, 2}) {
        fields.copies("CIT-D").append(copy, 2, "D" + std::to_string(copy));
        fields.copies("CIT-D").append(copy, 1, "D" + std::to_string(copy));
    }
    fields.copies("CIT-BR").append(2, 19, "900");
    fields.copies("CIT-BR").append(1, 19, "700");

    EXPECT_EQ(save73(), kId);
    EXPECT_EQ(outcome, SaveOutcome::Saved);
    EXPECT_EQ(fieldNumbers(0), numbersAsText(fieldList("cit8_24")));
    EXPECT_EQ(fieldNumbers(0).size(), 148u);
    EXPECT_EQ(fieldNumbers(0).back(), "150");
    EXPECT_EQ(fieldNumbers(1), numbersAsText(fieldList("cit8o_11")));
    EXPECT_EQ(fieldNumbers(1).size(), 89u);
    EXPECT_EQ(fieldNumbers(101), (std::vector<std::string>{"1", "2"}));
    EXPECT_EQ(fieldNumbers(102), (std::vector<std::string>{"1", "2"}));
    EXPECT_EQ(sheets(), (std::vector<int>{0, 1, 101, 102, 501}));
    EXPECT_EQ(host.pozRows(kId, 501).at(0).get("WARTOSC_POLA"), "700");
    // The period is stored as text of 10 characters, left-aligned and padded with blanks.
    EXPECT_EQ(host.pozRows(kId, 0).at(1).get("WARTOSC_POLA"), "T4        ");
    EXPECT_EQ(host.pozRows(kId, 0).at(30).get("WARTOSC_POLA"), "33.25");  // field 33

    ASSERT_EQ(host.zalacznik.size(), 11u);
    std::vector<std::string> numbers;
    for (const FakeHost::ZalacznikRow& z : host.zalacznik) {
        numbers.push_back(z.nrPola);
        EXPECT_EQ(z.typ, "ORD-ZU");
        EXPECT_EQ(z.value, "Z" + z.nrPola);
    }
    EXPECT_EQ(numbers, (std::vector<std::string>{"1", "2", "5", "6", "7", "8", "9", "10", "11",
                                                 "12", "13"}));
    EXPECT_EQ(host.utility.logEntries,
              std::vector<std::string>{"17|Aktualizacja deklaracji CIT-8, id:17|X|P"});
    EXPECT_EQ(host.utility.transactionDepth, 0);
    EXPECT_EQ(host.utility.commits, 1);
    EXPECT_EQ(host.ui.busyDepth, 0);
    EXPECT_TRUE(host.ui.messages.empty());
}

TEST_F(DeclarationSaveTest, Edition23WritesItsOwnListAndNoCitBr) {
    // Forms of another template are refused whole: nothing is written.
    const std::string before = storedState();
    EXPECT_EQ(save72(), kId);
    EXPECT_EQ(outcome, SaveOutcome::Failed);
    EXPECT_EQ(storedState(), before);
    expectWriteErrorBox();
    host.ui.messages.clear();

    as72();
    EXPECT_FALSE(fields.carries("CIT-BR"));
    fields.main()[28].setText("1");  // the CIT-D count of this edition
    fields.copies("CIT-D").append(1, 1, "D1");
    fields.copies("CIT-D").append(2, 1, "D2");
    EXPECT_EQ(save72(), kId);
    EXPECT_EQ(outcome, SaveOutcome::Saved);
    EXPECT_EQ(fieldNumbers(0), numbersAsText(fieldList("cit8_23")));
    EXPECT_EQ(fieldNumbers(0).size(), 145u);
    EXPECT_EQ(fieldNumbers(1).size(), 89u);
    EXPECT_EQ(sheets(), (std::vector<int>{0, 1, 101}));
    EXPECT_EQ(host.zalacznik.size(), 11u);
}

TEST_F(DeclarationSaveTest, AttachmentCopiesOutsideTheirSheetsAreNotWritten) {
    fields.main()[29].setText("450");
    fields.main()[28].setText("450");
    for (int copy : {0, 1, 400, 401}) {
        fields.copies("CIT-D").append(copy, 1, "D");
        fields.copies("CIT-BR").append(copy, 1, "B");
    }
    EXPECT_EQ(save73(), kId);
    // Copy 401 would be CIT-BR 1 (sheet 501) and CIT-BR 401 a sheet no load reads.
    EXPECT_EQ(sheets(), (std::vector<int>{0, 1, 101, 500, 501, 900}));
    EXPECT_EQ(messages("MSG_INF"),
              (std::vector<std::string>{"Załączniki CIT-D o numerach powyżej 400 nie zostały "
                                        "zapisane.",
                                        "Załączniki CIT-BR o numerach powyżej 400 nie zostały "
                                        "zapisane."}));
    // Generation 72 keeps every CIT-D copy: its load reads all sheets from 101 on.
    as72();
    fields.main()[28].setText("450");
    for (int copy : {0, 1, 400, 401}) fields.copies("CIT-D").append(copy, 1, "D");
    EXPECT_EQ(save72(), kId);
    EXPECT_EQ(sheets(), (std::vector<int>{0, 1, 101, 500, 501}));
}

TEST_F(DeclarationSaveTest, SaveReplacesTheOldRowsOfThisDeclarationOnly) {
    storeOldDeclaration();
    EXPECT_EQ(save73(), kId);
    EXPECT_EQ(host.pozRows(kId, 103).size(), 0u);
    EXPECT_EQ(host.pozRows(kId, 0).size(), 148u);
    EXPECT_EQ(host.pozRows(kId + 1).size(), 1u);
    EXPECT_EQ(host.zalacznik.size(), 12u);
    EXPECT_EQ(host.zalacznik.front().id, kId + 1);

    // The deletes go through EXECSQL, after the lock check and before any insert.
    std::vector<std::string> sql;
    for (const testing::Statement& s : host.utility.statements) {
        if (s.file == host::ResultFileId::ZAPYTANIESQL) sql.push_back(s.text);
    }
    EXPECT_EQ(sql, (std::vector<std::string>{
                       "delete from DEKLARACJE_POZ where id_deklaracje_nag=17",
                       "delete from DEKLARACJE_ZALACZNIK where id_deklaracje_nag=17"}));
    EXPECT_EQ(host.utility.statements.front().text, kLockQuery);
}

TEST_F(DeclarationSaveTest, HeaderTakesCorrectionFlagUserAndDate) {
    struct Case {
        const char* field7;
        const char* status2;
    };
    for (const Case& c : {Case{"2", "1"}, Case{"1", "0"}, Case{"", "0"}, Case{"12", "0"}}) {
        SCOPED_TRACE(c.field7);
        fields.main()[7].setText(c.field7);
        EXPECT_EQ(save73(), kId);
        const Record h = header();
        EXPECT_EQ(h.get("STATUS_2"), c.status2);
        EXPECT_EQ(h.get("INFO_2"), "CIT-8");
        EXPECT_EQ(h.get("DATA_SYSTEMOWA_P"), "80400");
        EXPECT_EQ(h.get("ID_UZYT_P"), "ADMIN");
    }
}

TEST_F(DeclarationSaveTest, LockedDeclarationIsRefusedAndKeepsEveryRow) {
    struct Case {
        const char* name;
        std::vector<std::vector<std::string>> view;  // mozna..., czy_zapis_w_bazie
        const char* blokada;
        bool locked;
    };
    const std::vector<Case> cases = {
        {"e-filing forbids changes", {{"0", "1"}}, "", true},
        {"mark without e-filing", {{"1", "0"}}, "X", true},
        {"a user's lock holds whatever the e-filing state", {{"1", "1"}}, "X", true},
        {"e-filing allows, no mark", {{"1", "1"}}, "", false},
        {"no view row, mark", {}, "ADM", true},
        {"no view row, blank mark", {}, "   ", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeHost& h = host;
        h.data.fakeFile(HostFileId::DEKLARACJE_NAG).mutableRows().clear();
        h.addHeader(kId, c.blokada);
        h.data.fakeFile(HostFileId::DEKLARACJE_POZ).mutableRows().clear();
        h.zalacznik.clear();
        storeOldDeclaration();
        h.utility.script(kLockQuery, c.view);
        h.utility.messages.clear();
        h.utility.logEntries.clear();
        const std::string before = storedState();

        EXPECT_EQ(save73(), kId);
        if (c.locked) {
            EXPECT_EQ(outcome, SaveOutcome::Locked);
            EXPECT_EQ(storedState(), before);
            // Who holds the lock is named; since when comes from the host's log.
            const std::string holder(values::trim(c.blokada, " "));
            EXPECT_EQ(messages("MSG_INF"),
                      std::vector<std::string>{
                          "Nie można zapisać zmian. Deklaracja jest zablokowana." +
                          (holder.empty() ? std::string() : " Blokadę założył " + holder + ".")});
            // Only the refusal itself is logged.
            EXPECT_EQ(h.utility.logEntries,
                      std::vector<std::string>{std::to_string(kId) +
                                               "|Odmowa zapisu zablokowanej deklaracji CIT-8, id:" +
                                               std::to_string(kId) + "|X|R"});
        } else {
            EXPECT_EQ(outcome, SaveOutcome::Saved);
            EXPECT_EQ(h.pozRows(kId, 0).size(), 148u);
        }
        EXPECT_EQ(h.ui.busyDepth, 0);
        EXPECT_EQ(h.utility.transactionDepth, 0);
    }
}

TEST_F(DeclarationSaveTest, FailingLockQueryIsShownAndTheMarkDecides) {
    host.utility.scriptFailure(kLockQuery, "Brak widoku deklaracje_nag_view");
    EXPECT_EQ(save73(), kId);
    EXPECT_EQ(outcome, SaveOutcome::Saved);
    EXPECT_EQ(messages("MSG_OST"), std::vector<std::string>{"Brak widoku deklaracje_nag_view"});
}

// A declaration deleted meanwhile: nothing written, and the id kept so that the next save is
// refused again instead of making a new declaration.
TEST_F(DeclarationSaveTest, MissingHeaderIsRefusedAndKeepsItsId) {
    EXPECT_EQ(save73(99), 99);
    EXPECT_EQ(outcome, SaveOutcome::Failed);
    EXPECT_EQ(messages("MSG_INF"), std::vector<std::string>{"Deklaracja 99 została usunięta."});
    EXPECT_TRUE(host.pozRows(99).empty());
    EXPECT_EQ(host.ui.busyDepth, 0);
}

TEST_F(DeclarationSaveTest, FailedHeaderUpdateKeepsTheIdAndWritesNothing) {
    storeOldDeclaration();
    const std::string before = storedState();
    host.data.fakeFile(HostFileId::DEKLARACJE_NAG).failUpdate = true;
    EXPECT_EQ(save73(), kId);
    expectWriteErrorBox();
    EXPECT_EQ(storedState(), before);
}

TEST_F(DeclarationSaveTest, FailureHalfWayLeavesTheOldDeclaration) {
    struct Case {
        const char* name;
        int failInsertsAfter;
        bool failOrdZu;
        bool failCommit;
    };
    for (const Case& c : {Case{"main sheet", 100, false, false},
                          Case{"CIT-8/O", 148 + 10, false, false},
                          Case{"CIT-D", 148 + 89 + 1, false, false},
                          Case{"commit", -1, false, true},
                          Case{"ORD-ZU", -1, true, false}}) {
        SCOPED_TRACE(c.name);
        host.data.fakeFile(HostFileId::DEKLARACJE_POZ).mutableRows().clear();
        host.zalacznik.clear();
        storeOldDeclaration();
        fields.main()[29].setText("1");
        fields.copies("CIT-D").clear();
        fields.copies("CIT-D").append(1, 1, "a");
        fields.copies("CIT-D").append(1, 2, "b");
        const std::string before = storedState();
        FakeHost& h = host;
        h.data.fakeFile(HostFileId::DEKLARACJE_POZ).inserts = 0;
        h.data.fakeFile(HostFileId::DEKLARACJE_POZ).failInsertsAfter = c.failInsertsAfter;
        // The ORD-ZU texts go in one statement: that statement fails.
        const std::string ordZu =
            "insert into DEKLARACJE_ZALACZNIK (id_deklaracje_nag, nr_pola, wartosc_pola, typ) "
            "values (17,*";
        if (c.failOrdZu) h.utility.scriptFailure(ordZu, "Naruszenie ograniczenia");
        h.utility.failCommit = c.failCommit;
        h.ui.messages.clear();
        h.utility.messages.clear();

        EXPECT_EQ(save73(), kId);
        EXPECT_EQ(outcome, SaveOutcome::Failed);
        EXPECT_EQ(storedState(), before);
        expectWriteErrorBox();
        if (c.failOrdZu) {
            EXPECT_EQ(messages("MSG_INF"), std::vector<std::string>{"Naruszenie ograniczenia"});
        }
        EXPECT_EQ(h.utility.transactionDepth, 0);
        EXPECT_EQ(h.ui.busyDepth, 0);

        h.data.fakeFile(HostFileId::DEKLARACJE_POZ).failInsertsAfter = -1;
        h.utility.failCommit = false;
    }
}

TEST_F(DeclarationSaveTest, OrdZuTextIsEscapedAndStoredIntact) {
    fields.form("ORD-ZU")[13].setText(kNastyText + std::string(2000, 'x') + "'");
    fields.form("ORD-ZU")[5].setText(kNastyText);
    EXPECT_EQ(save73(), kId);
    ASSERT_EQ(host.zalacznik.size(), 11u);
    EXPECT_EQ(host.zalacznik[2].value, kNastyText);
    EXPECT_EQ(host.zalacznik[10].value, fields.form("ORD-ZU")[13].text());
    EXPECT_EQ(host.zalacznik[10].value.back(), '\'');
    // In the statement text every apostrophe of the value is doubled.
    const auto it = std::find_if(host.utility.statements.begin(), host.utility.statements.end(),
                                 [](const testing::Statement& s) {
                                     return s.text.find(",'5','") != std::string::npos;
                                 });
    ASSERT_NE(it, host.utility.statements.end());
    EXPECT_NE(it->text.find("O''Brien i \"Spółka\" ''''; DROP"), std::string::npos);
    EXPECT_EQ(sqlText(std::string("a\0'b", 4)), "a''b");
}

TEST_F(DeclarationSaveTest, FirstStepCreatesTheHeaderOnlyAndLogsIt) {
    const std::string create = "CALL ZESTAWIENIE_DEKLARACJA_DODAJ (3,0,7,73,80333,12)";
    host.utility.script(create, {{"44"}});
    const std::int32_t id = ZAPISZ_CIT_8(73, host.binding(), state, fields, 0, 0, 80333, 12);
    EXPECT_EQ(id, 44);
    EXPECT_EQ(host.utility.statements.size(), 1u);
    EXPECT_EQ(host.utility.statements[0].text, create);
    EXPECT_EQ(host.utility.logEntries,
              std::vector<std::string>{"44|Dodanie deklaracji CIT-8, id:44|X|D"});
    EXPECT_TRUE(host.pozRows(44).empty());
    EXPECT_TRUE(host.zalacznik.empty());

    // An existing id needs no header.
    EXPECT_EQ(ZAPISZ_CIT_8(72, host.binding(), state, fields, 0, kId, 80333, 12), kId);
    EXPECT_EQ(host.utility.statements.size(), 1u);
}

TEST_F(DeclarationSaveTest, FailedHeaderCreationGivesZero) {
    const std::string create = "CALL ZESTAWIENIE_DEKLARACJA_DODAJ (3,0,7,73,80333,0)";
    host.utility.scriptFailure(create, "Brak wzorca deklaracji o numerze 73.");
    EXPECT_EQ(ZAPISZ_CIT_8(73, host.binding(), state, fields, 0, 0, 80333, 0), 0);
    EXPECT_EQ(messages("MSG_OST"),
              std::vector<std::string>{"Brak wzorca deklaracji o numerze 73."});
    EXPECT_TRUE(host.utility.logEntries.empty());

    // A procedure that answers without an id is no header either; the person is told.
    host.utility.script("CALL ZESTAWIENIE_DEKLARACJA_DODAJ (3,0,7,73,80333,5)", {});
    EXPECT_EQ(ZAPISZ_CIT_8(73, host.binding(), state, fields, 0, 0, 80333, 5), 0);
    expectWriteErrorBox();
    EXPECT_EQ(host.ui.busyDepth, 0);
}

TEST_F(DeclarationSaveTest, HeaderMadeInsideAFailedSaveIsNotKept) {
    // The host procedure adds the header row; the failing save takes it back with the rest.
    const std::string create = "CALL ZESTAWIENIE_DEKLARACJA_DODAJ (3,0,7,73,80333,0)";
    auto previous = host.utility.handler;
    host.utility.handler = [&, previous](const std::string& sql)
        -> std::optional<testing::FakeUtility::Answer> {
        if (sql == create) {
            host.addHeader(45);
            return testing::FakeUtility::Answer{true, {{"45"}}, ""};
        }
        return previous(sql);
    };
    host.utility.script(
        "select mozna_modyfikowac_dokument_edeklaracja, czy_zapis_w_bazie from "
        "deklaracje_nag_view where id_deklaracje_nag = 45",
        {{"1", "0"}});

    host.data.fakeFile(HostFileId::DEKLARACJE_POZ).failInsertsAfter = 5;
    EXPECT_EQ(ZAPISZ_CIT_8(73, host.binding(), state, fields, 1, 0, 80333, 0, &outcome), 0);
    EXPECT_EQ(outcome, SaveOutcome::Failed);
    EXPECT_EQ(header(45).get("ID_DEKLARACJE_NAG"), "");

    host.data.fakeFile(HostFileId::DEKLARACJE_POZ).failInsertsAfter = -1;
    EXPECT_EQ(ZAPISZ_CIT_8(73, host.binding(), state, fields, 1, 0, 80333, 0, &outcome), 45);
    EXPECT_EQ(outcome, SaveOutcome::Saved);
    EXPECT_EQ(host.pozRows(45, 0).size(), 148u);
}

TEST_F(DeclarationSaveTest, DiscardRemovesTheHeaderWithItsDefinitionsAndLogsIt) {
    const std::vector<std::string> deletes = {
        "delete from ZESTAWIENIE_DEFINICJA where id_deklaracje_nag = 17",
        "delete from DEKLARACJE_POZ where id_deklaracje_nag = 17",
        "delete from DEKLARACJE_ZALACZNIK where id_deklaracje_nag = 17",
        "delete from DEKLARACJE_NAG_INTER where ID_DEKLARACJE_NAG_1 = 17",
        "delete from DEKLARACJE_NAG where id_deklaracje_nag = 17"};
    for (const std::string& sql : deletes) host.utility.script(sql, {});
    state.CIT_ID_DEKLARACJI = kId;
    EXPECT_TRUE(discardNewCit8(host.binding(), state));
    EXPECT_EQ(state.CIT_ID_DEKLARACJI, 0);
    std::vector<std::string> sent;
    for (const auto& statement : host.utility.statements) sent.push_back(statement.text);
    EXPECT_EQ(sent, deletes);
    EXPECT_EQ(host.utility.logEntries,
              std::vector<std::string>{"17|Usunięcie (anuluj) deklaracji CIT-8, id:17|X|U"});

    // A failing delete undoes the others and says why; the id stays, nothing is logged.
    state.CIT_ID_DEKLARACJI = kId;
    host.utility.scriptFailure(deletes[4], "Deklaracja jest używana");
    const values::Status failed = discardNewCit8(host.binding(), state);
    EXPECT_EQ(failed.error(), "Deklaracja jest używana");
    EXPECT_EQ(failed.errorKind(), values::ErrorKind::Database);
    EXPECT_EQ(host.utility.rollbacks, 1);
    EXPECT_EQ(host.utility.logEntries.size(), 1u);
    EXPECT_EQ(state.CIT_ID_DEKLARACJI, kId);
}

class CitStHeaderTest : public ::testing::Test {
protected:
    CitStHeaderTest() {
        host::Globals& g = host.data.globalValues;
        g.DANE_ID_FIRMY = 3;
        g.DANE_ID_UZYT = "O'NEIL";
        g.DANE_DATA_BIEZACA = 80400;
        host.utility.handler = [this](const std::string& sql)
            -> std::optional<testing::FakeUtility::Answer> {
            if (sql == kIdQuery) return testing::FakeUtility::Answer{true, {{nextId}}, ""};
            if (sql == kLpQuery) return testing::FakeUtility::Answer{true, {{nextLp}}, ""};
            if (sql.rfind("insert into DEKLARACJE_NAG", 0) == 0) {
                inserts.push_back(sql);
                if (refusals > 0) {
                    --refusals;
                    nextId = std::to_string(std::stoi(nextId) + 1);  // another user took it
                    return testing::FakeUtility::Answer{false, {}, "UNIQUE constraint failed"};
                }
                return testing::FakeUtility::Answer{};
            }
            return std::nullopt;
        };
    }

    static constexpr const char* kIdQuery = store::kNextHeaderIdQuery;
    static constexpr const char* kLpQuery =
        "select isnull(max(LP),0)+1 from DEKLARACJE_NAG where id_firmy = 3 AND "
        "DATA_OKRESU=80333 AND INFO_2 = 'CIT-ST'";

    FakeHost host;
    std::string nextId = "21";
    std::string nextLp = "4";
    int refusals = 0;
    std::vector<std::string> inserts;
};

TEST_F(CitStHeaderTest, NumbersTheHeaderAsMaximumPlusOne) {
    EXPECT_EQ(*insertCitStHeader(host.binding(), 80333, 1), 21);
    ASSERT_EQ(inserts.size(), 1u);
    EXPECT_EQ(inserts[0],
              "insert into DEKLARACJE_NAG (ID_DEKLARACJE_WZORZEC,ID_DEKLARACJE_NAG,ID_FIRMY,"
              "DATA_OKRESU,ID_UDZIALOWCA,NR_DEKLARACJI,DATA_SYSTEMOWA,DATA_SYSTEMOWA_P,ID_UZYT,"
              "ID_UZYT_P,BLOKADA,LP,STATUS_2,INFO_2) values(201,21,3,80333,0,0,80400,0,"
              "'O''NEIL','','',4,1,'CIT-ST')");
    EXPECT_EQ(host.utility.transactionsBegun, 1);
    EXPECT_EQ(host.utility.commits, 1);
}

TEST_F(CitStHeaderTest, TakesFreshNumbersWhenAnotherUserWasFirst) {
    refusals = 2;
    EXPECT_EQ(*insertCitStHeader(host.binding(), 80333, 0), 23);
    EXPECT_EQ(inserts.size(), 3u);
    EXPECT_EQ(host.utility.rollbacks, 2);
    EXPECT_TRUE(host.utility.messages.empty());

    refusals = 100;
    inserts.clear();
    const values::Result<std::int32_t> refused = insertCitStHeader(host.binding(), 80333, 0);
    EXPECT_EQ(inserts.size(), 5u);
    EXPECT_EQ(refused.error(), "UNIQUE constraint failed");
}

TEST_F(CitStHeaderTest, ChangedHeaderUnlessLocked) {
    const std::string lock =
        "select blokada_stan from DEKLARACJE_NAG_VIEW where id_deklaracje_nag = 21";
    const std::string update =
        "update DEKLARACJE_NAG set DATA_SYSTEMOWA_P=80400,STATUS_2=1,ID_UZYT_P = 'O''NEIL',"
        "DATA_OKRESU=80333 where ID_DEKLARACJE_NAG=21";
    const values::Status gone = updateCitStHeader(host.binding(), 21, 80333, 1);
    EXPECT_EQ(gone.errorKind(), values::ErrorKind::NotFound);
    EXPECT_EQ(gone.error(), "Deklaracja 21 została usunięta.");
    host.data.fakeFile(HostFileId::DEKLARACJE_NAG)
        .add(Record{{"ID_DEKLARACJE_NAG", "21"}, {"ID_DEKLARACJE_WZORZEC", "201"}, {"BLOKADA", ""}});
    host.utility.script(lock, {{"1"}});
    const values::Status locked = updateCitStHeader(host.binding(), 21, 80333, 1);
    EXPECT_EQ(locked.errorKind(), values::ErrorKind::Locked);
    EXPECT_EQ(locked.error(), "Nie można zapisać zmian. Deklaracja jest zablokowana.");
    EXPECT_EQ(host.utility.statements.back().text, lock);

    host.utility.script(lock, {{"0"}});
    host.utility.script(update, {});
    EXPECT_TRUE(updateCitStHeader(host.binding(), 21, 80333, 1).ok());
    EXPECT_EQ(host.utility.statements.back().text, update);
}

TEST_F(CitStHeaderTest, LinksOfACit8) {
    const std::string remove = "delete from DEKLARACJE_NAG_INTER where ID_DEKLARACJE_NAG_1=17";
    const std::string insert =
        "insert into DEKLARACJE_NAG_INTER (ID_DEKLARACJE_NAG_1, ID_DEKLARACJE_NAG_2) select "
        "a.ID_DEKLARACJE_NAG, b.ID_DEKLARACJE_NAG from DEKLARACJE_NAG a, DEKLARACJE_NAG b "
        "where a.ID_DEKLARACJE_NAG=17 AND b.ID_DEKLARACJE_NAG=21";
    const std::string read =
        "select ID_DEKLARACJE_NAG_2 FROM DEKLARACJE_NAG_INTER where ID_DEKLARACJE_NAG_1 = 17";
    host.utility.script(remove, {});
    host.utility.scriptFailure(insert, "Błąd wstawienia powiązania");
    const values::Status linked = setCit8Link(host.binding(), 17, 21);
    ASSERT_GE(host.utility.statements.size(), 2u);
    EXPECT_EQ(host.utility.statements[0].text, remove);
    EXPECT_EQ(host.utility.statements[1].text, insert);
    EXPECT_EQ(linked.error(), "Błąd wstawienia powiązania");

    EXPECT_EQ(readCit8Link(host.binding(), 17), 0);
    host.utility.script(read, {{"21"}});
    EXPECT_EQ(readCit8Link(host.binding(), 17), 21);
}

}  // namespace
}  // namespace citforms::store
