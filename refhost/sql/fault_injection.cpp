#include "refhost/sql/fault_injection.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <filesystem>
#include <cstdlib>
#include <fstream>

namespace refhost::sql {

namespace {

std::string lower(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

// Statements are counted over the whole process, across every connection it opened (a copy
// works on two).
std::atomic<long> statementCount{0};

class FaultInjectingDatabase final : public HostDatabase {
public:
    FaultInjectingDatabase(std::unique_ptr<HostDatabase> inner, FaultPlan plan)
        : inner_(std::move(inner)), plan_(std::move(plan)), pattern_(lower(plan_.text)) {
        if (plan_.kind == FaultPlan::Kind::Log) log_.open(plan_.text, std::ios::app);
    }

    Engine engine() const override { return inner_->engine(); }

    Result<QueryResult> run(std::string_view hostSql) override {
        if (auto refused = check(hostSql)) return Result<QueryResult>::failure(*refused);
        return inner_->run(hostSql);
    }
    Result<QueryResult> runNative(std::string_view nativeSql,
                                  const std::vector<std::optional<std::string>>& params) override {
        if (auto refused = check(nativeSql)) return Result<QueryResult>::failure(*refused);
        return inner_->runNative(nativeSql, params);
    }
    Status insertRow(const RowInsert& row) override {
        if (auto refused = check("insert into " + row.table)) return Status::failure(*refused);
        return inner_->insertRow(row);
    }
    Status lockForNumbering(std::string_view table) override {
        if (auto refused = check("LOCK " + std::string(table))) return Status::failure(*refused);
        return inner_->lockForNumbering(table);
    }
    Status restartNumbering(std::string_view table, std::string_view column) override {
        return inner_->restartNumbering(table, column);
    }
    Status begin() override {
        if (auto refused = check("BEGIN")) return Status::failure(*refused);
        return inner_->begin();
    }
    Status commit() override {
        if (auto refused = check("COMMIT")) {
            // A commit that fails leaves nothing of the transaction, as the engine's would.
            inner_->rollback();
            return Status::failure(*refused);
        }
        return inner_->commit();
    }
    void rollback() override { inner_->rollback(); }
    int transactionDepth() const override { return inner_->transactionDepth(); }
    int schemaVersion() override { return inner_->schemaVersion(); }
    Status loadDemo() override { return inner_->loadDemo(); }

private:
    // The refusal of this statement, if the plan refuses it.
    std::optional<std::string> check(std::string_view text) {
        const long count = ++statementCount;
        switch (plan_.kind) {
            case FaultPlan::Kind::Log: {
                std::string line(text);
                std::replace(line.begin(), line.end(), '\n', ' ');
                log_ << line << '\n';
                log_.flush();
                return std::nullopt;
            }
            case FaultPlan::Kind::FailNth:
                if (count != plan_.nth) return std::nullopt;
                break;
            case FaultPlan::Kind::FailMatching:
                if (lower(text).find(pattern_) == std::string::npos) return std::nullopt;
                break;
        }
        return "Wstrzyknięty błąd instrukcji " + std::to_string(count) + ": " +
               std::string(text.substr(0, 80));
    }

    std::unique_ptr<HostDatabase> inner_;
    FaultPlan plan_;
    std::string pattern_;
    std::ofstream log_;
};


}  // namespace

Result<std::optional<FaultPlan>> faultPlanFromEnvironment() {
    using R = Result<std::optional<FaultPlan>>;
    const char* value = std::getenv("TABRIX_FAULT_INJECTION");
    if (value == nullptr || *value == '\0') return std::optional<FaultPlan>();
    const std::string text(value);
    const auto eq = text.find('=');
    const std::string kind = text.substr(0, eq);
    const std::string arg = eq == std::string::npos ? "" : text.substr(eq + 1);
    FaultPlan plan;
    plan.text = arg;
    if (kind == "nth") {
        plan.kind = FaultPlan::Kind::FailNth;
        const auto [end, ec] = std::from_chars(arg.data(), arg.data() + arg.size(), plan.nth);
        if (ec != std::errc() || end != arg.data() + arg.size() || plan.nth < 1) {
            return R::failure("TABRIX_FAULT_INJECTION: nth= needs a number from 1");
        }
    } else if (kind == "match" && !arg.empty()) {
        plan.kind = FaultPlan::Kind::FailMatching;
    } else if (kind == "log" && !arg.empty()) {
        plan.kind = FaultPlan::Kind::Log;
        // A log that cannot be written (a folder, a missing folder) would leave the test that
        // reads it with no statements and no word why.
        std::ofstream probe(arg, std::ios::app);
        if (!probe.is_open()) {
            const int error = errno;
            std::error_code ec;
            const bool folder = std::filesystem::is_directory(arg, ec);
            return R::failure("TABRIX_FAULT_INJECTION: nie można dopisywać do dziennika " + arg +
                              ": " +
                              (folder ? std::string("to folder, nie plik")
                                      : std::string(std::strerror(error != 0 ? error : EIO))));
        }
    } else {
        return R::failure("TABRIX_FAULT_INJECTION: expected nth=N, match=TEXT or log=FILE");
    }
    return std::optional<FaultPlan>(plan);
}

std::unique_ptr<HostDatabase> withFaultInjection(std::unique_ptr<HostDatabase> db,
                                                 const std::optional<FaultPlan>& plan) {
    if (!plan) return db;
    return std::make_unique<FaultInjectingDatabase>(std::move(db), *plan);
}

}  // namespace refhost::sql
