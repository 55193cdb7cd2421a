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

#include "citforms/host/globals.h"
#include "citforms/print/cit8_prints.h"
#include "citforms/print/declaration_variables.h"
#include "citforms/print/layout_catalogue.h"
#include "citforms/store/declaration_fields.h"

namespace citforms::print {
namespace {

using values::FieldClass;

enum class Form { Cit8, Cit8O, CitBr, OrdZu, Cit2, Cit2O };

struct PrintedForm {
    const PrintProcedure& procedure;
    Form form;
    const char* formId;
    // Fields of the form printed from the CIT-8 in their place (the header the forms share).
    std::set<int> fromCit8;
    // Stored fields the print leaves to the tax office's boxes.
    std::set<int> notPrinted;
    // The template of the declaration the print serves.
    std::int32_t templateId = 73;
};

const std::vector<PrintedForm>& printedForms() {
    static const std::vector<PrintedForm> forms = {
        {cit8Print73(), Form::Cit8, "cit8_24", {}, {}},
        {cit8OPrint73(), Form::Cit8O, "cit8o_11", {1, 4, 5}, {}},
        // The CIT-BR range stores 2 and 3 (document number, status) like any other field.
        {citBrPrint73(), Form::CitBr, "citbr_1", {}, {2, 3}},
        {ordZuPrint(), Form::OrdZu, "ordzu", {}, {}},
        {cit2Print35(), Form::Cit2, "cit2_17", {}, {}, 35},
        {cit2OPrint35(), Form::Cit2O, "cit2o_4", {}, {}, 35},
        {cit2Print35Overlay(), Form::Cit2, "cit2_17", {}, {}, 35},
        {cit2OPrint35Overlay(), Form::Cit2O, "cit2o_4", {}, {}, 35},
    };
    return forms;
}

using FieldRef = std::pair<Form, int>;

// A declaration whose every field holds a text no other field holds, and the way back from
// that text to the field: what a print variable resolves to names its field.
class MarkedDeclaration {
public:
    explicit MarkedDeclaration(std::int32_t templateId) : fields_(templateId) {
        if (templateId == 35) {
            mark(Form::Cit2, fields_.main());
            mark(Form::Cit2O, fields_.form("CIT-2/O"));
            return;
        }
        mark(Form::Cit8, fields_.main());
        mark(Form::Cit8O, fields_.form("CIT-8/O"));
        mark(Form::CitBr, fields_.form("CIT-BR"));
        mark(Form::OrdZu, fields_.form("ORD-ZU"));
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

    const store::FieldSet& set(Form form) const {
        switch (form) {
            case Form::Cit8: return fields_.main();
            case Form::Cit8O: return fields_.form("CIT-8/O");
            case Form::CitBr: return fields_.form("CIT-BR");
            case Form::Cit2: return fields_.main();
            case Form::Cit2O: return fields_.form("CIT-2/O");
            case Form::OrdZu: break;
        }
        return fields_.form("ORD-ZU");
    }

private:
    void mark(Form form, store::FieldSet& set) {
        const int base = (static_cast<int>(form) + 1) * 1000;
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
                const auto field = declaration.fieldOf(c.variable);
                ASSERT_TRUE(field) << p.procedure.name << ": " << c.name << " (line " << c.line
                                   << ") shows no field";
                const auto [form, number] = *field;
                if (form == Form::Cit8 && p.fromCit8.contains(number)) {
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
