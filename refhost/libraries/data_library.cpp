#include "refhost/libraries/data_library.h"

namespace refhost::libraries {

void HostDataLibrary::INIT(citforms::host::ErrorManager* errorManager,
                           citforms::host::IniManager*) {
    if (initialised_) return;
    initialised_ = true;
    if (errorManager == nullptr) return;
    for (citforms::host::HostFileId id : citforms::host::kAttachOrder) {
        if (state_->errorManager(id) == nullptr) state_->attachErrorManager(id, errorManager);
    }
}

void HostDataLibrary::KILL() {
    if (!initialised_) return;
    initialised_ = false;
    state_->closeAllFiles();
}

citforms::host::RecordFile& HostDataLibrary::file(citforms::host::HostFileId id) {
    return state_->file(id);
}

citforms::host::ResultFile& HostDataLibrary::result(citforms::host::ResultFileId id) {
    return state_->result(id);
}

void HostDataLibrary::attachErrorManager(citforms::host::HostFileId id,
                                         citforms::host::ErrorManager* manager) {
    state_->attachErrorManager(id, manager);
}

}  // namespace refhost::libraries
