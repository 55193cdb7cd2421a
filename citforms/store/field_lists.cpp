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

FieldList::FieldList(const forms::FormDef& form) : formName_(form.name) {
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

const char* formIdOf(FieldListId id) {
    switch (id) {
        case FieldListId::Cit8Gen73:
            return "cit8_24";
        case FieldListId::Cit8Gen72:
            return "cit8_23";
        case FieldListId::Cit8O:
            return "cit8o_11";
        case FieldListId::CitBr:
            return "citbr_1";
        case FieldListId::OrdZu:
            return "ordzu";
    }
    assert(false && "unknown field list");
    return "cit8_24";
}

const FieldList* fieldListOfForm(std::string_view formId) {
    for (FieldListId i : {FieldListId::Cit8Gen73, FieldListId::Cit8Gen72, FieldListId::Cit8O,
                          FieldListId::CitBr, FieldListId::OrdZu}) {
        if (formId == formIdOf(i)) return &fieldList(i);
    }
    return nullptr;
}

const FieldList& fieldList(FieldListId id) {
    static const auto lists = [] {
        std::vector<FieldList> out;
        for (FieldListId i : {FieldListId::Cit8Gen73, FieldListId::Cit8Gen72, FieldListId::Cit8O,
                              FieldListId::CitBr, FieldListId::OrdZu}) {
            out.emplace_back(forms::FormCatalogue::builtIn().form(formIdOf(i)));
        }
        return out;
    }();
    return lists[static_cast<std::size_t>(id)];
}

}  // namespace citforms::store
