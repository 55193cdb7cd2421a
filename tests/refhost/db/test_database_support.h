#pragma once
// A host database in a temporary folder for one test.
#include <memory>
#include <string>

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "refhost/sql/database.h"

namespace refhost::testing {

class TempDatabase {
public:
    TempDatabase() {
        auto db = sql::HostDatabase::open(path());
        if (!db) throw std::runtime_error(db.error());
        db_ = std::move(*db);
    }
    std::string path() const { return (dir_.path() + "/host.db").toStdString(); }
    sql::HostDatabase& operator*() { return *db_; }
    sql::HostDatabase* operator->() { return db_.get(); }

    // The first column of the first row, "" when there is none; fails the test on an error.
    std::string value(const std::string& hostSql) {
        auto r = db_->run(hostSql);
        EXPECT_TRUE(r) << r.error() << " [" << hostSql << "]";
        if (!r || r->rows.empty() || r->rows[0].empty()) return "";
        return r->rows[0][0].value_or("");
    }
    void exec(const std::string& hostSql) {
        auto r = db_->run(hostSql);
        ASSERT_TRUE(r) << r.error() << " [" << hostSql << "]";
    }

private:
    QTemporaryDir dir_;
    std::unique_ptr<sql::HostDatabase> db_;
};

}  // namespace refhost::testing
