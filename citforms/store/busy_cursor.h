#pragma once
// BusyCursor: shows the host's busy cursor for the lifetime of the object.
//
//   { BusyCursor busy(host.ui); ...long database work... }   // normal cursor again here
//
// A null seam (a host without a screen) makes it do nothing.
#include "citforms/host/ui_seam.h"

namespace citforms::store {

class BusyCursor {
public:
    explicit BusyCursor(host::UiSeam* ui) : ui_(ui) {
        if (ui_ != nullptr) ui_->setBusy(true);
    }
    ~BusyCursor() { release(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;

    // Restores the normal cursor before the end of the scope (e.g. before a message box).
    void release() {
        if (ui_ != nullptr) ui_->setBusy(false);
        ui_ = nullptr;
    }

private:
    host::UiSeam* ui_;
};

}  // namespace citforms::store
