#include "refhost/libraries/reference_host.h"

namespace refhost::libraries {

ReferenceHost::ReferenceHost(sql::HostDatabase& db, citforms::host::UiSeam& ui)
    : ui_(&ui),
      state_(db, ui),
      utility_(state_),
      data_(state_),
      declarations_(state_),
      settlements_(state_),
      print_(ui),
      statements_(state_),
      contractor_(state_),
      errorManager_(ui) {
    errorManager_.init(&state_.thread().status);
}

citforms::host::HostBinding ReferenceHost::binding() {
    citforms::host::HostBinding b;
    b.utility = &utility_;
    b.data = &data_;
    b.declarations = &declarations_;
    b.settlements = &settlements_;
    b.print = &print_;
    b.statements = &statements_;
    b.contractor = &contractor_;
    b.ui = ui_;
    return b;
}

}  // namespace refhost::libraries
