#pragma once
// The tabrix command line:
//   tabrix [--db PATH] [--user N] [--company N] [--answers LIST] [--lock-timeout MS] [--maximise]
//          COMMAND [ARGS...]
// Options take their value as the next argument or after "=" (--db=PATH).
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "citforms/values/result.h"

namespace refhost::app {

struct Options {
    std::optional<std::string> db;        // --db; default: the user's data folder
    std::int32_t user = 1;                // --user
    std::optional<std::int32_t> company;  // --company; default: the first company
    std::string answers;                  // --answers, for the scripted UI
    // --lock-timeout: how long a statement waits for another user's lock before it fails.
    std::int32_t lockTimeoutMs = 30000;
    // --maximise: the host asks for maximised windows (MAKSYMALIZUJ answers 1 until a window
    // has opened).
    bool maximise = false;
    bool help = false;     // --help before the command
    bool version = false;  // --version
    std::string command;
    std::vector<std::string> arguments;  // after the command
};

citforms::values::Result<Options> parseOptions(const std::vector<std::string>& args);

// A whole positive 32-bit number, or nullopt.
std::optional<std::int32_t> parseId(const std::string& text);

// init-db [--demo [--companies N]]
struct InitDbArguments {
    bool demo = false;
    int companies = 0;  // generated companies after the demo data
};
citforms::values::Result<InitDbArguments> parseInitDb(const std::vector<std::string>& args);

// The whole help: the options, every command, the exit statuses.
std::string usage();
// One command's usage and what it does; "" for a name that is no command.
std::string commandUsage(std::string_view command);
// Two lines for a mistake that is no command's: the options and where the help is.
std::string shortUsage();
// Whether a command's arguments ask for its help (--help or -h).
bool asksForHelp(const std::vector<std::string>& arguments);

}  // namespace refhost::app
