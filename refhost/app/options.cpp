#include "refhost/app/options.h"

#include "citforms/values/text.h"

namespace refhost::app {

const char* const kUsage =
    "usage: tabrix [--db PATH] [--user N] [--company N] [--answers LIST]\n"
    "              [--lock-timeout MS] [--maximise] [COMMAND ...]\n"
    "without a command (or with `desktop`): the desktop application\n"
    "commands:\n"
    "  init-db [--demo [--companies N]]\n"
    "                     create the database (with the demo data and N generated\n"
    "                     companies with their books)\n"
    "  sql \"TEXT\"         run one statement, print its rows tab-separated\n"
    "  dump ID            print a stored declaration as JSON\n"
    "  pdf ID FILE        write the declaration with its attachments as one PDF\n"
    "  print ID [--screen|--printer] [--copies N] [--xpos MM --ypos MM]\n"
    "           [--receipt TEXT1 TEXT2] [--output FILE] [--overlay]\n"
    "                     print the declaration's main form\n"
    "  new-cit8 [--company N] --year YYYY [--edition 24|23|21] [--copy-from ID]\n"
    "                     make, compute and save a CIT-8 for the company's fiscal year\n"
    "                     starting (else ending) in YYYY; prints the new id\n"
    "  new-cit2 [--company N] --month YYYY-MM [--edition 12...17]\n"
    "                     make, compute and save the CIT-2 of that month (the template\n"
    "                     valid for it, or the edition named); prints the new id\n"
    "  batch --year YYYY [--company N ...|--all] --out DIR [--pdf] [--check] [--recompute]\n"
    "                     the CIT-8 of many companies (or their stored ones recomputed),\n"
    "                     their PDFs and checks, and DIR/summary.csv (docs/batch.md)\n"
    "  compute ID         run the statements of a stored declaration again and save it\n"
    "  recalc ID          company data afresh and every form rule, then save\n"
    "  lock ID            mark the declaration locked (BLOKADA) with your user code\n"
    "  unlock ID [--force]  clear the lock mark: yours, or another user's with --force\n"
    "  discard ID         remove a declaration header that was never saved\n"
    "  check ID [--json]  the pre-filing check of a CIT-8; status 0 clean, 1 warnings,\n"
    "                     3 errors, 4 could not check\n"
    "  copy-db --from DB --to DB [--company N]\n"
    "                     copy all data (into an empty database) or one company's\n"
    "  import-books [--company N] FILE\n"
    "                     import the books from a JPK_KR file or the text format\n"
    "                     (FILE - reads standard input)\n"
    "  run SCRIPT         replay a session at the module's windows without a screen and\n"
    "                     print its transcript (docs/scripted-sessions.md)\n"
    "  new [--date DD-MM-YYYY]\n"
    "                     on the screen: the parameters window of a new CIT-8, then its\n"
    "                     window; prints the id of the declaration saved\n"
    "  open ID            on the screen: the stored declaration in its window\n";

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
