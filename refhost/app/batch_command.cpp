#include "refhost/app/batch_command.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>

#include <algorithm>
#include <filesystem>
#include <map>
#include <sstream>

#include <nlohmann/json.hpp>

#include "refhost/app/csv_field.h"
#include "citforms/values/day_number.h"
#include "citforms/values/text.h"
#include "refhost/app/cit8_commands.h"
#include "refhost/app/options.h"
#include "refhost/app/print_commands.h"
#include "refhost/app/progress_bar.h"
#include "refhost/print/output_file.h"
#include "refhost/services/declarations.h"
#include "refhost/services/pdf.h"
#include "refhost/sql/database.h"

namespace refhost::app {

namespace {

using citforms::values::Result;
using sql::kConnectionLost;

std::string digitsOf(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c >= '0' && c <= '9') out += c;
    }
    return out;
}

// Whether `text` names the company already ("company 12" not followed by a digit), as the
// reasons of new-cit8 and compute do.
bool namesCompany(const std::string& text, std::int32_t company) {
    const std::string name = "company " + std::to_string(company);
    for (auto at = text.find(name); at != std::string::npos; at = text.find(name, at + 1)) {
        const std::size_t end = at + name.size();
        if (end == text.size() || text[end] < '0' || text[end] > '9') return true;
    }
    return false;
}

class Batch {
public:
    Batch(const BatchServices& services, const BatchArguments& args)
        : s_(services), args_(args), host_(*services.host) {}

    BatchRow company(std::int32_t id) {
        BatchRow row;
        row.company = id;
        const long before = host_.state().failures();
        reportedBefore_ = host_.errorManager().reported();
        if (!read(row, before) || !make(row, before)) return row;
        if (!summarise(row, before)) return row;
        if (args_.pdf && !pdf(row, before)) return row;
        if (args_.check) check(row, before);
        return row;
    }

private:
    bool fail(BatchRow& row, std::string why) {
        row.failure = std::move(why);
        return false;
    }

    // What went wrong on the database since the company began (a statement the module showed
    // and went on from, a read error it reported): its result cannot be taken as it stands.
    std::optional<std::string> databaseProblem(long before) const {
        if (host_.state().failures() != before) {
            const std::string text = host_.state().lastFailure();
            return text.empty() ? std::string(kConnectionLost) : text;
        }
        if (host_.errorManager().reported() != reportedBefore_) {
            return host_.errorManager().lastReport();
        }
        return std::nullopt;
    }

    bool sqlFailed(BatchRow& row, long before) {
        const auto problem = databaseProblem(before);
        return problem && !fail(row, "Błąd SQL: " + *problem);
    }

    // The company's name and NIP, and the company made the session's one.
    bool read(BatchRow& row, long before) {
        auto& utility = host_.utility();
        if (!utility.EXECVAY("select nip, nazwa from FIRMA where id_firmy = " +
                             std::to_string(row.company))) {
            return fail(row, "Błąd SQL: " + utility.fileErrorText());
        }
        citforms::host::ResultRow found;
        if (!host_.data().result(citforms::host::ResultFileId::VAY_FK).next(found)) {
            return fail(row, "no company " + std::to_string(row.company));
        }
        row.nip = digitsOf(found.column(0));
        row.name = found.column(1);
        s_.selectCompany(row.company);
        return !sqlFailed(row, before);
    }

    // The latest stored CIT-8 of the company's fiscal year of `args_.year`.
    std::optional<std::int32_t> stored(BatchRow& row, long before) {
        const auto year = fiscalYearOf(host_, row.company, args_.year);
        if (sqlFailed(row, before)) return std::nullopt;
        if (!year) {
            fail(row, "company " + std::to_string(row.company) +
                          " has no fiscal year starting or ending in " +
                          std::to_string(args_.year));
            return std::nullopt;
        }
        // The CIT-8 templates are those the module serves.
        std::string templates;
        for (const libraries::ModuleKind& k : s_.module->kindsOf("CIT-8")) {
            templates += (templates.empty() ? "" : ", ") + std::to_string(k.templateId);
        }
        if (templates.empty()) {
            fail(row, "the module serves no CIT-8");
            return std::nullopt;
        }
        const std::string found = host_.utility().FUNCVAY(
            "select max(id_deklaracje_nag) from DEKLARACJE_NAG where id_firmy = " +
            std::to_string(row.company) + " AND id_deklaracje_wzorzec in (" + templates +
            ") AND data_okresu >= " +
            std::to_string(year->start) + " AND data_okresu <= " + std::to_string(year->end));
        if (sqlFailed(row, before)) return std::nullopt;
        const auto id = citforms::values::parseInteger<std::int32_t>(found);
        if (!id || *id == 0) {
            fail(row, "company " + std::to_string(row.company) + " has no CIT-8 of the fiscal year " +
                          citforms::values::formatIso(year->start) + " to " +
                          citforms::values::formatIso(year->end) + " to recompute");
            return std::nullopt;
        }
        return id;
    }

    // The new CIT-8 (or the stored one computed again), saved in its own transaction.
    bool make(BatchRow& row, long before) {
        if (args_.recompute) {
            const auto id = stored(row, before);
            if (!id) return false;
            row.declaration = *id;
            // A declaration that was not recomputed keeps its stored amounts: none are shown.
            const auto done = services::recompute(host_, *s_.module, *id, 0, before);
            return done || fail(row, done.error());
        }
        services::NewCit8Request request;
        request.year = args_.year;
        request.fill = args_.fill;
        const auto made = services::newCit8(host_, *s_.module, request, before);
        if (!made) return fail(row, made.error());
        row.declaration = made->id;
        row.filled = made->filled;
        return true;
    }

    bool summarise(BatchRow& row, long before) {
        const auto reply = nlohmann::json::parse(
            s_.module->automation(R"({"verb":"summary","id":)" + std::to_string(row.declaration) +
                                  "}"),
            nullptr, false);
        if (reply.is_discarded() || !reply.value("ok", false)) {
            return fail(row, "the amounts of declaration " + std::to_string(row.declaration) +
                                 " could not be read: " +
                                 (reply.is_object() ? reply.value("error", "") : ""));
        }
        auto amount = [&](const char* name) {
            const auto& v = reply[name];
            return v.is_string() ? v.get<std::string>() : std::string();
        };
        if (const auto problem = databaseProblem(before)) {
            return fail(row, "nie udało się odczytać kwot deklaracji " +
                                 std::to_string(row.declaration) + ": " + *problem);
        }
        row.taxDue = amount("taxDue");
        row.toPay = amount("toPay");
        row.overpaid = amount("overpaid");
        templateId_ = reply.value("template", 0);
        return true;
    }

    bool pdf(BatchRow& row, long before) {
        if (row.nip.empty()) return fail(row, "the company has no NIP to name its PDF by");
        const std::string name = row.nip + "-" + std::to_string(args_.year) + ".pdf";
        if (const auto [it, fresh] = written_.emplace(name, row.company); !fresh) {
            return fail(row, name + " was written for company " + std::to_string(it->second) +
                                 " (the same NIP); not overwritten");
        }
        const std::string file = (std::filesystem::path(args_.out) / name).string();
        if (const auto problem = services::writeDeclarationPdf(host_, *s_.module, row.declaration,
                                                               templateId_, file, before)) {
            return fail(row, problem->text);
        }
        row.pdf = name;
        return true;
    }

    // The counts only of a check that was done whole: one whose statements failed, or that
    // does not cover the declaration's kind, found nothing and says so.
    void check(BatchRow& row, long before) {
        if (!s_.check) return;
        std::string problem;
        auto counts = s_.check(row.declaration, problem);
        if (!counts) {
            fail(row, "the check did not run: " + problem);
        } else if (const auto failed = databaseProblem(before)) {
            fail(row, "the check did not run: " + *failed);
        } else {
            row.check = counts;
        }
    }

    const BatchServices& s_;
    const BatchArguments& args_;
    libraries::ReferenceHost& host_;
    std::int32_t templateId_ = 0;
    int reportedBefore_ = 0;
    std::map<std::string, std::int32_t> written_;  // PDF name -> company
};

// DIR/summary.csv, written row by row straight to the file: whatever stops the batch, the file
// holds the header and the rows done. A symbolic link there is refused, not followed: the
// file it points to would be overwritten.
class SummaryFile {
public:
    SummaryFile() = default;
    SummaryFile(const SummaryFile&) = delete;
    SummaryFile& operator=(const SummaryFile&) = delete;
    ~SummaryFile() { close(); }

    // "" when the file is open, else why not.
    std::string open(const std::string& path, const std::vector<std::string>& keep) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
            return "to dowiązanie symboliczne; plik, który wskazuje, nie zostanie nadpisany";
        }
        if (const auto checked = citforms::refhost::checkOutputFile(path, keep); !checked) {
            return checked.error();
        }
        fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0666);
        return fd_ < 0 ? std::strerror(errno) : std::string();
    }

    bool write(const std::string& text) {
        for (std::size_t done = 0; ok() && done < text.size();) {
            const ssize_t n = ::write(fd_, text.data() + done, text.size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                error_ = std::strerror(n < 0 ? errno : EIO);
            } else {
                done += static_cast<std::size_t>(n);
            }
        }
        return ok();
    }

    // False when any write (or the close) failed.
    bool close() {
        if (fd_ >= 0 && ::close(fd_) != 0 && error_.empty()) error_ = std::strerror(errno);
        fd_ = -1;
        return error_.empty();
    }

    const std::string& error() const { return error_; }

private:
    bool ok() const { return fd_ >= 0 && error_.empty(); }

    int fd_ = -1;
    std::string error_;
};

// Every company of the database, ascending.
Result<std::vector<std::int32_t>> allCompanies(libraries::ReferenceHost& host) {
    auto& utility = host.utility();
    if (!utility.EXECVAY("select id_firmy from FIRMA order by id_firmy")) {
        return Result<std::vector<std::int32_t>>::failure("Błąd SQL: " + utility.fileErrorText());
    }
    std::vector<std::int32_t> out;
    auto& rows = host.data().result(citforms::host::ResultFileId::VAY_FK);
    for (citforms::host::ResultRow row; rows.next(row);) {
        if (const auto id = citforms::values::parseInteger<std::int32_t>(row.column(0)))
            out.push_back(*id);
    }
    return out;
}

}  // namespace

Result<BatchArguments> parseBatch(const std::vector<std::string>& args) {
    using R = Result<BatchArguments>;
    BatchArguments out;
    bool all = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        auto value = [&]() -> std::optional<std::string> {
            if (i + 1 >= args.size()) return std::nullopt;
            return args[++i];
        };
        if (arg == "--year") {
            const auto text = value();
            const auto year = text ? parseId(*text) : std::nullopt;
            if (!year || *year < 1801 || *year > 9999) {
                return R::failure("batch: --year needs a year YYYY");
            }
            out.year = *year;
        } else if (arg == "--company") {
            // One or more numbers, up to the next option.
            bool named = false;
            while (i + 1 < args.size() && args[i + 1].rfind("--", 0) != 0) {
                const auto id = parseId(args[++i]);
                if (!id) return R::failure("batch: not a company number: '" + args[i] + "'");
                named = true;
                // A company named twice is done once: a second pass would make a second CIT-8.
                if (std::find(out.companies.begin(), out.companies.end(), *id) ==
                    out.companies.end()) {
                    out.companies.push_back(*id);
                }
            }
            if (!named) return R::failure("batch: --company needs a number");
        } else if (arg == "--all") {
            all = true;
        } else if (arg == "--out") {
            const auto text = value();
            if (!text || text->empty()) return R::failure("batch: --out needs a folder");
            out.out = *text;
        } else if (arg == "--pdf") {
            out.pdf = true;
        } else if (arg == "--check") {
            out.check = true;
        } else if (arg == "--recompute") {
            out.recompute = true;
        } else if (arg == "--no-fill") {
            out.fill = false;
        } else {
            return R::failure("batch: unknown argument " + arg);
        }
    }
    if (out.year == 0) return R::failure("batch needs --year YYYY");
    if (out.out.empty()) return R::failure("batch needs --out DIR");
    if (all && !out.companies.empty()) return R::failure("batch: --company or --all, not both");
    return out;
}

std::string csvHeader() {
    return "company,name,nip,declaration,tax_due,to_pay,overpaid,errors,warnings,pdf,failure\n";
}

std::string csvRow(const BatchRow& row) {
    std::string line = std::to_string(row.company) + "," + csvField(row.name) + "," + row.nip +
                       "," + (row.declaration != 0 ? std::to_string(row.declaration) : "") + "," +
                       row.taxDue + "," + row.toPay + "," + row.overpaid + ",";
    if (row.check) {
        line += std::to_string(row.check->errors) + "," + std::to_string(row.check->warnings);
    } else {
        line += ",";
    }
    return line + "," + csvField(row.pdf) + "," + csvField(row.failure) + "\n";
}

int runBatch(const BatchServices& services, const BatchArguments& args, std::ostream& out,
             std::ostream& err) {
    if (args.check && !services.check) {
        err << "tabrix: batch: the check of a declaration is not available\n";
        return 2;
    }
    std::vector<std::int32_t> companies = args.companies;
    if (companies.empty()) {
        auto all = allCompanies(*services.host);
        if (!all) {
            err << "tabrix: " << all.error() << '\n';
            return 1;
        }
        companies = std::move(*all);
    }
    std::error_code ec;
    std::filesystem::create_directories(args.out, ec);
    if (ec) {
        err << "tabrix: cannot create " << args.out << ": " << ec.message() << '\n';
        return 1;
    }
    const std::string summaryFile = (std::filesystem::path(args.out) / "summary.csv").string();
    SummaryFile summary;
    if (const std::string problem =
            summary.open(summaryFile, services.host->print().protectedFiles());
        !problem.empty() || !summary.write(csvHeader())) {
        err << "tabrix: nie można zapisać pliku " << summaryFile << ": "
            << (problem.empty() ? summary.error() : problem) << '\n';
        return 1;
    }
    // Past a file-size limit a write fails (and is reported) instead of the process being
    // killed half-way through a company.
    const auto oldFileSizeAction = std::signal(SIGXFSZ, SIG_IGN);

    Batch batch(services, args);
    ProgressBar bar(err, "firm");
    int failed = 0;
    for (std::size_t k = 0; k < companies.size(); ++k) {
        const BatchRow row = batch.company(companies[k]);
        // Each row as soon as it is known: a batch stopped half-way leaves what it did.
        summary.write(csvRow(row));
        if (!row.filled.empty()) bar.clear();
        for (const std::string& line : row.filled)
            out << "fill\tcompany " << row.company << '\t' << line << '\n';
        if (!row.failure.empty()) {
            ++failed;
            bar.clear();
            err << "tabrix: " << (namesCompany(row.failure, row.company) ? "" : "company " + std::to_string(row.company) + ": ")
                << row.failure << '\n';
        }
        if (services.terminal) {
            bar.update(k + 1, companies.size(), static_cast<long long>(k + 1));
        }
    }
    bar.clear();
    std::signal(SIGXFSZ, oldFileSizeAction);
    if (!summary.close()) {
        err << "tabrix: nie można zapisać pliku " << summaryFile << ": " << summary.error() << '\n';
        return 1;
    }
    out << "batch\t" << summaryFile << '\t' << companies.size() << " companies\t" << failed
        << " failed\n";
    return failed == 0 ? 0 : 1;
}

}  // namespace refhost::app
