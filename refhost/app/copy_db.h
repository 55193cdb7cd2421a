#pragma once
// tabrix copy-db --from SOURCE --to DESTINATION [--company N]: moves the host's data (all of
// it, or one company's) from one database to another, of either engine (see db/copy.h).
#include <ostream>
#include <string>
#include <vector>

namespace refhost::app {

// What is wrong with the arguments of copy-db; "" when they are fine.
std::string checkCopyDbArguments(const std::vector<std::string>& arguments);

// Runs copy-db; the exit status of tabrix (0 done, 1 refused or failed).
int runCopyDb(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);

}  // namespace refhost::app
