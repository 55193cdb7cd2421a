#pragma once
// A host database for one test: a file in a temporary folder, or a schema of its own on the
// PostgreSQL server of the test run (see support/test_engine.h).
#include <memory>
#include <string>

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "refhost/db/open_database.h"
#include "refhost/sql/database.h"
#include "support/test_engine.h"

namespace refhost::testing {

class TempDatabase {
public:
    TempDatabase() : scratch_(dir_.path().toStdString()) {
        if (citforms_test::onPostgres() && citforms_test::postgresServer().empty()) return;
        auto db = refhost::db::openDatabase(path());
        if (!db) throw std::runtime_error(db.error());
        db_ = std::move(*db);
    }
    ~TempDatabase() {
        db_.reset();
        scratch_.drop();
    }
    TempDatabase(const TempDatabase&) = delete;
    TempDatabase& operator=(const TempDatabase&) = delete;
    // What HostDatabase::open takes to reach the same database: a path or a URL.
    std::string path() const { return scratch_.target(); }
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
    citforms_test::ScratchDatabase scratch_;
    std::unique_ptr<sql::HostDatabase> db_;
};

}  // namespace refhost::testing
