#include "refhost/app/session_command.h"

#include <fstream>
#include <sstream>

#include <nlohmann/json.hpp>

#include "citforms/values/day_number.h"
#include "refhost/app/print_commands.h"
#include "citforms/values/text.h"
#include "runtime/ui/scripted/session_script.h"

namespace refhost::app {

namespace {

std::string attr(const citforms::runtime::SessionStep& step, const char* key) {
    const auto found = step.attrs.find(key);
    return found == step.attrs.end() ? std::string() : found->second;
}

std::int32_t whole(const citforms::runtime::SessionStep& step, const char* key) {
    const std::string text = attr(step, key);
    return text.empty() ? 0 : std::stoi(text);
}

// The host's own windows, opened as the module's calls would open them; what they leave for
// their caller is written after them: the print settings, the chosen date.
bool openHostWindow(libraries::ReferenceHost& host, const citforms::runtime::SessionStep& step,
                    std::ostream& out) {
    const citforms::host::HostBinding b = host.binding();
    const std::string& name = step.name;
    if (name == "PARAM_PRN_DEKLAR") {
        const int answer = b.declarations->PARAM_PRN_DEKLAR(attr(step, "form"));
        const citforms::host::Globals& g = host.state().thread().globals;
        out << "print-settings\t" << answer << "\tDANE_DRUKARKA_EKRAN=" << g.DANE_DRUKARKA_EKRAN
            << "\tGGG:NUMCOPY=" << g.GGG_NUMCOPY << "\tDEKLARACJE_XPOS=" << g.DEKLARACJE_XPOS
            << "\tDEKLARACJE_YPOS=" << g.DEKLARACJE_YPOS << "\tDEKLARACJE_NADRUK="
            << g.DEKLARACJE_NADRUK << "\tGGG:PRN_UPO_INFO_DRUKUJ=" << g.GGG_PRN_UPO_INFO_DRUKUJ
            << "\tGGG:PRN_UPO_INFO_1=" << citforms::runtime::escapeField(g.GGG_PRN_UPO_INFO_1)
            << "\tGGG:PRN_UPO_INFO_2=" << citforms::runtime::escapeField(g.GGG_PRN_UPO_INFO_2)
            << '\n';
        return true;
    }
    if (name == "KALENDARZ") {
        const std::string chosen = b.utility->KALENDARZ(0, 0, attr(step, "date"));
        out << "calendar\t" << citforms::runtime::escapeField(chosen) << '\n';
        return true;
    }
    if (name == "SKLADNIKI_ODLICZENIE") {
        b.declarations->SKLADNIKI_ODLICZENIE(attr(step, "code"), attr(step, "date"), "CIT-2");
        return true;
    }
    if (name == "FIRMA_ODDZIAL") {
        const std::int32_t company = whole(step, "company");
        const int answer = b.contractor->FIRMA_ODDZIAL(
            1, company != 0 ? company : host.state().thread().globals.DANE_ID_FIRMY);
        out << "result\tFIRMA_ODDZIAL\t" << answer << '\n';
        return true;
    }
    if (name == "DEF_ZESTAW_NEW") {
        b.statements->DEF_ZESTAW_NEW(whole(step, "id"), "DD", attr(step, "code"), "");
        return true;
    }
    return false;
}

bool isHostWindow(const std::string& name) {
    return name == "PARAM_PRN_DEKLAR" || name == "KALENDARZ" ||
           name == "DEF_ZESTAW_NEW" || name == "SKLADNIKI_ODLICZENIE" ||
           name == "FIRMA_ODDZIAL";
}

}  // namespace

int runSession(libraries::ReferenceHost& host, const libraries::LoadedModule& module,
               citforms::runtime::ScriptedUi& ui, const std::string& scriptFile,
               std::ostream& out, std::ostream& err) {
    std::ifstream in(scriptFile, std::ios::binary);
    if (!in) {
        err << "tabrix: run: cannot read " << scriptFile << '\n';
        return 2;
    }
    std::ostringstream text;
    text << in.rdbuf();
    auto steps = citforms::runtime::parseSessionScript(text.str(), scriptFile);
    if (!steps) {
        err << "tabrix: run: " << steps.error() << '\n';
        return 2;
    }
    // The host's own prints (the bank transfer) go to the command line's report runtime.
    const auto report = commandLineRuntime();
    host.settlements().setReportRuntime(report.get());
    const int unmet = ui.runSession(std::move(*steps), [&](const citforms::runtime::SessionStep& step) {
        if (isHostWindow(step.name)) return openHostWindow(host, step, out);
        nlohmann::json request = {{"verb", "open-window"}, {"window", step.name}};
        for (const auto& [key, value] : step.attrs) {
            if (key == "form" || key == "code") {
                err << "tabrix: run: line " << step.line << ": " << step.name << " takes no "
                    << key << "=\n";
                return false;
            }
            if (key == "date") {
                // A date for the module: its day number.
                const auto day = citforms::values::parseInteger<std::int32_t>(value)
                                     ? citforms::values::parseInteger<std::int32_t>(value)
                                     : citforms::values::parseDate(value);
                if (!day) {
                    err << "tabrix: run: line " << step.line << ": no such date " << value << '\n';
                    return false;
                }
                request[key] = *day;
                continue;
            }
            if (key == "kind") {
                request[key] = value;
                continue;
            }
            request[key] = std::stoi(value);
        }
        const auto reply = nlohmann::json::parse(module.automation(request.dump()), nullptr, false);
        if (reply.is_discarded() || !reply.value("ok", false)) {
            err << "tabrix: run: line " << step.line << ": "
                << (reply.is_discarded() ? std::string("no reply")
                                         : reply.value("error", std::string("failed")))
                << '\n';
            return false;
        }
        // The plain windows of the module answer an id: the declaration made, the row chosen.
        if (step.name == "PARAM_CIT2" || step.name.rfind("Wybierz_", 0) == 0 ||
            step.name == "CIT_ST_201" || step.name == "CIT_ST_8_powiazanie")
            out << "result\t" << step.name << '\t' << reply.value("result", 0) << '\n';
        return true;
    });
    host.settlements().setReportRuntime(nullptr);
    out.flush();
    return unmet == 0 ? 0 : 1;
}

}  // namespace refhost::app
