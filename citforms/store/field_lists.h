#pragma once
// Field lists of the forms the field sets hold, as the form catalogue (citforms/forms) gives
// them: every stored field number with the class and capacity its in-memory value has. One
// list per catalogue form, made on first use and kept for the life of the process.
//
//   const FieldList& list = fieldList("cit8o_11");
//   for (int n : list.numbers()) ...   // 1, 4, 5, ..., 91
#include <cstddef>
#include <span>
#include <string_view>
#include <vector>

#include "citforms/values/field_value.h"

namespace citforms::forms {
class FormDef;
}

namespace citforms::store {

class FieldList {
public:
    explicit FieldList(const forms::FormDef& form);

    // The form's name in messages ("CIT-8", "CIT-8/O", "CIT-BR", "ORD-ZU").
    std::string_view formName() const { return formName_; }
    // The catalogue form the list was read from.
    const forms::FormDef& form() const { return *form_; }
    // Stored field numbers in ascending numeric order.
    const std::vector<int>& numbers() const { return numbers_; }
    std::size_t size() const { return numbers_.size(); }
    bool contains(int number) const;
    // Class and capacity of `number`; asserts that the list contains it.
    values::FieldSpec fieldSpec(int number) const;

private:
    const forms::FormDef* form_;
    std::string_view formName_;
    std::vector<values::FieldSpec> specs_;  // ascending by number
    std::vector<int> numbers_;
};

// The list of the catalogue form `formId` ("cit8_24"); asserts that the catalogue has it.
const FieldList& fieldList(std::string_view formId);
// The same; nullptr when the catalogue has no such form.
const FieldList* fieldListOfForm(std::string_view formId);

}  // namespace citforms::store
