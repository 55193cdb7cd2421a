#include "refhost/app/session_command.h"

#include <fstream>
#include <sstream>

#include <nlohmann/json.hpp>

#include "runtime/ui/scripted/session_script.h"

namespace refhost::app {

int runSession(const libraries::LoadedModule& module, citforms::runtime::ScriptedUi& ui,
               const std::string& scriptFile, std::ostream& err) {
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
    const int unmet = ui.runSession(std::move(*steps), [&](const citforms::runtime::SessionStep& step) {
        nlohmann::json request = {{"verb", "open-window"}, {"window", step.name}};
        for (const auto& [key, value] : step.attrs) request[key] = std::stoi(value);
        const auto reply = nlohmann::json::parse(module.automation(request.dump()), nullptr, false);
        if (reply.is_discarded() || !reply.value("ok", false)) {
            err << "tabrix: run: line " << step.line << ": "
                << (reply.is_discarded() ? std::string("no reply")
                                         : reply.value("error", std::string("failed")))
                << '\n';
            return false;
        }
        return true;
    });
    return unmet == 0 ? 0 : 1;
}

}  // namespace refhost::app
