// Field lists and field sets of the stored forms.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "citforms/store/attachment_rows.h"
#include "citforms/store/field_set.h"

namespace citforms::store {
namespace {

using values::FieldClass;

TEST(FieldLists, EachFormStoresItsNumbers) {
    struct Case {
        std::string_view id;
        std::size_t count;
        int first, second, last;
    };
    const Case cases[] = {
        {"cit8_24", 148, 1, 4, 150}, {"cit8_23", 145, 1, 4, 147},
        {"cit8o_11", 89, 1, 4, 91},       {"citbr_1", 67, 1, 2, 67},
        {"ordzu", 11, 1, 2, 13},
    };
    for (const Case& c : cases) {
        const std::vector<int>& numbers = fieldList(c.id).numbers();
        ASSERT_EQ(numbers.size(), c.count);
        EXPECT_EQ(numbers[0], c.first);
        EXPECT_EQ(numbers[1], c.second);
        EXPECT_EQ(numbers.back(), c.last);
        EXPECT_TRUE(std::is_sorted(numbers.begin(), numbers.end()));
    }
    EXPECT_FALSE(fieldList("ordzu").contains(3));
    EXPECT_FALSE(fieldList("cit8_24").contains(2));
}

TEST(FieldLists, ClassesAndCapacitiesAtTheRangeBorders) {
    struct Case {
        std::string_view id;
        int number;
        FieldClass cls;
        std::size_t capacity;  // text only
    };
    const Case cases[] = {
        {"cit8_24", 1, FieldClass::Text, 13},
        {"cit8_24", 5, FieldClass::Text, 10},
        {"cit8_24", 19, FieldClass::Text, 255},
        {"cit8_24", 20, FieldClass::Amount, 0},
        {"cit8_24", 45, FieldClass::Amount, 0},
        {"cit8_24", 46, FieldClass::Text, 150},
        {"cit8_24", 56, FieldClass::Text, 100},
        {"cit8_24", 57, FieldClass::Text, 255},
        {"cit8_23", 147, FieldClass::Text, 255},
        {"cit8o_11", 1, FieldClass::Text, 19},
        {"cit8o_11", 4, FieldClass::Day, 0},
        {"cit8o_11", 7, FieldClass::Text, 255},
        {"cit8o_11", 8, FieldClass::Amount, 0},
        {"cit8o_11", 14, FieldClass::Text, 255},
        {"cit8o_11", 17, FieldClass::Amount, 0},
        {"cit8o_11", 18, FieldClass::Text, 255},
        {"ordzu", 12, FieldClass::Text, 255},
        {"ordzu", 13, FieldClass::Text, 3000},
    };
    for (const Case& c : cases) {
        const values::FieldSpec fs = fieldList(c.id).fieldSpec(c.number);
        EXPECT_EQ(fs.cls, c.cls) << c.number;
        if (c.cls == FieldClass::Text) {
            EXPECT_EQ(fs.capacity, c.capacity) << c.number;
        }
    }
}

TEST(FieldSet, StoredTextOfEachClassAndCutToCapacity) {
    FieldSet cit8("cit8_24");
    EXPECT_EQ(cit8.loadStored(1, "52600012345678"), FieldSet::LoadResult::Cut);
    EXPECT_EQ(cit8.stored(1), "5260001234567");  // 13 characters
    EXPECT_EQ(cit8.loadStored(20, "12.5"), FieldSet::LoadResult::Loaded);
    EXPECT_EQ(cit8.stored(20), "12.50");
    EXPECT_EQ(cit8.loadStored(21, "dwa"), FieldSet::LoadResult::Unreadable);
    EXPECT_EQ(cit8.stored(21), "0.00");
    EXPECT_EQ(cit8.loadStored(2, "x"), FieldSet::LoadResult::UnknownField);
    EXPECT_EQ(cit8.stored(22), "0.00");  // an amount never set
    cit8.clear();
    EXPECT_EQ(cit8.stored(1), "");
    EXPECT_EQ(cit8.stored(20), "0.00");
}

TEST(FieldSet, SaveOrderIsAscendingOverTheChosenList) {
    FieldSet cit8("cit8_24");
    cit8[150].setText("last of (24)");
    cit8[147].setText("last of (23)");
    std::vector<int> numbers;
    std::string lastValue;
    cit8.forEachStored(fieldList("cit8_23"), [&](int n, const std::string& v) {
        numbers.push_back(n);
        lastValue = v;
    });
    EXPECT_EQ(numbers, fieldList("cit8_23").numbers());
    EXPECT_EQ(lastValue, "last of (23)");
}

TEST(AttachmentRows, LookupByCopyAndFieldInEitherOrder) {
    AttachmentRows rows;
    rows.append(2, 10, "b");
    rows.append(1, 7, "a");
    rows.append(2, 3, std::string(300, 'x'));
    rows.set(1, 7, "A");
    rows.set(3, 1, "new");

    EXPECT_EQ(rows.find(1, 7)->ext_wartosc, "A");
    EXPECT_EQ(rows.find(2, 3)->ext_wartosc.size(), 255u);
    EXPECT_EQ(rows.find(2, 7), nullptr);
    EXPECT_TRUE(rows.hasCopy(3));
    EXPECT_FALSE(rows.hasCopy(4));

    rows.sort();
    std::vector<std::pair<int, int>> keys;
    for (const AttachmentRow& r : rows.rows())
        keys.emplace_back(r.ext_nr_zalacznika, r.ext_nr_pola);
    EXPECT_EQ(keys, (std::vector<std::pair<int, int>>{{1, 7}, {2, 3}, {2, 10}, {3, 1}}));
    EXPECT_EQ(rows.copyRows(2).size(), 2u);
}

// Once sorted, lookups search; rows added afterwards in or out of order are still found, and
// the first of two rows with one key stays the one found.
TEST(AttachmentRows, SortedListsStaySearchableAsRowsAreAdded) {
    AttachmentRows rows;
    for (int copy : {5, 1, 3}) {
        for (int field : {9, 2}) rows.append(copy, field, std::to_string(copy * 10 + field));
    }
    rows.append(3, 2, "second 3/2");
    EXPECT_FALSE(rows.sorted());
    rows.sort();
    EXPECT_TRUE(rows.sorted());
    EXPECT_EQ(rows.find(3, 2)->ext_wartosc, "32");
    EXPECT_FALSE(rows.hasCopy(2));
    EXPECT_FALSE(rows.hasCopy(6));
    EXPECT_EQ(rows.copyRows(3).size(), 3u);
    EXPECT_EQ(rows.copyRows(4).size(), 0u);

    rows.append(7, 1, "in order");
    EXPECT_TRUE(rows.sorted());
    rows.append(2, 4, "out of order");
    EXPECT_FALSE(rows.sorted());
    EXPECT_EQ(rows.find(2, 4)->ext_wartosc, "out of order");
    EXPECT_EQ(rows.find(7, 1)->ext_wartosc, "in order");
    rows.set(5, 9, "changed");
    rows.sort();
    EXPECT_EQ(rows.find(5, 9)->ext_wartosc, "changed");
    EXPECT_EQ(rows.find(2, 4)->ext_wartosc, "out of order");
    EXPECT_EQ(rows.copyNumbers(), (std::vector<std::int32_t>{1, 2, 3, 5, 7}));
    EXPECT_EQ(rows.copyRows(1).front().ext_nr_pola, 2);
}

}  // namespace
}  // namespace citforms::store
