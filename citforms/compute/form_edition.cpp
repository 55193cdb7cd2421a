#include "citforms/compute/form_edition.h"

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
    if (templateId_ == 73) return p24;
    // Edition (23): identification and the first attachment counts are where they are;
    // the CIT-BR count (28), the CIT-BR relief (54) and the deduction total (55) do not
    // exist; the rest moves up by one, and from the lost reliefs (56) on by three.
    if (p24 <= 27) return p24;
    if (p24 == 28 || p24 == 54 || p24 == 55) return std::nullopt;
    if (p24 <= 53) return p24 - 1;
    return p24 - 3;
}

std::string FormEdition::statementCode(int p24) const {
    const auto p = position(p24);
    return p ? std::to_string(*p) : std::string();
}

}  // namespace citforms::compute
