#include "refhost/db/jpk_kr_reader.h"

#include <libxml/catalog.h>
#include <libxml/parser.h>
#include <libxml/xmlIO.h>
#include <libxml/xmlreader.h>
#include <libxml/xmlschemas.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <map>
#include <mutex>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "citforms/values/book_values.h"
#include "citforms/values/text.h"
#include "refhost/db/book_text.h"

#ifndef CITFORMS_JPK_SCHEMA_DIR
#define CITFORMS_JPK_SCHEMA_DIR "refhost/schemas/jpk_kr"
#endif

namespace refhost::db {

using citforms::values::exactGrosze;
using citforms::values::formatIso;
using citforms::values::groszeText;
using citforms::values::parseIsoDate;

namespace {

constexpr const char* kSchemaFile = "Schemat_JPK_KR(1)_v1-0.xsd";
// Progress is reported every this many KontoZapis rows.
constexpr long long kProgressEvery = 4096;
// The longest text of one element taken: the schema allows a few thousand characters, and
// an element of many CDATA sections must not fill the memory before it is refused.
constexpr std::size_t kMaxValue = 1 << 20;
// Characters of a value quoted in a message of libxml2 shown before the cut, and of the
// whole message (a value with apostrophes of its own is not told from the rest).
constexpr std::size_t kShownQuote = 80;
constexpr std::size_t kShownMessage = 600;

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

// A libxml2 message without the namespaces in braces ("{http://...}KwotaWinien"; the
// braces of a pattern such as "\d{4}" stay), on one line, each quoted value cut short.
std::string tidy(const std::string& raw) {
    std::string message;
    // The first '}' after the '{' looked at, found once for a run of them (npos: none).
    std::size_t brace = 0;
    bool searched = false;
    for (std::size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == '{') {
            if (!searched || (brace != std::string::npos && brace < i)) {
                brace = raw.find('}', i);
                searched = true;
            }
            if (brace != std::string::npos && brace - i <= 256) {
                const std::string_view inside = std::string_view(raw).substr(i + 1, brace - i - 1);
                if (inside.find("://") != std::string_view::npos || inside.rfind("urn:", 0) == 0) {
                    i = brace;
                    continue;
                }
            }
        }
        message.push_back(raw[i]);
    }
    while (!message.empty() && (message.back() == '\n' || message.back() == ' '))
        message.pop_back();
    for (char& c : message) {
        if (c == '\n') c = ' ';
    }
    std::string out;
    std::size_t from = 0;
    for (std::size_t open = message.find('\''); open != std::string::npos;
         open = message.find('\'', from)) {
        const std::size_t close = message.find('\'', open + 1);
        if (close == std::string::npos) break;
        out.append(message, from, open + 1 - from);
        out += shownValue(std::string_view(message).substr(open + 1, close - open - 1), kShownQuote);
        out += '\'';
        from = close + 1;
    }
    out.append(message, std::min(from, message.size()));
    return shownValue(out, kShownMessage);
}

// The element a message of the schema validator is about: "Element 'KwotaWinien': ...".
std::string elementOfMessage(const std::string& message) {
    static constexpr std::string_view kLead = "Element '";
    if (message.rfind(kLead, 0) != 0) return {};
    const std::size_t end = message.find('\'', kLead.size());
    if (end == std::string::npos) return {};
    return message.substr(kLead.size(), end - kLead.size());
}

bool isRecord(std::string_view name) {
    return name == "ZOiS" || name == "Dziennik" || name == "KontoZapis";
}

// The path of an element as the messages show it: "/JPK/KontoZapis[5]/KwotaWinien".
template <class Names>
std::string pathText(const Names& path, long long ordinal) {
    std::string out;
    for (std::size_t i = 0; i < path.size(); ++i) {
        out += "/" + shownValue(path[i]);
        if (i == 1 && ordinal > 0) out += "[" + std::to_string(ordinal) + "]";
    }
    return out;
}

// Finds the element a schema error is about. The validator works on the parser's events,
// ahead of the node the reader stands on, so the element is found again by a second, plain
// reading of the source (no schema, no tree) up to the byte the parser had reached: the
// event at that byte is the one the validator refused, and the innermost open element of
// the name libxml2 gave is the one at fault.
class ErrorPlace {
public:
    ErrorPlace(std::uint64_t offset, std::string element)
        : offset_(offset), element_(std::move(element)) {}

    std::string find(const JpkKrSource& source) {
        xmlSAXHandler sax{};
        sax.initialized = XML_SAX2_MAGIC;
        sax.startElementNs = &ErrorPlace::start;
        sax.endElementNs = &ErrorPlace::end;
        sax.serror = [](void*, xmlErrorPtr) {};
        ctxt_ = xmlCreatePushParserCtxt(&sax, this, nullptr, 0, source.name.c_str());
        if (ctxt_ == nullptr) return {};
        xmlCtxtUseOptions(ctxt_, XML_PARSE_NONET | XML_PARSE_BIG_LINES);
        std::string buffer(1 << 16, '\0');
        std::ifstream in;
        if (!source.path.empty()) in.open(source.path, std::ios::binary);
        std::uint64_t at = 0;
        while (!done_) {
            std::size_t got = 0;
            if (!source.path.empty()) {
                in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
                got = static_cast<std::size_t>(in.gcount());
            } else if (at < source.text.size()) {
                got = std::min<std::size_t>(buffer.size(), source.text.size() - at);
                std::copy_n(source.text.data() + at, got, buffer.data());
                at += got;
            }
            if (got == 0 || xmlParseChunk(ctxt_, buffer.data(), static_cast<int>(got), 0) != 0)
                break;
        }
        xmlFreeParserCtxt(ctxt_);
        return path_;
    }

private:
    static void start(void* self, const xmlChar* name, const xmlChar*, const xmlChar*, int,
                      const xmlChar**, int, int, const xmlChar**) {
        auto* me = static_cast<ErrorPlace*>(self);
        if (me->done_) return;
        me->open_.push_back(text(name));
        if (me->open_.size() == 2) me->ordinal_ = ++me->seen_[me->open_.back()];
        me->check();
    }
    static void end(void* self, const xmlChar*, const xmlChar*, const xmlChar*) {
        auto* me = static_cast<ErrorPlace*>(self);
        if (me->done_) return;
        me->check();
        if (!me->open_.empty()) me->open_.pop_back();
    }
    void check() {
        if (static_cast<std::uint64_t>(xmlByteConsumed(ctxt_)) < offset_) return;
        done_ = true;
        std::size_t depth = open_.size();
        for (std::size_t i = open_.size(); i > 0; --i) {
            if (open_[i - 1] == element_) {
                depth = i;
                break;
            }
        }
        const std::vector<std::string> path(open_.begin(), open_.begin() + static_cast<long>(depth));
        path_ = pathText(path, path.size() >= 2 && isRecord(path[1]) ? ordinal_ : 0);
        xmlStopParser(ctxt_);
    }

    std::uint64_t offset_;
    std::string element_;
    xmlParserCtxtPtr ctxt_ = nullptr;
    std::vector<std::string> open_;
    std::map<std::string, long long> seen_;
    long long ordinal_ = 0;
    bool done_ = false;
    std::string path_;
};

// The line of the first "<!DOCTYPE" among the first `limit` bytes of the source (the
// parser's place when it reported the declaration, which lies before the root element);
// 0 when it is not found there.
long doctypeLine(const JpkKrSource& source, std::uint64_t limit) {
    limit = std::min<std::uint64_t>(limit, 16u << 20);
    std::string head;
    if (!source.path.empty()) {
        std::ifstream in(source.path, std::ios::binary);
        head.resize(static_cast<std::size_t>(limit));
        in.read(head.data(), static_cast<std::streamsize>(head.size()));
        head.resize(static_cast<std::size_t>(in.gcount()));
    } else {
        head = source.text.substr(0, static_cast<std::size_t>(limit));
    }
    const std::size_t at = head.find("<!DOCTYPE");
    if (at == std::string::npos) return 0;
    return 1 + static_cast<long>(std::count(head.begin(), head.begin() + static_cast<long>(at), '\n'));
}

// Memory handed to libxml2 in pieces (its memory reader takes an int size).
struct MemoryInput {
    std::string_view text;
    std::size_t at = 0;

    static int read(void* self, char* buffer, int length) {
        auto* me = static_cast<MemoryInput*>(self);
        const std::size_t n =
            std::min(static_cast<std::size_t>(length), me->text.size() - me->at);
        std::copy_n(me->text.data() + me->at, n, buffer);
        me->at += n;
        return static_cast<int>(n);
    }
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
        // CDATA sections come as nodes of their own (text like any other); line numbers past
        // 65535 are kept as they are.
        const int flags =
            XML_PARSE_NONET | XML_PARSE_COMPACT | XML_PARSE_NOBLANKS | XML_PARSE_BIG_LINES;
        if (!source_.path.empty()) {
            reader_ = xmlReaderForFile(source_.path.c_str(), nullptr, flags);
        } else {
            memory_.text = source_.text;
            reader_ = xmlReaderForIO(&MemoryInput::read, nullptr, &memory_, source_.name.c_str(),
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
        if (!libxmlError_.empty()) return R::failure(placedError());
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
        if (error == nullptr || !me->libxmlError_.empty()) return;
        // An entity nobody declared would be dropped from the text with only a warning.
        if (error->level < XML_ERR_ERROR && error->code != XML_WAR_UNDECLARED_ENTITY) return;
        me->libxmlError_ = tidy(error->message != nullptr ? error->message : "");
        me->errorLine_ = error->line;
        me->schemaError_ = error->domain == XML_FROM_SCHEMASV;
        if (me->schemaError_ && me->reader_ != nullptr) {
            me->errorOffset_ = static_cast<std::uint64_t>(
                std::max(0L, xmlTextReaderByteConsumed(me->reader_)));
        }
    }

    // The message of libxml2's error with its place: the line libxml2 gave and, for the
    // schema validator, the path of the element it named.
    std::string placedError() const {
        std::string message = source_.name + ", wiersz " + std::to_string(errorLine_);
        if (schemaError_) {
            const std::string element = elementOfMessage(libxmlError_);
            const std::string path =
                element.empty() ? std::string() : ErrorPlace(errorOffset_, element).find(source_);
            if (!path.empty()) message += ", " + path;
            return message + ": niezgodność ze schematem JPK_KR: " + libxmlError_;
        }
        return message + ": niepoprawny plik XML: " + libxmlError_;
    }

    std::string elementPath() const { return pathText(path_, recordOrdinal_); }

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
                // The parser's dictionary keeps the name while the reading lasts.
                const std::string_view name = text(xmlTextReaderConstLocalName(reader_));
                const bool empty = xmlTextReaderIsEmptyElement(reader_) == 1;
                if (auto st = open(name); !st) return st;
                if (empty) return close();
                return {};
            }
            case XML_READER_TYPE_TEXT:
            case XML_READER_TYPE_CDATA:
            case XML_READER_TYPE_SIGNIFICANT_WHITESPACE:
                if (path_.size() > 2 || (path_.size() == 2 && section_ != Section::Other)) {
                    const std::string_view piece = text(xmlTextReaderConstValue(reader_));
                    if (value_.size() + piece.size() > kMaxValue) {
                        return fail("tekst elementu jest dłuższy niż " + std::to_string(kMaxValue) +
                                    " bajtów");
                    }
                    value_ += piece;
                }
                return {};
            case XML_READER_TYPE_END_ELEMENT:
                return close();
            // JPK_KR needs no DTD. Its entities are refused before any of them is expanded
            // (one large entity used a thousand times takes gigabytes), and an entity the
            // parser cannot resolve would vanish from the text.
            case XML_READER_TYPE_DOCUMENT_TYPE: {
                const long line = doctypeLine(
                    source_, static_cast<std::uint64_t>(xmlTextReaderByteConsumed(reader_)));
                return Status::failure(
                    source_.name + (line > 0 ? ", wiersz " + std::to_string(line) : "") +
                    ": plik zawiera deklarację typu dokumentu (DOCTYPE), a JPK_KR nie używa DTD "
                    "ani encji");
            }
            case XML_READER_TYPE_ENTITY_REFERENCE:
                return fail("nieznana encja &" + shownValue(text(xmlTextReaderConstName(reader_))) +
                            ";");
            default:
                return {};
        }
    }

    enum class Section {
        Other, Header, Subject, Account, Journal, JournalCtrl, Posting, PostingCtrl
    };

    Status open(std::string_view name) {
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
    std::string_view trimmed() const { return citforms::values::trim(value_); }

    Status amount(std::int64_t& out) {
        const std::string_view v = trimmed();
        auto grosze = v.find(',') == std::string::npos ? exactGrosze(v) : std::nullopt;
        if (!grosze) return fail("niepoprawna kwota „" + shownValue(v) + "”");
        out = *grosze;
        return {};
    }

    Status date(int& out) {
        const std::string_view v = trimmed();
        auto day = parseIsoDate(v);
        if (!day) return fail("niepoprawna data „" + shownValue(v) + "” (oczekiwano rrrr-mm-dd)");
        out = *day;
        return {};
    }

    Status count(long long& out) {
        const std::string_view v = trimmed();
        const std::optional<long long> n = citforms::values::parseInteger<long long>(v);
        if (!n || *n < 0) return fail("niepoprawna liczba „" + shownValue(v) + "”");
        out = *n;
        return {};
    }

    // The end of a field inside a record.
    Status field(std::string_view name) {
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
                if (name == "TypKonta") account_.type = trimmed();
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

    Status postingField(std::string_view name) {
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
            return fail("okres pliku jest pusty: DataOd " + formatIso(header_.from) +
                        " jest po DataDo " + formatIso(header_.to));
        }
        if (header_.nip.empty()) return fail("brak NIP podmiotu");
        headerSent_ = true;
        return fromSink(sink_.header(header_));
    }

    Status endAccount() {
        if (!headerSent_) return fail("plan kont przed nagłówkiem i danymi podmiotu");
        if (account_.code.empty()) return fail("brak kodu konta");
        if (!chart_.insert(account_.code).second) {
            return fail("konto " + shownValue(account_.code) + " występuje w ZOiS więcej niż raz");
        }
        return fromSink(sink_.account(account_));
    }

    Status endJournalEntry() {
        if (entry_.number.empty()) return fail("brak numeru zapisu dziennika");
        if (!entry_.hasDay) return fail("brak daty księgowania");
        if (entry_.day < header_.from || entry_.day > header_.to) {
            return fail("data księgowania " + formatIso(entry_.day) + " leży poza okresem pliku " +
                        formatIso(header_.from) + " – " + formatIso(header_.to));
        }
        if (!journal_.add(entry_.number, entry_.day, entry_.document, entry_.description)) {
            return fail("numer zapisu dziennika " + shownValue(entry_.number) + " powtarza się");
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
            return mismatch("SumaKwotOperacji", groszeText(ctrl_.sum),
                            groszeText(got_.journalSum));
        }
        return {};
    }

    Status side(JpkKrSide& s, const char* label, const JpkKrJournal::Entry& entry) {
        if (s.account == "null") s.account.clear();
        if (s.account.empty()) {
            if (s.amount != 0) return fail(std::string("kwota ") + label + " bez konta");
            return {};
        }
        if (chart_.count(s.account) == 0) {
            return fail("konto " + shownValue(s.account) +
                        " nie występuje w zestawieniu obrotów i sald (ZOiS)");
        }
        if (s.foreignAmount != 0 && s.currency.empty()) {
            return fail(std::string("kwota w walucie po stronie ") + label + " bez kodu waluty");
        }
        if (s.description.empty()) s.description = journal_.textAt(entry.description);
        return {};
    }

    Status endPosting() {
        JpkKrPosting& p = posting_.value;
        const JpkKrJournal::Entry* entry = journal_.find(posting_.entry);
        if (entry == nullptr) {
            return fail("zapis " + shownValue(posting_.entry) + " nie ma odpowiednika w dzienniku");
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
            return mismatch("SumaWinien", groszeText(ctrl_.sum), groszeText(got_.debitSum));
        }
        if (ctrl_.sum2 != got_.creditSum) {
            return mismatch("SumaMa", groszeText(ctrl_.sum2), groszeText(got_.creditSum));
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
    MemoryInput memory_;
    xmlTextReaderPtr reader_ = nullptr;
    std::string libxmlError_;  // libxml2's own words, tidied
    int errorLine_ = 0;
    bool schemaError_ = false;
    std::uint64_t errorOffset_ = 0;  // the parser's byte when the validator refused

    std::vector<std::string_view> path_;  // names from the parser's dictionary
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
    JpkKrJournal journal_;
    JpkKrControls got_;
};

}  // namespace

bool JpkKrJournal::add(const std::string& number, int day, std::string_view document,
                       std::string_view description) {
    if (!byNumber_.emplace(number, entries_.size()).second) return false;
    const std::uint64_t d = store(document);
    entries_.push_back(Entry{day, d, store(description)});
    return true;
}

const JpkKrJournal::Entry* JpkKrJournal::find(const std::string& number) const {
    auto it = byNumber_.find(number);
    return it == byNumber_.end() ? nullptr : &entries_[it->second];
}

std::string_view JpkKrJournal::textAt(std::uint64_t offset) const {
    return std::string_view(texts_.data() + offset);
}

std::uint64_t JpkKrJournal::store(std::string_view text) {
    const std::uint64_t at = texts_.size();
    texts_.append(text);
    texts_.push_back('\0');
    return at;
}

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
