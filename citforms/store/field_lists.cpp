#include "citforms/store/field_lists.h"

#include <algorithm>
#include <cassert>

#include "citforms/forms/form.h"

namespace citforms::store {

namespace {

// How the in-memory field sets hold each class of the form files.
values::FieldSpec specOf(const forms::FieldDef& f) {
    using forms::ValueClass;
    switch (f.cls) {
        case ValueClass::Amount:
        case ValueClass::Whole:
            return {f.number, values::FieldClass::Amount, 0};
        case ValueClass::Day:
            return {f.number, values::FieldClass::Day, 0};
        case ValueClass::Text:
        case ValueClass::DayText:
        case ValueClass::Count:
        case ValueClass::Choice:
            break;
    }
    return {f.number, values::FieldClass::Text, f.capacity == 0 ? 255 : f.capacity,
            f.cls == ValueClass::DayText};
}

}  // namespace

FieldList::FieldList(const forms::FormDef& form) : form_(&form), formName_(form.name) {
    for (const forms::FieldDef& f : form.fields) {
        specs_.push_back(specOf(f));
        numbers_.push_back(f.number);
    }
    assert(std::is_sorted(numbers_.begin(), numbers_.end()));
}

bool FieldList::contains(int number) const {
    return std::binary_search(numbers_.begin(), numbers_.end(), number);
}

values::FieldSpec FieldList::fieldSpec(int number) const {
    auto it = std::lower_bound(numbers_.begin(), numbers_.end(), number);
    assert(it != numbers_.end() && *it == number);
    return specs_[static_cast<std::size_t>(it - numbers_.begin())];
}

const FieldList* fieldListOfForm(std::string_view formId) {
    // Lists of every catalogue form, in the catalogue's order; the catalogue never changes.
    static const std::vector<FieldList> lists = [] {
        std::vector<FieldList> out;
        for (const forms::FormDef& form : forms::FormCatalogue::builtIn().all()) {
            out.emplace_back(form);
        }
        return out;
    }();
    const std::vector<forms::FormDef>& all = forms::FormCatalogue::builtIn().all();
    for (std::size_t i = 0; i < all.size(); ++i) {
        if (all[i].id == formId) return &lists[i];
    }
    return nullptr;
}

const FieldList& fieldList(std::string_view formId) {
    const FieldList* list = fieldListOfForm(formId);
    assert(list != nullptr && "form not in the catalogue");
    return *list;
}

}  // namespace citforms::store
