#pragma once
// DeclarationVariables: the print variables of the CIT-8 family, read from the open
// declaration's field sets and the host's receipt lines.
//
//   V<n>              CIT-8 position n            (fields.cit8)
//   V<n>O             CIT-8/O position n          (fields.cit8o); V1, V4, V5 are the CIT-8's
//   VBR_<n>           CIT-BR position n           (fields.citbr, the attachment loaded)
//   V<n>U             ORD-ZU position n           (fields.ordzu)
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
