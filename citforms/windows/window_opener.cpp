#include "citforms/windows/window_opener.h"

#include "citforms/check/declaration_check.h"
#include "citforms/host/ui_seam.h"
#include "citforms/print/layout_catalogue.h"
#include "citforms/store/declaration_load.h"
#include "citforms/values/day_number.h"

namespace citforms::windows {

namespace {

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
                           store::DeclarationFields& fields, module::DeclarationState& state,
                           print::ReportRuntime* runtime)
    : host_(&host), ini_(ini), fields_(&fields), state_(&state), runtime_(runtime) {}

WindowOpener::WindowOpener(const host::HostBinding& host, host::IniManager* ini,
                           store::DeclarationFields& fields, int declarationId)
    : host_(&host), ini_(ini), fields_(&fields), state_(&ownState_), runtime_(nullptr) {
    ownState_.CIT_ID_DEKLARACJI = declarationId;
    ownState_.CIT_ID_WZORCA = fields.templateId();
}

values::Result<const FormWindowLayout*> WindowOpener::layoutOf(std::string_view name) {
    using R = values::Result<const FormWindowLayout*>;
    if (auto it = layouts_.find(name); it != layouts_.end()) return it->second.get();
    auto declaration = builtInWindow(name);
    if (!declaration) return R::failure(declaration.error());
    const store::HeldForm* held = fields_->find(declaration->form);
    if (held == nullptr)
        return R::failure("the declaration carries no " + declaration->form + " for window " +
                          std::string(name));
    auto layout = windowLayout(*declaration);
    if (!layout) return R::failure(layout.error());
    auto built = buildFormWindow(*declaration, *held->def, *layout);
    if (!built) return R::failure(built.error());
    auto stored = std::make_unique<FormWindowLayout>(std::move(*built));
    const FormWindowLayout* out = stored.get();
    layouts_.emplace(std::string(name), std::move(stored));
    return out;
}

values::Result<int> WindowOpener::open(std::string_view name, int copy, int count) {
    return run(name, copy, count, WindowArguments{});
}

values::Result<int> WindowOpener::open(std::string_view name, const WindowArguments& arguments) {
    return run(name, 0, 0, arguments);
}

values::Result<int> WindowOpener::run(std::string_view name, int copy, int count,
                                      const WindowArguments& arguments) {
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
        const std::int32_t today = host_->data->globals().DANE_DATA_BIEZACA;
        store::loadCopy(*fields_, held.def->name, copy, count, today > 0 ? today : values::today());
    }

    WindowContext context;
    context.host = host_;
    context.declarationId = state_->CIT_ID_DEKLARACJI;
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
    WindowSession session;
    session.host = host_;
    session.ini = ini_;
    session.fields = fields_;
    session.state = state_;
    session.runtime = runtime_;
    session.arguments = arguments;
    session.copy = copy;
    session.count = count;
    session.unchanged = arguments.unchanged;
    // An attachment window is opened over the declaration's main window (the first one open).
    session.owner = outer_;
    addWindowBehaviour(window, session);
    if (arguments.focus != 0) {
        if (const auto field = check::positionShowing(fields_->main().list().form(),
                                                      arguments.focusForm, arguments.focus))
            window.focusField(*field);
    }
    WindowSession* const outer = outer_;
    if (outer_ == nullptr) outer_ = &session;

    const bool maximise = host_->utility != nullptr && host_->utility->MAKSYMALIZUJ() != 0;
    if (host_->utility != nullptr) host_->utility->MAKSYMALIZACJAOFF();
    open_.insert(std::string(name));
    const int result = host_->ui->runWindow({&window, ini_, maximise});
    open_.erase(open_.find(name));
    outer_ = outer;
    if (held.numbered()) storeCopy(held, copy);
    return result;
}

}  // namespace citforms::windows
