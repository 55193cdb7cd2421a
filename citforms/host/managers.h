#pragma once
// The two manager objects the host hands to CITFORMS:INIT (its ERRORCLASS and INICLASS).
//
// The error manager receives every file and SQL error the module reports once INIT has run;
// the INI manager stores window sizes and positions under the procedure's name
// ("Param_CIT2", "CIT_ST_201"). The module constructs its own pair at load and uses them
// until the host passes its own.
#include <string>
#include <string_view>

namespace citforms::host {

// Per-thread error status of the calling thread (the host's error code and its text).
struct ErrorStatus {
    int code = 0;            // 0 = no error
    std::string text;        // the file error text callers show with MSG_OST / MSG_INF
};

class ErrorManager {
public:
    virtual ~ErrorManager() = default;
    // Binds the manager to an error-status object (the calling thread's).
    virtual void init(ErrorStatus* status) = 0;
    // Reports a file or SQL error on behalf of the module; `file` names the host file.
    virtual void report(std::string_view file, std::string_view text) = 0;
};

class IniManager {
public:
    virtual ~IniManager() = default;
    // Opens the INI store kept in `fileName`.
    virtual void init(const std::string& fileName) = 0;
    virtual std::string fetch(std::string_view section, std::string_view key,
                              std::string_view fallback = {}) = 0;
    virtual void update(std::string_view section, std::string_view key,
                        std::string_view value) = 0;
    virtual void kill() = 0;
};

}  // namespace citforms::host
