// The shipped layouts checked against the forms they print and the procedures that print them:
// every control that shows a value names a field of its form, every stored field of the form
// is shown, a control shows a field in a way its class allows, and each print procedure's
// page bands and receipt lines are the layout's. Positions and texts are checked by the page
// drawings' boxes (page_drawing_test.cpp) and by the golden PDF cases (tests/golden/).
#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "citforms/citst/cit_st_procedures.h"
#include "citforms/forms/form.h"
#include "citforms/host/globals.h"
#include "citforms/print/cit8_prints.h"
#include "citforms/print/declaration_variables.h"
#include "citforms/print/layout_catalogue.h"
#include "citforms/store/declaration_fields.h"

namespace citforms::print {
namespace {

namespace citst = citforms::citst;

using values::FieldClass;

// A form of a template's declaration: its name ("CIT-8/O") as the declaration holds it.
using Form = std::string;
const Form kCit8 = "CIT-8";

struct PrintedForm {
    const PrintProcedure& procedure;
    int templateId;
    Form form;
    const char* formId;
    // Fields of the form printed from the CIT-8 in their place (the header the forms share).
    std::set<int> fromCit8;
    // Stored fields the print leaves to the tax office's boxes.
    std::set<int> notPrinted;
};

const std::vector<PrintedForm>& printedForms() {
    static const std::vector<PrintedForm> forms = {
        {cit8Print73(), 73, kCit8, "cit8_24", {}, {}},
        {cit8OPrint73(), 73, "CIT-8/O", "cit8o_11", {1, 4, 5}, {}},
        {cit8Print72(), 72, kCit8, "cit8_23", {}, {}},
        {cit8OPrint72(), 72, "CIT-8/O", "cit8o_10", {1, 4, 5}, {}},
        {cit8Print70(), 70, kCit8, "cit8_21", {}, {}},
        {cit8OPrint70(), 70, "CIT-8/O", "cit8o_8", {1, 4, 5}, {}},
        // The CIT-BR range stores 2 and 3 (document number, status) like any other field.
        {citBrPrint73(), 73, "CIT-BR", "citbr_1", {}, {2, 3}},
        {ordZuPrint(), 73, "ORD-ZU", "ordzu", {}, {}},
        // CIT-D: 2 is the copy number, 3 stored empty.
        {citDPrint72(), 72, "CIT-D", "citd_5", {}, {2, 3}},
        {citDPrint70(), 70, "CIT-D", "citd_3", {}, {2, 3}},
        {cit2Print35(), 35, "CIT-2", "cit2_17", {}, {}},
        {cit2OPrint35(), 35, "CIT-2/O", "cit2o_4", {}, {}},
        // Cells 2 and 3 and 170 of a CIT-ST copy are kept empty; the CIT-STA header row has
        // four cells.
        {citst::citStPrint201(), 201, "CIT-ST", "cit_st_7_copy", {}, {2, 3, 170}},
        {citst::citStaPrint201(), 201, "CIT-STA", "cit_sta_5", {}, {5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}},
        {cit2Print35Overlay(), 35, "CIT-2", "cit2_17", {}, {}},
        {cit2OPrint35Overlay(), 35, "CIT-2/O", "cit2o_4", {}, {}},
        {*olderCit2Procedure("CIT_O_Prn"), 3, "CIT-O", "cito_1", {}, {}},
        {*olderCit2Procedure("CIT_O_Prn_31"), 31, "CIT-O", "cito_2", {}, {}},
        {*olderCit2Procedure("CIT_O_Prn_32"), 32, "CIT-2/O", "cit2o_1", {}, {}},
        {*olderCit2Procedure("CIT_O_Prn_33"), 33, "CIT-2/O", "cit2o_2", {}, {}},
        {*olderCit2Procedure("CIT_O_Prn_34"), 34, "CIT-2/O", "cit2o_3", {}, {}},
        {*olderCit2Procedure("CIT_O_Prn_32_nadruk"), 32, "CIT-2/O", "cit2o_1", {}, {}},
        {*olderCit2Procedure("CIT_O_Prn_33_nadruk"), 33, "CIT-2/O", "cit2o_2", {}, {}},
        {*olderCit2Procedure("CIT_O_Prn_34_nadruk"), 34, "CIT-2/O", "cit2o_3", {}, {}},
        {olderCit2Prints()[0], 3, "CIT-2", "cit2_12", {}, {}},
        {olderCit2Prints()[1], 31, "CIT-2", "cit2_13", {}, {}},
        // CIT-2 (14): 54 and 55, like 2 and 3, are the tax office's (51 fields printed).
        {olderCit2Prints()[2], 32, "CIT-2", "cit2_14", {}, {54, 55}},
        {olderCit2Prints()[3], 33, "CIT-2", "cit2_15", {}, {}},
        {olderCit2Prints()[4], 34, "CIT-2", "cit2_16", {}, {}},
        {olderCit2Prints()[5], 32, "CIT-2", "cit2_14", {}, {54, 55}},
        {olderCit2Prints()[6], 33, "CIT-2", "cit2_15", {}, {}},
        {olderCit2Prints()[7], 34, "CIT-2", "cit2_16", {}, {}},
    };
    return forms;
}

using FieldRef = std::pair<Form, int>;

// A declaration of a template whose every field holds a text no other field holds, and the
// way back from that text to the field: what a print variable resolves to names its field.
class MarkedDeclaration {
public:
    explicit MarkedDeclaration(int templateId) : fields_(templateId) {
        int base = 1000;
        for (store::HeldForm& held : fields_.forms()) {
            mark(held.def->name, held.set, base);
            base += 1000;
        }
    }

    // The field a print variable shows, if any.
    std::optional<FieldRef> fieldOf(const std::string& variable) const {
        const DeclarationVariables variables(fields_, globals_);
        const auto value = variables.value(variable);
        if (!value) return std::nullopt;
        const auto it = owners_.find(*value);
        if (it == owners_.end()) return std::nullopt;
        return it->second;
    }

private:
    void mark(const Form& form, store::FieldSet& set, int base) {
        for (int n : set.list().numbers()) {
            const values::FieldSpec fieldClass = set.list().fieldSpec(n);
            const std::string text = fieldClass.cls == FieldClass::Text
                                         ? std::to_string(base + n) + "t"
                                         : std::to_string(base + n);
            ASSERT_EQ(set.loadStored(n, text), store::FieldSet::LoadResult::Loaded) << text;
            const bool unique = owners_.emplace(set.stored(n), FieldRef{form, n}).second;
            ASSERT_TRUE(unique) << set.stored(n);
        }
    }

    store::DeclarationFields fields_;
    host::Globals globals_;
    std::map<std::string, FieldRef> owners_;
};

bool showsValue(const Control& c) {
    return c.kind == ControlKind::Field || c.kind == ControlKind::Option ||
           c.kind == ControlKind::MultiLine;
}

bool isReceiptLine(const Control& c) { return c.variable.starts_with("GGG:PRN_UPO_INFO_"); }

TEST(LayoutsAndForms, EveryPrintedLayoutIsShippedAndEveryShippedLayoutPrinted) {
    std::set<std::string> printed;
    for (const PrintedForm& p : printedForms()) printed.insert(p.procedure.name);
    const auto shipped = shippedLayouts();
    EXPECT_EQ(printed, std::set<std::string>(shipped.begin(), shipped.end()));
}

TEST(LayoutsAndForms, EveryControlNamesAFieldOfItsFormAndEveryFieldHasAControl) {
    for (const PrintedForm& p : printedForms()) {
        const MarkedDeclaration declaration(p.templateId);
        auto layout = openLayout(p.procedure.name);
        ASSERT_TRUE(layout) << layout.error();
        std::set<int> shown;
        for (const Band& band : layout->bands()) {
            for (const Control& c : band.controls) {
                if (!showsValue(c) || isReceiptLine(c)) continue;
                // A CIT-ST copy prints cells filled from the CIT-ST's values: a control names its
                // cell by the form file's variable pattern.
                std::optional<FieldRef> field;
                if (p.templateId == 201) {
                    const auto cell =
                        forms::FormCatalogue::builtIn().form(p.formId).fieldOfVariable(c.variable);
                    if (cell) field = FieldRef{p.form, *cell};
                } else {
                    field = declaration.fieldOf(c.variable);
                }
                ASSERT_TRUE(field) << p.procedure.name << ": " << c.name << " (line " << c.line
                                   << ") shows no field";
                const auto [form, number] = *field;
                if (form == kCit8 && p.fromCit8.contains(number)) {
                    shown.insert(number);
                    continue;
                }
                EXPECT_EQ(form, p.form) << p.procedure.name << ": " << c.name
                                        << " shows a field of another form";
                EXPECT_TRUE(shown.insert(number).second)
                    << p.procedure.name << ": field " << number << " is printed twice ("
                    << c.name << ")";

                // What the control prints agrees with what the field holds.
                const values::FieldSpec fieldClass = store::fieldList(p.formId).fieldSpec(number);
                if (fieldClass.cls == FieldClass::Amount) {
                    EXPECT_EQ(c.type.kind, VariableType::Kind::Decimal) << c.name;
                }
                if (fieldClass.cls == FieldClass::Day) {
                    EXPECT_TRUE(c.picture.starts_with("D")) << c.name << " " << c.picture;
                }
            }
        }
        std::set<int> printable;
        for (int n : store::fieldList(p.formId).numbers()) {
            if (!p.notPrinted.contains(n)) printable.insert(n);
        }
        EXPECT_EQ(shown, printable) << p.procedure.name << " does not print every field of its form";
    }
}

TEST(LayoutsAndForms, ReceiptLinesAreTheHostsTwoLinesOnTheFirstPage) {
    for (const PrintedForm& p : printedForms()) {
        auto layout = openLayout(p.procedure.name);
        ASSERT_TRUE(layout) << layout.error();
        for (int n : receiptControls(*layout)) {
            EXPECT_EQ(layout->bandOf(n)->number, layout->pageBands().front()) << p.procedure.name;
        }
    }
}

// A radio marks one answer of its option's field: it belongs to an option of its own band,
// and no two radios of an option mark the same answer.
TEST(LayoutsAndForms, RadiosFollowTheirOptionWithDistinctAnswers) {
    for (const PrintedForm& p : printedForms()) {
        auto layout = openLayout(p.procedure.name);
        ASSERT_TRUE(layout) << layout.error();
        for (const Band& band : layout->bands()) {
            std::map<int, std::set<std::string>> answers;  // option number -> radio values
            for (const Control& c : band.controls) {
                if (c.kind != ControlKind::Radio) continue;
                const Control* option = layout->control(c.option);
                ASSERT_NE(option, nullptr) << c.name;
                EXPECT_EQ(option->kind, ControlKind::Option) << c.name;
                EXPECT_EQ(layout->bandOf(c.option), &band) << c.name;
                EXPECT_TRUE(c.name.starts_with(option->name + ":")) << c.name;
                EXPECT_FALSE(c.text.empty()) << c.name;
                EXPECT_TRUE(answers[c.option].insert(c.text).second)
                    << c.name << " repeats the answer " << c.text;
            }
        }
    }
}

}  // namespace
}  // namespace citforms::print
