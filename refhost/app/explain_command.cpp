#include "refhost/app/explain_command.h"

#include <algorithm>
#include <map>
#include <tuple>

#include <nlohmann/json.hpp>

#include "citforms/values/day_number.h"
#include "citforms/values/text.h"
#include "refhost/app/cit8_commands.h"
#include "refhost/app/options.h"
#include "citforms/values/book_values.h"
#include "refhost/db/statement_feeds.h"

namespace refhost::app {

using citforms::values::Result;
using Json = nlohmann::ordered_json;

namespace {

// The value of option `name` at args[i] ("--limit 20" or "--limit=20"); advances i.
std::optional<std::string> optionValue(const std::vector<std::string>& args, std::size_t& i,
                                       const std::string& name) {
    const std::string& arg = args[i];
    if (arg == name) {
        if (i + 1 >= args.size()) return std::nullopt;
        return args[++i];
    }
    return arg.substr(name.size() + 1);
}

bool isOption(const std::string& arg, const std::string& name) {
    return arg == name || arg.rfind(name + "=", 0) == 0;
}

std::optional<std::int32_t> wholeOrZero(const std::string& text) {
    if (text == "0") return 0;
    return parseId(text);
}

std::string str(const Json& j, const char* name) {
    const auto it = j.find(name);
    return it != j.end() && it->is_string() ? it->get<std::string>() : std::string();
}

std::string signText(const Json& term) {
    return term.value("sign", 1) < 0 ? "-" : "+";
}

// One explanation in lines, tab-separated; nested ones (--deep) indented by two blanks a
// level.
void printExplanation(const Json& e, std::ostream& out, const std::string& indent) {
    const std::string kind = str(e, "kind");
    out << indent << "position\t" << str(e, "form") << '\t' << e.value("position", 0) << '\t'
        << str(e, "value") << '\t' << kind;
    if (kind == "statement") out << ' ' << str(e, "statement");
    out << '\n';
    if (!str(e, "role").empty()) out << indent << "role\t" << str(e, "role") << '\n';
    if (kind == "statement") {
        if (e.contains("note")) out << indent << "note\t" << str(e, "note") << '\n';
        if (e.contains("definition")) {
            out << indent << "period\t" << str(e, "from") << '\t' << str(e, "to") << '\n';
            for (const Json& term : e["definition"]) {
                out << indent << "term\t" << term.value("line", 0) << '\t' << str(term, "mask")
                    << '\t' << str(term, "measure") << '\t' << signText(term);
                if (!term.value("known", true)) out << "\tnieznana miara";
                if (!term.value("matchesChart", true)) out << "\tmaska nie pasuje do planu kont";
                out << '\n';
                for (const Json& a : e["accounts"]) {
                    if (a.value("line", 0) != term.value("line", 0)) continue;
                    out << indent << "  account\t" << str(a, "account") << '\t' << str(a, "name")
                        << "\tWn " << str(a, "debit") << "\tMa " << str(a, "credit") << '\t'
                        << str(a, "turnover") << '\n';
                }
            }
            out << indent << "total\t" << str(e, "total") << '\n';
        }
        if (e.contains("postings")) {
            for (const Json& p : e["postings"]) {
                out << indent << "posting\t" << str(p, "account") << '\t' << str(p, "date") << '\t'
                    << str(p, "document") << '\t' << str(p, "description") << "\tWn "
                    << str(p, "debit") << "\tMa " << str(p, "credit") << '\n';
            }
            out << indent << "postings\t" << e["postings"].size() << " of "
                << e.value("postingCount", 0) << (e.value("morePostings", false) ? ", more follow" : "")
                << '\n';
        }
    }
    if (e.contains("inputs")) {
        if (kind != "rule") out << indent << "rule gives\t" << str(e, "ruleValue") << '\n';
        for (const Json& in : e["inputs"]) {
            out << indent << "input\t" << str(in, "form") << '\t' << in.value("position", 0)
                << '\t' << str(in, "value") << '\n';
            if (in.contains("explanation")) printExplanation(in["explanation"], out, indent + "  ");
        }
        if (kind == "rule") out << indent << "rule gives\t" << str(e, "ruleValue") << '\n';
    }
    if (kind == "typed") {
        const std::string last = str(e, "lastChange");
        out << indent << "typed\t"
            << (last.empty() ? "wpisana ręcznie; dziennik nie zna zmian deklaracji"
                             : "wpisana ręcznie; ostatnia zmiana deklaracji: " + last)
            << '\n';
    }
    if (!str(e, "difference").empty()) out << indent << "difference\t" << str(e, "difference") << '\n';
}

// The statement codes as the forms order their positions: the CIT-8's by number, then the
// CIT-8/O's ("O8" before "O10").
std::vector<std::string> codesInFormOrder(const db::Reconciliation& r) {
    std::vector<std::string> codes;
    for (const auto& [code, value] : r.statements) codes.push_back(code);
    const auto key = [](const std::string& code) {
        const bool attachment = !code.empty() && (code[0] == 'O' || code[0] == 'o');
        const auto number = citforms::values::parseInteger<long long>(
            std::string_view(code).substr(attachment ? 1 : 0));
        return std::make_tuple(attachment, number.value_or(0), code);
    };
    std::stable_sort(codes.begin(), codes.end(),
                     [&](const std::string& a, const std::string& b) { return key(a) < key(b); });
    return codes;
}

}  // namespace

Result<ExplainArguments> parseExplain(const std::vector<std::string>& args) {
    using R = Result<ExplainArguments>;
    ExplainArguments out;
    std::vector<std::string> plain;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--json") {
            out.json = true;
        } else if (arg == "--deep") {
            out.deep = true;
        } else if (arg == "--postings") {
            out.postings = true;
        } else if (isOption(arg, "--form")) {
            const auto v = optionValue(args, i, "--form");
            if (!v || v->empty()) return R::failure("explain: --form needs a form name");
            out.form = *v;
        } else if (isOption(arg, "--account")) {
            const auto v = optionValue(args, i, "--account");
            if (!v || v->empty()) return R::failure("explain: --account needs an account");
            out.account = *v;
            out.postings = true;
        } else if (isOption(arg, "--offset") || isOption(arg, "--limit")) {
            const bool offset = isOption(arg, "--offset");
            const auto v = optionValue(args, i, offset ? "--offset" : "--limit");
            const auto n = v ? wholeOrZero(*v) : std::nullopt;
            if (!n) return R::failure(std::string("explain: ") +
                                      (offset ? "--offset" : "--limit") + " needs a number");
            (offset ? out.offset : out.limit) = *n;
            out.postings = true;
        } else if (!arg.empty() && arg[0] == '-') {
            return R::failure("explain: unknown option '" + arg + "'");
        } else {
            plain.push_back(arg);
        }
    }
    if (plain.size() != 2) return R::failure("explain needs a declaration id and a position");
    const auto id = parseId(plain[0]);
    if (!id) return R::failure("explain: not a declaration id: '" + plain[0] + "'");
    const auto position = parseId(plain[1]);
    if (!position) return R::failure("explain: not a position: '" + plain[1] + "'");
    out.id = *id;
    out.position = *position;
    return out;
}

std::string explainRequest(const ExplainArguments& args) {
    Json request{{"verb", "explain"}, {"id", args.id}, {"position", args.position}};
    if (!args.form.empty()) request["form"] = args.form;
    if (args.deep) request["deep"] = 1;
    if (args.postings) {
        request["postings"] = 1;
        if (!args.account.empty()) request["account"] = args.account;
        request["offset"] = args.offset;
        request["limit"] = args.limit;
        request["count"] = 1;
    }
    return request.dump();
}

int runExplain(const libraries::LoadedModule& module, const ExplainArguments& args,
               std::ostream& out, std::ostream& err) {
    const Json reply = Json::parse(module.automation(explainRequest(args)), nullptr, false);
    if (reply.is_discarded() || !reply.value("ok", false)) {
        err << "tabrix: position " << args.position << " of declaration " << args.id
            << " not explained: " << (reply.is_discarded() ? "no reply" : str(reply, "error"))
            << '\n';
        return 1;
    }
    if (args.json) {
        out << reply["explanation"].dump(2, ' ', false, Json::error_handler_t::replace) << '\n';
    } else {
        printExplanation(reply["explanation"], out, "");
    }
    return 0;
}

Result<ReconcileArguments> parseReconcile(const std::vector<std::string>& args) {
    using R = Result<ReconcileArguments>;
    ReconcileArguments out;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--json") {
            out.json = true;
        } else if (isOption(arg, "--company")) {
            const auto v = optionValue(args, i, "--company");
            const auto n = v ? parseId(*v) : std::nullopt;
            if (!n) return R::failure("reconcile: --company needs a company number");
            out.company = *n;
        } else if (isOption(arg, "--year")) {
            const auto v = optionValue(args, i, "--year");
            const auto n = v ? parseId(*v) : std::nullopt;
            if (!n || *n < 1801 || *n > 9999) return R::failure("reconcile: --year needs a year");
            out.year = *n;
        } else {
            return R::failure("reconcile: unknown argument '" + arg + "'");
        }
    }
    if (out.company == 0 || out.year == 0)
        return R::failure("reconcile needs --company N and --year YYYY");
    return out;
}

int runReconcile(libraries::ReferenceHost& host, sql::HostDatabase& db,
                 const ReconcileArguments& args, std::ostream& out, std::ostream& err) {
    const std::optional<FiscalYear> year = fiscalYearOf(host, args.company, args.year);
    if (!year) {
        err << "tabrix: company " << args.company << " has no fiscal year starting or ending in "
            << args.year << '\n';
        return 1;
    }
    // The year's newest CIT-8, whose statements the return was computed by.
    auto found = db.runNative(
        "select id_deklaracje_nag from DEKLARACJE_NAG where id_firmy = ? and "
        "id_deklaracje_wzorzec in (70, 72, 73) and data_okresu >= ? and data_okresu <= ? "
        "order by id_deklaracje_nag desc",
        {std::to_string(args.company), std::to_string(year->start), std::to_string(year->end)});
    if (!found) {
        err << "tabrix: " << found.error() << '\n';
        return 1;
    }
    long long declaration = 0;
    if (!found->rows.empty())
        declaration = citforms::values::parseInteger<long long>(
                          found->rows[0].at(0).value_or("0")).value_or(0);
    auto definition = declaration != 0 ? db::declarationDefinition(db, declaration)
                                       : db::templateDefinition(db, 73);
    if (!definition) {
        err << "tabrix: " << definition.error() << '\n';
        return 1;
    }
    auto r = db::reconcile(db, args.company, year->start, year->end, *definition);
    if (!r) {
        err << "tabrix: the books could not be read: " << r.error() << '\n';
        return 1;
    }
    const std::string source = declaration != 0
                                   ? "deklaracja " + std::to_string(declaration)
                                   : std::string("zestawienia domyślne CIT-8 (24)");
    // The result accounts that feed no statement: costs or revenue missing from the return, as
    // the check warns about them.
    std::int64_t unfed = 0;
    for (const db::AccountFeed& f : r->accounts)
        if (f.result && f.codes.empty()) ++unfed;
    // The values the declaration holds at the statements' positions: "31" on the CIT-8, "O8"
    // on its CIT-8/O.
    std::map<std::string, std::string> stored;
    if (declaration != 0) {
        auto rows = db.runNative(
            "select nr_zalacznika, nr_pola, wartosc_pola from DEKLARACJE_POZ where "
            "id_deklaracje_nag = ? and nr_zalacznika in (0, 1)",
            {std::to_string(declaration)});
        if (!rows) {
            err << "tabrix: " << rows.error() << '\n';
            return 1;
        }
        for (const auto& row : rows->rows) {
            const std::string sheet(citforms::values::trim(row.at(0).value_or("")));
            const std::string position(citforms::values::trim(row.at(1).value_or("")));
            stored[(sheet == "1" ? "O" : "") + position] =
                std::string(citforms::values::trim(row.at(2).value_or("")));
        }
    }
    if (args.json) {
        Json accounts = Json::array();
        for (const db::AccountFeed& f : r->accounts) {
            accounts.push_back(Json{{"account", f.account},
                                    {"name", f.name},
                                    {"result", f.result},
                                    {"debit", citforms::values::groszeText(f.debit)},
                                    {"credit", citforms::values::groszeText(f.credit)},
                                    {"positions", f.codes},
                                    {"unfed", f.result && f.codes.empty()}});
        }
        Json statements = Json::array();
        for (const std::string& code : codesInFormOrder(*r)) {
            Json one{{"code", code}, {"value", citforms::values::groszeText(r->statements.at(code))}};
            if (const auto it = stored.find(code); it != stored.end()) one["stored"] = it->second;
            statements.push_back(std::move(one));
        }
        const Json doc{{"company", args.company},
                       {"from", citforms::values::formatIso(year->start)},
                       {"to", citforms::values::formatIso(year->end)},
                       {"declaration", declaration},
                       {"accounts", accounts},
                       {"books", Json{{"debit", citforms::values::groszeText(r->debit)},
                                      {"credit", citforms::values::groszeText(r->credit)}}},
                       {"statements", statements},
                       {"unfed", unfed}};
        out << doc.dump(2, ' ', false, Json::error_handler_t::replace) << '\n';
        return 0;
    }
    out << "year\t" << citforms::values::formatIso(year->start) << '\t'
        << citforms::values::formatIso(year->end) << '\t' << source << '\n';
    for (const db::AccountFeed& f : r->accounts) {
        std::string codes;
        for (const std::string& c : f.codes) codes += (codes.empty() ? "" : ",") + c;
        const char* mark = !f.codes.empty() ? "account" : f.result ? "unfed" : "balance";
        out << mark << '\t' << f.account
            << '\t' << f.name << "\tWn " << citforms::values::shownGrosze(f.debit) << "\tMa "
            << citforms::values::shownGrosze(f.credit) << '\t' << (codes.empty() ? "-" : codes) << '\n';
    }
    out << "books\tWn " << citforms::values::shownGrosze(r->debit) << "\tMa " << citforms::values::shownGrosze(r->credit)
        << '\n';
    // The statements that take nothing from these books are only counted.
    std::size_t empty = 0;
    for (const std::string& code : codesInFormOrder(*r)) {
        if (r->statements.at(code) == 0 && stored.count(code) == 0) {
            ++empty;
            continue;
        }
        out << "statement\t" << code << '\t' << citforms::values::shownGrosze(r->statements.at(code));
        if (const auto it = stored.find(code); it != stored.end())
            out << "\tw deklaracji " << it->second;
        out << '\n';
    }
    out << "statements\t" << r->statements.size() << " defined, " << empty
        << " of them 0 and not in a declaration\n";
    out << "accounts\t" << r->accounts.size() << " with turnover, " << unfed
        << " result account(s) feeding no statement\n";
    return 0;
}

}  // namespace refhost::app
