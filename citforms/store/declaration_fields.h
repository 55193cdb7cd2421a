#pragma once
// The open declaration in memory (one per process): a field set for every form its template
// carries, as the form catalogue lists them, and for a form of numbered copies (CIT-D, CIT-BR)
// the rows of all its copies beside the set of the copy being edited.
//
// Forms are found by their name ("CIT-8/O", "CIT-BR", "ORD-ZU"), which is the same in every
// edition, so code that works on "the CIT-8/O" serves every edition a kind carries. The main
// form is the one stored on sheet 0. Windows, computation and prints read and write the sets
// directly; load and save walk forms() and take sheets and ranges from each form's storage.
//
//   DeclarationFields fields(73);                 // CIT-8 (24), CIT-8/O (11), CIT-D, CIT-BR, ORD-ZU
//   fields.main()[31].setText("100");
//   fields.form("CIT-8/O")[12].setText("5");
//   fields.copies("CIT-D").set(2, 7, "Fundacja");
#include <cstdint>
#include <string_view>
#include <vector>

#include "citforms/store/attachment_rows.h"
#include "citforms/store/declaration_issues.h"
#include "citforms/store/header_stamp.h"
#include "citforms/store/field_set.h"

namespace citforms::forms {
class FormDef;
}

namespace citforms::store {

// One form of the open declaration.
struct HeldForm {
    const forms::FormDef* def;
    FieldSet set;           // the form's values; for numbered copies, the copy being edited
    AttachmentRows copies;  // numbered copies: every copy's rows
    // Numbered copies: the sheets they are stored on (copy n on def->storage.base + n);
    // lastSheet is 0 when no other form's sheets follow and the form sets no bound.
    std::int32_t firstSheet = 0;
    std::int32_t lastSheet = 0;

    bool numbered() const;
    // Highest copy number the sheets allow; 0 = no bound.
    std::int32_t lastCopy() const;
};

class DeclarationFields {
public:
    // The forms of template 73, the newest CIT-8, until hold() is given another template.
    DeclarationFields() : DeclarationFields(73) {}
    explicit DeclarationFields(std::int32_t templateId);

    // Holds the forms of `templateId`, every one empty; a template the catalogue has no forms
    // for holds none.
    void hold(std::int32_t templateId);
    std::int32_t templateId() const { return templateId_; }

    // The main form (stored on sheet 0); asserts that the kind has one.
    FieldSet& main();
    const FieldSet& main() const;
    // The form named `name`; asserts that the declaration carries it.
    FieldSet& form(std::string_view name);
    const FieldSet& form(std::string_view name) const;
    // The rows of every copy of the numbered form `name`; asserts that it is carried.
    AttachmentRows& copies(std::string_view name);
    const AttachmentRows& copies(std::string_view name) const;
    bool carries(std::string_view name) const { return find(name) != nullptr; }

    HeldForm* find(std::string_view name);
    const HeldForm* find(std::string_view name) const;
    // In storage order: sheets ascending, then the attachment texts.
    std::vector<HeldForm>& forms() { return forms_; }
    const std::vector<HeldForm>& forms() const { return forms_; }

    // The values, copies, issues and stamp of `other`, a declaration of the same template,
    // put into the forms held here; the sets keep their places, so windows over them stay
    // valid.
    void takeValues(DeclarationFields&& other);

    DeclarationIssues issues;  // of the last load and computation
    // The header as the last load, creation or save of this declaration found it; a save
    // writes only over that same declaration and version.
    std::optional<HeaderStamp> loaded;

private:
    std::int32_t templateId_ = 0;
    std::vector<HeldForm> forms_;
};

}  // namespace citforms::store
