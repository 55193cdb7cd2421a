#pragma once
// The reference host's utility library: SQL into the calling thread's result files, the
// error status, transactions, messages through the UI seam, the activity log (DZIENNIK) and
// the small text and date services.
//
// SQL is host-dialect text run through HostDatabase::run, so the dialect layer and the
// host's stored procedures apply. A failed statement leaves its result file empty, the
// engine's text in the error status (code kErrorDatabase) and returns false; it is not shown
// here, since the caller decides whether and how to show it.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "citforms/host/libraries.h"
#include "refhost/libraries/host_state.h"

namespace refhost::libraries {

// `text` as an SQL string literal: in apostrophes, each apostrophe doubled.
std::string sqlString(std::string_view text);

class HostUtilityLibrary : public citforms::host::UtilityLibrary {
public:
    explicit HostUtilityLibrary(HostState& state) : state_(&state) {}

    void INIT(citforms::host::ErrorManager* errorManager,
              citforms::host::IniManager* iniManager) override;
    void KILL() override;
    bool initialised() const { return initialised_; }

    bool execInto(citforms::host::ResultFileId file, std::string_view statement) override;
    std::string FUNCVAY(std::string_view query) override;
    citforms::host::ErrorStatus& errorStatus() override;

    bool beginTransaction() override;
    bool commitTransaction() override;
    void rollbackTransaction() override;

    void MSG_INF(std::string_view text) override;
    void MSG_OST(std::string_view text) override;
    std::uint8_t MSG_WYKONAJ(std::string_view title, std::string_view text,
                             std::optional<std::uint8_t> defaultNo = std::nullopt) override;
    void LOG_ADD(std::int32_t declarationId, std::string_view text, std::string_view category,
                 std::string_view operation) override;
    std::string FORMATDATA(std::int32_t day) override;
    std::string NAZWA_MIESIACA(std::int32_t month, std::int32_t year) override;
    std::string GET_NAZWA_ADRES_URZEDU(std::uint8_t mode, std::int32_t officeId) override;
    void INFO_ZESTAWIENIE(std::uint8_t mode) override;
    std::string TYLKO_CYFRY(std::string_view text) override;
    std::string ZAMIEN_ZNAK(std::string_view from, std::string_view to,
                            std::string_view text) override;
    std::string STR_REPLICATE(std::string_view character, std::int32_t count) override;
    std::string KALENDARZ(std::int32_t x, std::int32_t y, std::string_view date) override;
    std::uint8_t MAKSYMALIZUJ() override;
    void MAKSYMALIZACJAOFF() override;
    void SELECT_KEYBOARD(std::string_view picture) override;
    void SELECT_MOUSELEFT(std::string_view picture) override;
    void STRSTYLTOOLBAR(std::int32_t style, std::optional<std::uint8_t> a = std::nullopt,
                        std::optional<std::uint8_t> b = std::nullopt,
                        std::optional<std::uint8_t> c = std::nullopt) override;

    // The host's maximise request that MAKSYMALIZUJ answers until MAKSYMALIZACJAOFF.
    void requestMaximise(std::uint8_t request) { maximise_ = request; }

private:
    int message(const char* title, std::string_view text, const char* buttons,
                citforms::host::MessageIcon icon, int defaultButton = 1);

    HostState* state_;
    citforms::host::IniManager* ini_ = nullptr;  // where the calendar keeps its place
    bool initialised_ = false;
    std::uint8_t maximise_ = 0;
};

// Tells the user that a host window or service is not part of this host yet.
void tellNotAvailable(citforms::host::UiSeam& ui, std::string_view name);

}  // namespace refhost::libraries
