#include "citforms/store/attachment_rows.h"

#include <algorithm>
#include <iterator>

#include "citforms/values/field_value.h"

namespace citforms::store {

namespace {

bool keyBefore(const AttachmentRow& a, const AttachmentRow& b) {
    if (a.ext_nr_zalacznika != b.ext_nr_zalacznika)
        return a.ext_nr_zalacznika < b.ext_nr_zalacznika;
    return a.ext_nr_pola < b.ext_nr_pola;
}

bool copyBefore(const AttachmentRow& row, std::int32_t copy) {
    return row.ext_nr_zalacznika < copy;
}

}  // namespace

void AttachmentRows::append(std::int32_t copy, std::int32_t field, std::string_view value) {
    rows_.push_back({copy, field, values::cutText(value, kValueCapacity)});
    // A row that sorts after the last keeps the list in order (an equal key too: the order
    // among equal keys is the order they were added, as sort() keeps it).
    if (sorted_ && rows_.size() > 1 && keyBefore(rows_.back(), rows_[rows_.size() - 2]))
        sorted_ = false;
}

AttachmentRows::Iterator AttachmentRows::locate(std::int32_t copy, std::int32_t field) const {
    if (!sorted_) {
        return std::find_if(rows_.begin(), rows_.end(), [&](const AttachmentRow& r) {
            return r.ext_nr_zalacznika == copy && r.ext_nr_pola == field;
        });
    }
    const AttachmentRow key{copy, field, {}};
    auto it = std::lower_bound(rows_.begin(), rows_.end(), key, keyBefore);
    if (it != rows_.end() && !keyBefore(key, *it)) return it;
    return rows_.end();
}

std::pair<AttachmentRows::Iterator, AttachmentRows::Iterator> AttachmentRows::copyRange(
    std::int32_t copy) const {
    const auto first = std::lower_bound(rows_.begin(), rows_.end(), copy, copyBefore);
    const auto last = std::find_if(first, rows_.end(), [&](const AttachmentRow& r) {
        return r.ext_nr_zalacznika != copy;
    });
    return {first, last};
}

void AttachmentRows::set(std::int32_t copy, std::int32_t field, std::string_view value) {
    const auto it = locate(copy, field);
    if (it == rows_.end()) {
        append(copy, field, value);
    } else {
        rows_[static_cast<std::size_t>(it - rows_.begin())].ext_wartosc =
            values::cutText(value, kValueCapacity);
    }
}

const AttachmentRow* AttachmentRows::find(std::int32_t copy, std::int32_t field) const {
    const auto it = locate(copy, field);
    return it == rows_.end() ? nullptr : &*it;
}

bool AttachmentRows::hasCopy(std::int32_t copy) const {
    if (sorted_) {
        const auto [first, last] = copyRange(copy);
        return first != last;
    }
    return std::any_of(rows_.begin(), rows_.end(),
                       [&](const AttachmentRow& r) { return r.ext_nr_zalacznika == copy; });
}

std::vector<AttachmentRow> AttachmentRows::copyRows(std::int32_t copy) const {
    if (sorted_) {
        const auto [first, last] = copyRange(copy);
        return {first, last};
    }
    std::vector<AttachmentRow> out;
    std::copy_if(rows_.begin(), rows_.end(), std::back_inserter(out),
                 [&](const AttachmentRow& r) { return r.ext_nr_zalacznika == copy; });
    return out;
}

std::vector<std::int32_t> AttachmentRows::copyNumbers() const {
    std::vector<std::int32_t> out;
    out.reserve(rows_.size());
    for (const AttachmentRow& r : rows_) out.push_back(r.ext_nr_zalacznika);
    if (!sorted_) std::sort(out.begin(), out.end());
    out.erase(std::unique(out.begin(), out.end()), out.end());
    return out;
}

void AttachmentRows::sort() {
    if (sorted_) return;
    std::stable_sort(rows_.begin(), rows_.end(), keyBefore);
    sorted_ = true;
}

void AttachmentRows::clear() {
    rows_.clear();
    sorted_ = true;
}

}  // namespace citforms::store
