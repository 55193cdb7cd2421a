#include "refhost/app/import_books.h"

#include <chrono>
#include <cstdio>

#include "citforms/values/book_values.h"
#include "refhost/app/options.h"
#include "refhost/app/progress_bar.h"
#include "refhost/db/book_import.h"
#include "refhost/db/statement_feeds.h"

namespace refhost::app {

using citforms::values::formatIso;
using citforms::values::shownGrosze;

namespace {

using citforms::values::Result;

}  // namespace

Result<ImportBooksArguments> parseImportBooks(const std::vector<std::string>& args) {
    using R = Result<ImportBooksArguments>;
    ImportBooksArguments out;
    bool fileGiven = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string arg = args[i];
        if (arg == "--company" || arg.rfind("--company=", 0) == 0) {
            std::string value;
            if (arg.size() > 9 && arg[9] == '=') {
                value = arg.substr(10);
            } else if (i + 1 < args.size()) {
                value = args[++i];
            } else {
                return R::failure("import-books: --company needs a value");
            }
            const auto company = parseId(value);
            if (!company) return R::failure("import-books: not a company number: '" + value + "'");
            out.company = *company;
        } else if (arg.rfind("--", 0) == 0 && arg.size() > 2) {
            return R::failure("import-books: unknown option " + arg);
        } else if (fileGiven) {
            return R::failure("import-books takes one file");
        } else {
            out.file = arg;
            fileGiven = true;
        }
    }
    if (!fileGiven || out.file.empty()) return R::failure("import-books needs a file");
    return out;
}

int runImportBooks(sql::HostDatabase& db, std::int32_t company, const std::string& file,
                   bool terminal, std::ostream& out, std::ostream& err) {
    if (company <= 0) {
        err << "tabrix: import-books: w bazie nie ma żadnej firmy\n";
        return 1;
    }
    ProgressBar bar(out, "zapisów");
    db::BookImportOptions options;
    if (terminal) {
        options.progress = [&](std::uint64_t read, std::uint64_t total, long long postings) {
            bar.update(read, total, postings);
        };
    }
    auto summary = db::importBooks(db, company, file, options);
    bar.clear();
    if (!summary) {
        err << "tabrix: " << summary.error() << "\nNic nie zaimportowano.\n";
        return 1;
    }
    const auto& s = *summary;
    const bool jpk = s.format == db::BookFileFormat::JpkKr;
    out << "import\t" << (jpk ? "JPK_KR" : "tekst") << '\t' << file << '\t'
        << (s.from != 0 ? formatIso(s.from) : "") << '\t' << (s.to != 0 ? formatIso(s.to) : "")
        << '\t' << s.importId << '\n';
    out << "konta\t" << s.accounts << '\n';
    if (s.replaced > 0) out << "zastąpione\t" << s.replaced << '\n';
    for (const auto& g : s.groups) {
        out << "zespół\t" << g.code << '\t' << g.name << '\t' << g.postings << '\t'
            << shownGrosze(g.debit) << '\t' << shownGrosze(g.credit) << '\n';
    }
    out << "razem\t\t\t" << s.postings << '\t' << shownGrosze(s.debit) << '\t'
        << shownGrosze(s.credit) << '\n';
    if (s.controls) {
        const auto& c = *s.controls;
        out << "DziennikCtrl\t" << c.journalEntries << '\t' << shownGrosze(c.journalSum)
            << '\n';
        out << "KontoZapisCtrl\t" << c.postingRows << '\t' << shownGrosze(c.debitSum) << '\t'
            << shownGrosze(c.creditSum) << '\n';
    }
    // Costs or revenue that no statement reads would be missing from every return made
    // from these books: named here, while the file is at hand.
    if (s.from != 0 && s.to != 0) {
        auto terms = db::periodTerms(db, company, s.from, s.to);
        auto feeds = terms ? db::accountFeeds(db, company, s.from, s.to, *terms)
                           : citforms::values::Result<std::vector<db::AccountFeed>>::failure(
                                 terms.error());
        if (!feeds) {
            err << "tabrix: nie sprawdzono, które konta zasilają zestawienia: " << feeds.error()
                << '\n';
        } else {
            for (const db::AccountFeed& f : db::unfedResultAccounts(*feeds)) {
                out << "bez zestawienia\t" << f.account << '\t' << f.name << '\t'
                    << shownGrosze(f.debit) << '\t' << shownGrosze(f.credit) << '\n';
            }
        }
    }
    return 0;
}

}  // namespace refhost::app
