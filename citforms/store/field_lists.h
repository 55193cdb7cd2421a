#pragma once
// Field lists of the forms the field sets hold, as the form catalogue (citforms/forms) gives
// them: every stored field number with the class and capacity its in-memory value has.
// The CIT-8 of generation 72 uses the same variables as generation 73 for the numbers both
// have.
//
//   const FieldList& list = fieldList(FieldListId::Cit8O);
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

enum class FieldListId {
    Cit8Gen73,  // CIT-8 (24): 1 and 4 to 150
    Cit8Gen72,  // CIT-8 (23): 1 and 4 to 147
    Cit8O,      // CIT-8/O of both generations: 1 and 4 to 91
    CitBr,      // one CIT-BR attachment: 1 to 67
    OrdZu,      // ORD-ZU: 1, 2, 5 to 13
};

class FieldList {
public:
    explicit FieldList(const forms::FormDef& form);

    // The form's name in messages ("CIT-8", "CIT-8/O", "CIT-BR", "ORD-ZU").
    std::string_view formName() const { return formName_; }
    // Stored field numbers in ascending numeric order.
    const std::vector<int>& numbers() const { return numbers_; }
    std::size_t size() const { return numbers_.size(); }
    bool contains(int number) const;
    // Class and capacity of `number`; asserts that the list contains it.
    values::FieldSpec fieldSpec(int number) const;

private:
    std::string_view formName_;
    std::vector<values::FieldSpec> specs_;  // ascending by number
    std::vector<int> numbers_;
};

const FieldList& fieldList(FieldListId id);
// The catalogue id of the form a list holds ("cit8_24").
const char* formIdOf(FieldListId id);
// The list of the form `formId`; nullptr when no field set holds that form.
const FieldList* fieldListOfForm(std::string_view formId);

}  // namespace citforms::store
