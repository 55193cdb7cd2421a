// The recording host's record file orders and positions as the host's keys do; later tests
// rely on it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "citforms/support/fake_host.h"

namespace citforms::testing {
namespace {

std::vector<std::string> readFrom(FakeRecordFile& file, const host::Record& key) {
    std::vector<std::string> out;
    EXPECT_TRUE(file.set(host::kKeyDeklPozByZalacznik, key));
    for (host::Record r; file.next(r);) {
        out.push_back(r.get("ID_DEKLARACJE_NAG") + "/" + r.get("NR_ZALACZNIKA") + "/" +
                      r.get("NR_POLA"));
    }
    return out;
}

TEST(FakeHost, DeclarationRowsComeInKeyOrderWithFieldNumbersAsText) {
    FakeHost host;
    for (const char* nr : {"9", "100", "16", "1", "150", "10", "91"}) host.addPoz(5, 0, nr, "v");
    host.addPoz(5, 101, "1", "v");
    host.addPoz(5, 11, "2", "v");
    host.addPoz(4, 0, "1", "v");
    host.addPoz(6, 0, "1", "v");
    FakeRecordFile& poz = host.data.fakeFile(host::HostFileId::DEKLARACJE_POZ);

    EXPECT_EQ(readFrom(poz, {{"ID_DEKLARACJE_NAG", "5"}, {"NR_ZALACZNIKA", "0"}, {"NR_POLA", ""}}),
              (std::vector<std::string>{"5/0/1", "5/0/10", "5/0/100", "5/0/150", "5/0/16", "5/0/9",
                                        "5/0/91", "5/11/2", "5/101/1", "6/0/1"}));
    // A missing trailing key column counts as the lowest value; sheets compare as numbers.
    EXPECT_EQ(readFrom(poz, {{"ID_DEKLARACJE_NAG", "5"}, {"NR_ZALACZNIKA", "12"}}),
              (std::vector<std::string>{"5/101/1", "6/0/1"}));
}

TEST(FakeHost, ScriptedStatementsFillTheirResultFileAndOthersFail) {
    FakeHost host;
    host.utility.script("select 1", {{std::string(300, 'a'), "b"}});
    ASSERT_TRUE(host.utility.EXECVAX("select 1"));
    host::ResultRow row;
    ASSERT_TRUE(host.data.result(host::ResultFileId::VAX_FK).next(row));
    EXPECT_EQ(row.column(0).size(), 255u);
    EXPECT_FALSE(host.utility.EXECVAZ("select 2"));
    EXPECT_NE(host.utility.errorStatus().code, 0);
    EXPECT_EQ(host.data.result(host::ResultFileId::VAZ_FK).rowCount(), 0u);
}

}  // namespace
}  // namespace citforms::testing
