#include "citforms/explain/position_explanation.h"

#include <algorithm>
#include <exception>
#include <tuple>
#include <set>
#include <utility>

#include "citforms/compute/cit2_procedures.h"
#include "citforms/compute/field_set_amounts.h"
#include "citforms/compute/form_edition.h"
#include "citforms/compute/form_rules.h"
#include "citforms/compute/rule_probe.h"
#include "citforms/forms/form.h"
#include "citforms/state/fiscal_year.h"
#include "citforms/kinds/declaration_kinds.h"
#include "citforms/state/module_state.h"
#include "citforms/store/declaration_load.h"
#include "citforms/values/day_number.h"
#include "citforms/values/text.h"
#include "citforms/windows/window_declaration.h"

namespace citforms::explain {

namespace {

using values::Decimal;
using R = values::Result<Explanation>;
using Place = std::pair<std::string, int>;  // form, position

// The declaration as the explanation reads it: its header, kind, period and fields.
struct Subject {
    std::int32_t id = 0;
    std::int32_t templateId = 0;
    std::int32_t company = 0;
    std::int32_t period = 0;
    std::int32_t yearStart = 0;
    std::int32_t yearEnd = 0;
    const module::DeclarationKind* kind = nullptr;
};

// Runs the rules of the declaration's kind over `fields` with every value passing `probe`.
void runRules(const host::HostBinding& host, const Subject& s, store::DeclarationFields& fields,
              compute::RuleProbe& probe) {
    if (s.kind->family == "CIT-2") {
        if (s.templateId == 35)
            compute::probeCit2Rules35(host, fields, s.company, s.yearStart, s.period, probe);
        return;
    }
    const compute::FormEdition* edition = compute::FormEdition::forTemplate(s.templateId);
    if (edition == nullptr) return;
    compute::FieldSetAmounts inner(fields);
    compute::ProbedAmounts amounts(inner, probe, std::string(fields.main().list().formName()));
    if (fields.carries("CIT-8/O")) compute::Cit8oRules(*edition, amounts).applyAll();
    compute::Cit8Rules(*edition, amounts).applyAll();
}

// Watches one position: what the rules give for it, and what they read before they give it.
// Nothing reaches the fields. With `shifted`, every read of that position is moved by `by`.
class Watch : public compute::RuleProbe {
public:
    Watch(Place target, std::optional<Place> shifted = std::nullopt, Decimal by = Decimal())
        : target_(std::move(target)), shifted_(std::move(shifted)), by_(by) {}

    Decimal read(std::string_view form, int position, const Decimal& held) override {
        Place place{std::string(form), position};
        if (shifted_ && place == *shifted_) return held + by_;
        if (seen_.insert(place).second) reads_.push_back({place, held});
        return held;
    }
    bool write(std::string_view form, int position, const Decimal& value) override {
        if (form == target_.first && position == target_.second) {
            written_ = true;
            value_ = value;
            before_ = reads_;
        }
        return false;
    }

    bool written() const { return written_; }
    const Decimal& value() const { return value_; }
    // The positions read before the rule's last value for the target, with their values.
    const std::vector<std::pair<Place, Decimal>>& readsBefore() const { return before_; }

private:
    Place target_;
    std::optional<Place> shifted_;
    Decimal by_;
    std::set<Place> seen_;
    std::vector<std::pair<Place, Decimal>> reads_;
    std::vector<std::pair<Place, Decimal>> before_;
    bool written_ = false;
    Decimal value_;
};

// Whether the rules' value for `target` moves when the value read for `input` does: a
// position feeds a rule when its value matters to the result, given the others as they
// stand (a branch not taken, or a cap not reached, feeds nothing).
bool feeds(const host::HostBinding& host, const Subject& s, const store::DeclarationFields& fields,
           const Place& target, const Place& input, const Decimal& baseline) {
    for (const Decimal by : {Decimal(1000000), Decimal(-1000000)}) {
        store::DeclarationFields scratch = fields;
        Watch watch(target, input, by);
        try {
            runRules(host, s, scratch, watch);
        } catch (const std::exception&) {
            return true;  // the shifted value did not fit the rule's arithmetic: it matters
        }
        if (watch.written() && watch.value() != baseline) return true;
    }
    return false;
}

// The statement code of `position` of form `form`: the edition's own code in the form file,
// else the definition the declaration's windows have beside the position.
std::string statementCode(const Subject& s, const store::HeldForm& held, int position) {
    if (const forms::FieldDef* f = held.def->field(position); f != nullptr && !f->statement.empty())
        return f->statement;
    std::vector<std::string> names = {s.kind->mainWindow};
    names.insert(names.end(), s.kind->attachmentWindows.begin(), s.kind->attachmentWindows.end());
    for (const std::string& name : names) {
        if (name.empty()) continue;
        const auto window = windows::builtInWindow(name);
        if (!window || window->form != held.def->name) continue;
        for (const auto& [p, code] : window->definitions)
            if (p == position) return code;
    }
    return {};
}

std::string amountText(const Decimal& d) { return d.toPlainText(2); }

class Explainer {
public:
    Explainer(module::ModuleState& module, Subject subject, store::DeclarationFields& fields)
        : module_(module), host_(module.host()), s_(subject), fields_(fields) {}

    R explain(const std::string& form, int position, bool deep,
              const std::optional<host::PostingPage>& postings, int depth) {
        store::HeldForm* held = fields_.find(form);
        if (held == nullptr)
            return R::failure("Deklaracja " + std::to_string(s_.id) + " nie ma formularza " +
                                  form + ".",
                              values::ErrorKind::InvalidInput);
        if (!held->set.has(position))
            return R::failure("Formularz " + form + " nie ma pozycji " + std::to_string(position) +
                                  ".",
                              values::ErrorKind::InvalidInput);
        Explanation e;
        e.id = s_.id;
        e.templateId = s_.templateId;
        e.form = form;
        e.position = position;
        if (const forms::FieldDef* f = held->def->field(position)) e.role = f->role;
        e.valueText = std::string(values::trim(held->set[position].text()));
        e.value = held->set[position].decimal();

        ruleOf(e);
        e.code = statementCode(s_, *held, position);
        // A position the window offers a definition for, which the declaration's statements
        // leave undefined and a rule fills, is the rule's.
        bool statement = !e.code.empty();
        if (statement) {
            if (auto st = statementOf(e, postings); !st) return R::failure(st.error(), st.errorKind());
            statement = !(e.sourcesKnown && e.sources.terms.empty() && e.ruleWrites);
        }
        if (statement) {
            e.kind = SourceKind::Statement;
        } else if (e.ruleWrites) {
            e.kind = SourceKind::Rule;
            e.code.clear();
            e.difference.clear();
            if (e.value != e.ruleValue)
                e.difference = "Reguła daje " + amountText(e.ruleValue) +
                               " z wartości pozycji, które ją zasilają; zapisana wartość różni "
                               "się o " + amountText(e.value - e.ruleValue) +
                               " (wpisana ręcznie albo pozycje zmienione po przeliczeniu).";
        } else {
            e.kind = SourceKind::Typed;
            e.lastChange = lastChange();
        }
        if (deep && depth < 12) {
            for (RuleInput& in : e.inputs) {
                if (!visited_.insert({in.form, in.position}).second) continue;
                R inner = explain(in.form, in.position, true, std::nullopt, depth + 1);
                if (inner) in.explanation = std::make_shared<Explanation>(std::move(*inner));
            }
        }
        return e;
    }

    std::set<Place>& visited() { return visited_; }

private:
    // What the rules give for the position and which positions feed it.
    void ruleOf(Explanation& e) {
        const Place target{e.form, e.position};
        store::DeclarationFields scratch = fields_;
        Watch watch(target);
        runRules(host_, s_, scratch, watch);
        if (!watch.written()) return;
        e.ruleWrites = true;
        e.ruleValue = watch.value();
        for (const auto& [place, value] : watch.readsBefore()) {
            if (place == target) continue;
            if (!feeds(host_, s_, fields_, target, place, watch.value())) continue;
            e.inputs.push_back({place.first, place.second, value, nullptr});
        }
        // In the order of the forms and their positions, however the rule happened to read them.
        std::stable_sort(e.inputs.begin(), e.inputs.end(), [](const RuleInput& a, const RuleInput& b) {
            return std::tie(a.form, a.position) < std::tie(b.form, b.position);
        });
    }

    values::Status statementOf(Explanation& e, const std::optional<host::PostingPage>& postings) {
        e.from = s_.yearStart;
        e.to = s_.kind->family == "CIT-2" ? values::lastDayOfMonth(s_.period) : s_.yearEnd;
        if (!host_.hasStatementSources()) return {};
        const auto sources = host_.statements->ZESTAWIENIE_DD_ZRODLA(
            s_.company, e.from, e.to, s_.id, e.code, postings ? &*postings : nullptr);
        if (!sources) return values::Status::failure(sources.error(), sources.errorKind());
        e.sourcesKnown = true;
        e.sources = *sources;
        const Decimal total = e.sources.total;
        if (e.sources.terms.empty()) {
            e.difference = "Deklaracja nie ma definicji zestawienia " + e.code + ".";
        } else if (e.value == total) {
            return {};
        } else if (e.value == values::round0(total)) {
            e.difference = "Suma zestawienia " + amountText(total) +
                           " zaokrąglona do pełnych złotych.";
        } else if (e.ruleWrites && e.value == e.ruleValue) {
            e.difference = "Suma zestawienia " + amountText(total) +
                           " ograniczona regułą formularza do " + amountText(e.ruleValue) + ".";
        } else {
            e.difference = "Suma zestawienia wynosi " + amountText(total) + ", zapisana wartość "
                           "różni się o " + amountText(e.value - total) +
                           ": wpisana ręcznie po obliczeniu albo księgi zmieniły się od "
                           "obliczenia.";
        }
        return {};
    }

    // The declaration's last entry in the activity log.
    std::string lastChange() {
        host::UtilityLibrary& u = *host_.utility;
        if (!u.EXECVAX("select top 1 data, czas, id_uzyt, tekst from DZIENNIK where "
                       "id_deklaracje_nag = " + std::to_string(s_.id) +
                       " order by id_dziennik desc"))
            return {};
        host::ResultRow row;
        if (!host_.data->result(host::ResultFileId::VAX_FK).next(row)) return {};
        const std::int32_t day = store::parseStoredNumber(row.column(0)).value_or(0);
        std::string out = day > 0 ? values::formatIso(day) : std::string();
        const std::string_view time = values::trim(row.column(1));
        if (!time.empty()) out += " " + std::string(time);
        const std::string_view user = values::trim(row.column(2));
        if (!user.empty()) out += " " + std::string(user);
        out += ": " + std::string(values::trim(row.column(3)));
        return out;
    }

    module::ModuleState& module_;
    const host::HostBinding& host_;
    Subject s_;
    store::DeclarationFields& fields_;
    std::set<Place> visited_;
};

nlohmann::ordered_json sourcesJson(const Explanation& e) {
    using Json = nlohmann::ordered_json;
    Json terms = Json::array();
    Json accounts = Json::array();
    for (const host::SourceTerm& t : e.sources.terms) {
        Json taken = Json::array();
        for (const host::SourceAccount& a : t.accounts) {
            Json account{{"account", a.account},
                         {"name", a.name},
                         {"turnover", amountText(a.taken)},
                         {"debit", amountText(a.debit)},
                         {"credit", amountText(a.credit)},
                         {"line", t.line}};
            taken.push_back(account["account"]);
            accounts.push_back(std::move(account));
        }
        terms.push_back(Json{{"line", t.line},
                             {"mask", t.mask},
                             {"measure", t.measure},
                             {"sign", t.sign},
                             {"known", t.known},
                             {"matchesChart", t.matchesChart},
                             {"accounts", taken}});
    }
    Json out{{"code", e.code},
             {"from", values::formatIso(e.from)},
             {"to", values::formatIso(e.to)},
             {"total", amountText(e.sources.total)},
             {"definition", terms},
             {"accounts", accounts}};
    return out;
}

}  // namespace

std::string kindName(SourceKind kind) {
    switch (kind) {
        case SourceKind::Statement: return "statement";
        case SourceKind::Rule: return "rule";
        case SourceKind::Typed: return "typed";
    }
    return "typed";
}

values::Result<Explanation> explainPosition(module::ModuleState& module,
                                            const ExplainRequest& request) {
    if (!module.hostBound()) return R::failure("no host is bound to the module");
    const host::HostBinding& host = module.host();
    host::UtilityLibrary& u = *host.utility;
    if (!u.EXECVAX("select id_deklaracje_wzorzec, data_okresu, id_firmy from DEKLARACJE_NAG "
                   "where id_deklaracje_nag = " + std::to_string(request.id)))
        return R::failure(u.fileErrorText(), values::ErrorKind::Database);
    host::ResultRow header;
    if (!host.data->result(host::ResultFileId::VAX_FK).next(header))
        return R::failure("Nie znaleziono deklaracji o identyfikatorze " +
                              std::to_string(request.id) + ".",
                          values::ErrorKind::NotFound);
    Subject s;
    s.id = request.id;
    s.templateId = store::parseStoredNumber(header.column(0)).value_or(0);
    s.period = store::parseStoredNumber(header.column(1)).value_or(0);
    s.company = store::parseStoredNumber(header.column(2)).value_or(0);
    s.kind = module::declarationKind(s.templateId);
    if (s.kind == nullptr || s.kind->load == nullptr || s.kind->family == "CIT-ST")
        return R::failure("Pochodzenie kwot nie jest pokazywane dla deklaracji wzorca " +
                              std::to_string(s.templateId) + ".",
                          values::ErrorKind::InvalidInput);

    module::DeclarationState& state = module.declaration;
    state.CIT_ID_DEKLARACJI = s.id;
    state.CIT_ID_WZORCA = s.templateId;
    state.CIT_ID_WZORCA_CIT2 = s.templateId;
    host::Globals& g = host.data->globals();
    const std::int32_t current = g.DANE_ID_FIRMY;
    g.DANE_ID_FIRMY = s.company;
    module::readFiscalYear(host, state, s.period);
    g.DANE_ID_FIRMY = current;
    s.yearStart = state.CIT_POCZATEK_ROKU;
    s.yearEnd = state.CIT_KONIEC_ROKU;

    store::DeclarationFields& fields = module.fields;
    if (const values::Status loaded = store::loadDeclaration(host, s.templateId, s.id, fields);
        !loaded)
        return R::failure("Deklaracja " + std::to_string(s.id) +
                              " nie została wczytana: " + loaded.error(),
                          loaded.errorKind());
    const std::string form =
        request.form.empty() ? std::string(fields.main().list().formName()) : request.form;
    if (const store::HeldForm* held = fields.find(form); held != nullptr && held->numbered())
        store::loadCopy(fields, form, 1, 1);
    Explainer explainer(module, s, fields);
    explainer.visited().insert({form, request.position});
    return explainer.explain(form, request.position, request.deep, request.postings, 0);
}

nlohmann::ordered_json toJson(const Explanation& e) {
    using Json = nlohmann::ordered_json;
    Json out{{"id", e.id},
             {"template", e.templateId},
             {"form", e.form},
             {"position", e.position},
             {"role", e.role},
             {"value", amountText(e.value)},
             {"kind", kindName(e.kind)}};
    if (e.kind == SourceKind::Statement) {
        out["statement"] = e.code;
        if (e.sourcesKnown) {
            Json s = sourcesJson(e);
            out["from"] = s["from"];
            out["to"] = s["to"];
            out["total"] = s["total"];
            out["definition"] = s["definition"];
            out["accounts"] = s["accounts"];
            if (!e.sources.postings.empty() || e.sources.postingCount >= 0 ||
                e.sources.morePostings) {
                Json postings = Json::array();
                for (const host::SourcePosting& p : e.sources.postings)
                    postings.push_back(Json{{"account", p.account},
                                            {"date", values::formatIso(p.day)},
                                            {"document", p.document},
                                            {"description", p.description},
                                            {"debit", amountText(p.debit)},
                                            {"credit", amountText(p.credit)}});
                out["postings"] = postings;
                out["morePostings"] = e.sources.morePostings;
                if (e.sources.postingCount >= 0) out["postingCount"] = e.sources.postingCount;
            }
        } else {
            out["note"] = "the host does not tell the statements' sources";
        }
    }
    if (e.ruleWrites) {
        out["ruleValue"] = amountText(e.ruleValue);
        Json inputs = Json::array();
        for (const RuleInput& in : e.inputs) {
            Json i{{"form", in.form}, {"position", in.position}, {"value", amountText(in.value)}};
            if (in.explanation) i["explanation"] = toJson(*in.explanation);
            inputs.push_back(std::move(i));
        }
        out["inputs"] = inputs;
    }
    if (e.kind == SourceKind::Typed) out["lastChange"] = e.lastChange;
    out["difference"] = e.difference;
    return out;
}

}  // namespace citforms::explain
