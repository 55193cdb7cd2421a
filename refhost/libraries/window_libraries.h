#pragma once
// The host's declarations, contractor, settlements, print and statements libraries.
//
// Their windows (print parameters, deduction components, branch chooser, bank transfer,
// statement definitions) and the PDF maker are not part of this host yet: each operation tells
// the user so through the UI seam and gives the result that lets the caller go on without it
// (no printing, nothing chosen, no PDF). They hold no resources, so INIT and KILL have
// nothing to do.
#include "citforms/host/libraries.h"

namespace refhost::libraries {

class HostDeclarationsLibrary : public citforms::host::DeclarationsLibrary {
public:
    explicit HostDeclarationsLibrary(citforms::host::UiSeam& ui) : ui_(&ui) {}
    void INIT(citforms::host::ErrorManager*, citforms::host::IniManager*) override;
    void KILL() override;
    std::uint8_t PARAM_PRN_DEKLAR(std::string_view formName) override;  // 0: do not print
    void SKLADNIKI_ODLICZENIE(std::string_view position, std::string_view date,
                              std::string_view form) override;

private:
    citforms::host::UiSeam* ui_;
};

class HostContractorLibrary : public citforms::host::ContractorLibrary {
public:
    explicit HostContractorLibrary(citforms::host::UiSeam& ui) : ui_(&ui) {}
    void INIT(citforms::host::ErrorManager*, citforms::host::IniManager*) override;
    void KILL() override;
    std::uint8_t FIRMA_ODDZIAL(std::uint8_t mode, std::int32_t companyId) override;  // 0

private:
    citforms::host::UiSeam* ui_;
};

class HostSettlementsLibrary : public citforms::host::SettlementsLibrary {
public:
    explicit HostSettlementsLibrary(citforms::host::UiSeam& ui) : ui_(&ui) {}
    void INIT(citforms::host::ErrorManager*, citforms::host::IniManager*) override;
    void KILL() override;
    void UP_PRZELEW(std::uint8_t mode, std::int32_t transferId,
                    std::int32_t declarationId) override;

private:
    citforms::host::UiSeam* ui_;
};

// MAKEPDF and MAKEPDFANDSEND answer -1: no PDF was made.
class HostPrintLibrary : public citforms::host::PrintLibrary {
public:
    explicit HostPrintLibrary(citforms::host::UiSeam& ui) : ui_(&ui) {}
    void INIT(citforms::host::ErrorManager*, citforms::host::IniManager*) override;
    void KILL() override;
    std::int32_t MAKEPDF(std::uint8_t mode, std::string_view fileName,
                         citforms::host::PageList* pages) override;
    std::int32_t MAKEPDFANDSEND(citforms::host::PageList* pages) override;

private:
    citforms::host::UiSeam* ui_;
};

class HostStatementsLibrary : public citforms::host::StatementsLibrary {
public:
    explicit HostStatementsLibrary(citforms::host::UiSeam& ui) : ui_(&ui) {}
    void INIT(citforms::host::ErrorManager*, citforms::host::IniManager*) override;
    void KILL() override;
    void DEF_ZESTAW_NEW(std::int32_t declarationId, std::string_view kind, std::string_view code,
                        std::string_view caption) override;

private:
    citforms::host::UiSeam* ui_;
};

}  // namespace refhost::libraries
