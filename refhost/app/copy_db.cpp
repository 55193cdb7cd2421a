#include "refhost/app/copy_db.h"

#include <optional>

#include <QFile>
#include <QFileInfo>

#include "refhost/app/options.h"
#include "refhost/db/copy.h"
#include "refhost/db/open_database.h"
#include "refhost/print/output_file.h"
#include "refhost/sql/database.h"
#include "refhost/sql/fault_injection.h"

namespace refhost::app {

namespace {

struct CopyArguments {
    std::string from;
    std::string to;
    std::optional<std::int32_t> company;
    std::string problem;
};

CopyArguments parse(const std::vector<std::string>& args) {
    CopyArguments a;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::string value;
        if (const auto eq = name.find('='); name.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = name.substr(eq + 1);
            name = name.substr(0, eq);
        } else if (i + 1 < args.size()) {
            value = args[++i];
        }
        if (name != "--from" && name != "--to" && name != "--company") {
            a.problem = "copy-db: unknown argument " + name;
            return a;
        }
        if (value.empty()) {
            a.problem = "copy-db: " + name + " needs a value";
            return a;
        }
        if (name == "--from") {
            a.from = value;
        } else if (name == "--to") {
            a.to = value;
        } else {
            a.company = parseId(value);
            if (!a.company) {
                a.problem = "copy-db: --company needs a positive number, not '" + value + "'";
                return a;
            }
        }
    }
    if (a.from.empty() || a.to.empty()) {
        a.problem = "copy-db needs --from SOURCE and --to DESTINATION";
    } else if (a.from == a.to) {
        a.problem = "copy-db: the source and the destination are the same database";
    }
    return a;
}

}  // namespace

std::string checkCopyDbArguments(const std::vector<std::string>& arguments) {
    return parse(arguments).problem;
}

int runCopyDb(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
    const CopyArguments a = parse(arguments);
    const auto faults = sql::faultPlanFromEnvironment();
    if (!faults) {
        err << "tabrix: " << faults.error() << '\n';
        return 1;
    }
    const std::string fromShown = sql::HostDatabase::describeTarget(a.from);
    const std::string toShown = sql::HostDatabase::describeTarget(a.to);
    // The source is only read; the destination is made when it is missing, but never out of
    // something that is not a database file, and never out of the source under another name.
    sql::OpenOptions reading;
    reading.mode = sql::OpenMode::ReadOnly;
    auto from = refhost::db::openDatabase(a.from, reading);
    if (!from) {
        err << "tabrix: nie można otworzyć bazy danych " << fromShown << ": " << from.error() << '\n';
        return 1;
    }
    if (!sql::HostDatabase::isPostgresTarget(a.to)) {
        for (const std::string& file : citforms::refhost::sqliteFiles(a.from)) {
            if (citforms::refhost::sameFile(a.to, file)) {
                err << "tabrix: copy-db: " << toShown << " is a file of the source database "
                    << fromShown << '\n';
                return 1;
            }
        }
    }
    // A destination file this copy makes is removed again when the copy fails.
    const bool madeHere = !sql::HostDatabase::isPostgresTarget(a.to) &&
                          !QFileInfo::exists(QString::fromStdString(a.to));
    auto to = refhost::db::openDatabase(a.to);
    if (!to) {
        err << "tabrix: nie można otworzyć bazy danych " << toShown << ": " << to.error() << '\n';
        return 1;
    }
    *from = sql::withFaultInjection(std::move(*from), *faults);
    *to = sql::withFaultInjection(std::move(*to), *faults);
    auto report = db::copyData(**from, **to, db::CopyScope{a.company});
    if (!report) {
        err << "tabrix: copy-db: " << report.error() << '\n';
        to->reset();
        if (madeHere) {
            for (const std::string& file : citforms::refhost::sqliteFiles(a.to))
                QFile::remove(QString::fromStdString(file));
        }
        return 1;
    }
    for (const auto& [table, rows] : report->rowsByTable) out << table << '\t' << rows << '\n';
    out << "copied " << report->rows << " rows"
        << (a.company ? " of company " + std::to_string(*a.company) : std::string()) << " from "
        << fromShown << " to " << toShown << '\n';
    return 0;
}

}  // namespace refhost::app
