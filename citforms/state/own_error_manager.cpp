#include "citforms/state/own_error_manager.h"

#include <QtCore/QDebug>

namespace citforms::module {

void OwnErrorManager::init(host::ErrorStatus* status) {
    std::lock_guard lock(mutex_);
    status_ = status;
}

void OwnErrorManager::report(std::string_view file, std::string_view text) {
    std::lock_guard lock(mutex_);
    ++count_;
    last_ = std::string(file) + ": " + std::string(text);
    if (status_ != nullptr && status_->code == 0) {
        status_->code = kReportedCode;
        status_->text = std::string(text);
    }
    qWarning("citforms: %s", last_.c_str());
}

std::size_t OwnErrorManager::reportCount() const {
    std::lock_guard lock(mutex_);
    return count_;
}

std::string OwnErrorManager::lastReport() const {
    std::lock_guard lock(mutex_);
    return last_;
}

}  // namespace citforms::module
