#pragma once
// The standard audit file of the books (JPK_KR, version 1), read as a stream.
//
// The file is validated against the published schema while it is read (libxml2's streaming
// reader with the schema attached; the schema's imports resolve through the XML catalog
// kept beside it, never over the network), so a file of millions of postings never sits in
// memory whole. What the books need is handed to a sink as it goes by: the header with the
// subject's NIP, every account of the chart (ZOiS) with its opening balance, and every
// posting (KontoZapis) joined with its journal entry (Dziennik) for the date, the document
// and the description. The control sums DziennikCtrl and KontoZapisCtrl are checked
// against what was read; the journal's booking dates must lie inside the file's period
// and every account posted to must be in its chart.
//
//   class Loader : public JpkKrSink { ... };
//   auto controls = readJpkKr(JpkKrSource::file("books.xml"), loader, {});
//   if (!controls) std::cerr << controls.error();   // "books.xml, wiersz 12, /JPK/...: ..."
//
// Every failure names the file, the line and the element path of the place it was found,
// and the reason, in Polish; a failure reported by the sink ends the reading the same way.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "citforms/values/result.h"

namespace refhost::db {

using citforms::values::Result;
using citforms::values::Status;

inline constexpr const char* kJpkKrNamespace = "http://jpk.mf.gov.pl/wzor/2016/03/09/03091/";

struct JpkKrHeader {
    int from = 0;  // DataOd, day number
    int to = 0;    // DataDo
    std::string currency;
    std::string officeCode;
    std::string nip;  // Podmiot1
    std::string fullName;
};

struct JpkKrAccount {
    std::string code;
    std::string name;
    std::string groupCode;  // KodZespolu
    std::string groupName;
    std::string type;  // TypKonta: "Bilansowe", "Wynikowe", …
    std::int64_t openingDebit = 0;  // grosze
    std::int64_t openingCredit = 0;
};

// One side of a KontoZapis row; `account` is empty when the row has no such side.
struct JpkKrSide {
    std::string account;
    std::int64_t amount = 0;          // grosze, in zloty
    std::int64_t foreignAmount = 0;   // hundredths of `currency`; 0 without one
    std::string currency;
    std::string description;          // the side's own, else the journal entry's
};

struct JpkKrPosting {
    long long row = 0;  // ordinal of the KontoZapis row in the file
    int day = 0;        // the journal entry's booking date
    std::string document;
    JpkKrSide debit;
    JpkKrSide credit;
};

struct JpkKrControls {
    long long journalEntries = 0;
    std::int64_t journalSum = 0;
    long long postingRows = 0;
    std::int64_t debitSum = 0;
    std::int64_t creditSum = 0;
};

class JpkKrSink {
public:
    virtual ~JpkKrSink() = default;
    // After Naglowek and Podmiot1: a failure here (a wrong NIP, a period outside the
    // company's years) ends the reading before any posting.
    virtual Status header(const JpkKrHeader& header) = 0;
    virtual Status account(const JpkKrAccount& account) = 0;
    virtual Status posting(const JpkKrPosting& posting) = 0;
};

// The journal entries (Dziennik) by number, kept compact: a file of a million postings has
// hundreds of thousands of them, and each posting needs its entry's date and document. The
// texts lie end to end in one store, addressed by 64-bit offsets: a journal's documents and
// descriptions together may well pass 4 GiB.
class JpkKrJournal {
public:
    struct Entry {
        int day = 0;
        std::uint64_t document = 0;  // offsets into the text store
        std::uint64_t description = 0;
    };

    // False when the number is there already.
    bool add(const std::string& number, int day, std::string_view document,
             std::string_view description);
    const Entry* find(const std::string& number) const;
    std::string_view textAt(std::uint64_t offset) const;

private:
    std::uint64_t store(std::string_view text);

    std::unordered_map<std::string, std::size_t> byNumber_;
    std::vector<Entry> entries_;
    std::string texts_;  // each text followed by a NUL (which XML text never holds)
};

// Where the XML comes from: a file, or text in memory (`name` shows in messages).
struct JpkKrSource {
    std::string name;
    std::string path;            // read from the file when not empty
    std::string_view text;       // else from here

    static JpkKrSource file(std::string path) { return {path, path, {}}; }
    static JpkKrSource memory(std::string name, std::string_view text) {
        return {std::move(name), {}, text};
    }
};

struct JpkKrOptions {
    bool validate = true;  // against the schema; off only where a caller checks otherwise
    // Called now and then with the number of bytes of the source read so far.
    std::function<void(std::uint64_t bytesRead, long long postingRows)> progress;
};

Result<JpkKrControls> readJpkKr(const JpkKrSource& source, JpkKrSink& sink,
                                const JpkKrOptions& options = {});

// The folder of the schema and its catalog: $TABRIX_JPK_SCHEMA_DIR, else the one the build
// put beside the program's sources.
std::string jpkKrSchemaFolder();

// Loads the schema once per process (later calls return the first outcome).
Status loadJpkKrSchema();

}  // namespace refhost::db
