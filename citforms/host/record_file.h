#pragma once
// Record buffers of the host's table files (the host data library).
//
// A record file gives keyed access to one host table: open, close, read by key, position and
// read forward in key order, insert and update. Values travel as text, column by column;
// numbers as plain decimal digits, dates as day numbers. Errors set the calling thread's
// error status (UtilityLibrary::errorStatus()) and are reported through the attached error
// manager.
//
//   RecordFile& poz = data.file(HostFileId::DEKLARACJE_POZ);
//   poz.open();
//   Record key{{"ID_DEKLARACJE_NAG", "17"}, {"NR_ZALACZNIKA", "0"}, {"NR_POLA", ""}};
//   poz.set("DKP:KEY_WG_IDDEKLARACJENAG_ZALACZNIK_NRPOLA", key);
//   for (Record r; poz.next(r);) { ... }
//   poz.close();
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace citforms::host {

class ErrorManager;

// Host files the module uses, in the order CITFORMS:INIT attaches the error manager.
enum class HostFileId {
    LATA_OBROTOWE,
    ZAPYTANIESQL,
    URZEDY,
    ADRESY_FIRMY,
    FIRMA,
    URZEDY_FIRMY,
    ZAPYTANIESQL1,
    DEKLARACJE_NAG,
    DEKLARACJE_POZ,
    DEKLARACJE_DOCHOD,
    VAX_FK,
    VAZ_FK,
    VAY_FK,
};

inline constexpr HostFileId kAttachOrder[] = {
    HostFileId::LATA_OBROTOWE,  HostFileId::ZAPYTANIESQL,  HostFileId::URZEDY,
    HostFileId::ADRESY_FIRMY,   HostFileId::FIRMA,         HostFileId::URZEDY_FIRMY,
    HostFileId::ZAPYTANIESQL1,  HostFileId::DEKLARACJE_NAG, HostFileId::DEKLARACJE_POZ,
    HostFileId::DEKLARACJE_DOCHOD, HostFileId::VAX_FK,     HostFileId::VAZ_FK,
    HostFileId::VAY_FK,
};

std::string_view hostFileName(HostFileId id);

// Named keys of the host files used by the module.
inline constexpr std::string_view kKeyDeklNagPk = "DKN:PK_DEKL_NAG";
inline constexpr std::string_view kKeyDeklPozByZalacznik =
    "DKP:KEY_WG_IDDEKLARACJENAG_ZALACZNIK_NRPOLA";
// Primary keys of the other host files, each on the table's id column:
// DEKLARACJE_DOCHOD.ID_DEKLARACJE_DOCHOD, LATA_OBROTOWE.ID_LATA_OBROTOWE, FIRMA.ID_FIRMY,
// ADRESY_FIRMY.ID_ADRESY_FIRMY, URZEDY.ID_URZEDU, URZEDY_FIRMY.ID_URZEDY_FIRMY.
inline constexpr std::string_view kKeyDeklDochodPk = "DKD:PK_DEKL_DOCHOD";
inline constexpr std::string_view kKeyLataObrotowePk = "LOB:PK_LATA_OBROTOWE";
inline constexpr std::string_view kKeyFirmaPk = "FIR:PK_FIRMA";
inline constexpr std::string_view kKeyAdresyFirmyPk = "ADF:PK_ADRESY_FIRMY";
inline constexpr std::string_view kKeyUrzedyPk = "URZ:PK_URZEDY";
inline constexpr std::string_view kKeyUrzedyFirmyPk = "URF:PK_URZEDY_FIRMY";

// One record: column name -> text value. Column names compare case-insensitively.
//
// The records of one read share their list of column names: a record costs its values only.
// A record that gets a column of its own first takes a copy of the list.
class Record {
public:
    using Columns = std::vector<std::string>;

    Record() = default;
    Record(std::initializer_list<std::pair<std::string, std::string>> values);
    // A record of `values` under the shared `columns` (one value per column).
    Record(std::shared_ptr<Columns> columns, std::vector<std::string> values);

    // Value of `column`; empty when the record has no such column.
    const std::string& get(std::string_view column) const;
    bool has(std::string_view column) const;
    void set(std::string_view column, std::string value);
    // Room for `columns` values, for a record about to be filled column by column.
    void reserve(std::size_t columns) { values_.reserve(columns); }
    void clear();

    // The columns in the order they were given, with their values.
    std::size_t size() const { return values_.size(); }
    bool empty() const { return values_.empty(); }
    const std::string& column(std::size_t i) const { return (*columns_)[i]; }
    const std::string& value(std::size_t i) const { return values_[i]; }

private:
    std::ptrdiff_t indexOf(std::string_view column) const;

    std::shared_ptr<Columns> columns_;  // never changed while another record shares it
    std::vector<std::string> values_;
};

class RecordFile {
public:
    virtual ~RecordFile() = default;
    virtual bool open() = 0;
    virtual void close() = 0;
    // Reads the record whose key columns equal `keyValues`; false when there is none.
    virtual bool fetch(std::string_view key, const Record& keyValues, Record& out) = 0;
    // Positions before the first record whose key is >= `keyValues` (missing trailing key
    // columns count as the lowest value); next() then reads forward in key order.
    virtual bool set(std::string_view key, const Record& keyValues) = 0;
    virtual bool next(Record& out) = 0;
    virtual bool insert(const Record& record) = 0;
    // Writes back a record read before; the primary key picks the row.
    virtual bool update(const Record& record) = 0;
    virtual void attachErrorManager(ErrorManager* manager) = 0;
};

}  // namespace citforms::host
