#include "citforms/print/declaration_variables.h"

#include "citforms/forms/form.h"

namespace citforms::print {

std::optional<std::string> DeclarationVariables::value(std::string_view name) const {
    if (name == "GGG:PRN_UPO_INFO_1") return globals_->GGG_PRN_UPO_INFO_1;
    if (name == "GGG:PRN_UPO_INFO_2") return globals_->GGG_PRN_UPO_INFO_2;
    // The form whose variable pattern the name fits ("V{n}O" takes V8O); the patterns of the
    // forms one declaration carries do not overlap.
    for (const store::HeldForm& held : fields_->forms()) {
        if (const std::optional<int> n = held.def->fieldOfVariable(name)) {
            if (held.set.has(*n)) return held.set.stored(*n);
        }
    }
    return std::nullopt;
}

}  // namespace citforms::print
