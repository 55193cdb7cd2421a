#pragma once
// Writes a JPK_KR file of any size with libxml2's streaming writer, for the benchmark and
// the tests: a calendar year of a company's books on accounts of the demo chart, journal
// entries of four postings each (two pairs of debit and credit), deterministic amounts.
// The totals per account come back, so a test knows what the statements must find.
//
//   JpkKrPlan plan{"7781234563", "Młyn", 2017, 1000000, 1};
//   auto totals = writeJpkKr("/tmp/books.xml", plan);
#include <libxml/xmlwriter.h>

#include <array>
#include <cstdint>
#include <map>
#include <stdexcept>
#include <string>

#include "citforms/values/book_values.h"
#include "refhost/db/books.h"
#include "refhost/db/jpk_kr_reader.h"

namespace citforms_test {

struct JpkKrPlan {
    std::string nip;
    std::string fullName;
    int year = 2017;
    long long postings = 1000;  // KontoZapis rows, a multiple of 4
    std::uint32_t seed = 1;
};

struct JpkKrTotals {
    std::map<std::string, refhost::db::AccountTotals> accounts;
    long long rows = 0;
    std::int64_t sum = 0;  // of debits, equal to that of credits
};

namespace jpk_kr_generator {

struct Account {
    const char* code;
    const char* name;
    const char* group;
    const char* groupName;
};

inline const std::array<Account, 12>& chart() {
    static const std::array<Account, 12> accounts = {{
        {"130-01", "Rachunek bieżący – Bank Pekao S.A.", "1", "Środki pieniężne"},
        {"201-01", "Rozrachunki z odbiorcami krajowymi", "2", "Rozrachunki i roszczenia"},
        {"201-02", "Rozrachunki z odbiorcami zagranicznymi", "2", "Rozrachunki i roszczenia"},
        {"202-01", "Rozrachunki z dostawcami krajowymi", "2", "Rozrachunki i roszczenia"},
        {"222-01", "Rozrachunki z urzędem skarbowym – zaliczki CIT", "2", "Rozrachunki i roszczenia"},
        {"401-1", "Zużycie materiałów i energii", "4", "Koszty według rodzajów"},
        {"402-1", "Usługi obce – działalność krajowa", "4", "Koszty według rodzajów"},
        {"700-01", "Przychody ze sprzedaży produktów – kraj", "7", "Przychody i koszty"},
        {"702-01", "Przychody ze źródeł zagranicznych – pozostałe", "7", "Przychody i koszty"},
        {"750-01", "Przychody finansowe – odsetki", "7", "Przychody i koszty"},
        {"751-01", "Koszty finansowe – odsetki", "7", "Przychody i koszty"},
        {"760-09", "Pozostałe przychody operacyjne – zwrot kosztów", "7", "Przychody i koszty"},
    }};
    return accounts;
}

// Debit and credit account of the operations the generator books.
inline const std::array<std::pair<const char*, const char*>, 8>& operations() {
    static const std::array<std::pair<const char*, const char*>, 8> pairs = {{
        {"201-01", "700-01"}, {"401-1", "202-01"}, {"402-1", "202-01"}, {"130-01", "750-01"},
        {"751-01", "130-01"}, {"222-01", "130-01"}, {"201-02", "702-01"}, {"130-01", "760-09"},
    }};
    return pairs;
}

class Writer {
public:
    explicit Writer(const std::string& path) : w_(xmlNewTextWriterFilename(path.c_str(), 0)) {
        if (w_ == nullptr) throw std::runtime_error("cannot write " + path);
        xmlTextWriterSetIndent(w_, 1);
        xmlTextWriterSetIndentString(w_, x(" "));
    }
    ~Writer() {
        if (w_ != nullptr) xmlFreeTextWriter(w_);
    }
    Writer(const Writer&) = delete;
    Writer& operator=(const Writer&) = delete;

    void start(const char* name) { check(xmlTextWriterStartElement(w_, x(name))); }
    void end() { check(xmlTextWriterEndElement(w_)); }
    void attribute(const char* name, const std::string& value) {
        check(xmlTextWriterWriteAttribute(w_, x(name), x(value.c_str())));
    }
    void element(const char* name, const std::string& value) {
        check(xmlTextWriterWriteElement(w_, x(name), x(value.c_str())));
    }
    void text(const std::string& value) { check(xmlTextWriterWriteString(w_, x(value.c_str()))); }
    void document(bool begin) {
        check(begin ? xmlTextWriterStartDocument(w_, nullptr, "UTF-8", nullptr)
                    : xmlTextWriterEndDocument(w_));
    }

private:
    static const xmlChar* x(const char* s) { return reinterpret_cast<const xmlChar*>(s); }
    static void check(int rc) {
        if (rc < 0) throw std::runtime_error("xmlTextWriter failed");
    }
    xmlTextWriterPtr w_;
};

}  // namespace jpk_kr_generator

// One posting of the generated books, as the import writes it to KSIEGOWANIA.
struct JpkKrRow {
    std::string account;
    int day = 0;
    std::int64_t debit = 0;
    std::int64_t credit = 0;
    std::string entry;     // journal entry number
    std::string document;  // "PK " + entry
    std::string description;
};

namespace jpk_kr_generator {

inline std::uint32_t firstState(const JpkKrPlan& plan) { return plan.seed * 2654435761u; }

inline std::int64_t nextAmount(std::uint32_t& state) {
    state = state * 1103515245u + 12345u;
    return static_cast<std::int64_t>(100 + (state >> 8) % 5000000);  // 1.00 to 50 000.99 zł
}

inline int dayOfEntry(const JpkKrPlan& plan, long long e) {
    const int first = citforms::values::fromDate(plan.year, 1, 1);
    const int days = citforms::values::fromDate(plan.year, 12, 31) - first + 1;
    return first + static_cast<int>(e * days / (plan.postings / 4 + 1));
}

inline std::pair<const char*, const char*> operationOf(long long e, int k) {
    return operations()[static_cast<std::size_t>((e * 3 + k * 5) % 8)];
}

}  // namespace jpk_kr_generator

// Every posting of the file `plan` describes, in the file's order.
template <class F>
void forEachJpkKrPosting(const JpkKrPlan& plan, F&& f) {
    namespace g = jpk_kr_generator;
    std::uint32_t state = g::firstState(plan);
    JpkKrRow row;
    for (long long e = 0; e < plan.postings / 4; ++e) {
        row.entry = std::to_string(e + 1) + "/" + std::to_string(plan.year);
        row.document = "PK " + row.entry;
        row.description = "Operacja nr " + std::to_string(e + 1);
        row.day = g::dayOfEntry(plan, e);
        for (int k = 0; k < 2; ++k) {
            const std::int64_t a = g::nextAmount(state);
            const auto [debit, credit] = g::operationOf(e, k);
            row.account = debit;
            row.debit = a;
            row.credit = 0;
            f(static_cast<const JpkKrRow&>(row));
            row.account = credit;
            row.debit = 0;
            row.credit = a;
            f(static_cast<const JpkKrRow&>(row));
        }
    }
}

inline JpkKrTotals writeJpkKr(const std::string& path, const JpkKrPlan& plan) {
    using citforms::values::fromDate;
    using citforms::values::groszeText;
    using citforms::values::formatIso;
    namespace g = jpk_kr_generator;
    JpkKrTotals totals;
    const long long entries = plan.postings / 4;
    // Amounts are drawn in order, for the chart's turnovers and the journal (which come
    // first in the file), and replayed for the postings.
    std::uint32_t state = g::firstState(plan);
    auto amount = [&] { return g::nextAmount(state); };
    const int first = fromDate(plan.year, 1, 1);
    const int days = fromDate(plan.year, 12, 31) - first + 1;

    g::Writer w(path);
    w.document(true);
    w.start("JPK");
    w.attribute("xmlns", refhost::db::kJpkKrNamespace);
    w.attribute("xmlns:etd",
                "http://crd.gov.pl/xml/schematy/dziedzinowe/mf/2016/01/25/eD/DefinicjeTypy/");
    w.start("Naglowek");
    w.start("KodFormularza");
    w.attribute("kodSystemowy", "JPK_KR (1)");
    w.attribute("wersjaSchemy", "1-0");
    w.text("JPK_KR");
    w.end();
    w.element("WariantFormularza", "1");
    w.element("CelZlozenia", "1");
    w.element("DataWytworzeniaJPK", std::to_string(plan.year + 1) + "-01-31T12:00:00");
    w.element("DataOd", formatIso(first));
    w.element("DataDo", formatIso(first + days - 1));
    w.element("DomyslnyKodWaluty", "PLN");
    w.element("KodUrzedu", "3021");
    w.end();
    w.start("Podmiot1");
    w.start("IdentyfikatorPodmiotu");
    w.element("etd:NIP", plan.nip);
    w.element("etd:PelnaNazwa", plan.fullName);
    w.end();
    w.start("AdresPodmiotu");
    for (const auto& [name, value] :
         std::array<std::pair<const char*, const char*>, 8>{{{"etd:KodKraju", "PL"},
                                                             {"etd:Wojewodztwo", "WIELKOPOLSKIE"},
                                                             {"etd:Powiat", "Poznań"},
                                                             {"etd:Gmina", "Poznań"},
                                                             {"etd:NrDomu", "29"},
                                                             {"etd:Miejscowosc", "Poznań"},
                                                             {"etd:KodPocztowy", "61-806"},
                                                             {"etd:Poczta", "Poznań"}}}) {
        w.element(name, value);
    }
    w.end();
    w.end();

    // Turnovers first, for ZOiS, which precedes the journal.
    for (long long e = 0; e < entries; ++e) {
        for (int k = 0; k < 2; ++k) {
            const std::int64_t a = amount();
            const auto [debit, credit] = g::operationOf(e, k);
            totals.accounts[debit].debit += a;
            totals.accounts[credit].credit += a;
            totals.sum += a;
        }
    }
    totals.rows = entries * 4;
    for (const g::Account& a : g::chart()) {
        const auto& t = totals.accounts[a.code];
        w.start("ZOiS");
        w.attribute("typ", "G");
        w.element("KodKonta", a.code);
        w.element("OpisKonta", a.name);
        w.element("TypKonta", a.group[0] >= '4' ? "wynikowe" : "bilansowe");
        w.element("KodZespolu", a.group);
        w.element("OpisZespolu", a.groupName);
        w.element("KodKategorii", std::string(a.code).substr(0, 3));
        w.element("OpisKategorii", a.name);
        w.element("BilansOtwarciaWinien", "0.00");
        w.element("BilansOtwarciaMa", "0.00");
        w.element("ObrotyWinien", groszeText(t.debit));
        w.element("ObrotyMa", groszeText(t.credit));
        w.element("ObrotyWinienNarast", groszeText(t.debit));
        w.element("ObrotyMaNarast", groszeText(t.credit));
        const std::int64_t balance = t.debit - t.credit;
        w.element("SaldoWinien", groszeText(balance > 0 ? balance : 0));
        w.element("SaldoMa", groszeText(balance < 0 ? -balance : 0));
        w.end();
    }

    state = g::firstState(plan);
    for (long long e = 0; e < entries; ++e) {
        const std::int64_t a = amount();
        const std::int64_t b = amount();
        const std::string number = std::to_string(e + 1) + "/" + std::to_string(plan.year);
        const std::string day = formatIso(g::dayOfEntry(plan, e));
        w.start("Dziennik");
        w.attribute("typ", "G");
        w.element("LpZapisuDziennika", std::to_string(e + 1));
        w.element("NrZapisuDziennika", number);
        w.element("OpisDziennika", "Dziennik główny");
        w.element("NrDowoduKsiegowego", "PK " + number);
        w.element("RodzajDowodu", "polecenie księgowania");
        w.element("DataOperacji", day);
        w.element("DataDowodu", day);
        w.element("DataKsiegowania", day);
        w.element("KodOperatora", "ANOWAK");
        w.element("OpisOperacji", "Operacja nr " + std::to_string(e + 1));
        w.element("DziennikKwotaOperacji", groszeText(a + b));
        w.end();
    }
    w.start("DziennikCtrl");
    w.element("LiczbaWierszyDziennika", std::to_string(entries));
    w.element("SumaKwotOperacji", groszeText(totals.sum));
    w.end();

    long long lp = 0;
    forEachJpkKrPosting(plan, [&](const JpkKrRow& row) {
        const std::string a = groszeText(row.debit + row.credit);
        w.start("KontoZapis");
        w.attribute("typ", "G");
        w.element("LpZapisu", std::to_string(++lp));
        w.element("NrZapisu", row.entry);
        w.element("KodKontaWinien", row.debit != 0 ? row.account : "null");
        w.element("KwotaWinien", row.debit != 0 ? a : "0.00");
        w.element("KodKontaMa", row.credit != 0 ? row.account : "null");
        w.element("KwotaMa", row.credit != 0 ? a : "0.00");
        w.end();
    });
    w.start("KontoZapisCtrl");
    w.element("LiczbaWierszyKontoZapisj", std::to_string(totals.rows));
    w.element("SumaWinien", groszeText(totals.sum));
    w.element("SumaMa", groszeText(totals.sum));
    w.end();
    w.end();
    w.document(false);
    return totals;
}

}  // namespace citforms_test
