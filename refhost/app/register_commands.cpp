#include "refhost/app/register_commands.h"

#include <map>

#include "refhost/app/csv_field.h"
#include "citforms/values/text.h"
#include "refhost/app/options.h"

namespace refhost::app {

namespace {

namespace v = citforms::values;

std::string dayText(v::DayNumber day) { return day == 0 ? std::string() : v::formatIso(day); }

}  // namespace

v::Result<CompanyArguments> parseCompany(const std::vector<std::string>& args) {
    using R = v::Result<CompanyArguments>;
    CompanyArguments out;
    if (args.empty() || (args[0] != "add" && args[0] != "edit"))
        return R::failure("company: add or edit N");
    std::size_t i = 1;
    out.adding = args[0] == "add";
    if (!out.adding) {
        const auto id = i < args.size() ? parseId(args[i]) : std::nullopt;
        if (!id) return R::failure("company edit needs a company number");
        out.id = *id;
        ++i;
    }
    db::CompanyData& d = out.data;
    const std::map<std::string, std::optional<std::string>*> texts = {
        {"--nip", &d.nip},           {"--name", &d.name},         {"--full-name", &d.fullName},
        {"--regon", &d.regon},       {"--tax-office", &d.taxOffice}, {"--province", &d.province},
        {"--county", &d.county},     {"--commune", &d.commune},   {"--street", &d.street},
        {"--house", &d.house},       {"--flat", &d.flat},         {"--city", &d.city},
        {"--postal-code", &d.postalCode}, {"--post-office", &d.postOffice}};
    for (; i < args.size(); ++i) {
        const std::string& name = args[i];
        if (i + 1 >= args.size()) return R::failure("company: " + name + " needs a value");
        const std::string& value = args[++i];
        if (const auto it = texts.find(name); it != texts.end()) {
            *it->second = value;
        } else if (name == "--quarterly") {
            if (value != "0" && value != "1")
                return R::failure("company: --quarterly is 0 or 1, not '" + value + "'");
            d.quarterly = value == "1";
        } else if (name == "--small" || name == "--not-small") {
            const auto year = parseId(value);
            if (!year || *year < 1801 || *year > 9999)
                return R::failure("company: not a year: '" + value + "'");
            d.smallTaxpayer[*year] = name == "--small";
        } else {
            return R::failure("company: unknown argument " + name);
        }
    }
    return out;
}

int runCompany(sql::HostDatabase& db, const CompanyArguments& args, std::ostream& out,
               std::ostream& err) {
    if (args.adding) {
        const auto id = db::addCompany(db, args.data);
        if (!id) {
            err << "tabrix: " << id.error() << '\n';
            return 1;
        }
        out << *id << '\n';
        return 0;
    }
    if (db::Status done = db::editCompany(db, args.id, args.data); !done) {
        err << "tabrix: " << done.error() << '\n';
        return 1;
    }
    out << "company " << args.id << " changed\n";
    return 0;
}

v::Result<FiscalYearArguments> parseFiscalYear(const std::vector<std::string>& args) {
    using R = v::Result<FiscalYearArguments>;
    if (args.empty() || args[0] != "add") return R::failure("fiscal-year: add --company N --from D --to D");
    FiscalYearArguments out;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& name = args[i];
        if (i + 1 >= args.size()) return R::failure("fiscal-year: " + name + " needs a value");
        const std::string& value = args[++i];
        if (name == "--company") {
            const auto id = parseId(value);
            if (!id) return R::failure("fiscal-year: not a company number: '" + value + "'");
            out.company = *id;
        } else if (name == "--from" || name == "--to") {
            const auto day = v::parseDate(value);
            if (!day) return R::failure("fiscal-year: not a date: '" + value + "'");
            (name == "--from" ? out.from : out.to) = *day;
        } else {
            return R::failure("fiscal-year: unknown argument " + name);
        }
    }
    if (out.company == 0 || out.from == 0 || out.to == 0)
        return R::failure("fiscal-year add needs --company, --from and --to");
    return out;
}

int runFiscalYear(sql::HostDatabase& db, const FiscalYearArguments& args, std::ostream& out,
                  std::ostream& err) {
    const auto id = db::addFiscalYear(db, args.company, args.from, args.to);
    if (!id) {
        err << "tabrix: " << id.error() << '\n';
        return 1;
    }
    out << *id << '\n';
    return 0;
}

v::Result<OverviewArguments> parseOverview(const std::vector<std::string>& args) {
    using R = v::Result<OverviewArguments>;
    OverviewArguments out;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--csv") {
            out.csv = true;
        } else if (args[i] == "--year" && i + 1 < args.size()) {
            const auto year = parseId(args[++i]);
            if (!year || *year < 1801 || *year > 9999)
                return R::failure("overview: not a year: '" + args[i] + "'");
            out.year = *year;
        } else {
            return R::failure("overview: unknown argument " + args[i]);
        }
    }
    if (out.year == 0) return R::failure("overview needs --year YYYY");
    return out;
}

void printOverview(const std::vector<db::OverviewRow>& rows, bool csv, std::ostream& out) {
    const char* sep = csv ? "," : "\t";
    const auto field = [&](const std::string& text) { return csv ? csvField(text) : text; };
    out << "firma" << sep << "NIP" << sep << "nazwa" << sep << "rok obrotowy" << sep << "termin CIT-8"
        << sep << "stan" << sep << "deklaracja" << sep << "brak CIT-2\n";
    for (const db::OverviewRow& r : rows) {
        std::string state = db::stateText(r.state);
        if (r.state == db::ReturnState::CheckedErrors)
            state += " (" + std::to_string(r.errors) + ")";
        std::vector<std::string> months;
        for (v::DayNumber m : r.missingCit2) months.push_back(v::formatIso(m).substr(0, 7));
        const std::string year =
            r.yearEnd == 0 ? std::string() : dayText(r.yearStart) + " – " + dayText(r.yearEnd);
        out << r.company << sep << field(r.nip) << sep << field(r.name) << sep << field(year)
            << sep << dayText(r.due) << sep << field(state) << sep
            << (r.declaration == 0 ? std::string() : std::to_string(r.declaration)) << sep
            << field(v::join(months, " ")) << '\n';
    }
}

}  // namespace refhost::app
