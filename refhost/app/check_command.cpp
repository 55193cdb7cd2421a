#include "refhost/app/check_command.h"

#include "refhost/app/options.h"
#include "refhost/services/declarations.h"
#include "runtime/ui/scripted/scripted_ui.h"

namespace refhost::app {

using citforms::check::CheckItem;
using citforms::check::CheckResult;
using citforms::values::Result;

Result<CheckArguments> parseCheck(const std::vector<std::string>& args) {
    using R = Result<CheckArguments>;
    CheckArguments out;
    bool idGiven = false;
    for (const std::string& arg : args) {
        if (arg == "--json") {
            out.json = true;
            continue;
        }
        const auto id = parseId(arg);
        if (!id || idGiven) return R::failure("check needs one declaration id (and --json)");
        out.id = *id;
        idGiven = true;
    }
    if (!idGiven) return R::failure("check needs one declaration id");
    return out;
}

int checkStatus(const CheckResult& result) {
    // A kind the check does not cover was not found clean: a script that files on status 0
    // must not file it unchecked.
    if (!result.checked) return kCheckFailed;
    if (result.errors() > 0) return kCheckErrors;
    return result.warnings() > 0 ? kCheckWarnings : kCheckClean;
}

std::string checkLine(const CheckItem& item) {
    std::string positions;
    for (int p : item.positions) positions += (positions.empty() ? "" : ",") + std::to_string(p);
    return std::string(citforms::check::severityName(item.severity)) + '\t' +
           citforms::check::formOf(item) + '\t' +
           (positions.empty() ? "-" : positions) + '\t' + citforms::runtime::escapeField(item.text);
}

int runCheck(const libraries::LoadedModule& module, const CheckArguments& args, std::ostream& out,
             std::ostream& err) {
    const Result<CheckResult> result = services::checkDeclaration(module, args.id);
    if (!result) {
        err << "tabrix: declaration " << args.id << " could not be checked: " << result.error()
            << '\n';
        return kCheckFailed;
    }
    if (args.json) {
        out << citforms::check::toJson(*result).dump(2, ' ', false,
                                                     nlohmann::json::error_handler_t::replace)
            << '\n';
        return checkStatus(*result);
    }
    for (const CheckItem& item : result->items) out << checkLine(item) << '\n';
    out << "declaration " << args.id << ": ";
    if (!result->checked) {
        out << "not checked: " << result->note << '\n';
    } else {
        out << result->errors() << " error(s), " << result->warnings() << " warning(s)\n";
    }
    return checkStatus(*result);
}

}  // namespace refhost::app
