// The CIT-ST working set on a real demo database: save and load by position number, the
// header's period and status, the ORD-ZU of a correction, a locked declaration, and the
// cells of the CIT-ST and CIT-STA copies of 19 branches.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <memory>
#include <sstream>
#include <string>

#include "citforms/citst/cit_st.h"
#include "refhost/db/open_database.h"
#include "refhost/libraries/reference_host.h"
#include "refhost/sql/database.h"
#include "runtime/ui/scripted/scripted_ui.h"
#include "support/test_engine.h"

namespace {

namespace citst = citforms::citst;
using citforms::store::CitStBranch;
using citforms::store::CitStBranches;
using citforms::store::DeclarationFields;
using citforms::store::SaveOutcome;
using refhost::libraries::ReferenceHost;

constexpr std::int32_t kDec31of2016 = 78896;

class CitStStore : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = std::filesystem::temp_directory_path() /
                  ("cit-st-store-" + std::to_string(::getpid()));
        std::filesystem::remove_all(folder_);
        std::filesystem::create_directories(folder_);
        scratch_ = std::make_unique<citforms_test::ScratchDatabase>(folder_);
        auto opened = refhost::db::openDatabase(scratch_->target());
        ASSERT_TRUE(opened) << opened.error();
        db_ = std::move(*opened);
        ASSERT_TRUE(db_->loadDemo());
        ui_ = std::make_unique<citforms::runtime::ScriptedUi>(&transcript_);
        host_ = std::make_unique<ReferenceHost>(*db_, *ui_);
        citforms::host::Globals g;
        g.DANE_ID_FIRMY = 1;
        g.DANE_ID_UZYT = "ADMIN";
        g.DANE_DATA_BIEZACA = 82524;
        host_->state().setDefaults(g);
    }
    void TearDown() override {
        host_.reset();
        ui_.reset();
        db_.reset();
        scratch_.reset();
        std::filesystem::remove_all(folder_);
    }
    std::string one(const std::string& sql) {
        auto r = db_->runNative(sql);
        EXPECT_TRUE(r) << r.error();
        return r && !r->rows.empty() ? r->rows[0][0].value_or("") : "";
    }
    // A CIT-ST for 2016 with `n` branches; branch 1 has a NIP with dashes and an apostrophe.
    void fill(int n) {
        zvst_.hold(201);
        zvst_.main()[1].setText("7781234563");
        zvst_.main()[5].setText(std::to_string(kDec31of2016));
        zvst_.main()[8].setText("1");
        zvst_.main()[10].setText("Młyn O'Brien");
        branches_.clear();
        for (int k = 1; k <= n; ++k) {
            CitStBranch b;
            b.NAZWA = "Oddział " + std::to_string(k);
            b.NIP = k == 1 ? "123-456-78-90" : "";
            b.ZATRUDNIONYCH = k;
            b.DATA_ROZP_DZIAL = 76000 + k;
            b.GMINA_KOD = std::to_string(3000000 + k);
            b.NAZWA_PELNA = "Zakład „Łąka” nr " + std::to_string(k);
            branches_.push_back(b);
        }
    }
    citforms::host::HostBinding binding() { return host_->binding(); }

    std::filesystem::path folder_;
    std::unique_ptr<citforms_test::ScratchDatabase> scratch_;
    std::unique_ptr<refhost::sql::HostDatabase> db_;
    std::ostringstream transcript_;
    std::unique_ptr<citforms::runtime::ScriptedUi> ui_;
    std::unique_ptr<ReferenceHost> host_;
    DeclarationFields zvst_{201};
    CitStBranches branches_;
};

TEST_F(CitStStore, NineteenBranchesRoundTripByPositionNumber) {
    fill(19);
    const auto saved = citst::saveCitSt(binding(), zvst_, branches_, 0);
    ASSERT_EQ(saved.outcome, SaveOutcome::Saved);
    const std::string id = std::to_string(saved.id);
    // 2 December of the year of a period ending 31 December.
    EXPECT_EQ(one("select DATA_OKRESU from DEKLARACJE_NAG where ID_DEKLARACJE_NAG = " + id),
              std::to_string(kDec31of2016 - 29));
    EXPECT_EQ(one("select count(*) from DEKLARACJE_POZ where ID_DEKLARACJE_NAG = " + id),
              std::to_string(25 + 19 * 17));
    EXPECT_EQ(one("select WARTOSC_POLA from DEKLARACJE_POZ where ID_DEKLARACJE_NAG = " + id +
                  " and NR_POLA = '0000104'"),
              "1234567890");
    // A lost row of branch 2 empties only that value; branch 3 stays in place.
    ASSERT_TRUE(db_->runNative("delete from DEKLARACJE_POZ where ID_DEKLARACJE_NAG = " + id +
                               " and NR_POLA = '0000119'"));

    DeclarationFields loaded(201);
    CitStBranches back;
    ASSERT_TRUE(citst::loadCitSt(binding(), saved.id, loaded, back).ok());
    ASSERT_EQ(back.size(), 19u);
    EXPECT_EQ(loaded.main()[10].text(), "Młyn O'Brien");
    EXPECT_EQ(back[0].NIP, "1234567890");
    EXPECT_EQ(back[1].NAZWA, "");
    EXPECT_EQ(back[1].NAZWA_PELNA, "Zakład „Łąka” nr 2");
    EXPECT_EQ(back[2].NAZWA, "Oddział 3");
    EXPECT_EQ(back[18].ZATRUDNIONYCH, 19);
    EXPECT_EQ(back[18].DATA_ROZP_DZIAL, 76019);
    EXPECT_EQ(citst::employeeSum(back), "190");

    EXPECT_EQ(citst::copiesFor(19, citst::kBranchesPerCitSt), 2);
    EXPECT_EQ(citst::copiesFor(19, citst::kBranchesPerCitSta), 4);
    EXPECT_EQ(citst::copiesFor(0, citst::kBranchesPerCitSt), 0);
    const auto second = citst::citStCopyCells(loaded, back, 2, 2);
    EXPECT_EQ(second[6], "2 / 2");
    EXPECT_EQ(second[27], "Oddział 19");  // slot 1: the short name in cell 23 + 4
    EXPECT_EQ(second[29], "19");
    EXPECT_EQ(second[31], "");            // slot 2 empty
    const auto annex = citst::citStaCopyCells(loaded, back, 4);
    EXPECT_EQ(annex[2], "4");
    EXPECT_EQ(annex[15 + 2], "Oddział 16");
    EXPECT_EQ(annex[4 * 15 + 2], "Oddział 19");
    EXPECT_EQ(annex[5 * 15 + 2], "");
}

TEST_F(CitStStore, CorrectionKeepsElevenOrdZuRowsAndLockRefuses) {
    fill(1);
    zvst_.main()[8].setText("2");
    auto saved = citst::saveCitSt(binding(), zvst_, branches_, 0);
    ASSERT_EQ(saved.outcome, SaveOutcome::Saved);
    const std::string id = std::to_string(saved.id);
    saved = citst::saveCitSt(binding(), zvst_, branches_, saved.id);
    ASSERT_EQ(saved.outcome, SaveOutcome::Saved);
    const std::string rows =
        "select count(*) from DEKLARACJE_ZALACZNIK where typ = 'ORD-ZU' and id_deklaracje_nag = " + id;
    EXPECT_EQ(one(rows), "11");
    EXPECT_EQ(one("select STATUS_2 from DEKLARACJE_NAG where ID_DEKLARACJE_NAG = " + id), "1");
    zvst_.main()[8].setText("1");
    ASSERT_EQ(citst::saveCitSt(binding(), zvst_, branches_, saved.id).outcome, SaveOutcome::Saved);
    EXPECT_EQ(one(rows), "0");

    ASSERT_TRUE(db_->runNative("update DEKLARACJE_NAG set BLOKADA = 'JWOJCIK' where ID_DEKLARACJE_NAG = " + id));
    branches_.clear();
    const auto locked = citst::saveCitSt(binding(), zvst_, branches_, saved.id);
    EXPECT_EQ(locked.outcome, SaveOutcome::Locked);
    EXPECT_EQ(one("select count(*) from DEKLARACJE_POZ where ID_DEKLARACJE_NAG = " + id), "42");
}

// Rows of no branch a save could have written (a stray position number far past the stored
// branches, a position between the header and the first branch) are named and left out: the
// load makes the branches whose rows are stored, never one for every number up to the stray
// one. A branch missing as a whole leaves the next one in its place.
TEST_F(CitStStore, StrayPositionsAreNamedAndMakeNoBranches) {
    fill(3);
    const auto saved = citst::saveCitSt(binding(), zvst_, branches_, 0);
    ASSERT_EQ(saved.outcome, SaveOutcome::Saved);
    const std::string id = std::to_string(saved.id);
    ASSERT_TRUE(db_->runNative("delete from DEKLARACJE_POZ where ID_DEKLARACJE_NAG = " + id +
                               " and NR_POLA between '0000118' and '0000134'"));
    for (const char* stray : {"0099999", "9999999", "0000050"}) {
        ASSERT_TRUE(db_->runNative(
            "insert into DEKLARACJE_POZ (ID_DEKLARACJE_NAG,NR_POLA,WARTOSC_POLA,NR_ZALACZNIKA) "
            "values(" + id + ",'" + stray + "','7',0)"));
    }
    DeclarationFields loaded(201);
    CitStBranches back;
    ASSERT_TRUE(citst::loadCitSt(binding(), saved.id, loaded, back).ok());
    ASSERT_EQ(back.size(), 2u);
    EXPECT_EQ(back[0].NAZWA, "Oddział 1");
    EXPECT_EQ(back[1].NAZWA, "Oddział 3");
    EXPECT_EQ(back[1].ZATRUDNIONYCH, 3);
    EXPECT_EQ(loaded.issues.ignored,
              (std::vector<std::string>{"CIT-ST poz. 50", "CIT-ST poz. 99999",
                                        "CIT-ST poz. 9999999"}));
    EXPECT_TRUE(loaded.issues.loadClean());
}

TEST_F(CitStStore, DateOfFillingComesFromTheEditionsOwnPosition) {
    DeclarationFields cit8(73);
    cit8.main()[146].setText("1500.00");
    cit8.main()[149].setText("78950");
    cit8.main()[8].setText("Młyn");
    citst::defaultsFromCit8(cit8.main(), 73, zvst_);
    EXPECT_EQ(zvst_.main()[25].text(), "78950");
    EXPECT_EQ(zvst_.main()[10].text(), "Młyn");
    EXPECT_EQ(zvst_.main()[9].text(), "2");
    DeclarationFields cit8of23(72);
    cit8of23.main()[146].setText("78940");
    citst::defaultsFromCit8(cit8of23.main(), 72, zvst_);
    EXPECT_EQ(zvst_.main()[25].text(), "78940");
}

}  // namespace
