#pragma once
// DeclarationVariables: the print variables of the open declaration, named as each form's
// file gives them, and the host's receipt lines.
//
//   V<n>              CIT-8 position n
//   V<n>O             CIT-8/O position n (the page prints V1, V4, V5 of the CIT-8)
//   VBR_<n>           CIT-BR position n (the attachment loaded into its set)
//   V<n>U             ORD-ZU position n
//   GGG:PRN_UPO_INFO_1, GGG:PRN_UPO_INFO_2        the host's receipt lines
//
// Values are the fields' stored texts ("1234.50", day digits, the text); a name that is none
// of these, or a position its form does not have, has no value.
#include "citforms/host/globals.h"
#include "citforms/print/print_variables.h"
#include "citforms/store/declaration_fields.h"

namespace citforms::print {

class DeclarationVariables : public PrintVariables {
public:
    DeclarationVariables(const store::DeclarationFields& fields, const host::Globals& globals)
        : fields_(&fields), globals_(&globals) {}

    std::optional<std::string> value(std::string_view name) const override;

private:
    const store::DeclarationFields* fields_;
    const host::Globals* globals_;
};

}  // namespace citforms::print
