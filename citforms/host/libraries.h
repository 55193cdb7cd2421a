#pragma once
// The host application's libraries as the module calls them.
//
// One abstract class per host library; every library has INIT (error manager, INI manager)
// and KILL, called by CITFORMS:INIT / CITFORMS:KILL in a fixed order. Operation names are
// the host's own. SQL is plain text built by the caller in the host database's dialect;
// numbers are plain integers and dates day numbers. SQL operations never throw: they return
// false, set the calling thread's error status and leave the result file empty.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "citforms/host/globals.h"
#include "citforms/host/managers.h"
#include "citforms/host/record_file.h"
#include "citforms/host/result_file.h"
#include "citforms/host/ui_seam.h"
#include "citforms/values/decimal.h"
#include "citforms/values/result.h"

namespace citforms::host {

class PageList;  // pages captured by one print run (print pipeline)

class HostLibrary {
public:
    virtual ~HostLibrary() = default;
    virtual void INIT(ErrorManager* errorManager, IniManager* iniManager) = 0;
    virtual void KILL() = 0;
};

// Host utility library: SQL, messages, activity log, small text and date services.
class UtilityLibrary : public HostLibrary {
public:
    // Runs one statement; its rows can then be read from the named result file.
    virtual bool execInto(ResultFileId file, std::string_view statement) = 0;
    bool EXECSQL(std::string_view s) { return execInto(ResultFileId::ZAPYTANIESQL, s); }
    bool EXECSQL1(std::string_view s) { return execInto(ResultFileId::ZAPYTANIESQL1, s); }
    bool EXECVAX(std::string_view s) { return execInto(ResultFileId::VAX_FK, s); }
    bool EXECVAY(std::string_view s) { return execInto(ResultFileId::VAY_FK, s); }
    bool EXECVAZ(std::string_view s) { return execInto(ResultFileId::VAZ_FK, s); }
    // First column of the first row as text; "" when there is no row or the query failed.
    virtual std::string FUNCVAY(std::string_view query) = 0;

    // Error status of the calling thread after the last SQL or file operation.
    virtual ErrorStatus& errorStatus() = 0;
    const std::string& fileErrorText() { return errorStatus().text; }

    // Transaction bracket for the saves: nested calls join the outer transaction.
    virtual bool beginTransaction() = 0;
    virtual bool commitTransaction() = 0;
    virtual void rollbackTransaction() = 0;

    virtual void MSG_INF(std::string_view text) = 0;
    virtual void MSG_OST(std::string_view text) = 0;
    // Asks whether to go on; 1 = go on. `defaultNo` (the optional BYTE) makes "no" the default.
    virtual std::uint8_t MSG_WYKONAJ(std::string_view title, std::string_view text,
                                     std::optional<std::uint8_t> defaultNo = std::nullopt) = 0;
    virtual void LOG_ADD(std::int32_t declarationId, std::string_view text,
                         std::string_view category, std::string_view operation) = 0;
    virtual std::string FORMATDATA(std::int32_t day) = 0;
    virtual std::string NAZWA_MIESIACA(std::int32_t month, std::int32_t year) = 0;
    virtual std::string GET_NAZWA_ADRES_URZEDU(std::uint8_t mode, std::int32_t officeId) = 0;
    virtual void INFO_ZESTAWIENIE(std::uint8_t mode) = 0;
    virtual std::string TYLKO_CYFRY(std::string_view text) = 0;
    // `text` with every `from` (one character) replaced by `to`; the two characters come first.
    virtual std::string ZAMIEN_ZNAK(std::string_view from, std::string_view to,
                                    std::string_view text) = 0;
    virtual std::string STR_REPLICATE(std::string_view character, std::int32_t count) = 0;
    virtual std::string KALENDARZ(std::int32_t x, std::int32_t y, std::string_view date) = 0;
    virtual std::uint8_t MAKSYMALIZUJ() = 0;
    virtual void MAKSYMALIZACJAOFF() = 0;
    virtual void SELECT_KEYBOARD(std::string_view picture) = 0;
    virtual void SELECT_MOUSELEFT(std::string_view picture) = 0;
    virtual void STRSTYLTOOLBAR(std::int32_t style, std::optional<std::uint8_t> a = std::nullopt,
                                std::optional<std::uint8_t> b = std::nullopt,
                                std::optional<std::uint8_t> c = std::nullopt) = 0;
};

// Host data library: record buffers, result files and per-thread globals.
class DataLibrary : public HostLibrary {
public:
    virtual Globals& globals() = 0;                      // the calling thread's
    virtual RecordFile& file(HostFileId id) = 0;         // the calling thread's
    virtual ResultFile& result(ResultFileId id) = 0;     // the calling thread's
    virtual void attachErrorManager(HostFileId id, ErrorManager* manager) = 0;
};

// Host declarations library.
class DeclarationsLibrary : public HostLibrary {
public:
    // Print-parameter dialog for a form ("CIT-8", "CIT-8/O", ...); 1 = go on and print.
    virtual std::uint8_t PARAM_PRN_DEKLAR(std::string_view formName) = 0;
    virtual void SKLADNIKI_ODLICZENIE(std::string_view position, std::string_view date,
                                      std::string_view form) = 0;
};

// Host contractor library.
class ContractorLibrary : public HostLibrary {
public:
    // Branch chooser; 1 = chosen (the choice is left in ZAZNACZENIE).
    virtual std::uint8_t FIRMA_ODDZIAL(std::uint8_t mode, std::int32_t companyId) = 0;
};

// Host settlements library.
class SettlementsLibrary : public HostLibrary {
public:
    virtual void UP_PRZELEW(std::uint8_t mode, std::int32_t transferId,
                            std::int32_t declarationId) = 0;
};

// Host print library.
class PrintLibrary : public HostLibrary {
public:
    // mode 0 starts a PDF file, 1 appends the pages of `pages`, 2 finishes it; 0 = success.
    virtual std::int32_t MAKEPDF(std::uint8_t mode, std::string_view fileName,
                                 PageList* pages) = 0;
    virtual std::int32_t MAKEPDFANDSEND(PageList* pages) = 0;
};

// One account of the company's books with turnover over a period, and the statements of a
// declaration that read it.
struct AccountFeed {
    std::string account;
    std::string name;
    bool result = false;  // an account of the income statement (costs, revenue)
    values::Decimal debit;   // turnovers over the period
    values::Decimal credit;
    std::vector<std::string> codes;  // the statement codes ("36", "O12") whose masks take it
};

// Where a statement's amount comes from: the terms of its definition (ZESTAWIENIE_DEFINICJA)
// and, for each, the accounts of the chart its mask takes with their turnovers over the period
// and what the term takes of them, signed as the term adds it. The terms' takings add up to
// the amount ZESTAWIENIE_DD_OBLICZ gives for the same code and period.
struct SourceAccount {
    std::string account;
    std::string name;
    values::Decimal debit;   // turnovers over the period
    values::Decimal credit;
    values::Decimal taken;   // what the term takes of them, with the term's sign
};

struct SourceTerm {
    int line = 0;           // lp of the definition row
    std::string mask;       // "70*"
    std::string measure;    // "WN", "MA", "SWN", "SMA" as the row holds it
    int sign = 1;
    bool known = true;      // false: a measure the statement cannot evaluate (it adds nothing)
    std::vector<SourceAccount> accounts;  // accounts of the chart the mask takes, with turnover
    bool matchesChart = true;             // false: the mask names no account of the chart
};

// One posting of the books behind an account.
struct SourcePosting {
    std::string account;
    std::int32_t day = 0;
    std::string document;
    std::string description;
    values::Decimal debit;
    values::Decimal credit;
};

// Which postings to list with the sources: those of one account (empty: of every account the
// statement takes), `limit` of them from the `offset`-th in the order of dates.
struct PostingPage {
    std::string account;
    std::int32_t offset = 0;
    std::int32_t limit = 100;
    // Whether to count all of them (a read of every posting of the period, where a page stops
    // at its end).
    bool count = false;
};

struct StatementSources {
    std::string code;
    std::vector<SourceTerm> terms;  // empty: the declaration has no definition of the code
    values::Decimal total;          // the sum of every term's takings
    std::vector<SourcePosting> postings;  // the page asked for
    bool morePostings = false;            // postings follow the page
    std::int64_t postingCount = -1;       // how many there are in all; -1: not counted
};

// Host statements library.
class StatementsLibrary : public HostLibrary {
public:
    // Host interface version 3. The sources of the statement of code `code` ("31", "O12") of
    // declaration `declarationId` over days `from` to `to` of company `companyId`'s books,
    // evaluated as ZESTAWIENIE_DD_OBLICZ evaluates it; with `postings`, the page of postings
    // it names. A failure when the definitions or the books cannot be read.
    virtual values::Result<StatementSources> ZESTAWIENIE_DD_ZRODLA(
        std::int32_t companyId, std::int32_t from, std::int32_t to, std::int32_t declarationId,
        std::string_view code, const PostingPage* postings) = 0;

    // Every account of company `companyId` with turnover from day `from` to day `to` (both
    // included), in the order of their numbers, with the codes of declaration
    // `declarationId`'s statements whose account masks take it, matched as
    // ZESTAWIENIE_DD_OBLICZ matches them. A failure when the books cannot be read.
    virtual values::Result<std::vector<AccountFeed>> ZESTAWIENIE_DD_KONTA(
        std::int32_t companyId, std::int32_t from, std::int32_t to,
        std::int32_t declarationId) = 0;
    // The statement-definition window. The declaration windows call it as
    // (id, "DD", "", code): the third text is empty and the fourth is the statement code of
    // the position ("31", "O8"), empty for the whole declaration ("Definicja").
    virtual void DEF_ZESTAW_NEW(std::int32_t declarationId, std::string_view kind,
                                std::string_view code, std::string_view caption) = 0;
};

}  // namespace citforms::host
