#pragma once
// The host's declarations, contractor, settlements, print and statements libraries.
//
// The print parameters, the bank transfer and the statement definitions are the host's own
// plain windows (refhost/dialogs/host_windows.h), and so is the branch chooser. The deduction
// components are not part of this host yet: each tells the user so through the UI seam and gives
// the result that lets the caller go on without it (nothing chosen). The print library makes PDF files (refhost/print/pdf_maker.h) and hands
// PDFs over for e-mail as messages in the outbox (refhost/print/mail_outbox.h).
#include <filesystem>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "citforms/host/libraries.h"
#include "citforms/print/report_runtime.h"
#include "refhost/libraries/host_state.h"
#include "refhost/print/pdf_maker.h"

namespace refhost::libraries {

class HostDeclarationsLibrary : public citforms::host::DeclarationsLibrary {
public:
    explicit HostDeclarationsLibrary(HostState& state) : state_(&state) {}
    void INIT(citforms::host::ErrorManager*, citforms::host::IniManager*) override;
    void KILL() override;
    std::uint8_t PARAM_PRN_DEKLAR(std::string_view formName) override;  // 0: do not print
    void SKLADNIKI_ODLICZENIE(std::string_view position, std::string_view date,
                              std::string_view form) override;

private:
    HostState* state_;
    citforms::host::IniManager* ini_ = nullptr;
};

class HostContractorLibrary : public citforms::host::ContractorLibrary {
public:
    explicit HostContractorLibrary(HostState& state) : state_(&state) {}
    void INIT(citforms::host::ErrorManager*, citforms::host::IniManager*) override;
    void KILL() override;
    // The branch chooser (refhost/dialogs/host_windows.h); 1 when branches were chosen.
    std::uint8_t FIRMA_ODDZIAL(std::uint8_t mode, std::int32_t companyId) override;

private:
    HostState* state_;
    citforms::host::IniManager* ini_ = nullptr;
};

class HostSettlementsLibrary : public citforms::host::SettlementsLibrary {
public:
    explicit HostSettlementsLibrary(HostState& state) : state_(&state) {}
    void INIT(citforms::host::ErrorManager*, citforms::host::IniManager*) override;
    void KILL() override;
    void UP_PRZELEW(std::uint8_t mode, std::int32_t transferId,
                    std::int32_t declarationId) override;
    // Where the transfer is previewed or printed (none: printing it is not offered).
    void setReportRuntime(citforms::print::ReportRuntime* report) { report_ = report; }

private:
    HostState* state_;
    citforms::print::ReportRuntime* report_ = nullptr;
    citforms::host::IniManager* ini_ = nullptr;
};

// MAKEPDF: one PDF at a time, started, appended to and finished (PdfMaker codes; 0 = done).
// MAKEPDFANDSEND: the pages as a PDF in the outbox folder with an .eml message that carries
// it; the message's path is written to the notice stream ("mail<TAB>path"). A PDF that cannot
// be started or finished is told to the user. KILL abandons a PDF left unfinished.
class HostPrintLibrary : public citforms::host::PrintLibrary {
public:
    explicit HostPrintLibrary(citforms::host::UiSeam& ui);
    ~HostPrintLibrary() override;
    void INIT(citforms::host::ErrorManager*, citforms::host::IniManager*) override;
    void KILL() override;
    std::int32_t MAKEPDF(std::uint8_t mode, std::string_view fileName,
                         citforms::host::PageList* pages) override;
    std::int32_t MAKEPDFANDSEND(citforms::host::PageList* pages) override;

    void setOutbox(std::filesystem::path folder) { outbox_ = std::move(folder); }
    const std::filesystem::path& outbox() const { return outbox_; }
    void setNotices(std::ostream* out) { notices_ = out; }
    // Files no PDF may replace: the open database's (output_file.h).
    void protectFiles(std::vector<std::string> files);
    const std::vector<std::string>& protectedFiles() const { return protected_; }
    // Pages of the PDF being made (0 when none is).
    int pagesWritten() const { return pdf_->pagesWritten(); }
    // The message file of the last hand-over.
    const std::filesystem::path& lastMessage() const { return lastMessage_; }

private:
    void warn(const std::string& text);

    citforms::host::UiSeam* ui_;
    std::unique_ptr<citforms::refhost::PdfMaker> pdf_;
    std::string pdfName_;
    std::filesystem::path outbox_;
    std::filesystem::path lastMessage_;
    std::ostream* notices_ = nullptr;
    std::vector<std::string> protected_;
};

class HostStatementsLibrary : public citforms::host::StatementsLibrary {
public:
    explicit HostStatementsLibrary(HostState& state) : state_(&state) {}
    void INIT(citforms::host::ErrorManager*, citforms::host::IniManager*) override;
    void KILL() override;
    void DEF_ZESTAW_NEW(std::int32_t declarationId, std::string_view kind, std::string_view code,
                        std::string_view caption) override;
    citforms::values::Result<std::vector<citforms::host::AccountFeed>> ZESTAWIENIE_DD_KONTA(
        std::int32_t companyId, std::int32_t from, std::int32_t to,
        std::int32_t declarationId) override;
    citforms::values::Result<citforms::host::StatementSources> ZESTAWIENIE_DD_ZRODLA(
        std::int32_t companyId, std::int32_t from, std::int32_t to, std::int32_t declarationId,
        std::string_view code, const citforms::host::PostingPage* postings) override;

private:
    HostState* state_;
    citforms::host::IniManager* ini_ = nullptr;
};

}  // namespace refhost::libraries
