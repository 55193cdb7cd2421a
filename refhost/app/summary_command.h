#pragma once
// tabrix summary ID: a stored CIT-8 in a few lines a person reads: which return it is (form,
// company, period), the tax due, the amount to pay or the overpayment.
//
//   Deklaracja 3: CIT-8 (24), Młyn Zbożowy „Pszenica” Sp. z o.o., okres 12-2016
//   Podatek należny: 47 543,00 zł
//   Do zapłaty: 3 760,00 zł
#include <cstdint>
#include <ostream>

#include "refhost/libraries/module_loader.h"
#include "refhost/libraries/reference_host.h"

namespace refhost::app {

// 0 printed; 1 the declaration could not be read (the reason on `err`).
int runSummary(libraries::ReferenceHost& host, const libraries::LoadedModule& module,
               std::int32_t id, std::ostream& out, std::ostream& err);

}  // namespace refhost::app
