#include "refhost/db/jpk_kr_reader.h"

#include <libxml/catalog.h>
#include <libxml/parser.h>
#include <libxml/xmlIO.h>
#include <libxml/xmlreader.h>
#include <libxml/xmlschemas.h>

#include <cstdlib>
#include <mutex>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "citforms/values/text.h"
#include "refhost/db/amounts.h"
#include "refhost/db/days.h"

#ifndef CITFORMS_JPK_SCHEMA_DIR
#define CITFORMS_JPK_SCHEMA_DIR "refhost/schemas/jpk_kr"
#endif

namespace refhost::db {

namespace {

constexpr const char* kSchemaFile = "Schemat_JPK_KR(1)_v1-0.xsd";
// Progress is reported every this many KontoZapis rows.
constexpr long long kProgressEvery = 4096;

const char* text(const xmlChar* s) { return s != nullptr ? reinterpret_cast<const char*>(s) : ""; }

// libxml2 prints to standard error unless told otherwise; the reader's messages go to its
// own handler, the rest nowhere. (A global structured handler would take the reader's
// messages too, so only the generic one is silenced.)
void ignoreError(void*, xmlErrorPtr) {}
void ignoreGenericError(void*, const char*, ...) {}

struct SchemaHolder {
    xmlSchemaPtr schema = nullptr;
    std::string error;
};

SchemaHolder& schemaHolder() {
    static SchemaHolder holder;
    static std::once_flag once;
    std::call_once(once, [] {
        xmlInitParser();
        // Imports resolve through the catalog; anything else over the network is refused.
        xmlSetExternalEntityLoader(xmlNoNetExternalEntityLoader);
        const std::string folder = jpkKrSchemaFolder();
        const std::string catalog = folder + "/catalog.xml";
        if (xmlLoadCatalog(catalog.c_str()) != 0) {
            holder.error = "nie można wczytać katalogu schematów " + catalog;
            return;
        }
        const std::string path = folder + "/" + kSchemaFile;
        xmlSchemaParserCtxtPtr ctxt = xmlSchemaNewParserCtxt(path.c_str());
        if (ctxt == nullptr) {
            holder.error = "nie można otworzyć schematu " + path;
            return;
        }
        xmlSchemaSetParserStructuredErrors(ctxt, ignoreError, nullptr);
        holder.schema = xmlSchemaParse(ctxt);
        xmlSchemaFreeParserCtxt(ctxt);
        if (holder.schema == nullptr) holder.error = "niepoprawny schemat JPK_KR " + path;
    });
    return holder;
}

// A libxml2 message without the namespaces in braces, on one line.
std::string tidy(std::string message) {
    for (std::size_t open = message.find('{'); open != std::string::npos;
         open = message.find('{', open)) {
        const std::size_t close = message.find('}', open);
        if (close == std::string::npos) break;
        message.erase(open, close - open + 1);
    }
    while (!message.empty() && (message.back() == '\n' || message.back() == ' '))
        message.pop_back();
    for (char& c : message) {
        if (c == '\n') c = ' ';
    }
    return message;
}

// The journal entries by number, kept compact: a file of a million postings has hundreds of
// thousands of them, and each posting needs its entry's date and document.
class Journal {
public:
    struct Entry {
        int day = 0;
        std::uint32_t document = 0;  // offset into the text store
        std::uint32_t description = 0;
    };

    bool add(const std::string& number, int day, std::string_view document,
             std::string_view description) {
        const auto index = static_cast<std::uint32_t>(entries_.size());
        if (!byNumber_.emplace(number, index).second) return false;
        entries_.push_back(Entry{day, store(document), store(description)});
        return true;
    }
    const Entry* find(const std::string& number) const {
        auto it = byNumber_.find(number);
        return it == byNumber_.end() ? nullptr : &entries_[it->second];
    }
    std::string_view textAt(std::uint32_t offset) const {
        return std::string_view(texts_.data() + offset);
    }

private:
    std::uint32_t store(std::string_view s) {
        const auto at = static_cast<std::uint32_t>(texts_.size());
        texts_.append(s);
        texts_.push_back('\0');
        return at;
    }

    std::unordered_map<std::string, std::uint32_t> byNumber_;
    std::vector<Entry> entries_;
    std::string texts_;
};

bool addChecked(std::int64_t& sum, std::int64_t value) {
    return !__builtin_add_overflow(sum, value, &sum);
}

class Reader {
public:
    Reader(const JpkKrSource& source, JpkKrSink& sink, const JpkKrOptions& options)
        : source_(source), sink_(sink), options_(options) {}

    ~Reader() {
        if (reader_ != nullptr) xmlFreeTextReader(reader_);
    }

    Result<JpkKrControls> run() {
        using R = Result<JpkKrControls>;
        xmlSetGenericErrorFunc(nullptr, ignoreGenericError);  // per thread in libxml2
        if (options_.validate) {
            const SchemaHolder& schema = schemaHolder();
            if (schema.schema == nullptr) return R::failure(source_.name + ": " + schema.error);
        }
        const int flags = XML_PARSE_NONET | XML_PARSE_NOCDATA | XML_PARSE_COMPACT | XML_PARSE_NOBLANKS;
        if (!source_.path.empty()) {
            reader_ = xmlReaderForFile(source_.path.c_str(), nullptr, flags);
        } else {
            reader_ = xmlReaderForMemory(source_.text.data(),
                                         static_cast<int>(source_.text.size()), source_.name.c_str(),
                                         nullptr, flags);
        }
        if (reader_ == nullptr) return R::failure(source_.name + ": nie można otworzyć pliku");
        xmlTextReaderSetStructuredErrorHandler(reader_, &Reader::onError, this);
        if (options_.validate && xmlTextReaderSetSchema(reader_, schemaHolder().schema) != 0) {
            return R::failure(source_.name + ": nie można włączyć sprawdzania zgodności ze schematem");
        }
        int status = 0;
        xmlResetLastError();
        while ((status = xmlTextReaderRead(reader_)) == 1) {
            if (auto st = node(); !st) return R::failure(st.error());
            if (!libxmlError_.empty()) break;
        }
        // With the schema attached, the parser's own errors bypass the reader's handler (the
        // validator takes over the parser's callbacks); they are still its last error.
        if (libxmlError_.empty() && status < 0) onError(this, xmlGetLastError());
        if (!libxmlError_.empty()) return R::failure(libxmlError_);
        if (status < 0) return R::failure(where() + "plik XML jest uszkodzony");
        if (options_.validate && xmlTextReaderIsValid(reader_) != 1) {
            return R::failure(where() + "plik jest niezgodny ze schematem JPK_KR");
        }
        if (!sawRoot_) return R::failure(source_.name + ": plik nie zawiera elementu JPK");
        if (!sawJournalCtrl_) return R::failure(source_.name + ": brak elementu DziennikCtrl");
        if (!sawPostingCtrl_) return R::failure(source_.name + ": brak elementu KontoZapisCtrl");
        return got_;
    }

private:
    static void onError(void* self, xmlErrorPtr error) {
        auto* me = static_cast<Reader*>(self);
        if (error == nullptr || error->level < XML_ERR_ERROR || !me->libxmlError_.empty()) return;
        const bool schemaError = error->domain == XML_FROM_SCHEMASV;
        std::string message = me->source_.name + ", wiersz " + std::to_string(error->line);
        // The validator follows the reader, so the path is the element at fault; the parser
        // reads ahead of it, so there only the line is sure.
        if (schemaError && !me->path_.empty()) message += ", " + me->elementPath();
        message += schemaError ? ": niezgodność ze schematem JPK_KR: "
                               : ": niepoprawny plik XML: ";
        message += tidy(error->message != nullptr ? error->message : "");
        me->libxmlError_ = message;
    }

    std::string elementPath() const {
        std::string out;
        for (std::size_t i = 0; i < path_.size(); ++i) {
            out += "/" + path_[i];
            if (i == 1 && recordOrdinal_ > 0) out += "[" + std::to_string(recordOrdinal_) + "]";
        }
        return out;
    }

    std::string where() const {
        const xmlNodePtr node = xmlTextReaderCurrentNode(reader_);
        const long line = node != nullptr ? xmlGetLineNo(node) : -1;
        std::string out = source_.name + ", wiersz " +
                          std::to_string(line > 0 ? line : xmlTextReaderGetParserLineNumber(reader_));
        if (!path_.empty()) out += ", " + elementPath();
        return out + ": ";
    }

    Status fail(const std::string& reason) const { return Status::failure(where() + reason); }
    Status fromSink(Status st) const { return st ? st : fail(st.error()); }

    Status node() {
        switch (xmlTextReaderNodeType(reader_)) {
            case XML_READER_TYPE_ELEMENT: {
                const std::string name = text(xmlTextReaderConstLocalName(reader_));
                const bool empty = xmlTextReaderIsEmptyElement(reader_) == 1;
                if (auto st = open(name); !st) return st;
                if (empty) return close();
                return {};
            }
            case XML_READER_TYPE_TEXT:
            case XML_READER_TYPE_CDATA:
            case XML_READER_TYPE_SIGNIFICANT_WHITESPACE:
                if (path_.size() > 2 || (path_.size() == 2 && section_ != Section::Other)) {
                    value_ += text(xmlTextReaderConstValue(reader_));
                }
                return {};
            case XML_READER_TYPE_END_ELEMENT:
                return close();
            default:
                return {};
        }
    }

    enum class Section {
        Other, Header, Subject, Account, Journal, JournalCtrl, Posting, PostingCtrl
    };

    Status open(const std::string& name) {
        path_.push_back(name);
        value_.clear();
        if (path_.size() == 1) {
            if (name != "JPK" || std::string_view(text(xmlTextReaderConstNamespaceUri(reader_))) !=
                                     kJpkKrNamespace) {
                return fail("to nie jest plik JPK_KR (oczekiwano elementu JPK w przestrzeni nazw " +
                            std::string(kJpkKrNamespace) + ")");
            }
            sawRoot_ = true;
            return {};
        }
        if (path_.size() != 2) return {};
        recordOrdinal_ = 0;
        if (name == "Naglowek") {
            section_ = Section::Header;
        } else if (name == "Podmiot1") {
            section_ = Section::Subject;
        } else if (name == "ZOiS") {
            section_ = Section::Account;
            account_ = {};
            recordOrdinal_ = ++accounts_;
        } else if (name == "Dziennik") {
            section_ = Section::Journal;
            entry_ = {};
            recordOrdinal_ = got_.journalEntries + 1;
        } else if (name == "DziennikCtrl") {
            section_ = Section::JournalCtrl;
            ctrl_ = {};
        } else if (name == "KontoZapis") {
            if (!headerSent_) return fail("zapisy na kontach przed nagłówkiem i danymi podmiotu");
            section_ = Section::Posting;
            posting_ = {};
            recordOrdinal_ = got_.postingRows + 1;
        } else if (name == "KontoZapisCtrl") {
            section_ = Section::PostingCtrl;
            ctrl_ = {};
        } else {
            section_ = Section::Other;
        }
        return {};
    }

    Status close() {
        if (path_.empty()) return {};
        Status st;
        if (path_.size() == 2) {
            st = endSection();
        } else if (path_.size() > 2) {
            st = field(path_.back());
        }
        path_.pop_back();
        value_.clear();
        return st;
    }

    // Text of a field with the blanks around it removed (the schema's types collapse them).
    std::string trimmed() const { return std::string(citforms::values::trim(value_)); }

    Status amount(std::int64_t& out) {
        const std::string v = trimmed();
        auto grosze = v.find(',') == std::string::npos ? parseGrosze(v) : std::nullopt;
        if (!grosze) return fail("niepoprawna kwota „" + v + "”");
        out = *grosze;
        return {};
    }

    Status date(int& out) {
        const std::string v = trimmed();
        auto day = parseIsoDay(v);
        if (!day) return fail("niepoprawna data „" + v + "” (oczekiwano rrrr-mm-dd)");
        out = *day;
        return {};
    }

    Status count(long long& out) {
        const std::string v = trimmed();
        const std::optional<long long> n = citforms::values::parseInteger<long long>(v);
        if (!n || *n < 0) return fail("niepoprawna liczba „" + v + "”");
        out = *n;
        return {};
    }

    // The end of a field inside a record.
    Status field(const std::string& name) {
        switch (section_) {
            case Section::Header:
                if (name == "DataOd") return date(header_.from);
                if (name == "DataDo") return date(header_.to);
                if (name == "DomyslnyKodWaluty") header_.currency = trimmed();
                if (name == "KodUrzedu") header_.officeCode = trimmed();
                return {};
            case Section::Subject:
                if (name == "NIP") header_.nip = trimmed();
                if (name == "PelnaNazwa") header_.fullName = trimmed();
                return {};
            case Section::Account:
                if (name == "KodKonta") account_.code = trimmed();
                if (name == "OpisKonta") account_.name = trimmed();
                if (name == "KodZespolu") account_.groupCode = trimmed();
                if (name == "OpisZespolu") account_.groupName = trimmed();
                if (name == "BilansOtwarciaWinien") return amount(account_.openingDebit);
                if (name == "BilansOtwarciaMa") return amount(account_.openingCredit);
                return {};
            case Section::Journal:
                if (name == "NrZapisuDziennika") entry_.number = trimmed();
                if (name == "NrDowoduKsiegowego") entry_.document = trimmed();
                if (name == "OpisOperacji") entry_.description = trimmed();
                if (name == "DataKsiegowania") {
                    entry_.hasDay = true;
                    return date(entry_.day);
                }
                if (name == "DziennikKwotaOperacji") return amount(entry_.amount);
                return {};
            case Section::JournalCtrl:
                if (name == "LiczbaWierszyDziennika") return count(ctrl_.rows);
                if (name == "SumaKwotOperacji") return amount(ctrl_.sum);
                return {};
            case Section::Posting:
                return postingField(name);
            case Section::PostingCtrl:
                if (name == "LiczbaWierszyKontoZapisj") return count(ctrl_.rows);
                if (name == "SumaWinien") return amount(ctrl_.sum);
                if (name == "SumaMa") return amount(ctrl_.sum2);
                return {};
            case Section::Other:
                return {};
        }
        return {};
    }

    Status postingField(const std::string& name) {
        JpkKrPosting& p = posting_.value;
        if (name == "NrZapisu") {
            posting_.entry = trimmed();
        } else if (name == "KodKontaWinien") {
            p.debit.account = trimmed();
        } else if (name == "KwotaWinien") {
            return amount(p.debit.amount);
        } else if (name == "KwotaWinienWaluta") {
            return amount(p.debit.foreignAmount);
        } else if (name == "KodWalutyWinien") {
            p.debit.currency = trimmed();
        } else if (name == "OpisZapisuWinien") {
            p.debit.description = trimmed();
        } else if (name == "KodKontaMa") {
            p.credit.account = trimmed();
        } else if (name == "KwotaMa") {
            return amount(p.credit.amount);
        } else if (name == "KwotaMaWaluta") {
            return amount(p.credit.foreignAmount);
        } else if (name == "KodWalutyMa") {
            p.credit.currency = trimmed();
        } else if (name == "OpisZapisuMa") {
            p.credit.description = trimmed();
        }
        return {};
    }

    Status endSection() {
        const Section section = section_;
        section_ = Section::Other;
        switch (section) {
            case Section::Subject: return sendHeader();
            case Section::Account: return endAccount();
            case Section::Journal: return endJournalEntry();
            case Section::JournalCtrl: return endJournalCtrl();
            case Section::Posting: return endPosting();
            case Section::PostingCtrl: return endPostingCtrl();
            case Section::Header:
            case Section::Other: return {};
        }
        return {};
    }

    Status sendHeader() {
        if (header_.from == 0 || header_.to == 0) return fail("brak okresu DataOd–DataDo w nagłówku");
        if (header_.from > header_.to) {
            return fail("okres pliku jest pusty: DataOd " + isoDate(header_.from) +
                        " jest po DataDo " + isoDate(header_.to));
        }
        if (header_.nip.empty()) return fail("brak NIP podmiotu");
        headerSent_ = true;
        return fromSink(sink_.header(header_));
    }

    Status endAccount() {
        if (!headerSent_) return fail("plan kont przed nagłówkiem i danymi podmiotu");
        if (account_.code.empty()) return fail("brak kodu konta");
        if (!chart_.insert(account_.code).second) {
            return fail("konto " + account_.code + " występuje w ZOiS więcej niż raz");
        }
        return fromSink(sink_.account(account_));
    }

    Status endJournalEntry() {
        if (entry_.number.empty()) return fail("brak numeru zapisu dziennika");
        if (!entry_.hasDay) return fail("brak daty księgowania");
        if (entry_.day < header_.from || entry_.day > header_.to) {
            return fail("data księgowania " + isoDate(entry_.day) + " leży poza okresem pliku " +
                        isoDate(header_.from) + " – " + isoDate(header_.to));
        }
        if (!journal_.add(entry_.number, entry_.day, entry_.document, entry_.description)) {
            return fail("numer zapisu dziennika " + entry_.number + " powtarza się");
        }
        ++got_.journalEntries;
        if (!addChecked(got_.journalSum, entry_.amount)) return fail("suma kwot poza zakresem");
        return {};
    }

    Status mismatch(const std::string& what, const std::string& declared, const std::string& read) {
        return fail("suma kontrolna się nie zgadza: " + what + " " + declared +
                    ", a z wierszy pliku wynika " + read);
    }

    Status endJournalCtrl() {
        sawJournalCtrl_ = true;
        if (ctrl_.rows != got_.journalEntries) {
            return mismatch("LiczbaWierszyDziennika", std::to_string(ctrl_.rows),
                            std::to_string(got_.journalEntries));
        }
        if (ctrl_.sum != got_.journalSum) {
            return mismatch("SumaKwotOperacji", formatGrosze(ctrl_.sum),
                            formatGrosze(got_.journalSum));
        }
        return {};
    }

    Status side(JpkKrSide& s, const char* label, const Journal::Entry& entry) {
        if (s.account == "null") s.account.clear();
        if (s.account.empty()) {
            if (s.amount != 0) return fail(std::string("kwota ") + label + " bez konta");
            return {};
        }
        if (chart_.count(s.account) == 0) {
            return fail("konto " + s.account + " nie występuje w zestawieniu obrotów i sald (ZOiS)");
        }
        if (s.foreignAmount != 0 && s.currency.empty()) {
            return fail(std::string("kwota w walucie po stronie ") + label + " bez kodu waluty");
        }
        if (s.description.empty()) s.description = journal_.textAt(entry.description);
        return {};
    }

    Status endPosting() {
        JpkKrPosting& p = posting_.value;
        const Journal::Entry* entry = journal_.find(posting_.entry);
        if (entry == nullptr) {
            return fail("zapis " + posting_.entry + " nie ma odpowiednika w dzienniku");
        }
        if (auto st = side(p.debit, "Winien", *entry); !st) return st;
        if (auto st = side(p.credit, "Ma", *entry); !st) return st;
        p.row = ++got_.postingRows;
        p.day = entry->day;
        p.document = journal_.textAt(entry->document);
        if (!addChecked(got_.debitSum, p.debit.amount) ||
            !addChecked(got_.creditSum, p.credit.amount)) {
            return fail("suma kwot poza zakresem");
        }
        if (options_.progress && got_.postingRows % kProgressEvery == 0) {
            options_.progress(static_cast<std::uint64_t>(xmlTextReaderByteConsumed(reader_)),
                              got_.postingRows);
        }
        return fromSink(sink_.posting(p));
    }

    Status endPostingCtrl() {
        sawPostingCtrl_ = true;
        if (ctrl_.rows != got_.postingRows) {
            return mismatch("LiczbaWierszyKontoZapisj", std::to_string(ctrl_.rows),
                            std::to_string(got_.postingRows));
        }
        if (ctrl_.sum != got_.debitSum) {
            return mismatch("SumaWinien", formatGrosze(ctrl_.sum), formatGrosze(got_.debitSum));
        }
        if (ctrl_.sum2 != got_.creditSum) {
            return mismatch("SumaMa", formatGrosze(ctrl_.sum2), formatGrosze(got_.creditSum));
        }
        return {};
    }

    struct EntryFields {
        std::string number;
        std::string document;
        std::string description;
        int day = 0;
        bool hasDay = false;
        std::int64_t amount = 0;
    };
    struct PostingFields {
        std::string entry;
        JpkKrPosting value;
    };
    struct CtrlFields {
        long long rows = -1;
        std::int64_t sum = 0;
        std::int64_t sum2 = 0;
    };

    const JpkKrSource& source_;
    JpkKrSink& sink_;
    const JpkKrOptions& options_;
    xmlTextReaderPtr reader_ = nullptr;
    std::string libxmlError_;

    std::vector<std::string> path_;
    long long recordOrdinal_ = 0;
    Section section_ = Section::Other;
    std::string value_;

    bool sawRoot_ = false;
    bool headerSent_ = false;
    bool sawJournalCtrl_ = false;
    bool sawPostingCtrl_ = false;
    long long accounts_ = 0;
    JpkKrHeader header_;
    JpkKrAccount account_;
    EntryFields entry_;
    PostingFields posting_;
    CtrlFields ctrl_;
    std::unordered_set<std::string> chart_;
    Journal journal_;
    JpkKrControls got_;
};

}  // namespace

std::string jpkKrSchemaFolder() {
    if (const char* dir = std::getenv("TABRIX_JPK_SCHEMA_DIR"); dir != nullptr && *dir != '\0')
        return dir;
    return CITFORMS_JPK_SCHEMA_DIR;
}

Status loadJpkKrSchema() {
    const SchemaHolder& holder = schemaHolder();
    return holder.schema != nullptr ? Status() : Status::failure(holder.error);
}

Result<JpkKrControls> readJpkKr(const JpkKrSource& source, JpkKrSink& sink,
                                const JpkKrOptions& options) {
    Reader reader(source, sink, options);
    return reader.run();
}

}  // namespace refhost::db
