#pragma once
// OwnErrorManager: the module's error manager, used until the host hands its own to
// CITFORMS:INIT (and kept when it hands none).
//
// It has no window of its own: a report is written to the Qt log ("citforms: FILE: text"),
// kept as the last report, and, when the bound error status is clear, left there as its text,
// so that the caller that shows the file error text finds it.
#include <cstddef>
#include <mutex>
#include <string>

#include "citforms/host/managers.h"

namespace citforms::module {

class OwnErrorManager : public host::ErrorManager {
public:
    // Error code left in a clear status by report().
    static constexpr int kReportedCode = -1;

    void init(host::ErrorStatus* status) override;
    void report(std::string_view file, std::string_view text) override;

    std::size_t reportCount() const;
    std::string lastReport() const;  // "FILE: text"

private:
    mutable std::mutex mutex_;
    host::ErrorStatus* status_ = nullptr;
    std::size_t count_ = 0;
    std::string last_;
};

}  // namespace citforms::module
