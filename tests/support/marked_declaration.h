#pragma once
// A generation-73 CIT-8 with every field filled, each stored row marked with the number of the
// save ("round") that wrote it, so that a reader of the database can tell whether what it finds
// is one whole save: the main sheet (148 rows), the CIT-8/O (89), ten CIT-D copies of forty
// fields, ten CIT-BR copies of 67 fields, and the eleven ORD-ZU texts.
//
//   DeclarationFields f;
//   fillMarked(f, 17);
//   ZAPISZ_CIT_8(73, host, state, f, 1, id, period, 0);
//   ...
//   roundOfRow(0, 31, "17.00") == 17
//
// Text fields carry "R<round>:" and Polish text with an apostrophe up to their capacity;
// amount fields the round in whole złoty; day fields day 70000 + round. CIT-8 fields 28 and 29
// hold the numbers of CIT-BR and CIT-D copies and carry no mark.
#include <optional>
#include <string>

#include "citforms/store/declaration_fields.h"
#include "citforms/values/decimal.h"

namespace citforms_test {

inline constexpr int kMarkedCitDCopies = 10;
inline constexpr int kMarkedCitDFields = 40;
inline constexpr int kMarkedCitBrCopies = 10;
inline constexpr int kMarkedCitBrFields = 67;
inline constexpr int kMarkedDayBase = 70000;

// Rows of DEKLARACJE_POZ and DEKLARACJE_ZALACZNIK that one complete save leaves.
inline constexpr int kMarkedPozRows =
    148 + 89 + kMarkedCitDCopies * kMarkedCitDFields + kMarkedCitBrCopies * kMarkedCitBrFields;
inline constexpr int kMarkedOrdZuRows = 11;

inline std::string markedText(int round, int field) {
    return "R" + std::to_string(round) + ":" + std::to_string(field) +
           " Zażółć 'gęślą' jaźń – zeznanie CIT-8 za rok podatkowy, pozycja wypełniona do "
           "końca swojej długości, żeby zapis niósł pełne wiersze; O'Brien & Syn sp. z o.o., "
           "ul. Długa 1/2, 00-950 Warszawa. Koniec.";
}

inline void fillSet(citforms::store::FieldSet& set, int round) {
    using citforms::values::FieldClass;
    for (int n : set.list().numbers()) {
        citforms::values::FieldValue& v = set[n];
        switch (v.fieldClass()) {
            case FieldClass::Text:
                v.setText(markedText(round, n));
                break;
            case FieldClass::Amount:
                v.setAmount(citforms::values::Amount::fromGrosze(std::int64_t{round} * 100));
                break;
            case FieldClass::Day:
                v.setDay(kMarkedDayBase + round);
                break;
        }
    }
}

inline void fillMarked(citforms::store::DeclarationFields& f, int round) {
    fillSet(f.main(), round);
    f.main()[28].setAmount(citforms::values::Amount::fromGrosze(kMarkedCitBrCopies * 100));
    f.main()[29].setAmount(citforms::values::Amount::fromGrosze(kMarkedCitDCopies * 100));
    fillSet(f.form("CIT-8/O"), round);
    fillSet(f.form("ORD-ZU"), round);
    f.copies("CIT-D").clear();
    f.copies("CIT-BR").clear();
    for (int copy = 1; copy <= kMarkedCitDCopies; ++copy) {
        for (int field = 1; field <= kMarkedCitDFields; ++field) {
            f.copies("CIT-D").append(copy, field, markedText(round, field));
        }
    }
    for (int copy = 1; copy <= kMarkedCitBrCopies; ++copy) {
        for (int field = 1; field <= kMarkedCitBrFields; ++field) {
            f.copies("CIT-BR").append(copy, field, markedText(round, field));
        }
    }
}

// The round that wrote a stored value: `sheet` is NR_ZALACZNIKA (-1 for an ORD-ZU row of
// DEKLARACJE_ZALACZNIK). 0 for the unmarked count fields; nullopt for a value no round wrote.
inline std::optional<int> roundOfRow(int sheet, int field, const std::string& value) {
    if (sheet == 0 && (field == 28 || field == 29)) return 0;
    auto digits = [](const std::string& text) -> std::optional<long> {
        if (text.empty()) return std::nullopt;
        for (char c : text) {
            if (c < '0' || c > '9') return std::nullopt;
        }
        return std::stol(text);
    };
    if (!value.empty() && value[0] == 'R') {
        const auto colon = value.find(':');
        if (colon == std::string::npos) return std::nullopt;
        auto round = digits(value.substr(1, colon - 1));
        return round ? std::optional<int>(static_cast<int>(*round)) : std::nullopt;
    }
    if (sheet == 1 && (field == 4 || field == 5)) {
        auto day = digits(value);
        return day ? std::optional<int>(static_cast<int>(*day - kMarkedDayBase)) : std::nullopt;
    }
    // An amount in whole złoty: "17.00" (or "17" as the engine may print it).
    const auto dot = value.find('.');
    if (dot != std::string::npos && value.find_first_not_of('0', dot + 1) != std::string::npos) {
        return std::nullopt;
    }
    auto whole = digits(value.substr(0, dot));
    return whole ? std::optional<int>(static_cast<int>(*whole)) : std::nullopt;
}

}  // namespace citforms_test
