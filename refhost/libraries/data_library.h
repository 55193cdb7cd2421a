#pragma once
// The reference host's data library: the calling thread's globals, record files and result
// files, and the error manager attached to each host file.
#include "citforms/host/libraries.h"
#include "refhost/libraries/host_state.h"

namespace refhost::libraries {

class HostDataLibrary : public citforms::host::DataLibrary {
public:
    explicit HostDataLibrary(HostState& state) : state_(&state) {}

    // INIT attaches the given error manager to every host file that has none yet; KILL
    // closes the record files every thread left open.
    void INIT(citforms::host::ErrorManager* errorManager,
              citforms::host::IniManager* iniManager) override;
    void KILL() override;
    bool initialised() const { return initialised_; }

    citforms::host::Globals& globals() override { return state_->thread().globals; }
    citforms::host::RecordFile& file(citforms::host::HostFileId id) override;
    citforms::host::ResultFile& result(citforms::host::ResultFileId id) override;
    void attachErrorManager(citforms::host::HostFileId id,
                            citforms::host::ErrorManager* manager) override;

private:
    HostState* state_;
    bool initialised_ = false;
};

}  // namespace refhost::libraries
