#include "citforms/module/declaration_diff.h"

#include <algorithm>
#include <map>
#include <regex>
#include <utility>

#include "citforms/forms/form.h"
#include "citforms/module/declaration_kinds.h"
#include "citforms/store/declaration_load.h"
#include "citforms/values/field_value.h"
#include "citforms/values/picture.h"
#include "citforms/values/text.h"

namespace citforms::module {

namespace {

using Values = std::map<int, std::string>;

Values valuesOf(const store::FieldSet& set) {
    Values out;
    set.forEachValue(set.list(), [&](int number, const std::string& value) {
        out[number] = value;
    });
    return out;
}

// Every position of both sides, ascending; a value missing on one side reads as empty.
void compare(const Values& before, const Values& after, const PositionChange& where,
             std::vector<PositionChange>& out) {
    std::vector<int> positions;
    for (const auto& [n, v] : before) positions.push_back(n);
    for (const auto& [n, v] : after) positions.push_back(n);
    std::sort(positions.begin(), positions.end());
    positions.erase(std::unique(positions.begin(), positions.end()), positions.end());
    for (int n : positions) {
        const auto b = before.find(n);
        const auto a = after.find(n);
        const std::string was = b == before.end() ? std::string() : b->second;
        const std::string is = a == after.end() ? std::string() : a->second;
        if (was == is) continue;
        PositionChange change = where;
        change.position = n;
        change.before = was;
        change.after = is;
        out.push_back(std::move(change));
    }
}

std::map<std::int32_t, Values> copiesOf(const store::AttachmentRows& rows) {
    std::map<std::int32_t, Values> out;
    for (const store::AttachmentRow& row : rows.rows()) {
        out[row.ext_nr_zalacznika][row.ext_nr_pola] = std::string(values::trim(row.ext_wartosc, " "));
    }
    return out;
}

const forms::FieldDef* fieldOf(const store::DeclarationFields& fields,
                               const PositionChange& change) {
    const store::HeldForm* held = fields.find(change.form);
    return held == nullptr ? nullptr : held->def->field(change.position);
}

}  // namespace

std::string PositionChange::where() const {
    std::string text = main ? std::string() : form + " ";
    if (copy != 0) text += "nr " + std::to_string(copy) + " ";
    text += (main ? "Poz. " : "poz. ") + std::to_string(position);
    return text;
}

std::vector<PositionChange> differences(const store::DeclarationFields& before,
                                        const store::DeclarationFields& after) {
    std::vector<PositionChange> out;
    bool first = true;
    for (const store::HeldForm& held : before.forms()) {
        const bool main = first;
        first = false;
        if (held.def->storage.kind == forms::StorageKind::None) continue;
        const store::HeldForm* other = after.find(held.def->name);
        if (other == nullptr) continue;
        PositionChange where;
        where.form = held.def->name;
        where.main = main;
        if (!held.numbered()) {
            compare(valuesOf(held.set), valuesOf(other->set), where, out);
            continue;
        }
        const auto was = copiesOf(held.copies);
        const auto is = copiesOf(other->copies);
        std::vector<std::int32_t> copies;
        for (const auto& [n, v] : was) copies.push_back(n);
        for (const auto& [n, v] : is) copies.push_back(n);
        std::sort(copies.begin(), copies.end());
        copies.erase(std::unique(copies.begin(), copies.end()), copies.end());
        static const Values none;
        for (std::int32_t copy : copies) {
            where.copy = copy;
            const auto b = was.find(copy);
            const auto a = is.find(copy);
            compare(b == was.end() ? none : b->second, a == is.end() ? none : a->second, where,
                    out);
        }
    }
    return out;
}

std::string displayValue(const store::DeclarationFields& fields, const PositionChange& change,
                         const std::string& value) {
    const std::string text(values::trim(value, " "));
    if (text.empty()) return "(puste)";
    const forms::FieldDef* field = fieldOf(fields, change);
    const forms::ValueClass cls = field != nullptr ? field->cls : forms::ValueClass::Text;
    // Amounts kept in text positions (the later positions of some editions) read as amounts.
    static const std::regex amount(R"(-?[0-9]+\.[0-9]{1,2})");
    if (cls == forms::ValueClass::Amount || cls == forms::ValueClass::Whole ||
        (cls == forms::ValueClass::Text && std::regex_match(text, amount))) {
        const std::string shown = values::formatPicture("N-19_`2", text);
        return shown.empty() ? text : shown;
    }
    if (cls == forms::ValueClass::Day || cls == forms::ValueClass::DayText) {
        const std::string shown = values::formatPicture("D6-", text);
        return shown.empty() ? text : shown;
    }
    return text;
}

std::string justificationText(const store::DeclarationFields& fields,
                              const std::vector<PositionChange>& changes, std::size_t capacity,
                              std::size_t* leftOut) {
    std::vector<std::string> lines;
    for (const PositionChange& c : changes) {
        lines.push_back(c.where() + ": było " + displayValue(fields, c, c.before) + ", jest " +
                        displayValue(fields, c, c.after));
    }
    const auto tail = [](std::size_t n) {
        return "Pozostałe zmienione pozycje (" + std::to_string(n) +
               ") nie zmieściły się w uzasadnieniu.";
    };
    // As many whole lines as leave room for the line that names what was left out.
    std::string text;
    std::size_t taken = 0;
    for (; taken < lines.size(); ++taken) {
        const std::string next = (text.empty() ? "" : text + "\n") + lines[taken];
        const bool last = taken + 1 == lines.size();
        const std::size_t room =
            last ? capacity
                 : capacity - std::min(capacity, values::textLength(tail(lines.size())) + 1);
        if (values::textLength(next) > room) break;
        text = next;
    }
    const std::size_t omitted = lines.size() - taken;
    if (omitted > 0) text += (text.empty() ? "" : "\n") + tail(omitted);
    if (leftOut != nullptr) *leftOut = omitted;
    return text;
}

values::Status loadWhole(ModuleState& module, std::int32_t id, store::DeclarationFields& fields,
                         std::int32_t* templateId, std::int32_t* period) {
    const host::HostBinding& host = module.host();
    host::UtilityLibrary& u = *host.utility;
    if (!u.EXECVAX("select id_deklaracje_wzorzec, data_okresu from DEKLARACJE_NAG where "
                   "id_deklaracje_nag = " +
                   std::to_string(id))) {
        return values::Status::failure(u.fileErrorText(), values::ErrorKind::Database);
    }
    host::ResultRow header;
    if (!host.data->result(host::ResultFileId::VAX_FK).next(header)) {
        return values::Status::failure(
            "Nie znaleziono deklaracji o identyfikatorze " + std::to_string(id) + ".",
            values::ErrorKind::NotFound);
    }
    const std::int32_t templ = store::parseStoredNumber(header.column(0)).value_or(0);
    const DeclarationKind* kind = declarationKind(templ);
    if (kind == nullptr || kind->load == nullptr) {
        return values::Status::failure("Brak obsługi wzorca deklaracji.",
                                       values::ErrorKind::InvalidInput);
    }
    if (templateId != nullptr) *templateId = templ;
    if (period != nullptr) *period = store::parseStoredNumber(header.column(1)).value_or(0);
    fields.issues.clearLoad();
    if (values::Status loaded = store::loadDeclaration(host, templ, id, fields); !loaded) {
        return loaded;
    }
    if (!fields.issues.loadClean()) {
        std::vector<std::string> names = fields.issues.unreadable;
        names.insert(names.end(), fields.issues.cut.begin(), fields.issues.cut.end());
        return values::Status::failure(
            "Deklaracja " + std::to_string(id) +
                " nie została wczytana w całości (nieczytelne lub za długie wartości: " +
                store::DeclarationIssues::join(names) + ").",
            values::ErrorKind::InvalidInput);
    }
    return {};
}

values::Result<std::vector<PositionChange>> storedDifferences(ModuleState& module,
                                                              std::int32_t first,
                                                              std::int32_t second) {
    using R = values::Result<std::vector<PositionChange>>;
    store::DeclarationFields before;
    store::DeclarationFields after;
    std::int32_t firstTemplate = 0;
    std::int32_t secondTemplate = 0;
    if (values::Status s = loadWhole(module, first, before, &firstTemplate); !s)
        return R::failure(s.error(), s.errorKind());
    if (values::Status s = loadWhole(module, second, after, &secondTemplate); !s)
        return R::failure(s.error(), s.errorKind());
    if (firstTemplate != secondTemplate) {
        return R::failure("Deklaracje " + std::to_string(first) + " i " + std::to_string(second) +
                              " są różnych wzorców (" + std::to_string(firstTemplate) + ", " +
                              std::to_string(secondTemplate) + "); porównuje się deklaracje "
                              "jednego wzorca.",
                          values::ErrorKind::InvalidInput);
    }
    return differences(before, after);
}

}  // namespace citforms::module
