#include "citforms/compute/form_edition.h"

#include <algorithm>
#include <cassert>
#include <map>

#include "citforms/forms/form.h"
#include "citforms/forms/kind_file.h"

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

const FormEdition* FormEdition::forTemplate(int templateId) {
    // Every template whose declarations carry a CIT-8 form is an edition: those of the
    // built-in form files and those a kind file adds.
    static const std::map<int, FormEdition> editions = [] {
        std::map<int, FormEdition> all;
        for (const forms::FormDef& form : forms::FormCatalogue::builtIn().all()) {
            if (form.name != "CIT-8") continue;
            for (int t : form.templates) all.emplace(t, FormEdition(t));
        }
        return all;
    }();
    const auto it = editions.find(templateId);
    return it == editions.end() ? nullptr : &it->second;
}

std::optional<int> FormEdition::position(int p24) const {
    // The form file of the edition maps its positions onto those of edition (24).
    if (p24 < 1 || p24 > cit8Edition24().lastField()) return std::nullopt;
    return main_->fromNewest(p24);
}

bool FormEdition::attachmentTypedByHand(int p) const {
    const forms::KindFile* kind = forms::kindFile(templateId_);
    return kind != nullptr && std::find(kind->attachmentTypedByHand.begin(),
                                        kind->attachmentTypedByHand.end(),
                                        p) != kind->attachmentTypedByHand.end();
}

std::string FormEdition::statementCode(int p24) const {
    const auto p = position(p24);
    return p ? std::to_string(*p) : std::string();
}

}  // namespace citforms::compute
