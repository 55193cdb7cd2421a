#include "refhost/libraries/window_libraries.h"

#include <algorithm>

#include <QtCore/QDebug>

#include "citforms/host/page_list.h"
#include "refhost/db/statement_feeds.h"
#include "refhost/dialogs/host_windows.h"
#include "refhost/libraries/utility_library.h"
#include "refhost/print/mail_outbox.h"

namespace refhost::libraries {

void HostDeclarationsLibrary::INIT(citforms::host::ErrorManager*,
                                   citforms::host::IniManager* ini) {
    ini_ = ini;
}
void HostDeclarationsLibrary::KILL() { ini_ = nullptr; }

std::uint8_t HostDeclarationsLibrary::PARAM_PRN_DEKLAR(std::string_view formName) {
    return windows::printParameters(*state_, ini_, formName);
}

void HostDeclarationsLibrary::SKLADNIKI_ODLICZENIE(std::string_view position,
                                                   std::string_view date, std::string_view) {
    windows::deductionComponents(*state_, ini_, position, date);
}

void HostContractorLibrary::INIT(citforms::host::ErrorManager*,
                                 citforms::host::IniManager* ini) {
    ini_ = ini;
}
void HostContractorLibrary::KILL() { ini_ = nullptr; }

std::uint8_t HostContractorLibrary::FIRMA_ODDZIAL(std::uint8_t, std::int32_t companyId) {
    return windows::branchChooser(*state_, ini_, companyId);
}

void HostSettlementsLibrary::INIT(citforms::host::ErrorManager*,
                                  citforms::host::IniManager* ini) {
    ini_ = ini;
}
void HostSettlementsLibrary::KILL() { ini_ = nullptr; }

void HostSettlementsLibrary::UP_PRZELEW(std::uint8_t, std::int32_t transferId,
                                        std::int32_t declarationId) {
    windows::transfer(*state_, ini_, report_, transferId, declarationId);
}

using citforms::refhost::PdfMaker;

HostPrintLibrary::HostPrintLibrary(citforms::host::UiSeam& ui)
    : ui_(&ui), pdf_(std::make_unique<PdfMaker>()), outbox_(citforms::refhost::outboxFolder()) {}

HostPrintLibrary::~HostPrintLibrary() = default;

void HostPrintLibrary::INIT(citforms::host::ErrorManager*, citforms::host::IniManager*) {}

void HostPrintLibrary::KILL() {
    pdf_ = std::make_unique<PdfMaker>();
    pdf_->protectFiles(protected_);
}

void HostPrintLibrary::protectFiles(std::vector<std::string> files) {
    protected_ = std::move(files);
    pdf_->protectFiles(protected_);
}

void HostPrintLibrary::warn(const std::string& text) {
    ui_->message({citforms::host::kTitleWarning, text, "&Ok",
                  citforms::host::MessageIcon::Warning, 1});
}

std::int32_t HostPrintLibrary::MAKEPDF(std::uint8_t mode, std::string_view fileName,
                                       citforms::host::PageList* pages) {
    if (mode == 0) pdfName_ = std::string(fileName);
    const std::int32_t code = pdf_->MAKEPDF(mode, fileName, pages);
    // Appends after a failed start fail too: the user hears of it once, at the start, or at
    // the finish when the file could not be completed.
    if (code == PdfMaker::kOk || mode == 1) return code;
    switch (code) {
        case PdfMaker::kBadName:
            warn("Nie podano nazwy pliku PDF.");
            break;
        case PdfMaker::kNoPages:
            warn("Plik PDF " + pdfName_ + " nie został utworzony: brak stron do zapisania.");
            break;
        case PdfMaker::kNotStarted:
            break;  // the start already failed and was told
        default:
            warn("Nie można zapisać pliku PDF " + pdfName_ +
                 (pdf_->error().empty() ? std::string(".") : ": " + pdf_->error()));
    }
    return code;
}

std::int32_t HostPrintLibrary::MAKEPDFANDSEND(citforms::host::PageList* pages) {
    if (pages == nullptr || pages->empty()) return PdfMaker::kNoPages;
    std::error_code ec;
    std::filesystem::create_directories(outbox_, ec);
    // The declaration's name when the module gives it, else the run's.
    const std::string title =
        pages->documentTitle().empty() ? pages->at(0).title : pages->documentTitle();
    const std::filesystem::path pdf = citforms::refhost::freshOutboxName(outbox_, title, ".pdf");
    PdfMaker maker;  // its own: a PDF being made by MAKEPDF goes on undisturbed
    maker.protectFiles(protected_);
    std::int32_t code = maker.MAKEPDF(0, pdf.string(), pages);
    if (code == PdfMaker::kOk) code = maker.MAKEPDF(1, "", pages);
    if (code == PdfMaker::kOk) code = maker.MAKEPDF(2, "", nullptr);
    if (code != PdfMaker::kOk) {
        warn("Nie można zapisać pliku PDF w folderze " + outbox_.string() +
             (maker.error().empty() ? std::string(".") : ": " + maker.error()));
        return code;
    }
    auto eml = citforms::refhost::writeMailMessage(pdf, title,
                                                   citforms::refhost::attachmentName(title));
    if (!eml) {
        warn("Nie można przygotować wiadomości: " + eml.error());
        return PdfMaker::kCannotWrite;
    }
    lastMessage_ = *eml;
    if (notices_ != nullptr) {
        *notices_ << "mail\t" << eml->string() << '\n';
    } else {
        qInfo("tabrix: message ready in %s", eml->string().c_str());
    }
    return PdfMaker::kOk;
}

void HostStatementsLibrary::INIT(citforms::host::ErrorManager*,
                                 citforms::host::IniManager* ini) {
    ini_ = ini;
}
void HostStatementsLibrary::KILL() { ini_ = nullptr; }

void HostStatementsLibrary::DEF_ZESTAW_NEW(std::int32_t declarationId, std::string_view kind,
                                           std::string_view third, std::string_view fourth) {
    // The module's windows pass the position's code as the fourth text, the third empty: the
    // window opens at that code ("D" beside 36 at 36, not at the first code, 31).
    const std::string_view code = fourth.empty() ? third : fourth;
    windows::statementDefinitions(*state_, ini_, declarationId, kind.empty() ? "DD" : kind, code);
}

citforms::values::Result<std::vector<citforms::host::AccountFeed>>
HostStatementsLibrary::ZESTAWIENIE_DD_KONTA(std::int32_t companyId, std::int32_t from,
                                            std::int32_t to, std::int32_t declarationId) {
    using R = citforms::values::Result<std::vector<citforms::host::AccountFeed>>;
    // A refused read counts as any refused statement does: a caller comparing the count (the
    // batch) takes the check as failed, not as clean.
    const auto refused = [&](const std::string& text) {
        state_->noteFailure(text);
        return R::failure(text, citforms::values::ErrorKind::Database);
    };
    return state_->withDatabase([&](sql::HostDatabase& db) -> R {
        // The reconciliation of the books with the declaration's statements: the accounts no
        // statement takes are those `tabrix reconcile` marks.
        auto definition = db::declarationDefinition(db, declarationId);
        if (!definition) return refused(definition.error());
        auto reconciled = db::reconcile(db, companyId, from, to, *definition);
        if (!reconciled) return refused(reconciled.error());
        std::vector<citforms::host::AccountFeed> out;
        for (const db::AccountFeed& f : reconciled->accounts) {
            citforms::host::AccountFeed a;
            a.account = f.account;
            a.name = f.name;
            a.result = f.result;
            a.debit = citforms::values::Decimal::fromUnits(f.debit, 2);
            a.credit = citforms::values::Decimal::fromUnits(f.credit, 2);
            a.codes = f.codes;
            out.push_back(std::move(a));
        }
        return out;
    });
}

citforms::values::Result<citforms::host::StatementSources>
HostStatementsLibrary::ZESTAWIENIE_DD_ZRODLA(std::int32_t companyId, std::int32_t from,
                                             std::int32_t to, std::int32_t declarationId,
                                             std::string_view code,
                                             const citforms::host::PostingPage* postings) {
    using citforms::values::Decimal;
    using R = citforms::values::Result<citforms::host::StatementSources>;
    const auto refused = [&](const std::string& text) {
        state_->noteFailure(text);
        return R::failure(text, citforms::values::ErrorKind::Database);
    };
    const auto grosze = [](std::int64_t g) { return Decimal::fromUnits(g, 2); };
    return state_->withDatabase([&](sql::HostDatabase& db) -> R {
        auto sources =
            db::statementSources(db, companyId, from, to, declarationId, std::string(code));
        if (!sources) return refused(sources.error());
        citforms::host::StatementSources out;
        out.code = std::string(code);
        out.total = grosze(sources->total);
        std::vector<std::string> accounts;
        for (const db::SourceTerm& t : sources->terms) {
            citforms::host::SourceTerm term;
            term.line = t.line;
            term.mask = t.mask;
            term.measure = t.measure;
            term.sign = t.sign;
            term.known = t.known;
            term.matchesChart = t.matchesChart;
            for (const db::SourceAccount& a : t.accounts) {
                term.accounts.push_back({a.account, a.name, grosze(a.totals.debit),
                                         grosze(a.totals.credit), grosze(a.taken)});
                if (std::find(accounts.begin(), accounts.end(), a.account) == accounts.end())
                    accounts.push_back(a.account);
            }
            out.terms.push_back(std::move(term));
        }
        if (postings != nullptr) {
            if (!postings->account.empty()) accounts = {postings->account};
            long long count = 0;
            bool more = false;
            auto page = db::accountPostings(db, companyId, accounts, from, to, postings->offset,
                                            postings->limit, &more,
                                            postings->count ? &count : nullptr);
            if (!page) return refused(page.error());
            out.morePostings = more;
            if (postings->count) out.postingCount = count;
            for (const db::Posting& p : *page)
                out.postings.push_back({p.account, p.day, p.document, p.description,
                                        grosze(p.debit), grosze(p.credit)});
        }
        return out;
    });
}

}  // namespace refhost::libraries
