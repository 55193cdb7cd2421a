#pragma once
// The module's plain windows (the parameters window, the pickers) from their documents built
// into the library (citforms/windows/<window>.dialog; format: host/plain_window.h).
//
//   auto doc = builtInDialog("Wybierz_Adres_Deklar_Cit");
//   host::PlainWindow window(std::move(*doc));
#include <string_view>

#include "citforms/host/plain_window.h"
#include "citforms/values/result.h"

namespace citforms::windows {

values::Result<host::PlainWindowDocument> builtInDialog(std::string_view name);

}  // namespace citforms::windows
