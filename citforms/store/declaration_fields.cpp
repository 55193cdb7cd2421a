#include "citforms/store/declaration_fields.h"

#include <algorithm>
#include <cassert>

#include "citforms/forms/form.h"

namespace citforms::store {

namespace {

// The first sheet a form's values take; attachment texts and unstored forms sort last.
std::int32_t firstSheetOf(const forms::FormDef& form) {
    switch (form.storage.kind) {
        case forms::StorageKind::Sheet:
            return form.storage.sheet;
        case forms::StorageKind::Copies:
            return form.storage.base + 1;
        case forms::StorageKind::Attachment:
        case forms::StorageKind::None:
            break;
    }
    return INT32_MAX;
}

}  // namespace

bool HeldForm::numbered() const {
    return def->storage.kind == forms::StorageKind::Copies;
}

std::int32_t HeldForm::lastCopy() const {
    return lastSheet == 0 ? 0 : lastSheet - def->storage.base;
}

DeclarationFields::DeclarationFields(std::int32_t templateId) {
    hold(templateId);
}

void DeclarationFields::takeValues(DeclarationFields&& other) {
    assert(other.templateId_ == templateId_ && other.forms_.size() == forms_.size());
    for (std::size_t i = 0; i < forms_.size(); ++i) {
        forms_[i].set = std::move(other.forms_[i].set);
        forms_[i].copies = std::move(other.forms_[i].copies);
    }
    issues = std::move(other.issues);
    loaded = std::move(other.loaded);
}

void DeclarationFields::hold(std::int32_t templateId) {
    templateId_ = templateId;
    forms_.clear();
    issues = DeclarationIssues{};
    for (const forms::FormDef& form : forms::FormCatalogue::builtIn().all()) {
        if (std::find(form.templates.begin(), form.templates.end(), templateId) ==
            form.templates.end()) {
            continue;
        }
        forms_.push_back(HeldForm{&form, FieldSet(form.id), {}, 0, 0});
    }
    std::stable_sort(forms_.begin(), forms_.end(), [](const HeldForm& a, const HeldForm& b) {
        return firstSheetOf(*a.def) < firstSheetOf(*b.def);
    });
    // Numbered copies run up to the form's own bound, and never onto the next form's sheets.
    for (std::size_t i = 0; i < forms_.size(); ++i) {
        HeldForm& held = forms_[i];
        if (!held.numbered()) continue;
        const forms::Storage& storage = held.def->storage;
        held.firstSheet = storage.base + 1;
        held.lastSheet = storage.lastCopy > 0 ? storage.base + storage.lastCopy : 0;
        if (i + 1 < forms_.size()) {
            const std::int32_t next = firstSheetOf(*forms_[i + 1].def);
            if (next != INT32_MAX && (held.lastSheet == 0 || held.lastSheet >= next)) {
                held.lastSheet = next - 1;
            }
        }
    }
}

HeldForm* DeclarationFields::find(std::string_view name) {
    for (HeldForm& held : forms_) {
        if (held.def->name == name) return &held;
    }
    return nullptr;
}

const HeldForm* DeclarationFields::find(std::string_view name) const {
    return const_cast<DeclarationFields*>(this)->find(name);
}

FieldSet& DeclarationFields::main() {
    assert(!forms_.empty() && forms_.front().def->storage.kind == forms::StorageKind::Sheet &&
           forms_.front().def->storage.sheet == 0 && "the declaration has no main form");
    return forms_.front().set;
}

const FieldSet& DeclarationFields::main() const {
    return const_cast<DeclarationFields*>(this)->main();
}

FieldSet& DeclarationFields::form(std::string_view name) {
    HeldForm* held = find(name);
    assert(held != nullptr && "the declaration does not carry this form");
    return held->set;
}

const FieldSet& DeclarationFields::form(std::string_view name) const {
    return const_cast<DeclarationFields*>(this)->form(name);
}

AttachmentRows& DeclarationFields::copies(std::string_view name) {
    HeldForm* held = find(name);
    assert(held != nullptr && held->numbered() && "not a numbered form of the declaration");
    return held->copies;
}

const AttachmentRows& DeclarationFields::copies(std::string_view name) const {
    return const_cast<DeclarationFields*>(this)->copies(name);
}

}  // namespace citforms::store
