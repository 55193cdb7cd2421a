#pragma once
// A reference host over a fresh SQLite database in a temporary folder, with a scripted UI
// whose transcript the tests read.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "refhost/libraries/reference_host.h"
#include "refhost/sql/database.h"
#include "runtime/ui/scripted/scripted_ui.h"

namespace refhost::libraries::testing {

class TestHost : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Runs a statement that must succeed (test setup); returns its rows.
    std::vector<std::vector<std::string>> rows(const std::string& hostSql);
    std::string transcript() const { return transcript_.str(); }

    std::filesystem::path folder_;
    std::unique_ptr<sql::HostDatabase> db_;
    std::ostringstream transcript_;
    std::unique_ptr<citforms::runtime::ScriptedUi> ui_;
    std::unique_ptr<ReferenceHost> host_;
};

}  // namespace refhost::libraries::testing
