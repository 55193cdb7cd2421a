#include "refhost/app/options.h"

#include <algorithm>

#include "citforms/values/text.h"

namespace refhost::app {

namespace {

struct CommandHelp {
    const char* name;
    const char* synopsis;  // its arguments, after the name; continued lines start with a blank
    const char* text;      // what it does, one or more lines
};

constexpr CommandHelp kCommandHelp[] = {
    {"init-db", "[--demo [--companies N]]",
     "create the database (with the demo data and N generated\ncompanies with their books)"},
    {"sql", "\"TEXT\"", "run one statement, print its rows tab-separated"},
    {"dump", "ID", "print a stored declaration as JSON"},
    {"summary", "ID", "a CIT-8 in a few lines: the return, tax due, to pay, overpaid"},
    {"pdf", "ID FILE", "write the declaration with its attachments as one PDF"},
    {"print",
     "ID [--screen|--printer] [--copies N] [--xpos MM --ypos MM]\n"
     "[--receipt TEXT1 TEXT2] [--output FILE] [--overlay]",
     "print the declaration's main form"},
    {"new-cit8", "[--company N] --year YYYY [--edition E] [--copy-from ID] [--no-fill]",
     "make, compute and save a CIT-8 for the company's fiscal year\n"
     "starting (else ending) in YYYY, its advances filled from the year's\n"
     "CIT-2 returns and its CIT-8/O count set as in the window (not with\n"
     "--no-fill), each said in a fill line; prints the new id"},
    {"new-cit2", "[--company N] --month YYYY-MM [--edition E]",
     "make, compute and save the CIT-2 of that month (the template\n"
     "valid for it, or the edition named); prints the new id"},
    {"batch", "--year YYYY [--company N ...|--all] --out DIR [--pdf] [--check] [--recompute] "
              "[--no-fill]",
     "the CIT-8 of many companies (or their stored ones recomputed),\n"
     "their PDFs and checks, and DIR/summary.csv (docs/batch.md)"},
    {"compute", "ID", "run the statements of a stored declaration again and save it"},
    {"recalc", "ID", "company data afresh and every form rule, then save"},
    {"correct", "ID [--justify]",
     "the correction of a filed or locked CIT-8 (of its newest\n"
     "correction when it was corrected already): a new declaration with\n"
     "every form copied, filed as a correction; --justify fills the ORD-ZU\n"
     "justification with the positions that differ (on a correction not\n"
     "yet filed: its own); prints the new id"},
    {"diff", "ID1 ID2 [--json]",
     "the positions that differ between two declarations of one template"},
    {"company", "add --nip NIP --name NAME [--full-name T] [--regon R]\n"
                "[--tax-office CODE] [--quarterly 0|1] [--small YYYY] [--not-small YYYY]\n"
                "[--province T --county T --commune T --street T --house T\n"
                "--flat T --city T --postal-code NN-NNN --post-office T]\n"
                "| edit N [the same options]",
     "add a company to the register (prints its id) or change one"},
    {"fiscal-year", "add --company N --from YYYY-MM-DD --to YYYY-MM-DD",
     "add a fiscal year of the company, without a gap or an overlap;\n"
     "prints its id"},
    {"overview", "--year YYYY [--csv]",
     "every company's CIT-8 of the fiscal year ending in YYYY: due date,\n"
     "state, the year's CIT-2 months missing; by due date"},
    {"lock", "ID", "mark the declaration locked (BLOKADA) with your user code"},
    {"unlock", "ID [--force]",
     "clear the lock mark: yours, or another user's with --force\n(a user of the register UZYTKOWNICY only)"},
    {"discard", "ID [--force]",
     "remove a declaration header that was never saved (--force: also one\n"
     "a window was creating and left)"},
    {"check", "ID [--json]",
     "the pre-filing check of a CIT-8; status 0 clean, 1 warnings,\n3 errors, 4 could not check"},
    {"explain", "ID POS [--form NAME] [--deep] [--postings [--account A] [--offset N]\n"
                "[--limit N]] [--json]",
     "where the amount of a position comes from: its statement with the\n"
     "accounts and turnovers it took (and their postings), its rule with\n"
     "the positions that feed it, or typed by hand (docs/explain.md)"},
    {"reconcile", "--company N --year YYYY [--json]",
     "the year's books beside the statements of its CIT-8: every account\n"
     "with turnover, the positions it feeds, accounts that feed none"},
    {"copy-db", "--from DB --to DB [--company N]",
     "copy all data (into an empty database) or one company's"},
    {"import-books", "[--company N] FILE",
     "import the books from a JPK_KR file or the text format\n(FILE - reads standard input)"},
    {"run", "SCRIPT",
     "replay a session at the module's windows without a screen and\n"
     "print its transcript (docs/scripted-sessions.md)"},
    {"new", "[--date DD-MM-YYYY]",
     "on the screen: the parameters window of a new CIT-8, then its\n"
     "window; prints the id of the declaration saved"},
    {"open", "ID", "on the screen: the stored declaration in its window"},
    {"desktop", "", "the desktop application (also without a command)"},
    {"help", "[COMMAND]", "this help, or one command's"},
};

// Each line of `text` after `indent` blanks.
std::string indented(std::string_view text, std::size_t indent) {
    std::string out;
    std::size_t from = 0;
    while (from <= text.size()) {
        const std::size_t end = std::min(text.find('\n', from), text.size());
        out += std::string(indent, ' ');
        out += text.substr(from, end - from);
        out += '\n';
        from = end + 1;
    }
    return out;
}

// "  name synopsis" with its description from column 21, as the full help lists it.
std::string helpEntry(const CommandHelp& c) {
    std::string head = "  " + std::string(c.name);
    if (*c.synopsis != '\0') head += " ";
    std::string_view synopsis = c.synopsis;
    const std::size_t firstEnd = std::min(synopsis.find('\n'), synopsis.size());
    head += synopsis.substr(0, firstEnd);
    std::string out;
    if (firstEnd < synopsis.size()) {
        out = head + "\n" + indented(synopsis.substr(firstEnd + 1), 11);
        return out + indented(c.text, 21);
    }
    if (head.size() < 20) {
        const std::string lines = indented(c.text, 21);
        return head + std::string(21 - head.size(), ' ') + lines.substr(21);
    }
    return head + "\n" + indented(c.text, 21);
}

constexpr const char* kOptionsLine =
    "usage: tabrix [--db PATH] [--user N] [--company N] [--answers LIST]\n"
    "              [--lock-timeout MS] [--maximise] [COMMAND ...]\n";

constexpr const char* kExitCodes =
    "exit status: 0 done; 1 failed (the database cannot be opened, a statement failed, the\n"
    "declaration or company does not exist, the module cannot be loaded); 2 a bad option,\n"
    "argument or command; check: 0 clean, 1 warnings, 3 errors, 4 could not check.\n"
    "tabrix help COMMAND (or COMMAND --help) shows one command; tabrix --version the version.\n";

}  // namespace

std::string usage() {
    std::string out = kOptionsLine;
    out += "without a command (or with `desktop`): the desktop application\ncommands:\n";
    for (const CommandHelp& c : kCommandHelp) out += helpEntry(c);
    out += kExitCodes;
    return out;
}

std::string commandUsage(std::string_view command) {
    for (const CommandHelp& c : kCommandHelp) {
        if (c.name != command) continue;
        std::string_view synopsis = c.synopsis;
        const std::size_t firstEnd = std::min(synopsis.find('\n'), synopsis.size());
        std::string out = "usage: tabrix [options] " + std::string(c.name);
        if (!synopsis.empty()) out += " " + std::string(synopsis.substr(0, firstEnd));
        out += "\n";
        if (firstEnd < synopsis.size()) out += indented(synopsis.substr(firstEnd + 1), 25);
        out += indented(c.text, 2);
        out += "tabrix --help lists the options and every command.\n";
        return out;
    }
    return {};
}

std::string shortUsage() {
    return std::string(kOptionsLine) +
           "tabrix --help lists the commands; tabrix help COMMAND shows one.\n";
}

bool asksForHelp(const std::vector<std::string>& arguments) {
    for (const std::string& a : arguments)
        if (a == "--help" || a == "-h") return true;
    return false;
}

std::optional<std::int32_t> parseId(const std::string& text) {
    const auto value = citforms::values::parseInteger<std::int32_t>(text);
    if (!value || *value <= 0) return std::nullopt;
    return value;
}

citforms::values::Result<Options> parseOptions(const std::vector<std::string>& args) {
    using R = citforms::values::Result<Options>;
    Options options;
    std::size_t i = 0;
    for (; i < args.size(); ++i) {
        std::string arg = args[i];
        if (arg == "-h" || arg == "--help") {
            options.help = true;
            return options;
        }
        if (arg == "--version") {
            options.version = true;
            return options;
        }
        if (arg.rfind("--", 0) != 0) break;
        if (arg == "--maximise") {
            options.maximise = true;
            continue;
        }
        std::string value;
        bool hasValue = false;
        if (const auto eq = arg.find('='); eq != std::string::npos) {
            value = arg.substr(eq + 1);
            arg = arg.substr(0, eq);
            hasValue = true;
        }
        if (arg != "--db" && arg != "--user" && arg != "--company" && arg != "--answers" &&
            arg != "--lock-timeout")
            return R::failure("unknown option " + arg);
        if (!hasValue) {
            if (i + 1 >= args.size()) return R::failure("option " + arg + " needs a value");
            value = args[++i];
        }
        if (arg == "--db") {
            if (value.empty()) return R::failure("--db needs a path");
            options.db = value;
        } else if (arg == "--answers") {
            options.answers = value;
        } else {
            const auto number = parseId(value);
            if (!number) return R::failure(arg + " needs a positive number, not '" + value + "'");
            if (arg == "--lock-timeout") {
                options.lockTimeoutMs = *number;
            } else if (arg == "--user") {
                options.user = *number;
            } else {
                options.company = *number;
            }
        }
    }
    // No command: the desktop application.
    if (i >= args.size()) {
        options.command = "desktop";
        return options;
    }
    options.command = args[i];
    options.arguments.assign(args.begin() + static_cast<std::ptrdiff_t>(i) + 1, args.end());
    return options;
}

}  // namespace refhost::app

namespace refhost::app {

citforms::values::Result<InitDbArguments> parseInitDb(const std::vector<std::string>& args) {
    using R = citforms::values::Result<InitDbArguments>;
    InitDbArguments out;
    bool companiesGiven = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::optional<std::string> value;
        if (const auto eq = name.find('='); eq != std::string::npos) {
            value = name.substr(eq + 1);
            name = name.substr(0, eq);
        }
        if (name == "--demo" && !value) {
            out.demo = true;
        } else if (name == "--companies") {
            if (!value && i + 1 < args.size()) value = args[++i];
            const auto n = value ? parseId(*value) : std::nullopt;
            if (!n || *n > 100000) {
                return R::failure("init-db: --companies needs a number from 1 to 100000");
            }
            out.companies = *n;
            companiesGiven = true;
        } else {
            return R::failure("init-db: unknown argument " + args[i]);
        }
    }
    if (companiesGiven && !out.demo) return R::failure("init-db: --companies needs --demo");
    return out;
}

}  // namespace refhost::app
