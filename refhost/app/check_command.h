#pragma once
// tabrix check ID [--json]: the pre-filing check of a stored CIT-8 through the loaded module.
//
// The list is printed one item a line (severity, form, positions, text; tab-separated), then
// a count line; --json prints the module's result object instead. The exit status tells the
// outcome: 0 nothing found, 1 warnings only, 3 errors; 4 when the declaration could not be
// checked (it could not be read, the database failed); 2 is the usage error of every command.
//
// The check itself is services::checkDeclaration (services/declarations.h), which the desktop
// calls too; a check that could not run is never taken for a clean declaration.
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "citforms/check/check_item.h"
#include "citforms/values/result.h"
#include "refhost/libraries/module_loader.h"

namespace refhost::app {

inline constexpr int kCheckClean = 0;
inline constexpr int kCheckWarnings = 1;
inline constexpr int kCheckErrors = 3;
inline constexpr int kCheckFailed = 4;

struct CheckArguments {
    std::int32_t id = 0;
    bool json = false;
};

citforms::values::Result<CheckArguments> parseCheck(const std::vector<std::string>& args);

// 0, 1 or 3 by what the result holds; 4 when its kind was not checked.
int checkStatus(const citforms::check::CheckResult& result);

// One line of the list: "error\tCIT-BR nr 2\t16\tPoz. 16: …".
std::string checkLine(const citforms::check::CheckItem& item);

int runCheck(const libraries::LoadedModule& module, const CheckArguments& args, std::ostream& out,
             std::ostream& err);

}  // namespace refhost::app
