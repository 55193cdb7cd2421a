#pragma once
// Opens the layout of a print procedure from the layouts built into the module.
//
//   auto layout = openLayout("CIT_8_Prn_73");   // reads CIT_8_Prn_73.layout
//
// A layout whose document is missing or malformed is refused with a message naming the
// document and line; the shipped documents are checked by the tests, so that message means
// a broken build rather than a user error.
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "citforms/documents/layout.h"
#include "citforms/values/result.h"

namespace citforms::print {

values::Result<Layout> openLayout(std::string_view procedureName);

// The same layout, parsed once per process and shared: a PDF of several hundred runs of one
// procedure reads its layout once. Safe to call from several threads.
values::Result<std::shared_ptr<const Layout>> sharedLayout(std::string_view procedureName);
// Procedure names of every shipped layout, sorted.
std::vector<std::string> shippedLayouts();

}  // namespace citforms::print
