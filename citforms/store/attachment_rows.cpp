#include "citforms/store/attachment_rows.h"

#include <algorithm>

#include "citforms/values/field_value.h"

namespace citforms::store {

void AttachmentRows::append(std::int32_t copy, std::int32_t field, std::string_view value) {
    rows_.push_back({copy, field, values::cutText(value, kValueCapacity)});
}

void AttachmentRows::set(std::int32_t copy, std::int32_t field, std::string_view value) {
    auto it = std::find_if(rows_.begin(), rows_.end(), [&](const AttachmentRow& r) {
        return r.ext_nr_zalacznika == copy && r.ext_nr_pola == field;
    });
    if (it == rows_.end()) {
        append(copy, field, value);
    } else {
        it->ext_wartosc = values::cutText(value, kValueCapacity);
    }
}

const AttachmentRow* AttachmentRows::find(std::int32_t copy, std::int32_t field) const {
    auto it = std::find_if(rows_.begin(), rows_.end(), [&](const AttachmentRow& r) {
        return r.ext_nr_zalacznika == copy && r.ext_nr_pola == field;
    });
    return it == rows_.end() ? nullptr : &*it;
}

bool AttachmentRows::hasCopy(std::int32_t copy) const {
    return std::any_of(rows_.begin(), rows_.end(),
                       [&](const AttachmentRow& r) { return r.ext_nr_zalacznika == copy; });
}

std::vector<AttachmentRow> AttachmentRows::copyRows(std::int32_t copy) const {
    std::vector<AttachmentRow> out;
    std::copy_if(rows_.begin(), rows_.end(), std::back_inserter(out),
                 [&](const AttachmentRow& r) { return r.ext_nr_zalacznika == copy; });
    return out;
}

void AttachmentRows::sort() {
    std::stable_sort(rows_.begin(), rows_.end(),
                     [](const AttachmentRow& a, const AttachmentRow& b) {
                         if (a.ext_nr_zalacznika != b.ext_nr_zalacznika) {
                             return a.ext_nr_zalacznika < b.ext_nr_zalacznika;
                         }
                         return a.ext_nr_pola < b.ext_nr_pola;
                     });
}

void AttachmentRows::clear() {
    rows_.clear();
}

}  // namespace citforms::store
