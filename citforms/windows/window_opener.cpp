#include "citforms/windows/window_opener.h"

#include <stdexcept>

#include "citforms/host/ui_seam.h"
#include "citforms/print/layout_catalogue.h"
#include "citforms/store/declaration_load.h"

namespace citforms::windows {

namespace {

// CIT-8 (24): fields 68 to 90 are the advances; field 91 is their sum as typed.
void cit8AdvanceSum(FormWindow& w, int field) {
    if (field < 68 || field > 90) return;
    values::Decimal sum;
    for (int n = 68; n <= 90; ++n) sum += w.fields()[n].decimal();
    try {
        w.fields()[91].setDecimal(sum, values::Rounding::Never);
    } catch (const std::overflow_error&) {
        // A sum beyond 15 digits cannot be held: field 91 keeps its value and the person is
        // told, rather than a wrapped or cut total.
        const host::HostBinding* host = w.context().host;
        if (host != nullptr && host->ui != nullptr)
            host->ui->message({host::kTitleWarning,
                               "Suma zaliczek z poz. 68 do 90 przekracza 15 cyfr.", "&OK",
                               host::MessageIcon::Warning, 1});
    }
}

// CIT-BR: no kind of research (23) unless scientific research (21) is other than "no".
void citBrResearchKind(FormWindow& w, int field) {
    if (field != 21 && field != 0) return;
    const bool no = w.fields()[21].text() == "2";
    if (no) w.fields()[23].setText("0");
    w.setEntryEnabled(23, !no);
}

// The replacement of copy `copy`'s rows by the set's fields 1 to the last, ascending.
void storeCopy(store::HeldForm& held, int copy) {
    store::AttachmentRows kept;
    for (const store::AttachmentRow& row : held.copies.rows())
        if (row.ext_nr_zalacznika != copy)
            kept.append(row.ext_nr_zalacznika, row.ext_nr_pola, row.ext_wartosc);
    held.set.forEachValue(held.set.list(), [&](int number, const std::string& value) {
        kept.append(copy, number, value);
    });
    held.copies = std::move(kept);
}

}  // namespace

WindowOpener::WindowOpener(const host::HostBinding& host, host::IniManager* ini,
                           store::DeclarationFields& fields, int declarationId)
    : host_(&host), ini_(ini), fields_(&fields), declarationId_(declarationId) {}

values::Result<const FormWindowLayout*> WindowOpener::layoutOf(std::string_view name) {
    using R = values::Result<const FormWindowLayout*>;
    if (auto it = layouts_.find(name); it != layouts_.end()) return it->second.get();
    auto declaration = builtInWindow(name);
    if (!declaration) return R::failure(declaration.error());
    const store::HeldForm* held = fields_->find(declaration->form);
    if (held == nullptr)
        return R::failure("the declaration carries no " + declaration->form + " for window " +
                          std::string(name));
    auto layout = print::openLayout(declaration->layout);
    if (!layout) return R::failure(layout.error());
    auto built = buildFormWindow(*declaration, *held->def, *layout);
    if (!built) return R::failure(built.error());
    auto stored = std::make_unique<FormWindowLayout>(std::move(*built));
    const FormWindowLayout* out = stored.get();
    layouts_.emplace(std::string(name), std::move(stored));
    return out;
}

void WindowOpener::addRules(FormWindow& window, std::string_view name) {
    if (name == "CIT_8_73") {
        window.setAfterEdit(cit8AdvanceSum);
    } else if (name == "CIT_BR_73") {
        citBrResearchKind(window, 0);
        window.setAfterEdit(citBrResearchKind);
    } else if (name == "CIT_ORDZU") {
        // Quotes in the justification become apostrophes when it is left.
        window.setAfterEdit([](FormWindow& w, int field) {
            const host::HostBinding* host = w.context().host;
            if (field != 13 || host == nullptr || host->utility == nullptr) return;
            w.fields()[13].setText(host->utility->ZAMIEN_ZNAK(w.fields()[13].text(), "\"", "'"));
        });
    }
}

values::Result<int> WindowOpener::open(std::string_view name, int copy, int count) {
    auto layout = layoutOf(name);
    if (!layout) return values::Result<int>::failure(layout.error());
    const FormWindowLayout& built = **layout;
    if (open_.count(name) != 0 && built.declaration.singleInstance) {
        host_->ui->focusWindow(name);
        return 0;
    }
    store::HeldForm& held = *fields_->find(built.declaration.form);
    if (held.numbered()) {
        if (copy < 1) return values::Result<int>::failure(std::string(name) + " needs a copy number");
        store::loadCopy(*fields_, held.def->name, copy, count);
    }

    WindowContext context;
    context.host = host_;
    context.declarationId = declarationId_;
    context.open = [this](std::string_view nested, int c, int n) {
        auto result = open(nested, c, n);
        if (!result) {
            host_->ui->message({host::kTitleInformation, result.error(), "&OK",
                                host::MessageIcon::Information, 1});
            return 0;
        }
        return *result;
    };
    FormWindow window(built, held.set, context);
    addRules(window, name);

    const bool maximise = host_->utility != nullptr && host_->utility->MAKSYMALIZUJ() != 0;
    if (host_->utility != nullptr) host_->utility->MAKSYMALIZACJAOFF();
    open_.insert(std::string(name));
    const int result = host_->ui->runWindow({&window, ini_, maximise});
    open_.erase(open_.find(name));
    if (held.numbered()) storeCopy(held, copy);
    return result;
}

}  // namespace citforms::windows
