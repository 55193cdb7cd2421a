#pragma once
// The declaration kinds as data: one kind file per edition beside the form files
// (citforms/forms/*.kind, built into the library; the format is docs/forms.md), plus those of
// a folder named by CITFORMS_KINDS_DIR, so that an edition can be added without code.
//
// A kind file gives the template, its family and edition label, the periods its edition is
// proposed for, the forms its declarations carry, its prints (and what the PDF export
// composes), its windows, the procedures that load, compute and save it, and the positions
// the host reads: tax due, amount to pay, overpaid, the transfer's amount.
//
//   const KindFile* k = kindFile(73);
//   k->edition;          // "24"
//   k->pdf[3].print;     // "CIT_O_Prn_73"
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "citforms/values/day_number.h"
#include "citforms/values/result.h"

namespace citforms::forms {

// One print of the PDF export: the procedure, when it is printed (the main form's field
// `field` above 0, or equal to `equals` when that is not 0; field 0: always), and for a
// numbered attachment the form whose copies 1..N (N = the field's whole part) it prints.
struct PdfStep {
    std::string print;
    int field = 0;
    int equals = 0;
    std::string perCopyOf;
};

// The bank transfer of what a declaration leaves to pay (the host's UP_PRZELEW): the main
// form's position of the amount, and the form symbol and the period of the transfer's title
// ("CIT8" for a year, "CIT2" for a month). No amount position: the kind has no transfer.
struct TransferData {
    int amountField = 0;
    std::string formSymbol;
    bool monthly = false;
};

// Main-form positions of what a return comes to; 0 where the edition has none.
struct ResultPositions {
    int taxDue = 0;      // the tax due on the income
    int taxForYear = 0;  // the tax due for the year after deductions
    int toPay = 0;       // the difference to pay
    int overpaid = 0;    // the difference overpaid
};

struct KindFile {
    std::int32_t templateId = 0;
    std::string family;      // "CIT-8", "CIT-2", "CIT-ST"
    std::string edition;     // "24"
    std::string procedures;  // "cit8", "cit2", "cit2-advances", "cit-st"
    // The periods the edition is proposed for (inclusive; nullopt: unbounded). A kind of
    // neither bound is proposed only as its family's `fallback` when no dated edition applies.
    std::optional<values::DayNumber> from;
    std::optional<values::DayNumber> until;
    bool fallback = false;
    std::vector<std::string> forms;  // form catalogue ids, the main form first
    std::string mainPrint;
    std::vector<PdfStep> pdf;
    std::vector<std::string> windows;  // the main window first
    int zeroedOnCreation = 0;          // main-form field a new declaration starts at 0
    std::vector<int> attachmentTypedByHand;  // CIT-8/O positions without a statement
    ResultPositions results;
    TransferData transfer;
    std::string fileName;

    // Whether the edition is proposed for a period by its dates (a fallback kind is not).
    bool proposedFor(values::DayNumber period) const;

    // Reads a kind file; a malformed one fails with "<file>:<line>: <reason>".
    static values::Result<KindFile> parse(std::string_view text, std::string_view fileName);
};

// Every kind: the built-in files, then those of the folder CITFORMS_KINDS_DIR (when set), by
// template id. A built-in file that cannot be read aborts (the tests catch it); a file of the
// folder that cannot be read, or that repeats a template, is named on stderr and left out.
const std::vector<KindFile>& kindFiles();
// The kind file of a template; nullptr when there is none.
const KindFile* kindFile(std::int32_t templateId);

}  // namespace citforms::forms
