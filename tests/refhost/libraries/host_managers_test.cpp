#include "refhost/libraries/host_managers.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <sstream>

#include "runtime/ui/scripted/scripted_ui.h"

namespace refhost::libraries {
namespace {

TEST(HostIniManager, KeepsWindowPositionsUnderTheProcedureName) {
    const auto file = std::filesystem::temp_directory_path() /
                      ("host-ini-" + std::to_string(::getpid()) + ".ini");
    std::filesystem::remove(file);
    {
        HostIniManager ini;
        EXPECT_EQ(ini.fetch("Param_CIT2", "X", "-1"), "-1");  // not initialised yet
        ini.init(file.string());
        ini.update("Param_CIT2", "X", "120");
        ini.update("CIT_ST_201", "Tytuł", "Zestawienie żółte");
        ini.kill();
        ini.kill();
    }
    HostIniManager again;
    again.init(file.string());
    EXPECT_EQ(again.fetch("Param_CIT2", "X"), "120");
    EXPECT_EQ(again.fetch("CIT_ST_201", "Tytuł"), "Zestawienie żółte");
    EXPECT_EQ(again.fetch("CIT_ST_201", "Y", "0"), "0");
    again.kill();
    std::filesystem::remove(file);
}

TEST(HostErrorManager, ShowsTheFileAndTheText) {
    std::ostringstream transcript;
    citforms::runtime::ScriptedUi ui(&transcript);
    HostErrorManager errors(ui);
    errors.report("DEKLARACJE_POZ", "disk I/O error");
    EXPECT_EQ(transcript.str(),
              "message\tTabrix: Błąd\terror\tDEKLARACJE_POZ: disk I/O error\t&OK\t1\tOK\tsingle\n");
    EXPECT_EQ(errors.reported(), 1);
}

}  // namespace
}  // namespace refhost::libraries
