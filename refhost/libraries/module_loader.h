#pragma once
// Loads libcitforms.so the way a host does: dlopen, every exported procedure found by its
// name, the host bound, then CITFORMS:INIT; CITFORMS:KILL and dlclose at the end.
//
//   auto module = LoadedModule::load(LoadedModule::pathFromEnvironment(CITFORMS_MODULE_PATH));
//   if (!module) fail(module.error());          // names the missing symbol or the dlopen error
//   if (auto s = (*module)->bind(host.binding()); !s) fail(s.error());
//   (*module)->init(&host.errorManager(), &host.iniManager());
//   std::string reply = (*module)->automation(R"({"verb":"dump","id":17})");
//   module->reset();                              // CITFORMS:KILL, dlclose
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "citforms/check/check_item.h"
#include "citforms/host/binding.h"
#include "citforms/host/managers.h"
#include "citforms/module/exports.h"
#include "citforms/values/result.h"

namespace refhost::libraries {

using citforms::values::Result;
using citforms::values::Status;

// A declaration kind as the module describes it ("kinds").
struct ModuleKind {
    std::int32_t templateId = 0;
    std::string family;   // "CIT-8"
    std::string edition;  // "24"
};

class LoadedModule {
public:
    using InitFn = citforms::module::exports::InitFn;
    using KillFn = citforms::module::exports::KillFn;

    // The seventeen exported procedures, in the order of the host's table.
    static const std::vector<std::string_view>& procedureNames();
    // $CITFORMS_MODULE when set and not empty, else `builtIn`.
    static std::string pathFromEnvironment(const char* builtIn);

    static Result<std::unique_ptr<LoadedModule>> load(const std::string& path);
    ~LoadedModule();
    LoadedModule(const LoadedModule&) = delete;
    LoadedModule& operator=(const LoadedModule&) = delete;

    Status bind(const citforms::host::HostBinding& binding);
    void init(citforms::host::ErrorManager* errorManager, citforms::host::IniManager* ini);
    // CITFORMS:KILL once; the destructor calls it when it has not run.
    void kill();

    // Address of an exported procedure (nullptr for a name that is not one of them).
    void* procedure(std::string_view name) const;
    template <class Fn>
    Fn procedureAs(std::string_view name) const {
        return reinterpret_cast<Fn>(procedure(name));
    }

    // citforms_automation: the reply to one JSON request (module/automation_entry.h).
    std::string automation(const std::string& requestJson) const;
    // The verbs "dump", "new-cit8", "compute" (mode 0) and "recalc" (mode 1) through
    // automation(), with their old results: the declaration's JSON text or nullptr (valid
    // until the next call on this module), the id made or worked on or 0.
    const char* declarationJson(std::int32_t id) const;
    // With `filled`, the computation is followed by what the person does in the window
    // (the advances from the CIT-2 returns, the CIT-8/O count), one line a thing done there.
    std::int32_t newCit8(std::int32_t yearStart, std::int32_t yearEnd, const char* edition,
                         std::int32_t copyFrom, std::vector<std::string>* filled = nullptr) const;
    std::int32_t recomputeCit8(std::int32_t id, std::int32_t mode) const;
    // "compute" with "fill": the statements again, then what the person does in the window.
    std::int32_t computeAndFill(std::int32_t id) const;
    // "new-cit2": the CIT-2 of the month of `period`; edition "12" to "17" or empty.
    std::int32_t newCit2(std::int32_t yearStart, std::int32_t yearEnd, std::int32_t period,
                         const std::string& edition) const;
    // "check": the pre-filing check of stored declaration `id` (check/check_item.h); a
    // declaration that cannot be read fails with the module's reason. runStatements = false
    // takes the statement messages KOMUNIKAT holds (right after computing this declaration).
    Result<citforms::check::CheckResult> check(std::int32_t id, bool runStatements = true) const;
    // "pdf": declaration `id` of template `templateId` with its attachments in one PDF, as
    // ZAPISZ_CIT8_DO_PDF makes it, and a CIT-2 (which the export refuses) from its prints;
    // true when the module reports the file made whole.
    bool writePdf(std::int32_t templateId, std::int32_t id, const std::string& file) const;
    // "kinds": the declaration kinds the module serves; fails with the module's reason.
    Result<std::vector<ModuleKind>> kinds() const;
    // The templates of the kinds of `family` ("CIT-8"), newest edition first.
    std::vector<ModuleKind> kindsOf(std::string_view family) const;
    const std::string& path() const { return path_; }

private:
    LoadedModule(void* handle, std::string path);
    std::int32_t idOf(const std::string& requestJson) const;

    void* handle_;
    std::string path_;
    std::vector<std::pair<std::string_view, void*>> procedures_;
    citforms::module::exports::BindHostFn bind_ = nullptr;
    citforms::module::exports::AutomationFn automation_ = nullptr;
    mutable std::string declaration_;
    bool initCalled_ = false;
    bool killCalled_ = false;
};

}  // namespace refhost::libraries
