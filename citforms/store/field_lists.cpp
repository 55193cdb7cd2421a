#include "citforms/store/field_lists.h"

#include <algorithm>
#include <cassert>

namespace citforms::store {

namespace {

using values::FieldClass;

constexpr FieldClass kText = FieldClass::Text;
constexpr FieldClass kAmount = FieldClass::Amount;
constexpr FieldClass kDay = FieldClass::Day;

// Fields 4 and 5 of the CIT-8 hold the digits of a day number as text; the amount fields of the
// tax calculation (57 onwards) are text too, because the computation writes them as text.
constexpr FieldRange kCit8[] = {
    {1, 1, kText, 13},    {4, 5, kText, 10},    {6, 19, kText, 255},   {20, 45, kAmount},
    {46, 48, kText, 150}, {49, 56, kText, 100}, {57, 150, kText, 255},
};

constexpr FieldRange kCit8O[] = {
    {1, 1, kText, 19},    {4, 5, kDay},      {6, 7, kText, 255},   {8, 12, kAmount},
    {13, 14, kText, 255}, {15, 17, kAmount}, {18, 91, kText, 255},
};

constexpr FieldRange kCitBr[] = {{1, 67, kText, 255}};

constexpr FieldRange kOrdZu[] = {{1, 2, kText, 255}, {5, 12, kText, 255}, {13, 13, kText, 3000}};

}  // namespace

FieldList::FieldList(std::string_view formName, std::span<const FieldRange> ranges, int lastNumber)
    : formName_(formName) {
    for (const FieldRange& range : ranges) {
        for (int n = range.first; n <= std::min(range.last, lastNumber); ++n) {
            specs_.push_back({n, range.cls, range.capacity});
            numbers_.push_back(n);
        }
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

const FieldList& fieldList(FieldListId id) {
    static const FieldList cit8Gen73("CIT-8", kCit8, 150);
    static const FieldList cit8Gen72("CIT-8", kCit8, 147);
    static const FieldList cit8O("CIT-8/O", kCit8O, 91);
    static const FieldList citBr("CIT-BR", kCitBr, 67);
    static const FieldList ordZu("ORD-ZU", kOrdZu, 13);
    switch (id) {
        case FieldListId::Cit8Gen73:
            return cit8Gen73;
        case FieldListId::Cit8Gen72:
            return cit8Gen72;
        case FieldListId::Cit8O:
            return cit8O;
        case FieldListId::CitBr:
            return citBr;
        case FieldListId::OrdZu:
            return ordZu;
    }
    assert(false && "unknown field list");
    return cit8Gen73;
}

}  // namespace citforms::store
