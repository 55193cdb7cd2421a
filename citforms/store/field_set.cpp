#include "citforms/store/field_set.h"

#include <algorithm>
#include <cassert>

namespace citforms::store {

FieldSet::FieldSet(const FieldList& list) : list_(&list) {
    values_.reserve(list_->size());
    for (int number : list_->numbers()) {
        const values::FieldSpec fs = list_->fieldSpec(number);
        values_.emplace_back(fs.cls, fs.capacity);
    }
}

std::size_t FieldSet::indexOf(int number) const {
    const std::vector<int>& numbers = list_->numbers();
    auto it = std::lower_bound(numbers.begin(), numbers.end(), number);
    assert(it != numbers.end() && *it == number && "field number not on this form");
    return static_cast<std::size_t>(it - numbers.begin());
}

values::FieldValue& FieldSet::operator[](int number) {
    return values_[indexOf(number)];
}

const values::FieldValue& FieldSet::operator[](int number) const {
    return values_[indexOf(number)];
}

FieldSet::LoadResult FieldSet::loadStored(int number, std::string_view text) {
    if (!has(number)) return LoadResult::UnknownField;
    values::FieldValue& value = (*this)[number];
    // A padded field holds its text without the blanks it is stored with.
    if (list_->fieldSpec(number).padded) {
        while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    }
    if (!value.fromStored(text)) return LoadResult::Unreadable;
    if (value.fieldClass() == values::FieldClass::Text &&
        values::textLength(text) > value.capacity()) {
        return LoadResult::Cut;
    }
    return LoadResult::Loaded;
}

std::string FieldSet::stored(int number) const {
    std::string text = (*this)[number].toStored();
    const values::FieldSpec field = list_->fieldSpec(number);
    if (field.padded) {
        const std::size_t length = values::textLength(text);
        if (length < field.capacity) text.append(field.capacity - length, ' ');
    }
    return text;
}

void FieldSet::clear() {
    for (values::FieldValue& value : values_) {
        value = values::FieldValue(value.fieldClass(), value.capacity());
    }
}

void FieldSet::forEachValue(const FieldList& list,
                            const std::function<void(int, const std::string&)>& fn) const {
    for (int number : list.numbers()) fn(number, (*this)[number].toStored());
}

void FieldSet::forEachStored(const FieldList& list,
                             const std::function<void(int, const std::string&)>& fn) const {
    for (int number : list.numbers()) fn(number, stored(number));
}

}  // namespace citforms::store
