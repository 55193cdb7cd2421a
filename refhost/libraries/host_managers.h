#pragma once
// The host's error manager and INI manager, the pair it passes to CITFORMS:INIT.
//
// HostErrorManager shows a reported file error in a message box ("Tabrix: Błąd", error icon,
// the file's name before the text); the failing operation has already set the calling
// thread's error status. HostIniManager keeps its entries in an
// INI file through QSettings; the module stores window sizes and positions there under the
// procedure's name as the section.
#include <memory>
#include <mutex>
#include <string>

#include "citforms/host/managers.h"
#include "citforms/host/ui_seam.h"

class QSettings;

namespace refhost::libraries {

inline constexpr const char* kTitleError = "Tabrix: Błąd";

class HostErrorManager : public citforms::host::ErrorManager {
public:
    explicit HostErrorManager(citforms::host::UiSeam& ui) : ui_(&ui) {}
    void init(citforms::host::ErrorStatus* status) override;
    void report(std::string_view file, std::string_view text) override;
    int reported() const { return reported_; }
    // "FILE: text" of the last error reported; empty before the first.
    const std::string& lastReport() const { return lastReport_; }
    citforms::host::ErrorStatus* boundStatus() const { return status_; }

private:
    citforms::host::UiSeam* ui_;
    citforms::host::ErrorStatus* status_ = nullptr;
    int reported_ = 0;
    std::string lastReport_;
};

class HostIniManager : public citforms::host::IniManager {
public:
    HostIniManager();
    ~HostIniManager() override;
    void init(const std::string& fileName) override;
    std::string fetch(std::string_view section, std::string_view key,
                      std::string_view fallback = {}) override;
    void update(std::string_view section, std::string_view key, std::string_view value) override;
    // Writes pending entries to the file and closes it; fetch and update then do nothing.
    void kill() override;
    std::string fileName() const;

private:
    mutable std::mutex mutex_;
    std::unique_ptr<QSettings> settings_;
};

}  // namespace refhost::libraries
