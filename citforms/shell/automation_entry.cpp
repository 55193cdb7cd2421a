#include "citforms/shell/automation_entry.h"

#include <algorithm>
#include <cstdint>
#include <exception>
#include <limits>
#include <optional>

#include <QtCore/QDebug>
#include <nlohmann/json.hpp>

#include "citforms/check/declaration_check.h"
#include "citforms/kinds/declaration_kinds.h"
#include "citforms/shell/correction.h"
#include "citforms/shell/declaration_diff.h"
#include "citforms/shell/declaration_json.h"
#include "citforms/shell/declaration_summary.h"
#include "citforms/shell/print_dispatch.h"
#include "citforms/shell/window_dispatch.h"
#include "citforms/explain/position_explanation.h"
#include "citforms/store/declaration_fields.h"
#include "citforms/store/declaration_load.h"
#include "citforms/windows/cit_st_window.h"
#include "citforms/windows/pickers.h"
#include "citforms/windows/window_declaration.h"
#include "citforms/windows/window_handlers.h"
#include "citforms/workflows/automation.h"
#include "citforms/workflows/param_cit2.h"

namespace citforms::module {

namespace {

using Json = nlohmann::ordered_json;

// Error texts may quote the request: bytes that are not UTF-8 are replaced, never thrown on.
std::string text(const Json& json) {
    return json.dump(-1, ' ', false, Json::error_handler_t::replace);
}

std::string failure(const std::string& why) {
    return text(Json{{"ok", false}, {"error", why}});
}

std::string doneWithId(std::int32_t id) {
    return text(Json{{"ok", true}, {"id", id}});
}

// The members of one request, read with their types checked; the first problem is kept and
// every later read gives a neutral value.
class Request {
public:
    explicit Request(const Json& json) : json_(json) {}

    std::int32_t whole(const char* name, std::optional<std::int32_t> fallback = std::nullopt) {
        const Json* member = find(name);
        if (member == nullptr) return missing(name, fallback).value_or(0);
        if (member->is_number_integer()) {
            const bool fits =
                member->is_number_unsigned()
                    ? member->get<std::uint64_t>() <=
                          static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max())
                    : member->get<std::int64_t>() >= std::numeric_limits<std::int32_t>::min() &&
                          member->get<std::int64_t>() <= std::numeric_limits<std::int32_t>::max();
            if (fits) return static_cast<std::int32_t>(member->get<std::int64_t>());
        }
        problem("\"" + std::string(name) + "\" must be a whole number of 32 bits");
        return 0;
    }

    std::string string(const char* name, std::optional<std::string> fallback = std::nullopt) {
        const Json* member = find(name);
        if (member == nullptr) return missing(name, std::move(fallback)).value_or("");
        if (member->is_string()) return member->get<std::string>();
        problem("\"" + std::string(name) + "\" must be a text");
        return {};
    }

    bool has(const char* name) const { return json_.contains(name); }
    void problem(std::string why) {
        if (error_.empty()) error_ = std::move(why);
    }
    bool ok() const { return error_.empty(); }
    std::string refusal() const { return failure(error_); }

private:
    const Json* find(const char* name) const {
        const auto it = json_.find(name);
        return it == json_.end() ? nullptr : &*it;
    }
    template <class T>
    std::optional<T> missing(const char* name, std::optional<T> fallback) {
        if (!fallback) problem("\"" + std::string(name) + "\" is missing");
        return fallback;
    }

    const Json& json_;
    std::string error_;
};

std::string newCit8Verb(ModuleState& module, Request& request) {
    const std::int32_t yearStart = request.whole("yearStart");
    const std::int32_t yearEnd = request.whole("yearEnd");
    const std::string edition = request.string("edition", "");
    const std::int32_t copyFrom = request.whole("copyFrom", 0);
    const std::int32_t fill = request.whole("fill", 0);
    if (!request.ok()) return request.refusal();
    std::vector<std::string> filled;
    const std::int32_t id =
        newCit8(module, yearStart, yearEnd, edition, copyFrom, fill != 0 ? &filled : nullptr);
    if (id == 0) return failure("no CIT-8 was made");
    if (fill == 0) return doneWithId(id);
    return text(Json{{"ok", true}, {"id", id}, {"filled", filled}});
}

std::string newCit2Verb(ModuleState& module, Request& request) {
    const std::int32_t yearStart = request.whole("yearStart");
    const std::int32_t yearEnd = request.whole("yearEnd");
    const std::int32_t period = request.whole("period");
    const std::string edition = request.string("edition", "");
    const std::int32_t copyFrom = request.whole("copyFrom", 0);
    if (!request.ok()) return request.refusal();
    const std::int32_t id = newCit2(module, yearStart, yearEnd, period, edition, copyFrom);
    return id != 0 ? doneWithId(id) : failure("no CIT-2 was made");
}

std::string recompute(ModuleState& module, Request& request, Recompute how) {
    const std::int32_t id = request.whole("id");
    const std::int32_t fill = how == Recompute::Statements ? request.whole("fill", 0) : 0;
    if (!request.ok()) return request.refusal();
    std::vector<std::string> filled;
    if (recomputeCit8(module, id, how, fill != 0 ? &filled : nullptr) == 0) {
        return failure("declaration " + std::to_string(id) + " was not " +
                       (how == Recompute::Statements ? "computed" : "recalculated") +
                       " and saved");
    }
    if (fill == 0) return doneWithId(id);
    return text(Json{{"ok", true}, {"id", id}, {"filled", filled}});
}

std::string computeVerb(ModuleState& module, Request& request) {
    return recompute(module, request, Recompute::Statements);
}

std::string recalcVerb(ModuleState& module, Request& request) {
    return recompute(module, request, Recompute::FormRules);
}

std::string dumpVerb(ModuleState& module, Request& request) {
    const std::int32_t id = request.whole("id");
    if (!request.ok()) return request.refusal();
    const std::optional<std::string> declaration = declarationJson(module, id);
    if (!declaration) return failure("declaration " + std::to_string(id) + " could not be read");
    // The object as the load wrote it, its members in their order.
    return R"({"ok":true,"declaration":)" + *declaration + "}";
}

// The template of declaration `id` as its header holds it; 0 for no such declaration,
// nullopt when the header could not be read (the reason was shown).
std::optional<std::int32_t> storedTemplate(ModuleState& module, std::int32_t id) {
    const host::HostBinding& host = module.host();
    if (!host.utility->EXECVAX(
            "select id_deklaracje_wzorzec from DEKLARACJE_NAG where id_deklaracje_nag = " +
            std::to_string(id))) {
        host.utility->MSG_OST(host.utility->fileErrorText());
        return std::nullopt;
    }
    host::ResultRow header;
    if (!host.data->result(host::ResultFileId::VAX_FK).next(header)) return 0;
    return store::parseStoredNumber(header.column(0)).value_or(0);
}

std::string pdfVerb(ModuleState& module, Request& request) {
    const std::int32_t id = request.whole("id");
    const std::string file = request.string("file");
    const std::int32_t givenTemplate = request.whole("template", 0);
    if (request.ok() && file.empty()) request.problem("\"file\" must not be empty");
    if (!request.ok()) return request.refusal();
    const std::optional<std::int32_t> templateId =
        request.has("template") ? givenTemplate : storedTemplate(module, id);
    const std::string notMade = "no PDF was made of declaration " + std::to_string(id);
    if (!templateId) return failure(notMade);
    // A CIT-2, which the export does not serve, is composed from its own print procedures.
    const DeclarationKind* kind = declarationKind(*templateId);
    const bool made = kind != nullptr && kind->family == "CIT-2"
                          ? composeDeclarationPdf(module, *kind, id, file) == 1
                          : ZAPISZ_CIT8_DO_PDF(module, *templateId, id, file) == 1;
    if (!made) return failure(notMade);
    return text(Json{{"ok", true}, {"id", id}, {"file", file}});
}

std::string checkVerb(ModuleState& module, Request& request) {
    const std::int32_t id = request.whole("id");
    const std::int32_t statements = request.whole("statements", 1);
    if (!request.ok()) return request.refusal();
    check::CheckOptions options;
    options.runStatements = statements != 0;
    const values::Result<check::CheckResult> result =
        check::checkStoredDeclaration(module, id, options);
    if (!result) return failure(result.error());
    return text(Json{{"ok", true}, {"check", check::toJson(*result)}});
}

std::string openWindowVerb(ModuleState& module, Request& request) {
    std::string window = request.string("window", "");
    const std::int32_t id = request.whole("id", 0);
    const std::int32_t focus = request.whole("focus", 0);
    const std::string focusForm = request.string("focusForm", "");
    const std::int32_t copy = request.whole("copy", 0);
    const std::int32_t count = request.whole("count", 0);
    const std::int32_t existing = request.whole("existing", 1);
    const std::int32_t unchanged = request.whole("unchanged", 1);
    const std::int32_t date = request.whole("date", 0);
    const std::string kind = request.string("kind", "CIT-8");
    if (request.ok() && window.empty() && id == 0)
        request.problem("\"window\" is missing");
    if (!request.ok()) return request.refusal();
    if (module.host().ui == nullptr) return failure("the host bound no UI to show a window on");
    if (window.empty()) {
        // The declaration's own window, as DEKLARACJE_CIT_POKAZ opens it.
        const std::optional<std::int32_t> templateId = storedTemplate(module, id);
        if (!templateId) return failure("declaration " + std::to_string(id) + " could not be read");
        const DeclarationKind* declaration = declarationKind(*templateId);
        if (declaration == nullptr || declaration->mainWindow.empty())
            return failure("declaration " + std::to_string(id) + " has no window of its own");
        window = declaration->mainWindow;
    }
    // The plain windows of the module: they work on the company, not on a declaration.
    if (window == "PARAM_CIT2") {
        const std::int32_t made = header::PARAM_CIT2(module, kind, date);
        return text(Json{{"ok", true}, {"window", window}, {"result", made}});
    }
    if (window == "Wybierz_Adres_Deklar_Cit" || window == "Wybierz_Urzad_Deklar_Cit") {
        const std::int32_t chosen =
            window == "Wybierz_Adres_Deklar_Cit"
                ? header::pickSeatAddress(module.host(), module.iniManager())
                : header::pickTaxOffice(module.host(), module.iniManager());
        return text(Json{{"ok", true}, {"window", window}, {"result", chosen}});
    }
    // A new CIT-ST (mode 0) and the link window work on the company, not on a stored
    // declaration; a stored CIT-ST opens like any declaration (mode 1, its id).
    if (window == "CIT_ST_201" && id == 0) {
        const std::int32_t saved =
            citst::CIT_ST_201(module, 0, static_cast<std::uint8_t>(request.whole("source", 0)), 0,
                              &module.fields);
        return text(Json{{"ok", true}, {"window", window}, {"result", saved}});
    }
    // "Przelew" of a stored declaration: the host's transfer window, filled as the
    // declaration's kind says.
    if (window == "UP_PRZELEW") {
        const std::optional<std::int32_t> templateId = storedTemplate(module, id);
        if (!templateId) return failure("no transfer of declaration " + std::to_string(id));
        windows::openTransfer(module.host(), id, *templateId);
        return text(Json{{"ok", true}, {"window", window}, {"result", 0}});
    }
    if (window == "CIT_ST_8_powiazanie") {
        const std::int32_t cit8 = request.whole("cit8", 0);
        const std::int32_t citSt = request.whole("citst", 0);
        if (!request.ok()) return request.refusal();
        const std::int32_t linked = cit8 != 0 ? citst::CIT_ST_8_POWIAZANIE(module, "CIT-8", cit8)
                                              : citst::CIT_ST_8_POWIAZANIE(module, "CIT-ST", citSt);
        return text(Json{{"ok", true}, {"window", window}, {"result", linked}});
    }
    const values::Result<int> result = openDeclarationWindow(
        module, id, window, copy, count,
        windows::WindowArguments{existing != 0, 0, unchanged != 0, focus, focusForm});
    if (!result) return failure(result.error());
    return text(Json{{"ok", true}, {"window", window}, {"result", *result}});
}

std::string summaryVerb(ModuleState& module, Request& request) {
    const std::int32_t id = request.whole("id");
    if (!request.ok()) return request.refusal();
    const auto summary = declarationSummary(module, id);
    if (!summary) return failure(summary.error());
    auto amount = [](const std::optional<values::Decimal>& value) -> Json {
        return value ? Json(value->toPlainText(2)) : Json(nullptr);
    };
    return text(Json{{"ok", true},
                     {"id", id},
                     {"template", summary->templateId},
                     {"form", summary->form},
                     {"taxDue", amount(summary->taxDue)},
                     {"toPay", amount(summary->toPay)},
                     {"overpaid", amount(summary->overpaid)}});
}

// What each statement code of a declaration's template holds: the role, in the form file, of
// the position a definition button of the template's windows computes with that code.
std::string statementRolesVerb(ModuleState& module, Request& request) {
    const std::int32_t id = request.whole("id");
    if (!request.ok()) return request.refusal();
    const std::optional<std::int32_t> templateId = storedTemplate(module, id);
    if (!templateId) return failure("declaration " + std::to_string(id) + " could not be read");
    const DeclarationKind* kind = declarationKind(*templateId);
    Json roles = Json::array();
    if (kind != nullptr && !kind->mainWindow.empty()) {
        const store::DeclarationFields forms(*templateId);
        std::vector<std::string> windowNames = {kind->mainWindow};
        windowNames.insert(windowNames.end(), kind->attachmentWindows.begin(),
                           kind->attachmentWindows.end());
        for (const std::string& name : windowNames) {
            const auto window = windows::builtInWindow(name);
            if (!window) continue;
            const store::HeldForm* held = forms.find(window->form);
            if (held == nullptr) continue;
            for (const auto& [position, code] : window->definitions) {
                const forms::FieldDef* field = held->def->field(position);
                if (field == nullptr || field->role.empty()) continue;
                roles.push_back(Json{{"code", code}, {"role", field->role}});
            }
        }
    }
    return text(Json{{"ok", true}, {"id", id}, {"template", *templateId}, {"roles", roles}});
}

// Where the amount of one position comes from (explain/position_explanation.h).
std::string explainVerb(ModuleState& module, Request& request) {
    explain::ExplainRequest r;
    r.id = request.whole("id");
    r.form = request.string("form", "");
    r.position = request.whole("position");
    r.deep = request.whole("deep", 0) != 0;
    if (request.has("postings")) {
        host::PostingPage page;
        page.account = request.string("account", "");
        page.offset = request.whole("offset", 0);
        page.limit = request.whole("limit", 100);
        page.count = request.whole("count", 0) != 0;
        r.postings = page;
    }
    if (!request.ok()) return request.refusal();
    const values::Result<explain::Explanation> e = explain::explainPosition(module, r);
    if (!e) return failure(e.error());
    return text(Json{{"ok", true}, {"explanation", explain::toJson(*e)}});
}

std::string correctVerb(ModuleState& module, Request& request) {
    const std::int32_t id = request.whole("id");
    const std::int32_t justify = request.whole("justify", 0);
    if (!request.ok()) return request.refusal();
    std::vector<std::string> notes;
    const std::int32_t made = makeCorrection(module, id, justify != 0, &notes);
    if (made == 0) return failure("no correction of declaration " + std::to_string(id) + " was made");
    return text(Json{{"ok", true}, {"id", made}, {"notes", notes}});
}

std::string justifyVerb(ModuleState& module, Request& request) {
    const std::int32_t id = request.whole("id");
    if (!request.ok()) return request.refusal();
    std::vector<std::string> notes;
    if (justifyCorrection(module, id, &notes) == 0)
        return failure("the justification of declaration " + std::to_string(id) + " was not saved");
    return text(Json{{"ok", true}, {"id", id}, {"notes", notes}});
}

std::string diffVerb(ModuleState& module, Request& request) {
    const std::int32_t first = request.whole("first");
    const std::int32_t second = request.whole("second");
    if (!request.ok()) return request.refusal();
    const auto changes = storedDifferences(module, first, second);
    if (!changes) return failure(changes.error());
    Json list = Json::array();
    for (const PositionChange& c : *changes) {
        list.push_back(Json{{"form", c.form},
                            {"copy", c.copy},
                            {"position", c.position},
                            {"where", c.where()},
                            {"before", c.before},
                            {"after", c.after},
                            {"shownBefore", displayValue(module.fields, c, c.before)},
                            {"shownAfter", displayValue(module.fields, c, c.after)}});
    }
    return text(Json{{"ok", true}, {"first", first}, {"second", second}, {"changes", list}});
}

// Every kind the module serves, as its kind file describes it: the host asks this instead of
// keeping its own lists of templates, editions and positions.
std::string kindsVerb(ModuleState&, Request& request) {
    if (!request.ok()) return request.refusal();
    const auto position = [](int p) { return p != 0 ? Json(p) : Json(); };
    const auto day = [](const std::optional<values::DayNumber>& d) {
        return d ? Json(*d) : Json();
    };
    Json kinds = Json::array();
    for (const DeclarationKind& k : declarationKinds()) {
        Json windows = Json::array({k.mainWindow});
        for (const std::string& w : k.attachmentWindows) windows.push_back(w);
        Json kind{{"template", k.templateId},
                  {"family", k.family},
                  {"edition", k.edition},
                  {"from", day(k.file != nullptr ? k.file->from : std::nullopt)},
                  {"until", day(k.file != nullptr ? k.file->until : std::nullopt)},
                  {"served", static_cast<bool>(k.load)},
                  {"mainForm", k.mainForm},
                  {"windows", windows},
                  {"taxDue", position(k.results.taxDue)},
                  {"taxForYear", position(k.results.taxForYear)},
                  {"toPay", position(k.results.toPay)},
                  {"overpaid", position(k.results.overpaid)}};
        if (k.transfer.amountField != 0) {
            kind["transfer"] = Json{{"amount", k.transfer.amountField},
                                    {"symbol", k.transfer.formSymbol},
                                    {"period", k.transfer.monthly ? "month" : "year"}};
        }
        kinds.push_back(std::move(kind));
    }
    return text(Json{{"ok", true}, {"kinds", kinds}});
}

struct Verb {
    std::string_view name;
    std::string (*run)(ModuleState&, Request&);
};

// One row a verb. A scripted session is run by the host's scripted UI, which opens windows
// through "open-window"; the module needs no verb of its own for it.
constexpr Verb kVerbs[] = {
    {"new-cit8", newCit8Verb}, {"new-cit2", newCit2Verb}, {"compute", computeVerb},
    {"recalc", recalcVerb},
    {"dump", dumpVerb},        {"pdf", pdfVerb},          {"open-window", openWindowVerb},
    {"summary", summaryVerb},
    {"check", checkVerb},      {"statement-roles", statementRolesVerb},
    {"correct", correctVerb},  {"justify", justifyVerb},  {"diff", diffVerb},
    {"kinds", kindsVerb},      {"explain", explainVerb},
};

std::string dispatch(ModuleState& module, const char* requestJson) {
    if (requestJson == nullptr) return failure("no request");
    const Json request = Json::parse(requestJson, nullptr, false);
    if (request.is_discarded()) return failure("the request is not JSON");
    if (!request.is_object()) return failure("the request is not a JSON object");
    const auto verb = request.find("verb");
    if (verb == request.end() || !verb->is_string()) {
        return failure("the request has no \"verb\" text");
    }
    const std::string& name = verb->get_ref<const std::string&>();
    for (const Verb& row : kVerbs) {
        if (row.name != name) continue;
        if (!module.hostBound()) return failure("no host is bound to the module");
        Request members(request);
        return row.run(module, members);
    }
    return failure("unknown verb '" + name + "'");
}

}  // namespace

std::string automationReply(ModuleState& module, const char* requestJson) {
    try {
        return dispatch(module, requestJson);
    } catch (const std::exception& e) {
        qCritical("citforms: citforms_automation stopped: %s", e.what());
        return failure(std::string("the request stopped: ") + e.what());
    } catch (...) {
        qCritical("citforms: citforms_automation stopped by an unknown exception");
        return failure("the request stopped");
    }
}

std::vector<std::string_view> automationVerbs() {
    std::vector<std::string_view> names;
    for (const Verb& row : kVerbs) names.push_back(row.name);
    return names;
}

}  // namespace citforms::module
