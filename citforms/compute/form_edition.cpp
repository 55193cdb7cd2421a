#include "citforms/compute/form_edition.h"

#include "citforms/forms/form.h"

namespace citforms::compute {

const FormEdition& FormEdition::cit8Edition24() {
    static const FormEdition edition(73, 150);
    return edition;
}

const FormEdition& FormEdition::cit8Edition23() {
    static const FormEdition edition(72, 147);
    return edition;
}

const FormEdition* FormEdition::forTemplate(int templateId) {
    if (templateId == 73) return &cit8Edition24();
    if (templateId == 72) return &cit8Edition23();
    return nullptr;
}

std::optional<int> FormEdition::position(int p24) const {
    if (p24 < 1 || p24 > 150) return std::nullopt;
    // The form file of the edition maps its positions onto those of edition (24).
    const forms::FormDef& form =
        forms::FormCatalogue::builtIn().form(templateId_ == 73 ? "cit8_24" : "cit8_23");
    return form.fromNewest(p24);
}

std::string FormEdition::statementCode(int p24) const {
    const auto p = position(p24);
    return p ? std::to_string(*p) : std::string();
}

}  // namespace citforms::compute
