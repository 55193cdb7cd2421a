#pragma once
// Field lists of the forms kept in DEKLARACJE_POZ, described as data.
//
// A field list names the form, and gives every stored field number with its class and capacity
// as ranges of numbers. The CIT-8 of generation 72 uses the same variables as generation 73 for
// the numbers both have, so its list is the generation-73 table cut at field 147.
//
//   const FieldList& list = fieldList(FieldListId::Cit8O);
//   for (int n : list.numbers()) ...   // 1, 4, 5, ..., 91
#include <cstddef>
#include <span>
#include <string_view>
#include <vector>

#include "citforms/values/field_value.h"

namespace citforms::store {

enum class FieldListId {
    Cit8Gen73,  // CIT-8 (24): 1 and 4 to 150
    Cit8Gen72,  // CIT-8 (23): 1 and 4 to 147
    Cit8O,      // CIT-8/O of both generations: 1 and 4 to 91
    CitBr,      // one CIT-BR attachment: 1 to 67
    OrdZu,      // ORD-ZU: 1, 2, 5 to 13
};

struct FieldRange {
    int first = 0;
    int last = 0;
    values::FieldClass cls = values::FieldClass::Text;
    std::size_t capacity = 255;  // characters; meaningful for the text class only
};

class FieldList {
public:
    FieldList(std::string_view formName, std::span<const FieldRange> ranges, int lastNumber);

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

}  // namespace citforms::store
