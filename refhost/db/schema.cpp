#include "refhost/db/schema.h"

#include <algorithm>
#include <cctype>
#include <map>

#include "citforms/values/book_values.h"
#include "citforms/values/text.h"

namespace refhost::db {

using citforms::values::fromDate;
using citforms::values::today;

using citforms::values::join;
using citforms::values::upperAscii;

namespace {

using CT = ColumnType;

ColumnDef col(std::string name, CT type, std::string constraint = {}) {
    return ColumnDef{std::move(name), type, std::move(constraint)};
}
ColumnDef text(std::string name) { return col(std::move(name), CT::Text, "NOT NULL DEFAULT ''"); }
ColumnDef integer(std::string name) { return col(std::move(name), CT::Integer, "NOT NULL DEFAULT 0"); }
ColumnDef day(std::string name) { return col(std::move(name), CT::Day, "NOT NULL DEFAULT 0"); }

std::string day(int y, unsigned m, unsigned d) { return std::to_string(fromDate(y, m, d)); }

// Declarations: headers, field values, attachment texts, links, templates, the e-filing
// state and the deduction components of the older editions.
Migration declarations() {
    Migration m{1, "Deklaracje", {}};
    m.steps.push_back(TableDef{"DEKLARACJE_WZORZEC",
                               {col("ID_DEKLARACJE_WZORZEC", CT::Integer, "NOT NULL"),
                                text("TYP"), day("DATA_OD"), text("NAZWA")},
                               {"ID_DEKLARACJE_WZORZEC"}});
    m.steps.push_back(TableDef{"DEKLARACJE_NAG",
                               {col("ID_DEKLARACJE_NAG", CT::Integer, "NOT NULL"),
                                integer("ID_DEKLARACJE_WZORZEC"), integer("ID_FIRMY"),
                                day("DATA_OKRESU"), integer("ID_UDZIALOWCA"),
                                integer("NR_DEKLARACJI"), day("DATA_SYSTEMOWA"),
                                day("DATA_SYSTEMOWA_P"), text("ID_UZYT"), text("ID_UZYT_P"),
                                text("BLOKADA"), integer("LP"), integer("STATUS_2"),
                                text("INFO_2")},
                               {"ID_DEKLARACJE_NAG"}});
    // LP is unique per company, period and form: a second writer that numbered from a
    // stale maximum fails instead of storing a duplicate.
    m.steps.push_back(IndexDef{"DKN_FIRMA_OKRES_FORMULARZ_LP", "DEKLARACJE_NAG",
                               {"ID_FIRMY", "DATA_OKRESU", "INFO_2", "LP"}, true});
    m.steps.push_back(IndexDef{"DKN_WZORZEC_FIRMA", "DEKLARACJE_NAG",
                               {"ID_DEKLARACJE_WZORZEC", "ID_FIRMY"}, false});
    m.steps.push_back(TableDef{"DEKLARACJE_POZ",
                               {col("ID_DEKLARACJE_NAG", CT::Integer, "NOT NULL"),
                                col("NR_POLA", CT::KeyText, "NOT NULL"),
                                col("WARTOSC_POLA", CT::Text, "DEFAULT ''"),
                                integer("NR_ZALACZNIKA")},
                               {}});
    m.steps.push_back(IndexDef{"DKP_KEY_WG_IDDEKLARACJENAG_ZALACZNIK_NRPOLA", "DEKLARACJE_POZ",
                               {"ID_DEKLARACJE_NAG", "NR_ZALACZNIKA", "NR_POLA"}, false});
    m.steps.push_back(TableDef{"DEKLARACJE_ZALACZNIK",
                               {col("id_deklaracje_nag", CT::Integer, "NOT NULL"),
                                col("nr_pola", CT::KeyText, "NOT NULL"),
                                col("wartosc_pola", CT::Text, "DEFAULT ''"), text("typ")},
                               {}});
    m.steps.push_back(IndexDef{"DKZ_DEKLARACJA_TYP", "DEKLARACJE_ZALACZNIK",
                               {"id_deklaracje_nag", "typ", "nr_pola"}, false});
    m.steps.push_back(TableDef{"DEKLARACJE_NAG_INTER",
                               {col("ID_DEKLARACJE_NAG_1", CT::Integer, "NOT NULL"),
                                col("ID_DEKLARACJE_NAG_2", CT::Integer, "NOT NULL")},
                               {}});
    m.steps.push_back(IndexDef{"DKI_NAG_1", "DEKLARACJE_NAG_INTER", {"ID_DEKLARACJE_NAG_1"}});
    m.steps.push_back(IndexDef{"DKI_NAG_2", "DEKLARACJE_NAG_INTER", {"ID_DEKLARACJE_NAG_2"}});
    // Electronic filing of a declaration: whether it takes part (czy_zapis_w_bazie) and
    // how far it got. status: 0 prepared, 1 sent and awaiting the receipt, 2 accepted
    // (receipt UPO received), 3 rejected. Only a prepared or rejected one may change.
    m.steps.push_back(TableDef{"DEKLARACJE_EDEKLARACJA",
                               {col("id_deklaracje_nag", CT::Integer, "NOT NULL"),
                                integer("czy_zapis_w_bazie"), integer("status"),
                                day("data_wyslania"), text("nr_referencyjny")},
                               {"id_deklaracje_nag"}});
    m.steps.push_back(ViewDef{
        "DEKLARACJE_NAG_VIEW",
        "select n.ID_DEKLARACJE_NAG as id_deklaracje_nag, "
        "n.ID_DEKLARACJE_WZORZEC as id_deklaracje_wzorzec, n.ID_FIRMY as id_firmy, "
        "n.DATA_OKRESU as data_okresu, n.LP as lp, n.INFO_2 as info_2, "
        "n.BLOKADA as blokada, "
        "case when trim(coalesce(n.BLOKADA, '')) <> '' then 1 "
        "when coalesce(e.czy_zapis_w_bazie, 0) <> 0 and coalesce(e.status, 0) not in (0, 3) "
        "then 1 else 0 end as blokada_stan, "
        "case when coalesce(e.status, 0) in (0, 3) then 1 else 0 end "
        "as mozna_modyfikowac_dokument_edeklaracja, "
        "coalesce(e.czy_zapis_w_bazie, 0) as czy_zapis_w_bazie, "
        "coalesce(e.status, 0) as status_edeklaracji "
        "from DEKLARACJE_NAG n left join DEKLARACJE_EDEKLARACJA e "
        "on e.id_deklaracje_nag = n.ID_DEKLARACJE_NAG"});
    m.steps.push_back(TableDef{"DEKLARACJE_ODLICZENIE",
                               {col("id_deklaracje_odliczenie", CT::Integer, "NOT NULL"),
                                integer("id_deklaracje_wzorzec"),
                                col("nr_pola", CT::KeyText, "NOT NULL DEFAULT ''"),
                                text("opis")},
                               {"id_deklaracje_odliczenie"}});
    m.steps.push_back(IndexDef{"DKO_WZORZEC_POLE", "DEKLARACJE_ODLICZENIE",
                               {"id_deklaracje_wzorzec", "nr_pola"}, false});
    // A component: `wartosc` joined into the definition's sum with `operator` ('+', '-').
    m.steps.push_back(TableDef{"DEKLARACJE_SKLADOWE_O",
                               {col("id_deklaracje_skladowe_o", CT::AutoId),
                                integer("id_deklaracje_odliczenie"), text("funkcja"),
                                text("argument"), col("operator", CT::Text, "NOT NULL DEFAULT '+'"),
                                col("wartosc", CT::Money, "NOT NULL DEFAULT '0.00'"),
                                text("opis"), day("data_odliczenia"), integer("id_firmy"),
                                integer("id_udzialowca")},
                               {}});
    m.steps.push_back(IndexDef{"DKS_ODLICZENIE_FIRMA", "DEKLARACJE_SKLADOWE_O",
                               {"id_deklaracje_odliczenie", "id_firmy", "data_odliczenia"}});
    // Income sources of the CIT-2: revenue and cost account masks evaluated on the books.
    m.steps.push_back(TableDef{"DEKLARACJE_DOCHOD",
                               {col("id_deklaracje_dochod", CT::Integer, "NOT NULL"),
                                integer("id_firmy"), text("typ_dzialalnosci"), text("nazwa"),
                                text("maska_przychodow"), text("maska_kosztow")},
                               {"id_deklaracje_dochod"}});
    m.steps.push_back(RowsDef{
        "DEKLARACJE_WZORZEC",
        {"ID_DEKLARACJE_WZORZEC", "TYP", "DATA_OD", "NAZWA"},
        {
            {"3", "'CIT-2'", day(2001, 1, 1), "'CIT-2 (12)'"},
            {"31", "'CIT-2'", day(2002, 8, 1), "'CIT-2 (13)'"},
            {"32", "'CIT-2'", day(2003, 1, 1), "'CIT-2 (14)'"},
            {"33", "'CIT-2'", day(2004, 1, 1), "'CIT-2 (15)'"},
            {"34", "'CIT-2'", day(2005, 1, 1), "'CIT-2 (16)'"},
            {"35", "'CIT-2'", day(2007, 1, 1), "'CIT-2 (17)'"},
            {"70", "'CIT-8'", day(2009, 1, 2), "'CIT-8 (21)'"},
            {"72", "'CIT-8'", day(2015, 1, 2), "'CIT-8 (23)'"},
            {"73", "'CIT-8'", day(2016, 1, 2), "'CIT-8 (24)'"},
            {"201", "'CIT-ST'", day(2015, 1, 2), "'CIT-ST (7)'"},
        }});
    return m;
}

// Companies with their addresses, tax offices, fiscal years and branches; users, the
// activity log and the messages left for a user.
Migration masterData() {
    Migration m{2, "Dane firm i użytkowników", {}};
    m.steps.push_back(TableDef{"FIRMA",
                               {col("id_firmy", CT::Integer, "NOT NULL"), text("nip"),
                                integer("rodzaj_platnika"), text("nazwa"), text("nazwa_pelna"),
                                text("regon"), integer("KWARTALNY_PDO"), integer("id_us")},
                               {"id_firmy"}});
    m.steps.push_back(TableDef{"ADRESY_FIRMY",
                               {col("ID_ADRESY_FIRMY", CT::Integer, "NOT NULL"),
                                integer("ID_FIRMY"), text("TYP_ADRESU"), day("DATA_OD"),
                                text("wojewodztwo"), text("powiat"), text("gmina"),
                                text("ULICA"), text("NR_DOMU"), text("NR_LOKALU"),
                                text("MIEJSCOWOSC"), text("KOD_POCZTOWY"), text("POCZTA")},
                               {"ID_ADRESY_FIRMY"}});
    m.steps.push_back(IndexDef{"ADF_FIRMA_TYP_DATA", "ADRESY_FIRMY",
                               {"ID_FIRMY", "TYP_ADRESU", "DATA_OD"}});
    m.steps.push_back(TableDef{"URZEDY",
                               {col("ID_URZEDU", CT::Integer, "NOT NULL"), text("NAZWA"),
                                text("ULICA"), text("NR_DOMU"), text("MIEJSCOWOSC"),
                                text("KOD_POCZTOWY"), text("KOD_URZEDU")},
                               {"ID_URZEDU"}});
    m.steps.push_back(TableDef{"URZEDY_FIRMY",
                               {col("ID_URZEDY_FIRMY", CT::Integer, "NOT NULL"),
                                integer("ID_FIRMY"), integer("ID_URZEDU"), text("TYP_URZEDU"),
                                day("DATA_OD")},
                               {"ID_URZEDY_FIRMY"}});
    m.steps.push_back(IndexDef{"URF_TYP_FIRMA_DATA", "URZEDY_FIRMY",
                               {"TYP_URZEDU", "ID_FIRMY", "DATA_OD"}});
    m.steps.push_back(TableDef{"LATA_OBROTOWE",
                               {col("id_lata_obrotowe", CT::Integer, "NOT NULL"),
                                integer("id_firmy"), day("poczatek_roku"), day("koniec_roku"),
                                text("rok_obrotowy")},
                               {"id_lata_obrotowe"}});
    m.steps.push_back(IndexDef{"LOB_FIRMA_POCZATEK", "LATA_OBROTOWE",
                               {"id_firmy", "poczatek_roku"}});
    m.steps.push_back(TableDef{"FIRMA_ODDZIAL",
                               {col("ID_FIRMA_ODDZIAL", CT::Integer, "NOT NULL"),
                                integer("ID_FIRMY"), text("NAZWA"), text("NAZWA_PELNA"),
                                text("REGON"), text("NIP"), day("DATA_ROZP_DZIAL"), text("KRAJ"),
                                text("WOJEWODZTWO"), text("POWIAT"), text("GMINA"),
                                text("GMINA_KOD"), text("ULICA"), text("NRDOMU"),
                                text("NRLOKALU"), text("MIEJSCOWOSC"), text("KODPOCZTOWY"),
                                text("POCZTA"), integer("ZATRUDNIONYCH")},
                               {"ID_FIRMA_ODDZIAL"}});
    m.steps.push_back(IndexDef{"FOD_FIRMA", "FIRMA_ODDZIAL", {"ID_FIRMY"}});
    // Rows marked by a user in a list window (id_browsera names the list).
    m.steps.push_back(TableDef{"ZAZNACZENIE",
                               {col("id_zaznaczenia", CT::AutoId), integer("id_browsera"),
                                integer("id_uzytkownika"), integer("id_elementu")},
                               {}});
    m.steps.push_back(IndexDef{"ZAZ_BROWSER_UZYTKOWNIK", "ZAZNACZENIE",
                               {"id_browsera", "id_uzytkownika", "id_elementu"}});
    m.steps.push_back(TableDef{"PRZELEW",
                               {col("id_przelewu", CT::Integer, "NOT NULL"),
                                integer("id_deklaracje_nag"), integer("id_firmy"), day("data"),
                                col("kwota", CT::Money, "NOT NULL DEFAULT '0.00'"),
                                text("tytul"), text("rachunek")},
                               {"id_przelewu"}});
    m.steps.push_back(IndexDef{"PRZ_DEKLARACJA", "PRZELEW", {"id_deklaracje_nag", "id_firmy"}});
    m.steps.push_back(TableDef{"UZYTKOWNICY",
                               {col("id_uzytkownika", CT::Integer, "NOT NULL"), text("id_uzyt"),
                                text("nazwa")},
                               {"id_uzytkownika"}});
    m.steps.push_back(TableDef{"KOMUNIKAT",
                               {col("id_komunikat", CT::AutoId), text("kontekst"),
                                integer("id_uzytkownika"), text("tekst"), day("data")},
                               {}});
    m.steps.push_back(IndexDef{"KOM_KONTEKST_UZYTKOWNIK", "KOMUNIKAT",
                               {"kontekst", "id_uzytkownika"}});
    m.steps.push_back(TableDef{"DZIENNIK",
                               {col("id_dziennik", CT::AutoId), day("data"), text("czas"),
                                integer("id_uzytkownika"), text("id_uzyt"),
                                integer("id_deklaracje_nag"), text("tekst"), text("kategoria"),
                                text("operacja")},
                               {}});
    m.steps.push_back(IndexDef{"DZI_DEKLARACJA", "DZIENNIK", {"id_deklaracje_nag"}});
    // Small-taxpayer status of a company per calendar year (stan 1 = small taxpayer).
    m.steps.push_back(TableDef{"MALY_PODATNIK",
                               {col("id_firmy", CT::Integer, "NOT NULL"),
                                col("rok", CT::Integer, "NOT NULL"), integer("stan")},
                               {"id_firmy", "rok"}});
    return m;
}

// The company's books and the statement definitions evaluated on them. Amounts are whole
// grosze; OBROTY holds the turnovers per account and month (okres = year * 12 + month - 1)
// so that a statement over a year reads at most a dozen rows per account.
Migration books() {
    Migration m{3, "Księgi i zestawienia", {}};
    m.steps.push_back(TableDef{"KONTA",
                               {col("id_firmy", CT::Integer, "NOT NULL"),
                                col("nr_konta", CT::KeyText, "NOT NULL"), text("nazwa")},
                               {"id_firmy", "nr_konta"}});
    m.steps.push_back(TableDef{"KSIEGOWANIA",
                               {col("id_ksiegowania", CT::AutoId), integer("id_firmy"),
                                col("nr_konta", CT::KeyText, "NOT NULL"), day("data"),
                                col("kwota_wn", CT::Grosze, "NOT NULL DEFAULT 0"),
                                col("kwota_ma", CT::Grosze, "NOT NULL DEFAULT 0"),
                                text("dokument"), text("opis")},
                               {}});
    m.steps.push_back(IndexDef{"KSI_FIRMA_DATA", "KSIEGOWANIA", {"id_firmy", "data"}});
    m.steps.push_back(TableDef{"OBROTY",
                               {col("id_firmy", CT::Integer, "NOT NULL"),
                                col("nr_konta", CT::KeyText, "NOT NULL"),
                                col("okres", CT::Integer, "NOT NULL"),
                                col("obroty_wn", CT::Grosze, "NOT NULL DEFAULT 0"),
                                col("obroty_ma", CT::Grosze, "NOT NULL DEFAULT 0")},
                               {"id_firmy", "nr_konta", "okres"}});
    m.steps.push_back(IndexDef{"OBR_FIRMA_OKRES", "OBROTY", {"id_firmy", "okres"}});
    // A statement definition: the terms (lp) of the statement behind one form field (kod)
    // of a declaration. miara: 'WN' debit turnover, 'MA' credit turnover, 'SWN' debit
    // balance, 'SMA' credit balance; znak 1 or -1.
    m.steps.push_back(TableDef{"ZESTAWIENIE_DEFINICJA",
                               {col("id_deklaracje_nag", CT::Integer, "NOT NULL"),
                                col("rodzaj", CT::Text, "NOT NULL DEFAULT 'DD'"),
                                col("kod", CT::KeyText, "NOT NULL"), integer("lp"),
                                text("maska"), col("miara", CT::Text, "NOT NULL DEFAULT 'WN'"),
                                col("znak", CT::Integer, "NOT NULL DEFAULT 1")},
                               {"id_deklaracje_nag", "rodzaj", "kod", "lp"}});
    // The default set per template, copied into a new declaration without a pattern.
    m.steps.push_back(TableDef{"ZESTAWIENIE_DEFINICJA_WZORCA",
                               {col("id_deklaracje_wzorzec", CT::Integer, "NOT NULL"),
                                col("rodzaj", CT::Text, "NOT NULL DEFAULT 'DD'"),
                                col("kod", CT::KeyText, "NOT NULL"), integer("lp"),
                                text("maska"), col("miara", CT::Text, "NOT NULL DEFAULT 'WN'"),
                                col("znak", CT::Integer, "NOT NULL DEFAULT 1")},
                               {"id_deklaracje_wzorzec", "rodzaj", "kod", "lp"}});
    return m;
}

// Books from outside (the standard audit file or the text format): every import is
// recorded, its postings carry its number (0 = typed into the host) so that importing the
// same period again replaces them, and the opening balances of the accounts are kept per
// fiscal year. A posting in a foreign currency keeps that amount beside the one in zloty.
Migration bookImports() {
    Migration m{4, "Import ksiąg", {}};
    m.steps.push_back(ColumnAddDef{"KSIEGOWANIA", integer("id_importu")});
    m.steps.push_back(ColumnAddDef{"KSIEGOWANIA", text("waluta")});
    m.steps.push_back(
        ColumnAddDef{"KSIEGOWANIA", col("kwota_waluta", CT::Grosze, "NOT NULL DEFAULT 0")});
    m.steps.push_back(TableDef{"IMPORTY_KSIAG",
                               {col("id_firmy", CT::Integer, "NOT NULL"),
                                col("id_importu", CT::Integer, "NOT NULL"), text("format"),
                                text("plik"), day("data_od"), day("data_do"),
                                day("data_importu"), integer("liczba_zapisow"),
                                col("suma_wn", CT::Grosze, "NOT NULL DEFAULT 0"),
                                col("suma_ma", CT::Grosze, "NOT NULL DEFAULT 0")},
                               {"id_firmy", "id_importu"}});
    m.steps.push_back(TableDef{"BILANS_OTWARCIA",
                               {col("id_firmy", CT::Integer, "NOT NULL"),
                                col("nr_konta", CT::KeyText, "NOT NULL"),
                                col("poczatek_roku", CT::Day, "NOT NULL"),
                                col("bo_wn", CT::Grosze, "NOT NULL DEFAULT 0"),
                                col("bo_ma", CT::Grosze, "NOT NULL DEFAULT 0")},
                               {"id_firmy", "nr_konta", "poczatek_roku"}});
    return m;
}

// Several users on one database: declaration ids are never handed out twice, and every
// header carries the version its saves count up, so that a save made on a declaration as it
// was loaded cannot overwrite a later one or land on another declaration.
// The type of an account as the chart gives it (JPK_KR `TypKonta`: "Bilansowe", "Wynikowe"),
// so that the check tells the income-statement accounts by it; empty where none was given.
Migration accountTypes() {
    Migration m{6, "Typy kont", {}};
    m.steps.push_back(ColumnAddDef{"KONTA", text("typ")});
    return m;
}

// Corrections of filed returns: which return each correction corrects. Apart from the
// CIT-8 / CIT-ST links, so that no query of those links ever meets a correction. A return has
// at most one direct correction (a later one corrects the newest), and a correction corrects
// one return.
Migration corrections() {
    Migration m{7, "Korekty", {}};
    m.steps.push_back(TableDef{"DEKLARACJE_KOREKTY",
                               {col("ID_DEKLARACJI", CT::Integer, "NOT NULL"),
                                col("ID_KOREKTY", CT::Integer, "NOT NULL")},
                               {"ID_KOREKTY"}});
    m.steps.push_back(
        IndexDef{"DKK_JEDNA_KOREKTA", "DEKLARACJE_KOREKTY", {"ID_DEKLARACJI"}, true});
    return m;
}

Migration concurrentUsers() {
    Migration m{5, "Wielu użytkowników", {}};
    // Counted up by every save of the header; a save checks it against the one it loaded.
    m.steps.push_back(ColumnAddDef{"DEKLARACJE_NAG", integer("WERSJA")});
    // Who made the header in a window that has not saved it yet, and when ("U1 08-12-2026
    // 17:05"); empty once saved. A discard leaves such a header alone.
    m.steps.push_back(ColumnAddDef{"DEKLARACJE_NAG", text("W_TWORZENIU")});
    // The highest declaration id ever given. Deleting a header does not lower it, so a new
    // declaration never takes the id of one deleted while a window still holds it.
    m.steps.push_back(TableDef{"NUMERACJA",
                               {col("nazwa", CT::KeyText, "NOT NULL"), integer("ostatni")},
                               {"nazwa"}});
    m.steps.push_back(RowsDef{
        "NUMERACJA",
        {"nazwa", "ostatni"},
        {{"'DEKLARACJE_NAG'",
          "(select max(n) from (select coalesce(max(ID_DEKLARACJE_NAG), 0) as n from "
          "DEKLARACJE_NAG union all select coalesce(max(ID_DEKLARACJE_NAG), 0) from "
          "ZESTAWIENIE_DEFINICJA union all select coalesce(max(ID_DEKLARACJE_NAG), 0) from "
          "DEKLARACJE_POZ union all select coalesce(max(ID_DEKLARACJE_NAG), 0) from "
          "DEKLARACJE_ZALACZNIK) ids)"}}});
    // Every header inserted, by whatever program, raises the mark.
    const std::string raise =
        "UPDATE NUMERACJA SET ostatni = NEW.ID_DEKLARACJE_NAG WHERE nazwa = 'DEKLARACJE_NAG' "
        "AND ostatni < NEW.ID_DEKLARACJE_NAG";
    m.steps.push_back(NativeDef{
        {"CREATE TRIGGER DKN_NUMERACJA AFTER INSERT ON DEKLARACJE_NAG BEGIN " + raise + "; END"},
        {"CREATE FUNCTION dkn_numeracja() RETURNS trigger AS $$ BEGIN " + raise +
             "; RETURN NEW; END $$ LANGUAGE plpgsql",
         "CREATE TRIGGER DKN_NUMERACJA AFTER INSERT ON DEKLARACJE_NAG FOR EACH ROW EXECUTE "
         "FUNCTION dkn_numeracja()"}});
    // One transfer per declaration. Two users who saved one each at the same moment left two;
    // the later one stays as a transfer of the company, no longer tied to the declaration.
    const std::string detachLaterTransfers =
        "UPDATE PRZELEW SET id_deklaracje_nag = 0 WHERE id_deklaracje_nag <> 0 AND "
        "id_przelewu > (SELECT min(p.id_przelewu) FROM PRZELEW p WHERE p.id_deklaracje_nag = "
        "PRZELEW.id_deklaracje_nag)";
    const std::string oneTransfer =
        "CREATE UNIQUE INDEX PRZ_JEDEN_NA_DEKLARACJE ON PRZELEW (id_deklaracje_nag) WHERE "
        "id_deklaracje_nag <> 0";
    // A CIT-ST belongs to at most one CIT-8 and a CIT-8 has at most one CIT-ST. Links made
    // twice at the same moment: the rows repeated go, then the CIT-ST keeps its link to the
    // first CIT-8 and the CIT-8 its first CIT-ST.
    const std::string laterCit8 =
        "DELETE FROM DEKLARACJE_NAG_INTER WHERE ID_DEKLARACJE_NAG_1 > (SELECT "
        "min(i.ID_DEKLARACJE_NAG_1) FROM DEKLARACJE_NAG_INTER i WHERE i.ID_DEKLARACJE_NAG_2 = "
        "DEKLARACJE_NAG_INTER.ID_DEKLARACJE_NAG_2)";
    const std::string laterCitSt =
        "DELETE FROM DEKLARACJE_NAG_INTER WHERE ID_DEKLARACJE_NAG_2 > (SELECT "
        "min(i.ID_DEKLARACJE_NAG_2) FROM DEKLARACJE_NAG_INTER i WHERE i.ID_DEKLARACJE_NAG_1 = "
        "DEKLARACJE_NAG_INTER.ID_DEKLARACJE_NAG_1)";
    m.steps.push_back(NativeDef{
        {detachLaterTransfers, oneTransfer,
         "DELETE FROM DEKLARACJE_NAG_INTER WHERE rowid NOT IN (SELECT min(rowid) FROM "
         "DEKLARACJE_NAG_INTER GROUP BY ID_DEKLARACJE_NAG_1, ID_DEKLARACJE_NAG_2)",
         laterCit8, laterCitSt},
        {detachLaterTransfers, oneTransfer,
         "DELETE FROM DEKLARACJE_NAG_INTER a USING DEKLARACJE_NAG_INTER b WHERE a.ctid > b.ctid "
         "AND a.ID_DEKLARACJE_NAG_1 = b.ID_DEKLARACJE_NAG_1 AND a.ID_DEKLARACJE_NAG_2 = "
         "b.ID_DEKLARACJE_NAG_2",
         laterCit8, laterCitSt}});
    m.steps.push_back(
        IndexDef{"DKI_JEDNO_CIT_ST", "DEKLARACJE_NAG_INTER", {"ID_DEKLARACJE_NAG_1"}, true});
    m.steps.push_back(
        IndexDef{"DKI_JEDNA_CIT_8", "DEKLARACJE_NAG_INTER", {"ID_DEKLARACJE_NAG_2"}, true});
    return m;
}

}  // namespace

// Where an amount comes from: the postings behind one account over a period, a page at a
// time, without reading the company's other accounts of those days.
Migration amountSources() {
    Migration m{8, "Źródła kwot", {}};
    m.steps.push_back(
        IndexDef{"KSI_FIRMA_KONTO_DATA", "KSIEGOWANIA", {"id_firmy", "nr_konta", "data"}});
    return m;
}

const std::vector<Migration>& migrations() {
    static const std::vector<Migration> all = {declarations(),    masterData(),
                                               books(),           bookImports(),
                                               concurrentUsers(), accountTypes(),
                                               corrections(),     amountSources()};
    return all;
}

int latestVersion() { return migrations().back().version; }

std::optional<TableDef> tableDefinition(std::string_view name) {
    std::optional<TableDef> out;
    for (const Migration& m : migrations()) {
        for (const MigrationStep& step : m.steps) {
            if (const auto* t = std::get_if<TableDef>(&step); t != nullptr && t->name == name) {
                out = *t;
            } else if (const auto* a = std::get_if<ColumnAddDef>(&step);
                       a != nullptr && out && a->table == name) {
                out->columns.push_back(a->column);
            }
        }
    }
    return out;
}

std::vector<std::string> render(const MigrationStep& step, const sql::EngineProfile& profile) {
    if (const auto* t = std::get_if<TableDef>(&step)) {
        std::vector<std::string> cols;
        for (const ColumnDef& c : t->columns) {
            std::string def = c.name + " " + profile.columnType(c.type);
            if (!c.constraint.empty()) def += " " + c.constraint;
            cols.push_back(def);
        }
        if (!t->primaryKey.empty()) cols.push_back("PRIMARY KEY (" + join(t->primaryKey, ", ") + ")");
        return {"CREATE TABLE " + t->name + " (" + join(cols, ", ") + ")"};
    }
    if (const auto* a = std::get_if<ColumnAddDef>(&step)) {
        std::string def = a->column.name + " " + profile.columnType(a->column.type);
        if (!a->column.constraint.empty()) def += " " + a->column.constraint;
        return {"ALTER TABLE " + a->table + " ADD COLUMN " + def};
    }
    if (const auto* i = std::get_if<IndexDef>(&step)) {
        return {std::string("CREATE ") + (i->unique ? "UNIQUE " : "") + "INDEX " + i->name +
                " ON " + i->table + " (" + join(i->columns, ", ") + ")"};
    }
    if (const auto* v = std::get_if<ViewDef>(&step)) {
        return {"CREATE VIEW " + v->name + " AS " + v->select};
    }
    if (const auto* n = std::get_if<NativeDef>(&step)) {
        return profile.engine() == sql::Engine::PostgreSQL ? n->postgresql : n->sqlite;
    }
    const auto& r = std::get<RowsDef>(step);
    std::vector<std::string> out;
    for (const auto& row : r.rows) {
        out.push_back("INSERT INTO " + r.table + " (" + join(r.columns, ", ") + ") VALUES (" +
                      join(row, ", ") + ")");
    }
    return out;
}

int currentVersion(sql::HostDatabase& db) {
    auto r = db.runNative(std::string("select coalesce(max(wersja), 0) from ") + kVersionTable);
    if (!r || r->rows.empty() || !r->rows[0][0]) return 0;
    return citforms::values::parseInteger<int>(*r->rows[0][0]).value_or(0);
}

Status migrate(sql::HostDatabase& db, const sql::EngineProfile& profile, int target) {
    if (target < 0) target = latestVersion();
    // Up to date already (the common case): no write lock, so that opening the database
    // never waits for another user's transaction.
    if (currentVersion(db) >= target) return {};
    if (auto st = db.begin(); !st) return st;
    auto fail = [&](const std::string& message) {
        db.rollback();
        return Status::failure(message);
    };
    auto created = db.runNative(std::string("CREATE TABLE IF NOT EXISTS ") + kVersionTable +
                                " (wersja " + profile.columnType(CT::Integer) +
                                " NOT NULL PRIMARY KEY, opis " + profile.columnType(CT::Text) +
                                ", data_zastosowania " + profile.columnType(CT::Day) + ")");
    if (!created) return fail(created.error());
    const int current = currentVersion(db);
    for (const Migration& m : migrations()) {
        if (m.version <= current || m.version > target) continue;
        for (const MigrationStep& step : m.steps) {
            for (const std::string& stmt : render(step, profile)) {
                auto r = db.runNative(stmt);
                if (!r) {
                    return fail("migracja " + std::to_string(m.version) + ": " + r.error() +
                                " [" + stmt + "]");
                }
            }
        }
        auto r = db.runNative(std::string("INSERT INTO ") + kVersionTable +
                                  " (wersja, opis, data_zastosowania) VALUES (?, ?, ?)",
                              {std::to_string(m.version), m.description,
                               std::to_string(today())});
        if (!r) return fail(r.error());
    }
    return db.commit();
}

bool hasSchemaMarker(const std::vector<std::string>& tables) {
    return std::any_of(tables.begin(), tables.end(),
                       [](const std::string& t) { return upperAscii(t) == kVersionTable; });
}

bool isTextColumn(std::string_view column) {
    static const std::map<std::string, bool> kinds = [] {
        std::map<std::string, bool> out;  // name -> text in every table that has it
        for (const Migration& m : migrations()) {
            for (const MigrationStep& step : m.steps) {
                std::vector<ColumnDef> columns;
                if (const auto* t = std::get_if<TableDef>(&step)) columns = t->columns;
                if (const auto* a = std::get_if<ColumnAddDef>(&step)) columns = {a->column};
                for (const ColumnDef& c : columns) {
                    const bool isText = c.type == CT::Text || c.type == CT::KeyText;
                    auto [it, inserted] = out.emplace(upperAscii(c.name), isText);
                    if (!inserted) it->second = it->second && isText;
                }
            }
        }
        return out;
    }();
    auto it = kinds.find(upperAscii(column));
    return it != kinds.end() && it->second;
}

}  // namespace refhost::db
