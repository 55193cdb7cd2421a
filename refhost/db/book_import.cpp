#include "refhost/db/book_import.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <limits>
#include <map>
#include <set>
#include <sstream>
#include <thread>
#include <unordered_map>

#include "citforms/values/book_values.h"
#include "citforms/values/text.h"
#include "refhost/db/book_text.h"
#include "refhost/db/books.h"

namespace refhost::db {

using citforms::values::formatIso;
using citforms::values::groszeText;
using citforms::values::today;

namespace {

using R = Result<BookImportSummary>;
using Params = std::vector<std::optional<std::string>>;

std::string digits(std::string_view s) {
    std::string out;
    for (char c : s) {
        if (c >= '0' && c <= '9') out.push_back(c);
    }
    return out;
}

std::int64_t toInt64(const std::optional<std::string>& v) {
    if (!v || v->empty()) return 0;
    return citforms::values::parseInteger<std::int64_t>(*v).value_or(0);
}

// A sum of grosze as the database returns it: digits, PostgreSQL's sum of a BIGINT column
// perhaps past 64 bits and perhaps with a fraction of zeros ("12.00").
std::optional<WideGrosze> wideOf(const std::optional<std::string>& v) {
    if (!v || v->empty()) return 0;
    std::string_view text = *v;
    if (const auto dot = text.find('.'); dot != std::string_view::npos) {
        if (text.find_first_not_of('0', dot + 1) != std::string_view::npos) return std::nullopt;
        text = text.substr(0, dot);
    }
    const bool negative = !text.empty() && text.front() == '-';
    if (negative) text.remove_prefix(1);
    if (text.empty() || text.size() > 36) return std::nullopt;
    WideGrosze out = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        out = out * 10 + (c - '0');
    }
    return negative ? -out : out;
}

// The reason of a failed file operation, in Polish for the usual ones.
std::string fileSystemError(int error) {
    switch (error) {
        case ENOENT: return "nie ma takiego pliku";
        case EACCES:
        case EPERM: return "brak uprawnień";
        case ENOSPC: return "brak miejsca na dysku";
        case EISDIR: return "to jest folder";
        default: return std::strerror(error);
    }
}

// Writes one import into the books: the company's checks, the replaced postings, the
// chart, the postings, the monthly turnovers and the import's record. The caller holds the
// transaction.
class BookWriter {
public:
    BookWriter(sql::HostDatabase& db, int company, std::string file, BookFileFormat format)
        : db_(db), company_(company), firm_(std::to_string(company)) {
        summary_.format = format;
        file_ = std::move(file);
        insert_.table = "KSIEGOWANIA";
        insert_.columns = {"id_firmy", "nr_konta", "data",   "kwota_wn",   "kwota_ma",
                           "dokument", "opis",     "id_importu", "waluta", "kwota_waluta"};
        insert_.values.resize(insert_.columns.size());
        // SQLite runs a statement of many rows for little more than one of a single row; the
        // other engine's connection gathers inserted rows by itself.
        if (db_.engine() == sql::Engine::SQLite) {
            rows_.assign(kRowsPerStatement * kColumns, std::string());
            fullStatement_ = insertText(kRowsPerStatement);
        }
    }

    Status start() {
        auto r = db_.runNative(
            "select coalesce(max(id_importu), 0) + 1 from IMPORTY_KSIAG where id_firmy = ?",
            {firm_});
        if (!r) return Status::failure(r.error());
        summary_.importId = static_cast<int>(toInt64(r->rows.at(0).at(0)));
        importId_ = std::to_string(summary_.importId);
        auto chart = Books(db_).chart(company_);
        if (!chart) return Status::failure(chart.error());
        chart_ = std::move(*chart);
        return {};
    }

    // A JPK_KR file's header: the company's NIP and one of its fiscal years.
    Status checkCompany(const JpkKrHeader& h) {
        auto r = db_.runNative("select nip from FIRMA where id_firmy = ?", {firm_});
        if (!r) return Status::failure(r.error());
        if (r->rows.empty()) return Status::failure("nie ma firmy " + firm_);
        const std::string own = digits(r->rows[0][0].value_or(""));
        if (own.empty()) return Status::failure("firma " + firm_ + " nie ma w danych numeru NIP");
        if (digits(h.nip) != own) {
            return Status::failure("NIP podmiotu w pliku (" + shownValue(h.nip) + ") nie jest NIP-em firmy " +
                                   firm_ + " (" + own + ")");
        }
        auto years = db_.runNative(
            "select poczatek_roku, koniec_roku from LATA_OBROTOWE where id_firmy = ? "
            "order by poczatek_roku",
            {firm_});
        if (!years) return Status::failure(years.error());
        std::string known;
        for (const auto& row : years->rows) {
            const int first = static_cast<int>(toInt64(row[0]));
            const int last = static_cast<int>(toInt64(row[1]));
            if (first <= h.from && h.to <= last) {
                yearStart_ = first;
                summary_.from = h.from;
                summary_.to = h.to;
                return {};
            }
            known += (known.empty() ? "" : ", ") + formatIso(first) + " – " + formatIso(last);
        }
        return Status::failure("okres pliku " + formatIso(h.from) + " – " + formatIso(h.to) +
                               " nie mieści się w żadnym roku obrotowym firmy " + firm_ +
                               (known.empty() ? " (firma nie ma lat obrotowych)"
                                              : " (lata obrotowe: " + known + ")"));
    }

    // Takes the postings of earlier imports of the period out of the books and the turnovers.
    Status removeEarlierImports() {
        const Params period = {firm_, std::to_string(summary_.from), std::to_string(summary_.to)};
        auto old = db_.runNative(
            "select nr_konta, data, sum(kwota_wn), sum(kwota_ma), count(*) from KSIEGOWANIA "
            "where id_firmy = ? and id_importu <> 0 and data >= ? and data <= ? "
            "group by nr_konta, data",
            period);
        // (SQLite refuses a sum past 64 bits, which only postings of an earlier import that
        // went wrong can reach.)
        if (!old) {
            return Status::failure("nie można zsumować księgowań wcześniejszych importów okresu (" +
                                   old.error() + ")");
        }
        for (const auto& row : old->rows) {
            WideTotals& t =
                turnovers_[{row[0].value_or(""), monthKeyOfDay(static_cast<int>(toInt64(row[1])))}];
            const std::optional<WideGrosze> debit = wideOf(row[2]);
            const std::optional<WideGrosze> credit = wideOf(row[3]);
            if (!debit || !credit) return Status::failure("nieczytelna suma księgowań w bazie");
            t.debit -= *debit;
            t.credit -= *credit;
            summary_.replaced += toInt64(row[4]);
        }
        if (old->rows.empty()) return {};
        auto gone = db_.runNative(
            "delete from KSIEGOWANIA where id_firmy = ? and id_importu <> 0 and data >= ? and "
            "data <= ?",
            period);
        return gone ? Status() : Status::failure(gone.error());
    }

    // `type` empty (the text format has none) keeps the type the chart has.
    Status account(const std::string& code, const std::string& name, const std::string& group,
                   const std::string& groupName, const std::string& type = {}) {
        if (auto st = writeRows(); !st) return st;
        auto r = db_.runNative(
            "insert into KONTA (id_firmy, nr_konta, nazwa, typ) values (?, ?, ?, ?) "
            "on conflict (id_firmy, nr_konta) do update set nazwa = excluded.nazwa, "
            "typ = coalesce(nullif(excluded.typ, ''), KONTA.typ)",
            {firm_, code, name, type});
        if (!r) return Status::failure(r.error());
        chart_.insert(code);
        groupOf_[code] = group;
        if (auto known = accounts_.find(code); known != accounts_.end()) {
            known->second.group = &groups_[group];
        }
        if (!groupName.empty()) groupNames_.emplace(group, groupName);
        ++summary_.accounts;
        return {};
    }

    Status openingBalance(const JpkKrAccount& a) {
        if (!balancesCleared_) {
            balancesCleared_ = true;
            auto r = db_.runNative(
                "delete from BILANS_OTWARCIA where id_firmy = ? and poczatek_roku = ?",
                {firm_, std::to_string(yearStart_)});
            if (!r) return Status::failure(r.error());
        }
        if (a.openingDebit == 0 && a.openingCredit == 0) return {};
        auto r = db_.runNative(
            "insert into BILANS_OTWARCIA (id_firmy, nr_konta, poczatek_roku, bo_wn, bo_ma) "
            "values (?, ?, ?, ?, ?)",
            {firm_, a.code, std::to_string(yearStart_), std::to_string(a.openingDebit),
             std::to_string(a.openingCredit)});
        return r ? Status() : Status::failure(r.error());
    }

    bool knows(const std::string& account) const { return chart_.count(account) != 0; }

    Status post(const std::string& account, int day, std::int64_t debit, std::int64_t credit,
                const std::string& document, const std::string& description,
                const std::string& currency, std::int64_t foreign) {
        if (auto st = addRow(account, day, debit, credit, document, description, currency,
                             foreign);
            !st) {
            return st;
        }
        AccountSums& a = sumsOf(account);
        if (day != lastDay_) {
            lastDay_ = day;
            lastMonth_ = monthKeyOfDay(day);
        }
        WideTotals& t = a.months[lastMonth_];
        t.debit += debit;
        t.credit += credit;
        WideGroup& g = *a.group;
        ++g.postings;
        ++summary_.postings;
        g.sums.debit += debit;
        g.sums.credit += credit;
        sums_.debit += debit;
        sums_.credit += credit;
        if (summary_.format == BookFileFormat::Text) {
            summary_.from = summary_.from == 0 ? day : std::min(summary_.from, day);
            summary_.to = std::max(summary_.to, day);
        }
        return {};
    }

    // The turnovers and the import's record; then the summary.
    Result<BookImportSummary> finish() {
        if (auto st = writeRows(); !st) return R::failure(st.error());
        for (auto& [account, a] : accounts_) {
            for (const auto& [month, t] : a.months) {
                WideTotals& into = turnovers_[{account, month}];
                into.debit += t.debit;
                into.credit += t.credit;
            }
        }
        // IMPORTY_KSIAG keeps the sums in grosze columns too.
        if (!fitsGrosze(sums_.debit) || !fitsGrosze(sums_.credit)) {
            return R::failure("suma kwot importu przekracza zakres kwot (najwyżej " +
                              groszeText(std::numeric_limits<std::int64_t>::max()) + " zł)");
        }
        summary_.debit = static_cast<std::int64_t>(sums_.debit);
        summary_.credit = static_cast<std::int64_t>(sums_.credit);
        int firstMonth = 0;
        int lastMonth = 0;
        for (const auto& [key, t] : turnovers_) {
            if (t.debit == 0 && t.credit == 0) continue;
            if (auto st = Books(db_).addTurnover(company_, key.first, key.second, t.debit, t.credit);
                !st) {
                return R::failure(st.error());
            }
            firstMonth = firstMonth == 0 ? key.second : std::min(firstMonth, key.second);
            lastMonth = std::max(lastMonth, key.second);
        }
        // A month whose imported postings were all replaced by none keeps no empty row.
        if (firstMonth != 0) {
            auto r = db_.runNative(
                "delete from OBROTY where id_firmy = ? and okres >= ? and okres <= ? and "
                "obroty_wn = 0 and obroty_ma = 0",
                {firm_, std::to_string(firstMonth), std::to_string(lastMonth)});
            if (!r) return R::failure(r.error());
        }
        auto r = db_.runNative(
            "insert into IMPORTY_KSIAG (id_firmy, id_importu, format, plik, data_od, data_do, "
            "data_importu, liczba_zapisow, suma_wn, suma_ma) values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
            {firm_, importId_, summary_.format == BookFileFormat::JpkKr ? "JPK_KR" : "TEKST",
             file_, std::to_string(summary_.from), std::to_string(summary_.to),
             std::to_string(today()), std::to_string(summary_.postings),
             std::to_string(summary_.debit), std::to_string(summary_.credit)});
        if (!r) return R::failure(r.error());
        for (auto& [code, g] : groups_) {
            BookGroupTotal total;
            total.code = code;
            if (auto it = groupNames_.find(code); it != groupNames_.end()) total.name = it->second;
            total.postings = g.postings;
            // The summary shows a group's sums in 64 bits as well (with amounts of both
            // signs they may pass them while the totals do not).
            if (!fitsGrosze(g.sums.debit) || !fitsGrosze(g.sums.credit)) {
                return R::failure("suma kwot zespołu " + shownValue(code) +
                                  " przekracza zakres kwot");
            }
            total.debit = static_cast<std::int64_t>(g.sums.debit);
            total.credit = static_cast<std::int64_t>(g.sums.credit);
            summary_.groups.push_back(std::move(total));
        }
        return summary_;
    }

    BookImportSummary& summary() { return summary_; }

private:
    static constexpr std::size_t kColumns = 10;
    static constexpr std::size_t kRowsPerStatement = 64;

    struct WideGroup {
        long long postings = 0;
        WideTotals sums;
    };
    // What one account's postings add up to: per month, and to its group.
    struct AccountSums {
        WideGroup* group = nullptr;
        std::map<int, WideTotals> months;
    };

    AccountSums& sumsOf(const std::string& account) {
        auto it = accounts_.find(account);
        if (it == accounts_.end()) {
            it = accounts_.emplace(account, AccountSums{}).first;
            auto group = groupOf_.find(account);
            it->second.group =
                &groups_[group != groupOf_.end() ? group->second : account.substr(0, 1)];
        }
        return it->second;
    }

    static std::string insertText(std::size_t rows) {
        std::string text =
            "insert into KSIEGOWANIA (id_firmy, nr_konta, data, kwota_wn, kwota_ma, dokument, "
            "opis, id_importu, waluta, kwota_waluta) values ";
        for (std::size_t i = 0; i < rows; ++i) {
            text += i == 0 ? "(?, ?, ?, ?, ?, ?, ?, ?, ?, ?)" : ", (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)";
        }
        return text;
    }

    static void setNumber(std::optional<std::string>& to, std::int64_t value) {
        char digits[24];
        const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
        to->assign(digits, end);
    }

    // One row of KSIEGOWANIA: into the statement being filled on SQLite (written when it is
    // full, before any other statement of the import and at its end), else at once.
    Status addRow(const std::string& account, int day, std::int64_t debit, std::int64_t credit,
                  const std::string& document, const std::string& description,
                  const std::string& currency, std::int64_t foreign) {
        auto* v = rows_.empty() ? insert_.values.data() : &rows_[waiting_ * kColumns];
        if (rows_.empty()) {
            for (std::size_t i = 0; i < kColumns; ++i) v[i].emplace();
        }
        v[0]->assign(firm_);
        v[1]->assign(account);
        setNumber(v[2], day);
        setNumber(v[3], debit);
        setNumber(v[4], credit);
        v[5]->assign(document);
        v[6]->assign(description);
        v[7]->assign(importId_);
        v[8]->assign(currency);
        setNumber(v[9], foreign);
        if (rows_.empty()) return db_.insertRow(insert_);
        if (++waiting_ < kRowsPerStatement) return {};
        return writeRows();
    }

    Status writeRows() {
        if (waiting_ == 0) return {};
        const std::size_t count = waiting_;
        waiting_ = 0;
        if (count == kRowsPerStatement) {
            auto r = db_.runNative(fullStatement_, rows_);
            return r ? Status() : Status::failure(r.error());
        }
        const std::vector<std::optional<std::string>> last(
            rows_.begin(), rows_.begin() + static_cast<std::ptrdiff_t>(count * kColumns));
        auto r = db_.runNative(insertText(count), last);
        return r ? Status() : Status::failure(r.error());
    }

    sql::HostDatabase& db_;
    int company_;
    std::string firm_;
    std::string file_;
    std::string importId_;
    int yearStart_ = 0;
    bool balancesCleared_ = false;
    sql::RowInsert insert_;  // a row at a time (not SQLite)
    std::vector<std::optional<std::string>> rows_;  // the statement being filled (SQLite)
    std::size_t waiting_ = 0;
    std::string fullStatement_;
    std::set<std::string> chart_;
    std::unordered_map<std::string, std::string> groupOf_;
    std::map<std::string, std::string> groupNames_;
    std::map<std::string, WideGroup> groups_;
    std::unordered_map<std::string, AccountSums> accounts_;
    int lastDay_ = 0;
    int lastMonth_ = 0;
    std::map<std::pair<std::string, int>, WideTotals> turnovers_;
    WideTotals sums_;
    BookImportSummary summary_;
};

class JpkLoader : public JpkKrSink {
public:
    explicit JpkLoader(BookWriter& writer) : writer_(writer) {}

    Status header(const JpkKrHeader& h) override {
        if (auto st = writer_.checkCompany(h); !st) return st;
        return writer_.removeEarlierImports();
    }

    Status account(const JpkKrAccount& a) override {
        if (auto st = writer_.account(a.code, a.name, a.groupCode, a.groupName, a.type);
            !st) return st;
        return writer_.openingBalance(a);
    }

    Status posting(const JpkKrPosting& p) override {
        for (const JpkKrSide* s : {&p.debit, &p.credit}) {
            if (s->account.empty()) continue;
            const bool debit = s == &p.debit;
            if (auto st = writer_.post(s->account, p.day, debit ? s->amount : 0,
                                       debit ? 0 : s->amount, p.document, s->description,
                                       s->currency, s->foreignAmount);
                !st) {
                return st;
            }
        }
        return {};
    }

private:
    BookWriter& writer_;
};

// Reads the text format from `in`, a block at a time, line by line into the writer.
Status loadText(std::istream& in, const std::string& name, std::uint64_t size, BookWriter& writer,
                const BookImportOptions& options) {
    std::uint64_t bytes = 0;
    BookTextLines lines([&](std::string_view line, std::size_t number) -> Status {
        auto record = parseBookTextLine(line, number == 1);
        if (!record) return Status::failure(record.error());
        if (!*record) return {};
        if (const auto* a = std::get_if<BookTextAccount>(&**record)) {
            return writer.account(a->account, a->name, a->account.substr(0, 1), {});
        }
        const auto& p = std::get<Posting>(**record);
        if (!writer.knows(p.account)) {
            return Status::failure("konto " + shownValue(p.account) + " nie występuje w planie kont");
        }
        if (auto st = writer.post(p.account, p.day, p.debit, p.credit, p.document, p.description,
                                  {}, 0);
            !st) {
            return st;
        }
        if (options.progress && writer.summary().postings % 4096 == 0) {
            options.progress(bytes, size, writer.summary().postings);
        }
        return {};
    });
    std::string block(1 << 16, '\0');
    Status st;
    while (st && in) {
        in.read(block.data(), static_cast<std::streamsize>(block.size()));
        const auto got = static_cast<std::size_t>(in.gcount());
        bytes += got;
        st = lines.feed(std::string_view(block.data(), got));
    }
    if (st && in.bad()) return Status::failure(name + ": błąd odczytu pliku");
    if (st) st = lines.finish();
    if (!st) {
        return Status::failure(name + ", wiersz " + std::to_string(lines.lineNumber()) + ": " +
                               st.error());
    }
    return {};
}

enum class Kind { Jpk, Text };

Result<BookImportSummary> runImport(sql::HostDatabase& db, int company, const std::string& name,
                                    const std::string& file, Kind kind,
                                    const std::function<Status(BookWriter&)>& load) {
    BookWriter writer(db, company, file,
                      kind == Kind::Jpk ? BookFileFormat::JpkKr : BookFileFormat::Text);
    if (auto st = db.begin(); !st) return R::failure(st.error());
    auto fail = [&](const std::string& message) {
        db.rollback();
        return R::failure(message);
    };
    if (auto st = writer.start(); !st) return fail(st.error());
    if (auto st = load(writer); !st) return fail(st.error());
    auto summary = writer.finish();
    if (!summary) return fail(name + ": " + summary.error());
    if (auto st = db.commit(); !st) return R::failure(name + ": " + st.error());
    return summary;
}

// The file is read on a thread of its own while this one writes to the database (the
// connection belongs to the thread that opened it): parsing and validating cost about as much
// as the inserts, so the two overlap. The header and every account are answered before the
// reading goes on, so a refusal names its place in the file; postings travel in batches
// through a bounded queue, so memory stays bounded however large the file.
class Pipeline : public JpkKrSink {
public:
    explicit Pipeline(JpkLoader& loader) : loader_(loader) {}

    // Reader thread.
    Status header(const JpkKrHeader& h) override {
        return ask([&] { return loader_.header(h); });
    }
    Status account(const JpkKrAccount& a) override {
        return ask([&] { return loader_.account(a); });
    }
    Status posting(const JpkKrPosting& p) override {
        filling_.push_back(p);
        if (filling_.size() < kBatch) return {};
        return hand();
    }
    void readerFinished() {
        if (!filling_.empty()) (void)hand();
        std::lock_guard lock(mutex_);
        readerDone_ = true;
        changed_.notify_all();
    }

    // Writing thread: serves the reader until it is done; the first failure of the writing.
    Status serve() {
        std::unique_lock lock(mutex_);
        for (;;) {
            changed_.wait(lock, [&] { return request_ || !batches_.empty() || readerDone_; });
            if (!batches_.empty()) {
                std::vector<JpkKrPosting> batch = std::move(batches_.front());
                batches_.pop_front();
                changed_.notify_all();
                if (!failed_) {
                    lock.unlock();
                    Status st;
                    for (const JpkKrPosting& p : batch) {
                        st = loader_.posting(p);
                        if (!st) break;
                    }
                    lock.lock();
                    if (!st) fail(st.error());
                }
                continue;
            }
            if (request_) {
                // Work asked for by the reader, which waits for the answer.
                answer_ = failed_ ? Status::failure(failure_) : request_();
                request_ = nullptr;
                answered_ = true;
                changed_.notify_all();
                continue;
            }
            if (readerDone_) break;
        }
        return failed_ ? Status::failure(failure_) : Status();
    }

private:
    static constexpr std::size_t kBatch = 2048;
    static constexpr std::size_t kQueued = 8;

    void fail(const std::string& message) {
        failed_ = true;
        failure_ = message;
        changed_.notify_all();
    }

    Status hand() {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return batches_.size() < kQueued || failed_; });
        if (failed_) return Status::failure(failure_);
        batches_.push_back(std::move(filling_));
        filling_.clear();
        changed_.notify_all();
        return {};
    }

    Status ask(std::function<Status()> work) {
        if (!filling_.empty()) {
            if (auto st = hand(); !st) return st;
        }
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return batches_.empty() || failed_; });
        if (failed_) return Status::failure(failure_);
        request_ = std::move(work);
        answered_ = false;
        changed_.notify_all();
        changed_.wait(lock, [&] { return answered_; });
        return answer_;
    }

    JpkLoader& loader_;
    std::vector<JpkKrPosting> filling_;  // reader thread only

    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::vector<JpkKrPosting>> batches_;
    std::function<Status()> request_;
    Status answer_;
    bool answered_ = false;
    bool readerDone_ = false;
    bool failed_ = false;
    std::string failure_;
};

Status loadJpk(const JpkKrSource& source, std::uint64_t size, BookWriter& writer,
               const BookImportOptions& options) {
    JpkLoader loader(writer);
    Pipeline pipeline(loader);
    JpkKrOptions jpkOptions;
    if (options.progress) {
        jpkOptions.progress = [&](std::uint64_t bytes, long long rows) {
            options.progress(bytes, size, rows);
        };
    }
    Result<JpkKrControls> controls = Result<JpkKrControls>::failure("");
    std::thread reader([&] {
        controls = readJpkKr(source, pipeline, jpkOptions);
        pipeline.readerFinished();
    });
    const Status written = pipeline.serve();
    reader.join();
    // A failure of the writing stops the reader, whose own message then only repeats it.
    if (!written) return Status::failure(source.name + ": " + written.error());
    if (!controls) return Status::failure(controls.error());
    writer.summary().controls = *controls;
    return {};
}

// The input as a file that can be read from its start, and more than once: the file itself
// when it is a regular one, else (standard input, a pipe, a FIFO, a device) a temporary copy
// of all of it. The copy is made before the database is touched, so no transaction waits
// for a writer at the other end of a pipe.
class BookInput {
public:
    BookInput() = default;
    BookInput(const BookInput&) = delete;
    BookInput& operator=(const BookInput&) = delete;
    ~BookInput() {
        if (!copy_.empty()) ::unlink(copy_.c_str());
    }

    Status open(const std::string& path) {
        name_ = path == "-" ? std::string(kStandardInputName) : path;
        int fd = STDIN_FILENO;
        if (path != "-") {
            struct stat st {};
            if (::stat(path.c_str(), &st) != 0) return failure("nie można otworzyć pliku", errno);
            if (S_ISDIR(st.st_mode)) return failure("nie można otworzyć pliku", EISDIR);
            if (S_ISREG(st.st_mode)) {
                if (::access(path.c_str(), R_OK) != 0)
                    return failure("nie można otworzyć pliku", errno);
                path_ = path;
                size_ = static_cast<std::uint64_t>(st.st_size);
                return {};
            }
            fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
            if (fd < 0) return failure("nie można otworzyć pliku", errno);
        }
        Status st = copyFrom(fd);
        if (fd != STDIN_FILENO) ::close(fd);
        return st;
    }

    const std::string& name() const { return name_; }  // for messages
    const std::string& path() const { return path_; }  // to read
    std::uint64_t size() const { return size_; }

private:
    Status failure(const std::string& what, int error) const {
        return Status::failure(name_ + ": " + what + " (" + fileSystemError(error) + ")");
    }

    Status copyFrom(int in) {
        std::error_code ec;
        const auto folder = std::filesystem::temp_directory_path(ec);
        std::string pattern = (ec ? std::filesystem::path("/tmp") : folder) / "tabrix-import-XXXXXX";
        const int out = ::mkstemp(pattern.data());
        if (out < 0) return failure("nie można utworzyć pliku tymczasowego na kopię wejścia", errno);
        copy_ = path_ = pattern;
        std::string buffer(1 << 16, '\0');
        Status st;
        for (;;) {
            const ssize_t got = ::read(in, buffer.data(), buffer.size());
            if (got == 0) break;
            if (got < 0) {
                if (errno == EINTR) continue;
                st = failure("błąd odczytu", errno);
                break;
            }
            for (ssize_t done = 0; done < got;) {
                const ssize_t put = ::write(out, buffer.data() + done, static_cast<std::size_t>(got - done));
                if (put < 0 && errno == EINTR) continue;
                if (put < 0) {
                    st = failure("nie można zapisać kopii wejścia w pliku tymczasowym", errno);
                    break;
                }
                done += put;
            }
            if (!st) break;
            size_ += static_cast<std::uint64_t>(got);
        }
        if (::close(out) != 0 && st) st = failure("nie można zapisać kopii wejścia", errno);
        return st;
    }

    std::string name_;
    std::string path_;
    std::string copy_;
    std::uint64_t size_ = 0;
};

// Checks that need nothing of the database: an empty input, a text file in another encoding.
Status checkBeforeImport(const std::string& name, std::uint64_t size, std::string_view head,
                         bool text) {
    if (size == 0) return Status::failure(name + ": plik jest pusty");
    if (text) {
        if (auto problem = bookTextEncodingProblem(head); !problem.empty())
            return Status::failure(name + ": " + problem);
    }
    return {};
}

}  // namespace

Result<BookImportSummary> importBooks(sql::HostDatabase& db, int company, const std::string& path,
                                      const BookImportOptions& options) {
    BookInput input;
    if (auto st = input.open(path); !st) return R::failure(st.error());
    const std::string& name = input.name();
    std::ifstream in(input.path(), std::ios::binary);
    if (!in) return R::failure(name + ": nie można otworzyć pliku");
    std::string head(512, '\0');
    in.read(head.data(), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<std::size_t>(in.gcount()));
    const bool text = looksLikeBookText(head);
    if (auto st = checkBeforeImport(name, input.size(), head, text); !st)
        return R::failure(st.error());
    if (text) {
        in.clear();
        in.seekg(0);
        if (!in) return R::failure(name + ": błąd odczytu pliku");
        return runImport(db, company, name, path, Kind::Text, [&](BookWriter& w) {
            return loadText(in, name, input.size(), w, options);
        });
    }
    in.close();
    JpkKrSource source = JpkKrSource::file(input.path());
    source.name = name;
    return runImport(db, company, name, path, Kind::Jpk, [&](BookWriter& w) {
        return loadJpk(source, input.size(), w, options);
    });
}

Result<BookImportSummary> importBooksText(sql::HostDatabase& db, int company,
                                          const std::string& name, std::string_view text,
                                          const BookImportOptions& options) {
    const std::string_view head = text.substr(0, 512);
    const bool plain = looksLikeBookText(head);
    if (auto st = checkBeforeImport(name, text.size(), head, plain); !st)
        return R::failure(st.error());
    if (plain) {
        std::istringstream in{std::string(text)};
        return runImport(db, company, name, name, Kind::Text, [&](BookWriter& w) {
            return loadText(in, name, text.size(), w, options);
        });
    }
    return runImport(db, company, name, name, Kind::Jpk, [&](BookWriter& w) {
        return loadJpk(JpkKrSource::memory(name, text), text.size(), w, options);
    });
}

}  // namespace refhost::db
