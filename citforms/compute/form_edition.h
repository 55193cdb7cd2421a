#pragma once
// Position numbers of the CIT-8 editions that share one set of form rules.
//
// The rules of the CIT-8 are written once, in the positions of edition (24) (template 73).
// Edition (23) (template 72) has the same structure with its positions shifted: everything
// from the CIT-D count on sits one lower (it has no CIT-BR count), and from the lost
// reliefs on three lower (it has no CIT-BR relief and no separate deduction total).
// Edition (21) (template 70) maps only its identification, attachment counts and monthly
// advances; its statement positions are its own and its quarterly advances have their own
// positions, both named in its form files.
//
//   const FormEdition& e = *FormEdition::forTemplate(72);
//   e.position(62);   // 59: the tax-rate field of edition (23)
//   e.position(54);   // nullopt: edition (23) has no CIT-BR relief
#include <optional>
#include <string>
#include <vector>

namespace citforms::forms {
class FormDef;
}

namespace citforms::compute {

class FormEdition {
public:
    // The newest edition, whose positions the rules are written in (template 73).
    static const FormEdition& cit8Edition24();
    // The edition of a template whose declarations carry a CIT-8 (70, 72, 73, or one a kind
    // file adds); nullptr for any other template.
    static const FormEdition* forTemplate(int templateId);

    int templateId() const { return templateId_; }
    int lastField() const { return lastField_; }
    bool hasCitBr() const { return hasCitBr_; }

    // The edition's position of the edition-(24) position `p24`; nullopt when the edition
    // has no such position.
    std::optional<int> position(int p24) const;

    // Statement code of an edition-(24) statement position: "31", "145" (the edition's
    // own position number as text).
    std::string statementCode(int p24) const;

    // A position filled from the statement of `code`.
    struct StatementPosition {
        int position = 0;
        std::string code;
    };
    // Statement positions of the edition's own that edition (24) has no counterpart for, as
    // its form file names them (edition 21: 27 with code "27", … 99); empty otherwise.
    const std::vector<StatementPosition>& ownStatements() const { return ownStatements_; }
    // The CIT-8/O positions filled from statements ("O8" …) when the edition's CIT-8/O does
    // not follow CIT-8/O (11) (edition 21's CIT-8/O (8)), as its form file names them; empty
    // when it does.
    const std::vector<StatementPosition>& ownAttachmentStatements() const {
        return ownAttachmentStatements_;
    }
    // Whether CIT-8/O position `p`, filled from a statement in CIT-8/O (11), is typed by hand
    // in this edition's attachment, as its kind file says (CIT-8/O (10): position 79).
    bool attachmentTypedByHand(int p) const;

    // Quarterly advances kept apart from the monthly ones (the form file's `quarters`:
    // edition 21 83 to 90, sum 91); first == 0 when the quarter ends are monthly positions (editions 23 and 24).
    struct QuarterlyAdvances {
        int first = 0;
        int count = 0;
        int sum = 0;
    };
    const QuarterlyAdvances& quarterlyAdvances() const { return quarterly_; }

    // The edition of the CIT-8 that template `templateId` carries, as its form files say.
    explicit FormEdition(int templateId);

private:
    int templateId_;
    const forms::FormDef* main_;  // the template's CIT-8 form
    int lastField_;
    bool hasCitBr_;
    std::vector<StatementPosition> ownStatements_;
    std::vector<StatementPosition> ownAttachmentStatements_;
    QuarterlyAdvances quarterly_;
};

}  // namespace citforms::compute
