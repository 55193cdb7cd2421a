// One CIT-BR attachment from the extcb list into the CIT-BR field set.
#include <gtest/gtest.h>

#include <string>

#include "citforms/store/declaration_load.h"

namespace citforms::store {
namespace {

class CitBrLoad : public ::testing::Test {
protected:
    CitBrLoad() {
        fields.main()[1].setText("5260001234");
        fields.main()[4].setText("81000");
        fields.main()[5].setText("81364");
        fields.main()[8].setText("Spółka Badawcza sp. z o.o.");
        fields.main()[9].setText("012345678");
        fields.form("CIT-BR")[30].setText("left from another attachment");
    }
    DeclarationFields fields;
};

TEST_F(CitBrLoad, FirstNewAttachmentTakesTheTaxpayerFromTheCit8) {
    WCZYTAJ_CIT_BR(fields, 1, 2);

    const FieldSet& br = fields.form("CIT-BR");
    EXPECT_EQ(br.stored(1), "5260001234");
    EXPECT_EQ(br.stored(2), "1");
    EXPECT_EQ(br.stored(4), "81000");
    EXPECT_EQ(br.stored(5), "81364");
    EXPECT_EQ(br.stored(6), "1/2");
    EXPECT_EQ(br.stored(7), "Spółka Badawcza sp. z o.o.");
    EXPECT_EQ(br.stored(8), "012345678");
    EXPECT_EQ(br.stored(9), "2");
    for (int f = 10; f <= 20; ++f) EXPECT_EQ(br.stored(f), "0") << f;
    EXPECT_EQ(br.stored(21), "2");
    EXPECT_EQ(br.stored(22), "2");
    EXPECT_EQ(br.stored(23), "0");
    EXPECT_EQ(br.stored(3), "");
    EXPECT_EQ(br.stored(30), "");
}

TEST_F(CitBrLoad, LaterNewAttachmentLeavesNameAndRegonEmpty) {
    WCZYTAJ_CIT_BR(fields, 2, 3);

    EXPECT_EQ(fields.form("CIT-BR").stored(1), "5260001234");
    EXPECT_EQ(fields.form("CIT-BR").stored(2), "2");
    EXPECT_EQ(fields.form("CIT-BR").stored(6), "2/3");
    EXPECT_EQ(fields.form("CIT-BR").stored(7), "");
    EXPECT_EQ(fields.form("CIT-BR").stored(8), "");
    EXPECT_EQ(fields.form("CIT-BR").stored(9), "2");
}

TEST_F(CitBrLoad, StoredAttachmentIsCopiedFieldByFieldWithFreshNumbering) {
    fields.copies("CIT-BR").append(2, 19, "1500.00");
    fields.copies("CIT-BR").append(1, 19, "other attachment");
    fields.copies("CIT-BR").append(2, 2, "7");  // stale numbering: renumbered below
    fields.copies("CIT-BR").append(2, 6, "7/9");
    fields.copies("CIT-BR").append(2, 1, "9990001111");
    fields.copies("CIT-BR").append(2, 99, "no such field");

    WCZYTAJ_CIT_BR(fields, 2, 3);

    const FieldSet& br = fields.form("CIT-BR");
    EXPECT_EQ(br.stored(1), "9990001111");
    EXPECT_EQ(br.stored(2), "2");
    EXPECT_EQ(br.stored(6), "2/3");
    EXPECT_EQ(br.stored(19), "1500.00");
    EXPECT_EQ(br.stored(9), "");  // no defaults for a stored attachment
    EXPECT_EQ(br.stored(30), "");
    // The list is left sorted by attachment and field.
    EXPECT_EQ(fields.copies("CIT-BR").rows().front().ext_nr_zalacznika, 1);
    EXPECT_EQ(fields.copies("CIT-BR").rows()[1].ext_nr_pola, 1);
}

}  // namespace
}  // namespace citforms::store
