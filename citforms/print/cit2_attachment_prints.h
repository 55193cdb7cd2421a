#pragma once
// The prints of the CIT-2 attachments of templates 3 and 31 to 34: CIT-O (1) and (2), CIT-2/O
// (1) to (3) as the whole form (`CIT_O_Prn`, `CIT_O_Prn_31` … `CIT_O_Prn_34`) and, for 32 to
// 34, onto pre-printed paper (`CIT_O_Prn_32_nadruk` … `CIT_O_Prn_34_nadruk`). Each prints the
// attachment's field set through the print pipeline; the choice between the two is
// print::formPrintFor's.
//
//   if (FormPrint p = cit2AttachmentPrintOf("CIT_O_Prn_33")) p(env, fields);
#include <string_view>

#include "citforms/print/print_pipeline.h"
#include "citforms/store/declaration_fields.h"

namespace citforms::print {

// The procedure named `name` with its offsets; nullptr when `name` is none of these prints.
const PrintProcedure* cit2AttachmentProcedure(std::string_view name);

using AttachmentPrint = int (*)(const PrintEnvironment&, const store::DeclarationFields&);
// The print `name`; nullptr when it is none of these.
AttachmentPrint cit2AttachmentPrintOf(std::string_view name);

}  // namespace citforms::print
