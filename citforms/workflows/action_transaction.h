#pragma once
// A transaction around one automated action of the module.
#include "citforms/host/libraries.h"

namespace citforms::module {

// One transaction around a whole automated action: whatever ends it early rolls back every
// write, the header and definitions of a new declaration included.
class ActionTransaction {
public:
    explicit ActionTransaction(host::UtilityLibrary& u) : u_(u), open_(u.beginTransaction()) {
        if (!open_) u_.MSG_OST(u_.fileErrorText());
    }
    ~ActionTransaction() {
        if (open_) u_.rollbackTransaction();
    }
    ActionTransaction(const ActionTransaction&) = delete;
    ActionTransaction& operator=(const ActionTransaction&) = delete;
    bool open() const { return open_; }
    bool commit() {
        open_ = false;
        if (u_.commitTransaction()) return true;
        u_.MSG_OST(u_.fileErrorText());
        return false;
    }

private:
    host::UtilityLibrary& u_;
    bool open_;
};

}  // namespace citforms::module
