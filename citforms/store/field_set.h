#pragma once
// FieldSet: the in-memory values of one form of the open declaration, one value per field.
//
// A set is built over a field list (field_lists.h) and holds a values::FieldValue of the field's
// class and capacity for every number of that list. Field numbers are the form's positions;
// asking for a number the form does not have is a programmer error (asserted), while stored
// text is offered through loadStored(), which tells whether the number and the text fit.
//
//   FieldSet cit8("cit8_24");
//   cit8[31].setAmount(values::Amount::fromGrosze(12550));
//   cit8.forEachStored([&](int nr, const std::string& v) {
//       ...   // ascending numbers, text as stored in WARTOSC_POLA
//   });
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "citforms/store/field_lists.h"
#include "citforms/values/field_value.h"

namespace citforms::store {

class FieldSet {
public:
    explicit FieldSet(const FieldList& list);
    // The set of catalogue form `formId` ("cit8o_11").
    explicit FieldSet(std::string_view formId) : FieldSet(fieldList(formId)) {}

    const FieldList& list() const { return *list_; }
    bool has(int number) const { return list_->contains(number); }

    values::FieldValue& operator[](int number);
    const values::FieldValue& operator[](int number) const;

    // Text of field `number` as stored in WARTOSC_POLA (a padded field filled with blanks to
    // its capacity).
    std::string stored(int number) const;

    enum class LoadResult { Loaded, UnknownField, Unreadable, Cut };
    // Loads stored text into field `number` by its class. Unreadable: the text was not a number
    // for an amount or day field and the field now holds 0. Cut: the text was longer than the
    // field's capacity and only its beginning was kept.
    LoadResult loadStored(int number, std::string_view text);

    // Empties every field (text "", amounts 0, days 0).
    void clear();

    // Calls fn(number, stored text) for every field of `list` in ascending numeric order;
    // `list` must be this set's list or a part of it. Without an argument, the set's own list.
    void forEachStored(const FieldList& list,
                       const std::function<void(int, const std::string&)>& fn) const;
    void forEachStored(const std::function<void(int, const std::string&)>& fn) const {
        forEachStored(*list_, fn);
    }
    // The same with each value's own text, without the blanks a padded field is stored with.
    void forEachValue(const FieldList& list,
                      const std::function<void(int, const std::string&)>& fn) const;

private:
    std::size_t indexOf(int number) const;

    const FieldList* list_;
    std::vector<values::FieldValue> values_;  // in the order of list_->numbers()
};

}  // namespace citforms::store
