#pragma once
// The field sets and attachment lists of the open declaration (one per process).
//
// The CIT-8 set holds fields 1 and 4 to 150; a generation-72 declaration uses the part up to
// field 147. The CIT-BR set holds one attachment at a time (WCZYTAJ_CIT_BR fills it from
// `extcb`). Windows, computation and prints read and write these directly.
#include "citforms/store/attachment_rows.h"
#include "citforms/store/declaration_issues.h"
#include "citforms/store/field_set.h"

namespace citforms::store {

struct DeclarationFields {
    FieldSet cit8{FieldListId::Cit8Gen73};
    FieldSet cit8o{FieldListId::Cit8O};
    FieldSet citbr{FieldListId::CitBr};
    FieldSet ordzu{FieldListId::OrdZu};
    AttachmentRows ext;    // CIT-D rows
    AttachmentRows extcb;  // CIT-BR rows
    DeclarationIssues issues;  // of the last load and computation
};

}  // namespace citforms::store
