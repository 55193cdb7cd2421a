#pragma once
// The module's one automation entry (exported as citforms_automation): a request and its reply,
// each a JSON object. A verb is one row of the verb table in automation_entry.cpp; a new verb
// needs no new symbol.
//
//   {"verb":"new-cit8","yearStart":D,"yearEnd":D,"edition":"24","copyFrom":0}
//        a new CIT-8 of the current company (DANE_ID_FIRMY) for the fiscal year
//        [yearStart, yearEnd] (day numbers), made and saved as the parameters window does;
//        edition "24", "23", "21" or "" (or absent) for the proposed one; copyFrom the
//        declaration whose statement definitions are copied (absent or 0: the default set);
//        "fill":1 follows the computation with what the person does in the window
//        (workflows/automation.h, fillAsInWindow)
//        -> {"ok":true,"id":N} (with "fill":1 also "filled":["advances\tmonthly\t…",…])
//   {"verb":"new-cit2","yearStart":D,"yearEnd":D,"period":D,"edition":"17","copyFrom":0}
//        a new CIT-2 of the current company for the month of `period` (a day number) in the
//        fiscal year [yearStart, yearEnd]; edition "12" to "17" or "" for the template valid
//        for the period -> {"ok":true,"id":N}
//   {"verb":"compute","id":N}   statements again (the compute button), then the save;
//        "fill":1 puts fillAsInWindow() between them (a CIT-8)
//   {"verb":"recalc","id":N}    company data afresh and every form rule ("Odśwież"), the save
//        -> {"ok":true,"id":N}
//   {"verb":"dump","id":N}      the declaration through the module's own load
//        -> {"ok":true,"declaration":{"id":N,"template":T,"cit8":{…},…}}
//           (shell/declaration_json.h gives the object)
//   {"verb":"pdf","id":N,"file":"out.pdf","template":T}
//        the CIT-8 with its attachments in one PDF, as ZAPISZ_CIT8_DO_PDF makes it (a CIT-2,
//        which the export refuses, from its print procedures: the return and its CIT-O);
//        without "template" the declaration's own template is read from its header
//        -> {"ok":true,"id":N,"file":"out.pdf"}
//   {"verb":"summary","id":N}   the tax due, to pay and overpaid of a stored CIT-8
//        (shell/declaration_summary.h gives the positions of each edition)
//        -> {"ok":true,"id":N,"template":T,"form":"cit8_24","taxDue":"1234.00",
//            "toPay":"1234.00","overpaid":"0.00"} (null where the edition has no such position)
//   {"verb":"check","id":N,"statements":1}
//        the pre-filing check of stored declaration N (check/declaration_check.h); with
//        "statements":0 the statement messages are taken as KOMUNIKAT holds them instead of
//        running the statements again
//        -> {"ok":true,"check":{"id":N,"template":T,"checked":true,"note":"","errors":E,
//            "warnings":W,"items":[…]}} (check/check_item.h); a declaration that cannot be
//           read -> {"ok":false,"error":"…"}
//   {"verb":"open-window","window":"CIT_8_73","id":N,"copy":n,"count":N}
//        (PARAM_CIT2 also takes "date" and "kind": "CIT-8", the default, or "CIT-2")
//        the module's window `window` on the UI the host bound, modally; with "id" the stored
//        declaration N is loaded first (else the open declaration is shown); "copy" and
//        "count" pick the copy of a numbered attachment (CIT_BR_73); "existing" (default 1)
//        and "unchanged" (default 1) are the main window's arguments: 0 and 0 open it as on a
//        declaration prepared just before (closing without a save removes it); "focus"
//        (a position) with "focusForm" (its form, default the window's own) opens the main
//        window with the cursor where "Przejdź" of the check puts it for such an item; without
//        "window" (but with "id") the declaration's own window opens, as DEKLARACJE_CIT_POKAZ
//        shows it
//        -> {"ok":true,"window":"CIT_8_73","result":R} when the window has closed
//        ("UP_PRZELEW" with "id": the "Przelew" of that stored declaration, the host's
//        transfer window filled as the declaration's kind says; "result" is 0)
//   {"verb":"statement-roles","id":N}
//        what each statement code of declaration N's template holds: for every definition
//        button of its windows ("D" beside a position), the code it opens and the role of the
//        position in the form file (the host's statement definitions window shows it beside
//        the bare code)
//        -> {"ok":true,"id":N,"template":T,"roles":[{"code":"O8","role":"…"},…]}
//   {"verb":"correct","id":N,"justify":0}
//        the correction of filed or locked CIT-8 N (of its newest correction when it was
//        corrected already), made and saved (shell/correction.h); "justify":1 fills the
//        ORD-ZU justification with the positions that differ
//        -> {"ok":true,"id":NEW,"notes":["corrects\t5","justify\t3 positions",…]}
//   {"verb":"justify","id":N}   the ORD-ZU justification of correction N (not yet filed or
//        locked) listing what differs from the return it corrects, saved
//        -> {"ok":true,"id":N,"notes":[…]}
//   {"verb":"diff","first":N,"second":M}
//        the positions that differ between two declarations of one template
//        -> {"ok":true,"first":N,"second":M,"changes":[{"form":"CIT-8","copy":0,
//            "position":31,"where":"Poz. 31","before":"…","after":"…","shownBefore":"…",
//            "shownAfter":"…"},…]}
//   {"verb":"kinds"}
//        every declaration kind the module serves, from its kind files
//        -> {"ok":true,"kinds":[{"template":73,"family":"CIT-8","edition":"24",
//            "from":D,"until":null,"served":true,"mainForm":"cit8_24","windows":["CIT_8_73",…],
//            "taxDue":65,"taxForYear":67,"toPay":95,"overpaid":96,
//            "transfer":{"amount":95,"symbol":"CIT8","period":"year"}},…]}
//           ("from"/"until": the periods the edition is proposed for, day numbers or null;
//           a position the edition lacks is null, a kind without a transfer has none)
//
//   {"verb":"explain","id":N,"form":"CIT-8/O","position":P,"deep":1,"postings":1,
//    "account":"700-01","offset":0,"limit":100,"count":1}
//        where the amount of position P of form "form" (absent: the main form) comes from
//        (explain/position_explanation.h); "deep":1 explains the inputs of a rule in turn;
//        "postings":1 asks the host for a page of postings behind a statement (of "account",
//        or of every account the statement takes; "count":1 also counts them all)
//        -> {"ok":true,"explanation":{"position":P,"value":"…","kind":"statement",…}}
//
// Anything else — a text that is not a JSON object, an unknown verb, a missing or mistyped
// member, a whole number beyond 32 bits, no host bound, or work that failed — is answered
//   {"ok":false,"error":"…"}
// and changes nothing the failed work would not have changed. Where the work itself failed
// (a locked declaration, an SQL error) the module has shown its reason to the user as the
// windows do; the error names what was not done.
#include <string>
#include <string_view>
#include <vector>

#include "citforms/state/module_state.h"

namespace citforms::module {

// The reply to `requestJson` (nullptr is answered as a malformed request). Never throws for
// anything in the request; an exception from the work is logged and answered as a failure.
std::string automationReply(ModuleState& module, const char* requestJson);

// The verbs of the table, in its order.
std::vector<std::string_view> automationVerbs();

}  // namespace citforms::module
