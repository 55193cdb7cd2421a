// store_worker: one user of the host database in a process of its own, for the many-users and
// crash tests. It runs the module's own store code over the reference host:
//
// Options: --lock-timeout-ms N (how long to wait for another user's lock), --start-at T (after
// opening the database, wait until T milliseconds since the epoch, so that several workers
// start their work at the same moment).
//
//   store_worker [OPTIONS] DB cit8-headers COUNT COMPANY PERIOD
//       COUNT new CIT-8 headers through the module's save (mode 0, the host procedure)
//   store_worker [OPTIONS] DB cit-st-headers COUNT COMPANY PERIOD
//       COUNT new CIT-ST headers numbered by the module itself (maximum plus one)
//   store_worker [OPTIONS] DB save ID FIRST LAST
//       saves CIT-8 ID with every field marked, once per round FIRST..LAST, each time without
//       a loaded version (whatever is stored is replaced)
//   store_worker [OPTIONS] DB hold ID ROUND GOFILE
//       a window on CIT-8 ID: loads it, prints "loaded", waits until GOFILE exists, then saves
//       it with every field marked ROUND
//   store_worker [OPTIONS] DB create COMPANY PERIOD GOFILE save|cancel
//       a window on a new CIT-8: makes its header (prints "id N"), waits until GOFILE exists,
//       then saves it (round 1) or cancels it ("cancelled N")
//   store_worker [OPTIONS] DB hold-cit-st ID GOFILE
//       the CIT-ST window on ID: loads it, prints "loaded", waits for GOFILE, then saves it
//
// Prints "id N" per header and "saved N" per save as soon as it is made, and every message the
// module shows as a transcript line. Exit status 0 when everything succeeded, 1 when something
// was refused, 2 for bad arguments.
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <utility>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#include "citforms/citst/cit_st.h"
#include "citforms/store/declaration_load.h"
#include "citforms/store/declaration_save.h"
#include "refhost/libraries/reference_host.h"
#include "refhost/sql/database.h"
#include "runtime/ui/scripted/scripted_ui.h"
#include "support/marked_declaration.h"

namespace {

int usage() {
    std::cerr << "usage: store_worker [--lock-timeout-ms N] [--start-at MS] DB "
                 "cit8-headers|cit-st-headers COUNT COMPANY PERIOD | save ID FIRST LAST\n";
    return 2;
}

long number(const std::string& text) {
    return std::strtol(text.c_str(), nullptr, 10);
}

// The person at the window takes their time: until the test lets them go on.
bool waitFor(const std::string& file) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!std::filesystem::exists(file)) {
        if (std::chrono::steady_clock::now() > until) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

// The company and period of a stored header; company 0 when there is none.
std::pair<std::int32_t, std::int32_t> companyAndPeriod(refhost::libraries::ReferenceHost& host,
                                                       std::int32_t id) {
    const std::string where = " from DEKLARACJE_NAG where id_deklaracje_nag = " + std::to_string(id);
    return {static_cast<std::int32_t>(number(host.utility().FUNCVAY("select id_firmy" + where))),
            static_cast<std::int32_t>(number(host.utility().FUNCVAY("select data_okresu" + where)))};
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    refhost::sql::OpenOptions options;
    long long startAt = 0;
    while (args.size() >= 2 && args[0].rfind("--", 0) == 0) {
        if (args[0] == "--lock-timeout-ms") {
            options.lockTimeoutMs = static_cast<int>(number(args[1]));
        } else if (args[0] == "--start-at") {
            startAt = std::strtoll(args[1].c_str(), nullptr, 10);
        } else {
            return usage();
        }
        args.erase(args.begin(), args.begin() + 2);
    }
    if (args.size() < 4) return usage();
    const std::string& command = args[1];

    auto db = refhost::sql::HostDatabase::open(args[0], options);
    if (!db) {
        std::cerr << "store_worker: " << db.error() << '\n';
        return 1;
    }
    citforms::runtime::ScriptedUi ui(&std::cout);
    refhost::libraries::ReferenceHost host(**db, ui);
    const citforms::host::HostBinding binding = host.binding();
    std::this_thread::sleep_until(
        std::chrono::system_clock::time_point(std::chrono::milliseconds(startAt)));

    citforms::host::Globals g;
    g.DANE_ID_UZYTKOWNIKA_NR = 1;
    g.DANE_ID_UZYT = "U1";
    citforms::module::DeclarationState state;
    state.CIT_ID_WZORCA = 73;
    citforms::store::DeclarationFields fields;
    bool allDone = true;

    if (command == "cit8-headers" || command == "cit-st-headers") {
        const long count = number(args[2]);
        g.DANE_ID_FIRMY = static_cast<std::int32_t>(number(args[3]));
        const auto period = static_cast<std::int32_t>(number(args[4]));
        host.state().setDefaults(g);
        for (long i = 0; i < count; ++i) {
            const std::int32_t id =
                command == "cit8-headers"
                    ? citforms::store::ZAPISZ_CIT_8(73, binding, state, fields, 0, 0, period, 0)
                    : citforms::store::insertCitStHeader(binding, period, 0).value_or(0);
            if (id == 0) allDone = false;
            std::cout << "id " << id << std::endl;
        }
    } else if (command == "save") {
        const auto id = static_cast<std::int32_t>(number(args[2]));
        const std::string company = host.utility().FUNCVAY(
            "select id_firmy from DEKLARACJE_NAG where id_deklaracje_nag = " + std::to_string(id));
        const std::string period = host.utility().FUNCVAY(
            "select data_okresu from DEKLARACJE_NAG where id_deklaracje_nag = " +
            std::to_string(id));
        if (company.empty()) {
            std::cerr << "store_worker: no declaration " << id << '\n';
            return 1;
        }
        g.DANE_ID_FIRMY = static_cast<std::int32_t>(number(company));
        host.state().setDefaults(g);
        for (long round = number(args[3]); round <= number(args[4]); ++round) {
            citforms_test::fillMarked(fields, static_cast<int>(round));
            // Each round replaces whatever is stored, as a writer that did not load it: the
            // rounds test that saves wait for each other and leave whole versions.
            fields.loaded.reset();
            const std::size_t shownBefore = ui.entries().size();
            const std::int32_t saved = citforms::store::ZAPISZ_CIT_8(73, 
                binding, state, fields, 1, id, static_cast<std::int32_t>(number(period)), 0);
            // A save that could not write keeps the id and says so in a message.
            if (saved != id || ui.entries().size() != shownBefore) {
                allDone = false;
                std::cout << "failed " << round << std::endl;
            } else {
                std::cout << "saved " << round << std::endl;
            }
        }
    } else if (command == "hold" && args.size() >= 5) {
        const auto id = static_cast<std::int32_t>(number(args[2]));
        const auto [company, period] = companyAndPeriod(host, id);
        g.DANE_ID_FIRMY = company;
        host.state().setDefaults(g);
        if (!citforms::store::loadDeclaration(binding, 73, id, fields)) return 1;
        std::cout << "loaded " << id << std::endl;
        const int round = static_cast<int>(number(args[3]));
        citforms_test::fillMarked(fields, round);
        if (!waitFor(args[4])) return 1;
        citforms::store::SaveOutcome outcome = citforms::store::SaveOutcome::Failed;
        const std::int32_t saved =
            citforms::store::ZAPISZ_CIT_8(73, binding, state, fields, 1, id, period, 0, &outcome);
        allDone = outcome == citforms::store::SaveOutcome::Saved;
        std::cout << (allDone ? "saved " : "failed ") << round << "\nkept " << saved << std::endl;
    } else if (command == "create" && args.size() >= 6) {
        g.DANE_ID_FIRMY = static_cast<std::int32_t>(number(args[2]));
        const auto period = static_cast<std::int32_t>(number(args[3]));
        host.state().setDefaults(g);
        const std::int32_t id =
            citforms::store::ZAPISZ_CIT_8(73, binding, state, fields, 0, 0, period, 0);
        std::cout << "id " << id << std::endl;
        if (id == 0 || !waitFor(args[4])) return 1;
        state.CIT_ID_DEKLARACJI = id;
        if (args[5] == "save") {
            citforms_test::fillMarked(fields, 1);
            citforms::store::SaveOutcome outcome = citforms::store::SaveOutcome::Failed;
            citforms::store::ZAPISZ_CIT_8(73, binding, state, fields, 1, id, period, 0, &outcome);
            allDone = outcome == citforms::store::SaveOutcome::Saved;
            std::cout << (allDone ? "saved " : "failed ") << id << std::endl;
        } else {
            const citforms::values::Status removed =
                citforms::store::discardNewCit8(binding, state, fields.loaded);
            allDone = removed.ok();
            std::cout << (allDone ? "cancelled " : "refused ") << id << '\n'
                      << (allDone ? std::string() : removed.error() + "\n") << std::flush;
        }
    } else if (command == "hold-cit-st" && args.size() >= 4) {
        const auto id = static_cast<std::int32_t>(number(args[2]));
        g.DANE_ID_FIRMY = companyAndPeriod(host, id).first;
        host.state().setDefaults(g);
        citforms::store::DeclarationFields zvst(201);
        citforms::store::CitStBranches branches;
        if (!citforms::citst::loadCitSt(binding, id, zvst, branches)) return 1;
        std::cout << "loaded " << id << std::endl;
        if (!waitFor(args[3])) return 1;
        const citforms::store::SaveResult result =
            citforms::citst::saveCitSt(binding, zvst, branches, id);
        citforms::store::tell(binding, result.notices);
        allDone = result.outcome == citforms::store::SaveOutcome::Saved;
        std::cout << (allDone ? "saved " : "failed ") << id << std::endl;
    } else {
        return usage();
    }
    return allDone ? 0 : 1;
}
