#pragma once
// OwnIniManager: the module's INI manager, an INI file read and written through QSettings.
//
// The module opens it on the host's settings file (GGG:SCIEZKA_SET) and uses it for window
// sizes and positions until the host hands its own INI manager to CITFORMS:INIT. Sections are
// the windows' procedure names ("Param_CIT2"). Before init(), or on an empty file name, fetch()
// answers the fallback and update() keeps nothing.
//
//   OwnIniManager ini;
//   ini.init("/home/u/.tabrix/set.ini");
//   ini.update("Param_CIT2", "X", "120");
//   std::string x = ini.fetch("Param_CIT2", "X", "0");
#include <memory>
#include <string>

#include "citforms/host/managers.h"

class QSettings;

namespace citforms::module {

class OwnIniManager : public host::IniManager {
public:
    OwnIniManager();
    ~OwnIniManager() override;

    void init(const std::string& fileName) override;
    std::string fetch(std::string_view section, std::string_view key,
                      std::string_view fallback = {}) override;
    void update(std::string_view section, std::string_view key, std::string_view value) override;
    // Writes pending changes to the file and closes it.
    void kill() override;

    bool isOpen() const { return settings_ != nullptr; }
    const std::string& fileName() const { return fileName_; }

private:
    std::unique_ptr<QSettings> settings_;
    std::string fileName_;
};

}  // namespace citforms::module
