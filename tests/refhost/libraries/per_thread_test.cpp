// The host keeps globals, error status and result files once per thread.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "refhost/libraries/test_host.h"

namespace refhost::libraries::testing {
namespace {

using citforms::host::ResultFileId;
using citforms::host::ResultRow;

class PerThread : public TestHost {};

TEST_F(PerThread, GlobalsStartFromTheDefaultsAndStayWithTheirThread) {
    auto& data = host_->data();
    data.globals().DANE_ID_FIRMY = 2;
    int seenInWorker = 0;
    std::thread worker([&] {
        seenInWorker = data.globals().DANE_ID_FIRMY;
        data.globals().DANE_ID_FIRMY = 3;
        data.globals().GLOBALRESPONSE = 2;
    });
    worker.join();
    EXPECT_EQ(seenInWorker, 1);  // the defaults, not this thread's change
    EXPECT_EQ(data.globals().DANE_ID_FIRMY, 2);
    EXPECT_EQ(data.globals().GLOBALRESPONSE, 0);
}

TEST_F(PerThread, ResultFilesAndErrorStatusAreNotShared) {
    auto& utility = host_->utility();
    auto& data = host_->data();
    ASSERT_TRUE(utility.EXECVAX("select 'main' union all select 'main 2'"));

    std::vector<std::string> workerRows;
    int workerError = 0;
    std::thread worker([&] {
        utility.EXECVAX("select 'worker'");
        for (ResultRow row; data.result(ResultFileId::VAX_FK).next(row);)
            workerRows.push_back(row.column(0));
        utility.EXECSQL("select bledne zapytanie from");
        workerError = utility.errorStatus().code;
    });
    worker.join();

    EXPECT_EQ(workerRows, std::vector<std::string>{"worker"});
    EXPECT_NE(workerError, 0);
    EXPECT_EQ(utility.errorStatus().code, 0);
    std::vector<std::string> mainRows;
    for (ResultRow row; data.result(ResultFileId::VAX_FK).next(row);)
        mainRows.push_back(row.column(0));
    EXPECT_EQ(mainRows, (std::vector<std::string>{"main", "main 2"}));
}

TEST_F(PerThread, ATransactionKeepsOtherThreadsOut) {
    auto& utility = host_->utility();
    ASSERT_TRUE(utility.beginTransaction());
    ASSERT_TRUE(
        utility.EXECSQL("insert into KOMUNIKAT (kontekst, id_uzytkownika, tekst, data) "
                        "values ('T', 1, 'w transakcji', 0)"));
    std::string counted;
    std::thread worker([&] {
        // Waits for the commit, then sees the row; never a half-done transaction.
        counted = utility.FUNCVAY("select count(*) from KOMUNIKAT where kontekst = 'T'");
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    utility.rollbackTransaction();
    worker.join();
    EXPECT_EQ(counted, "0");
}

}  // namespace
}  // namespace refhost::libraries::testing
