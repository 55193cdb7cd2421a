#include "citforms/compute/form_edition.h"

#include <algorithm>
#include <cassert>

#include "citforms/forms/form.h"

namespace citforms::compute {

namespace {

bool carries(const forms::FormDef& form, int templateId) {
    return std::find(form.templates.begin(), form.templates.end(), templateId) !=
           form.templates.end();
}

const forms::FormDef* formOf(int templateId, std::string_view name) {
    for (const forms::FormDef& form : forms::FormCatalogue::builtIn().all()) {
        if (form.name == name && carries(form, templateId)) return &form;
    }
    return nullptr;
}

}  // namespace

FormEdition::FormEdition(int templateId)
    : templateId_(templateId),
      main_(formOf(templateId, "CIT-8")),
      lastField_(main_ != nullptr ? main_->fields.back().number : 0),
      hasCitBr_(formOf(templateId, "CIT-BR") != nullptr) {
    assert(main_ != nullptr && "a CIT-8 edition needs its form file");
    // An edition whose statement positions are its own names them in its form files, with
    // the statement code of each; so do its quarterly advances kept apart.
    for (const forms::FieldDef& f : main_->fields) {
        if (!f.statement.empty()) ownStatements_.push_back({f.number, f.statement});
    }
    if (const forms::FormDef* attachment = formOf(templateId, "CIT-8/O")) {
        for (const forms::FieldDef& f : attachment->fields) {
            if (!f.statement.empty()) ownAttachmentStatements_.push_back({f.number, f.statement});
        }
    }
    if (main_->quarters) {
        const forms::QuarterRange& q = *main_->quarters;
        quarterly_ = {q.first, q.last - q.first + 1, q.sum};
    }
}

const FormEdition& FormEdition::cit8Edition24() {
    static const FormEdition edition(73);
    return edition;
}

const FormEdition& FormEdition::cit8Edition23() {
    static const FormEdition edition(72);
    return edition;
}

const FormEdition& FormEdition::cit8Edition21() {
    static const FormEdition edition(70);
    return edition;
}

const FormEdition* FormEdition::forTemplate(int templateId) {
    for (const FormEdition* e : {&cit8Edition24(), &cit8Edition23(), &cit8Edition21()}) {
        if (e->templateId() == templateId) return e;
    }
    return nullptr;
}

std::optional<int> FormEdition::position(int p24) const {
    // The form file of the edition maps its positions onto those of edition (24).
    if (p24 < 1 || p24 > cit8Edition24().lastField()) return std::nullopt;
    return main_->fromNewest(p24);
}

bool FormEdition::attachmentTypedByHand(int p) const {
    // CIT-8/O (10) has no statement for position 79.
    return templateId_ == 72 && p == 79;
}

std::string FormEdition::statementCode(int p24) const {
    const auto p = position(p24);
    return p ? std::to_string(*p) : std::string();
}

}  // namespace citforms::compute
