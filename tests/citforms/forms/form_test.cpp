// The form catalogue: every built-in form file reads, the CIT-8 editions map onto each other as
// their rules need, and malformed files are refused with the file, the line and the reason.
#include "citforms/forms/form.h"

#include <gtest/gtest.h>

#include <set>

#include "citforms/compute/form_edition.h"
#include "citforms/store/field_lists.h"

namespace citforms::forms {
namespace {

TEST(FormCatalogue, HoldsEveryFormOfEveryTemplateWithItsStorageAndVariables) {
    const FormCatalogue& c = FormCatalogue::builtIn();
    // template -> forms that must exist for it
    std::map<int, std::set<std::string>> expected = {
        {3, {"CIT-2", "CIT-O"}},         {31, {"CIT-2", "CIT-O"}},
        {32, {"CIT-2", "CIT-2/O"}},      {33, {"CIT-2", "CIT-2/O"}},
        {34, {"CIT-2", "CIT-2/O"}},      {35, {"CIT-2", "CIT-2/O"}},
        {70, {"CIT-8", "CIT-8/O", "CIT-D", "ORD-ZU"}},
        {72, {"CIT-8", "CIT-8/O", "CIT-D", "ORD-ZU"}},
        {73, {"CIT-8", "CIT-8/O", "CIT-D", "CIT-BR", "ORD-ZU"}},
        {201, {"CIT-ST", "CIT-ST-copy", "CIT-ST-window", "CIT-STA", "ORD-ZU"}}};
    std::map<int, std::set<std::string>> found;
    for (const FormDef& f : c.all()) {
        for (int t : f.templates) found[t].insert(f.name);
        EXPECT_NE(f.variablePattern.find("{n}"), std::string::npos) << f.id;
    }
    EXPECT_EQ(found, expected);

    struct Case {
        const char* id;
        std::size_t fieldCount;
        int lastField;
        const char* variable;  // of the last field
    };
    for (const Case& k : {Case{"cit8_24", 148, 150, "V150"}, Case{"cit8_23", 145, 147, "V147"},
                          Case{"cit8_21", 102, 104, "V104"}, Case{"cit8o_11", 89, 91, "V91O"},
                          Case{"citd_5", 123, 123, "V123D"}, Case{"citbr_1", 67, 67, "VBR_67"},
                          Case{"ordzu", 11, 13, "V13U"}, Case{"cit2_17", 54, 56, "V56"},
                          Case{"cit2o_1", 50, 50, "V50O"}, Case{"cit_st_7", 25, 25, "ZVST_25"}}) {
        const FormDef& f = c.form(k.id);
        EXPECT_EQ(f.fields.size(), k.fieldCount) << k.id;
        EXPECT_EQ(f.fields.back().number, k.lastField) << k.id;
        EXPECT_EQ(f.variable(k.lastField), k.variable) << k.id;
        EXPECT_EQ(f.fieldOfVariable(k.variable), k.lastField) << k.id;
    }
    EXPECT_EQ(c.form("citbr_1").storage.base, 500);
    EXPECT_EQ(c.form("citd_3").storage.lastCopy, 0);  // template 70 has no CIT-BR sheets
    EXPECT_EQ(c.form("ordzu").storage.type, "ORD-ZU");
    EXPECT_EQ(c.form("ordzu").field(13)->capacity, 3000u);
    EXPECT_EQ(c.form("cit_st_7").storage.numberWidth, 7);
    EXPECT_EQ(c.form("cit_st_7").groups.at(0).members.size(), 17u);
    EXPECT_FALSE(c.form("cit8o_11").fieldOfVariable("V92O"));
    EXPECT_FALSE(c.form("cit8o_11").fieldOfVariable("V8"));
}

TEST(FormCatalogue, EditionTwentyThreeMapsOntoTwentyFourWhereItsRulesApply) {
    const FormDef& f = FormCatalogue::builtIn().form("cit8_23");
    // (23 position, 24 position); 0 = none in edition 23
    for (auto [p23, p24] : {std::pair{1, 1}, {27, 27}, {0, 28}, {28, 29}, {52, 53}, {0, 54},
                            {0, 55}, {53, 56}, {59, 62}, {91, 94}, {142, 145}, {147, 150}}) {
        EXPECT_EQ(f.fromNewest(p24), p23 == 0 ? std::nullopt : std::optional(p23)) << p24;
        if (p23 != 0) {
            EXPECT_EQ(f.toNewest(p23), p24) << p23;
        }
    }
    // The computation sees the same through its edition.
    const auto& e23 = *compute::FormEdition::forTemplate(72);
    for (int p24 = 1; p24 <= 150; ++p24) EXPECT_EQ(e23.position(p24), f.fromNewest(p24)) << p24;
}

TEST(FormFile, MalformedFilesAreRefusedWithFileLineAndReason) {
    const std::string head = "form CIT-X edition=1\nstorage sheet=0\nvariables V{n}\n";
    struct Case {
        std::string text;
        const char* reason;  // expected within "x.form:<line>: ..."
    };
    for (const Case& k : std::vector<Case>{
             {"storage sheet=0\n", "x.form:1: the first record must be 'form'"},
             {head + "fields 4-2 text:5\n", "x.form:4: not a position or range"},
             {head + "field 4 text:0\n", "x.form:4: a capacity of characters"},
             {head + "field 4 texte\n", "x.form:4: unknown value class"},
             {head + "field 4 amount\nfield 4 day\n", "x.form:5: field 4 given twice"},
             {head + "fields 4-5 choice:\n", "x.form:4: choice needs its answers"},
             {head + "field 4 amount colour=red\n", "x.form:4:"},
             {head + "map 1-3 to=1\n", "x.form:4: map before 'newest'"},
             {head + "newest y\nmap 1-3 to=1\nmap 3-4 to=9\n", "x.form:6: map ranges overlap"},
             {head + "member 1 text:5\n", "x.form:4: member outside a group"},
             {head + "group g first=1 stride=3\nmember 4 text:5\n", "x.form:5: member index"},
             {head + "storage sheet=1\n", "x.form:4: a second 'storage' record"},
             {"form CIT-X\nstorage disk\n", "x.form:2: unknown storage"},
             {"form CIT-X\nvariables V\n", "x.form:2: variables needs a pattern"},
             {head + "bogus 1\n", "x.form:4: unknown record 'bogus'"},
             {head + "fields 4-5 amount statement=4\n", "x.form:4: a statement belongs to one"},
             {head + "quarters 83-90\n", "x.form:4:"},
             {head + "quarters 1-2 sum=3\nquarters 4-5 sum=6\n", "x.form:5: a second 'quarters'"},
             {"form CIT-X\n", "x.form: no storage record"},
         }) {
        const auto r = FormDef::parse(k.text, "x.form");
        ASSERT_FALSE(r) << k.text;
        EXPECT_EQ(r.error().rfind(k.reason, 0), 0u) << r.error();
    }
    // A map leading outside the newest form's fields is refused by the catalogue.
    const auto bad = FormCatalogue::fromFiles(
        {{"a.form", head + "fields 1-3 amount\n"},
         {"b.form", head + "fields 1-3 amount\nnewest a\nmap 1-3 to=2\n"}});
    ASSERT_FALSE(bad);
    EXPECT_NE(bad.error().find("map of position 3"), std::string::npos) << bad.error();
}

}  // namespace
}  // namespace citforms::forms
