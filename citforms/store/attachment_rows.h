#pragma once
// The attachment-row lists of the open declaration: `ext` (CIT-D) and `extcb` (CIT-BR).
//
// A row is one field of one attachment copy: the copy number (n of CIT-D n / CIT-BR n), the
// field number and its value as text of up to 255 characters. Rows are kept in the order they
// were added until sort() orders them by (copy, field); lookups work in either state. The list
// knows whether it is in order: sorting a sorted list costs nothing, and lookups in a sorted
// list are binary searches, so reading copy after copy of a large attachment stays linear.
//
//   AttachmentRows ext;
//   ext.append(3, 7, "Fundacja");
//   if (const AttachmentRow* row = ext.find(3, 7)) use(row->ext_wartosc);
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace citforms::store {

// Column names follow the CIT-D list; the CIT-BR list (extcb) uses the same row.
struct AttachmentRow {
    std::int32_t ext_nr_zalacznika = 0;  // copy number n
    std::int32_t ext_nr_pola = 0;        // field number on the attachment
    std::string ext_wartosc;             // value, up to kValueCapacity characters

    bool operator==(const AttachmentRow&) const = default;
};

class AttachmentRows {
public:
    static constexpr std::size_t kValueCapacity = 255;

    // Adds a row at the end (the value is cut to kValueCapacity characters).
    void append(std::int32_t copy, std::int32_t field, std::string_view value);
    // Sets the value of (copy, field), adding the row when there is none.
    void set(std::int32_t copy, std::int32_t field, std::string_view value);
    // First row of (copy, field); nullptr when there is none.
    const AttachmentRow* find(std::int32_t copy, std::int32_t field) const;
    bool hasCopy(std::int32_t copy) const;
    // Rows of one copy, in list order.
    std::vector<AttachmentRow> copyRows(std::int32_t copy) const;
    // The copy numbers that have rows, ascending, each once.
    std::vector<std::int32_t> copyNumbers() const;

    // Orders the rows by copy number, then field number (stable for equal keys); nothing to do
    // when no row was added out of order since the last sort.
    void sort();
    bool sorted() const { return sorted_; }
    void clear();

    const std::vector<AttachmentRow>& rows() const { return rows_; }
    std::size_t size() const { return rows_.size(); }
    bool empty() const { return rows_.empty(); }

private:
    using Iterator = std::vector<AttachmentRow>::const_iterator;
    Iterator locate(std::int32_t copy, std::int32_t field) const;
    // The rows of one copy in a sorted list.
    std::pair<Iterator, Iterator> copyRange(std::int32_t copy) const;

    std::vector<AttachmentRow> rows_;
    bool sorted_ = true;  // rows_ in (copy, field) order
};

}  // namespace citforms::store
