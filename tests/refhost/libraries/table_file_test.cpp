#include "refhost/libraries/table_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "refhost/libraries/test_host.h"

namespace refhost::libraries::testing {
namespace {

using citforms::host::HostFileId;
using citforms::host::kKeyDeklNagPk;
using citforms::host::kKeyDeklPozByZalacznik;
using citforms::host::Record;

class CountingErrorManager : public citforms::host::ErrorManager {
public:
    void init(citforms::host::ErrorStatus*) override {}
    void report(std::string_view file, std::string_view text) override {
        reports.push_back(std::string(file) + ": " + std::string(text));
    }
    std::vector<std::string> reports;
};

class TableFiles : public TestHost {
protected:
    citforms::host::RecordFile& poz() { return host_->data().file(HostFileId::DEKLARACJE_POZ); }
    citforms::host::RecordFile& nag() { return host_->data().file(HostFileId::DEKLARACJE_NAG); }

    void addField(int id, int sheet, const std::string& field, const std::string& value) {
        rows(
            "insert into DEKLARACJE_POZ (ID_DEKLARACJE_NAG, NR_ZALACZNIKA, NR_POLA, WARTOSC_POLA) "
            "values (" +
            std::to_string(id) + "," + std::to_string(sheet) + ",'" + field + "','" + value + "')");
    }

    // NR_POLA of the rows read forward from (id, sheet, "") while id and sheet stay.
    std::vector<std::string> readSheet(int id, int sheet) {
        std::vector<std::string> fields;
        EXPECT_TRUE(
            poz().set(kKeyDeklPozByZalacznik, Record{{"ID_DEKLARACJE_NAG", std::to_string(id)},
                                                     {"NR_ZALACZNIKA", std::to_string(sheet)},
                                                     {"NR_POLA", ""}}));
        for (Record r; poz().next(r);) {
            if (r.get("ID_DEKLARACJE_NAG") != std::to_string(id) ||
                r.get("NR_ZALACZNIKA") != std::to_string(sheet))
                break;
            fields.push_back(r.get("NR_POLA"));
        }
        return fields;
    }

    CountingErrorManager errors_;
};

TEST_F(TableFiles, ReadsFieldRowsInKeyOrderWithTheFieldNumberAsText) {
    for (const char* field : {"9", "150", "1", "16", "100", "11", "10", "109", "91", "4"})
        addField(5, 0, field, std::string("v") + field);
    addField(5, 1, "1", "o1");
    addField(4, 0, "99", "other declaration");
    addField(6, 0, "1", "next declaration");
    ASSERT_TRUE(poz().open());
    EXPECT_EQ(readSheet(5, 0), (std::vector<std::string>{"1", "10", "100", "109", "11", "150", "16",
                                                         "4", "9", "91"}));
    EXPECT_EQ(readSheet(5, 1), (std::vector<std::string>{"1"}));
    EXPECT_TRUE(readSheet(5, 2).empty());

    // Positioned on a missing key, reading starts at the next one.
    ASSERT_TRUE(
        poz().set(kKeyDeklPozByZalacznik,
                  Record{{"ID_DEKLARACJE_NAG", "5"}, {"NR_ZALACZNIKA", "0"}, {"NR_POLA", "12"}}));
    Record r;
    ASSERT_TRUE(poz().next(r));
    EXPECT_EQ(r.get("NR_POLA"), "150");
    EXPECT_EQ(r.get("WARTOSC_POLA"), "v150");

    // Only the leading key column given: the declaration's first row.
    ASSERT_TRUE(poz().set(kKeyDeklPozByZalacznik, Record{{"ID_DEKLARACJE_NAG", "6"}}));
    ASSERT_TRUE(poz().next(r));
    EXPECT_EQ(r.get("WARTOSC_POLA"), "next declaration");
    EXPECT_FALSE(poz().next(r));
    EXPECT_EQ(host_->utility().errorStatus().code, kErrorRecordNotAvailable);
    poz().close();
}

TEST_F(TableFiles, ReadsForwardAcrossBatchesWithoutLosingRowsOfEqualKeys) {
    ASSERT_TRUE(host_->utility().beginTransaction());
    for (int i = 0; i < 600; ++i) {
        // Rows 250 to 269 share one key, straddling the end of the first batch.
        const std::string field = i >= 250 && i < 270 ? "x" : "f" + std::to_string(1000 + i);
        addField(8, 0, field, std::to_string(i));
    }
    ASSERT_TRUE(host_->utility().commitTransaction());
    ASSERT_TRUE(poz().open());
    ASSERT_TRUE(poz().set(kKeyDeklPozByZalacznik, Record{{"ID_DEKLARACJE_NAG", "8"}}));
    std::vector<int> values;
    std::string previous;
    for (Record r; poz().next(r);) {
        EXPECT_LE(previous, r.get("NR_POLA"));
        previous = r.get("NR_POLA");
        values.push_back(std::stoi(r.get("WARTOSC_POLA")));
    }
    std::sort(values.begin(), values.end());
    ASSERT_EQ(values.size(), 600u);
    for (int i = 0; i < 600; ++i) EXPECT_EQ(values[static_cast<std::size_t>(i)], i);
}

TEST_F(TableFiles, ForwardReadFromTheMiddleCrossesSheetsAndDeclarationsInKeyOrder) {
    // Several declarations and sheets, sheets shorter and longer than a batch, and groups of
    // rows with one key at the points where batches end.
    struct Row {
        int id, sheet;
        std::string field;
        int value;
    };
    std::vector<Row> all;
    int value = 0;
    for (int id : {3, 4, 5}) {
        for (int sheet : {0, 1, 101, 102, 103, 501, 900}) {
            const int count = sheet == 0 ? 148 : (sheet == 1 ? 89 : 123);
            for (int f = 1; f <= count; ++f) {
                all.push_back({id, sheet, std::to_string(f), value++});
                if (f % 61 == 0) {
                    for (int twin = 0; twin < 5; ++twin)
                        all.push_back({id, sheet, std::to_string(f), value++});
                }
            }
        }
    }
    ASSERT_TRUE(host_->utility().beginTransaction());
    for (const Row& r : all) addField(r.id, r.sheet, r.field, std::to_string(r.value));
    ASSERT_TRUE(host_->utility().commitTransaction());

    std::stable_sort(all.begin(), all.end(), [](const Row& a, const Row& b) {
        if (a.id != b.id) return a.id < b.id;
        if (a.sheet != b.sheet) return a.sheet < b.sheet;
        return a.field < b.field;  // NR_POLA orders as text
    });
    ASSERT_TRUE(poz().open());
    for (const auto& [id, sheet] : std::vector<std::pair<int, int>>{{4, 101}, {3, 0}, {5, 900}}) {
        SCOPED_TRACE(std::to_string(id) + "/" + std::to_string(sheet));
        ASSERT_TRUE(poz().set(kKeyDeklPozByZalacznik,
                              Record{{"ID_DEKLARACJE_NAG", std::to_string(id)},
                                     {"NR_ZALACZNIKA", std::to_string(sheet)},
                                     {"NR_POLA", ""}}));
        std::vector<std::string> expected;
        for (const Row& r : all) {
            if (r.id > id || (r.id == id && r.sheet >= sheet)) {
                expected.push_back(std::to_string(r.id) + "/" + std::to_string(r.sheet) + "/" +
                                   r.field);
            }
        }
        std::vector<std::string> read;
        std::multiset<std::string> values;
        for (Record r; poz().next(r);) {
            read.push_back(r.get("ID_DEKLARACJE_NAG") + "/" + r.get("NR_ZALACZNIKA") + "/" +
                           r.get("NR_POLA"));
            values.insert(r.get("WARTOSC_POLA"));
        }
        EXPECT_EQ(read, expected);
        EXPECT_EQ(values.size(), expected.size());
        EXPECT_EQ(std::set<std::string>(values.begin(), values.end()).size(), values.size());
    }
    poz().close();
}

TEST_F(TableFiles, FetchesInsertsAndUpdatesAHeader) {
    ASSERT_TRUE(nag().open());
    Record header{{"ID_DEKLARACJE_NAG", "31"}, {"ID_DEKLARACJE_WZORZEC", "73"},
                  {"ID_FIRMY", "1"},           {"DATA_OKRESU", "81000"},
                  {"ID_UZYT", "JK"},           {"BLOKADA", ""},
                  {"INFO_2", "CIT-8"},         {"LP", "1"}};
    ASSERT_TRUE(nag().insert(header)) << host_->utility().fileErrorText();

    Record read;
    ASSERT_TRUE(nag().fetch(kKeyDeklNagPk, Record{{"ID_DEKLARACJE_NAG", "31"}}, read));
    EXPECT_EQ(read.get("ID_DEKLARACJE_WZORZEC"), "73");
    EXPECT_EQ(read.get("info_2"), "CIT-8");

    read.set("ID_UZYT_P", "O'Neil");
    read.set("STATUS_2", "1");
    read.set("DATA_SYSTEMOWA_P", "81234");
    ASSERT_TRUE(nag().update(read)) << host_->utility().fileErrorText();
    EXPECT_EQ(rows("select ID_UZYT_P, STATUS_2, DATA_SYSTEMOWA_P, ID_DEKLARACJE_WZORZEC from "
                   "DEKLARACJE_NAG where ID_DEKLARACJE_NAG = 31"),
              (std::vector<std::vector<std::string>>{{"O'Neil", "1", "81234", "73"}}));

    // Missing rows are not errors for the reader: nothing is reported.
    nag().attachErrorManager(&errors_);
    EXPECT_FALSE(nag().fetch(kKeyDeklNagPk, Record{{"ID_DEKLARACJE_NAG", "32"}}, read));
    EXPECT_EQ(host_->utility().errorStatus().code, kErrorRecordNotFound);
    EXPECT_TRUE(errors_.reports.empty());

    // Updating a row that is gone is.
    read.set("ID_DEKLARACJE_NAG", "32");
    EXPECT_FALSE(nag().update(read));
    EXPECT_EQ(errors_.reports.size(), 1u);
    nag().close();
}

TEST_F(TableFiles, ReportsMisuseThroughTheAttachedErrorManager) {
    poz().attachErrorManager(&errors_);
    Record r;
    // Not open.
    EXPECT_FALSE(poz().set(kKeyDeklPozByZalacznik, Record{{"ID_DEKLARACJE_NAG", "1"}}));
    EXPECT_EQ(host_->utility().errorStatus().code, kErrorFileNotOpen);
    ASSERT_TRUE(poz().open());
    EXPECT_FALSE(poz().set("DKP:NO_SUCH_KEY", Record{{"ID_DEKLARACJE_NAG", "1"}}));
    EXPECT_FALSE(poz().insert(Record{{"ID_DEKLARACJE_NAG", "1"}, {"NIE_MA_KOLUMNY", "x"}}));
    EXPECT_FALSE(poz().insert(Record{{"ID_DEKLARACJE_NAG", "1"}, {"NR_POLA; drop", "x"}}));
    ASSERT_EQ(errors_.reports.size(), 4u);
    EXPECT_EQ(errors_.reports[0].rfind("DEKLARACJE_POZ: ", 0), 0u) << errors_.reports[0];
    poz().close();
    EXPECT_EQ(rows("select count(*) from DEKLARACJE_POZ"),
              (std::vector<std::vector<std::string>>{{"0"}}));
}

TEST_F(TableFiles, InsertedTextKeepsApostrophesAndEmptyNumbersBecomeNull) {
    ASSERT_TRUE(poz().open());
    ASSERT_TRUE(poz().insert(Record{{"ID_DEKLARACJE_NAG", "9"},
                                    {"NR_ZALACZNIKA", "0"},
                                    {"NR_POLA", "8"},
                                    {"WARTOSC_POLA", "Spółka 'Alfa'; --"}}));
    Record r;
    ASSERT_TRUE(poz().fetch(
        kKeyDeklPozByZalacznik,
        Record{{"ID_DEKLARACJE_NAG", "9"}, {"NR_ZALACZNIKA", "0"}, {"NR_POLA", "8"}}, r));
    EXPECT_EQ(r.get("WARTOSC_POLA"), "Spółka 'Alfa'; --");
    poz().close();
}

TEST_F(TableFiles, KillClosesTheFilesLeftOpen) {
    host_->data().INIT(&errors_, nullptr);
    ASSERT_TRUE(poz().open());
    ASSERT_TRUE(poz().open());
    host_->data().KILL();
    host_->data().KILL();
    EXPECT_FALSE(poz().set(kKeyDeklPozByZalacznik, Record{{"ID_DEKLARACJE_NAG", "1"}}));
    EXPECT_EQ(errors_.reports.size(), 1u);  // INIT attached the manager to every file
}

}  // namespace
}  // namespace refhost::libraries::testing
