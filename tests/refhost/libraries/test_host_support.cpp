#include "refhost/db/open_database.h"
#include "refhost/libraries/test_host.h"

#include <unistd.h>
#include <atomic>

namespace refhost::libraries::testing {

void TestHost::SetUp() {
    static std::atomic<int> counter{0};
    folder_ = std::filesystem::temp_directory_path() /
              ("host-libraries-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
    std::filesystem::remove_all(folder_);
    std::filesystem::create_directories(folder_);
    scratch_ = std::make_unique<citforms_test::ScratchDatabase>(folder_);
    auto db = refhost::db::openDatabase(scratch_->target());
    ASSERT_TRUE(db) << db.error();
    db_ = std::move(*db);
    ui_ = std::make_unique<citforms::runtime::ScriptedUi>(&transcript_);
    host_ = std::make_unique<ReferenceHost>(*db_, *ui_);
    citforms::host::Globals g;
    g.DANE_ID_FIRMY = 1;
    g.DANE_ID_UZYTKOWNIKA_NR = 7;
    g.DANE_ID_UZYT = "JK";
    host_->state().setDefaults(g);
}

void TestHost::TearDown() {
    host_.reset();
    db_.reset();
    scratch_.reset();
    std::filesystem::remove_all(folder_);
}

std::vector<std::vector<std::string>> TestHost::rows(const std::string& hostSql) {
    auto result = db_->run(hostSql);
    EXPECT_TRUE(result) << hostSql << ": " << result.error();
    std::vector<std::vector<std::string>> out;
    if (!result) return out;
    for (const auto& row : result->rows) {
        std::vector<std::string> texts;
        for (const auto& value : row) texts.push_back(value.value_or("<NULL>"));
        out.push_back(std::move(texts));
    }
    return out;
}

}  // namespace refhost::libraries::testing
