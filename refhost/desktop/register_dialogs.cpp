#include "refhost/desktop/register_dialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

#include "citforms/values/day_number.h"
#include "citforms/values/text.h"
#include "refhost/db/company_register.h"

namespace refhost::desktop {

namespace {

namespace v = citforms::values;

constexpr const char* kWarning = "Tabrix: Ostrzeżenie";

QString q(const std::string& text) { return QString::fromStdString(text); }

QDialogButtonBox* okCancel(QDialog& dialog, const char* ok) {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    buttons->button(QDialogButtonBox::Ok)->setText(QString::fromUtf8(ok));
    buttons->button(QDialogButtonBox::Cancel)->setText("Anuluj");
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    return buttons;
}

QDate toQDate(v::DayNumber day) {
    return QDate(v::yearOf(day), static_cast<int>(v::monthOf(day)), static_cast<int>(v::dayOf(day)));
}

v::DayNumber fromQDate(const QDate& date) {
    return v::fromDate(date.year(), static_cast<unsigned>(date.month()),
                       static_cast<unsigned>(date.day()));
}

// Item sorted by a key of its own (a due date as a day number), shown as text.
class KeyedItem : public QTableWidgetItem {
public:
    KeyedItem(const QString& text, qlonglong key) : QTableWidgetItem(text) {
        setData(Qt::UserRole, key);
    }
    bool operator<(const QTableWidgetItem& other) const override {
        return data(Qt::UserRole).toLongLong() < other.data(Qt::UserRole).toLongLong();
    }
};

}  // namespace

std::optional<std::int32_t> editCompanyDialog(QWidget* parent, sql::HostDatabase& db,
                                              std::int32_t id) {
    db::Company current;
    if (id != 0) {
        auto read = db::readCompany(db, id);
        if (!read) {
            QMessageBox::warning(parent, kWarning, q(read.error()));
            return std::nullopt;
        }
        current = *read;
    }
    QDialog dialog(parent);
    dialog.setObjectName("firma");
    dialog.setWindowTitle(id == 0 ? "Nowa firma" : QString("Dane firmy %1").arg(id));
    auto* layout = new QVBoxLayout(&dialog);
    auto* form = new QFormLayout;
    layout->addLayout(form);
    auto line = [&](const char* caption, const std::string& value, const char* name) {
        auto* edit = new QLineEdit(q(value), &dialog);
        edit->setObjectName(name);
        form->addRow(QString::fromUtf8(caption), edit);
        return edit;
    };
    QLineEdit* nip = line("&NIP:", current.nip, "nip");
    QLineEdit* name = line("Nazwa &skrócona:", current.name, "nazwa");
    QLineEdit* fullName = line("Nazwa &pełna:", current.fullName, "nazwa_pelna");
    QLineEdit* regon = line("&REGON:", current.regon, "regon");
    auto* office = new QComboBox(&dialog);
    office->setObjectName("urzad");
    office->addItem("(nie wybrano)", QString());
    for (const auto& [code, officeName] : db::officialTaxOffices())
        office->addItem(q(code + " – " + officeName), q(code));
    office->setCurrentIndex(std::max(0, office->findData(q(current.taxOffice))));
    form->addRow("&Urząd skarbowy:", office);
    auto* quarterly = new QCheckBox("zaliczki &kwartalne", &dialog);
    quarterly->setChecked(current.quarterly);
    form->addRow(QString(), quarterly);
    QLineEdit* province = line("&Województwo:", current.province, "wojewodztwo");
    QLineEdit* county = line("Powia&t:", current.county, "powiat");
    QLineEdit* commune = line("&Gmina:", current.commune, "gmina");
    QLineEdit* street = line("U&lica:", current.street, "ulica");
    QLineEdit* house = line("Nr &domu:", current.house, "nr_domu");
    QLineEdit* flat = line("Nr l&okalu:", current.flat, "nr_lokalu");
    QLineEdit* city = line("&Miejscowość:", current.city, "miejscowosc");
    QLineEdit* postal = line("Kod po&cztowy:", current.postalCode, "kod_pocztowy");
    QLineEdit* post = line("Pocz&ta:", current.postOffice, "poczta");
    auto* buttons = okCancel(dialog, "&Zapisz");
    layout->addWidget(buttons);

    std::optional<std::int32_t> saved;
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, [&] {
        db::CompanyData data;
        const auto text = [](QLineEdit* e) { return e->text().trimmed().toStdString(); };
        data.nip = text(nip);
        data.name = text(name);
        if (!text(fullName).empty()) data.fullName = text(fullName);
        data.regon = text(regon);
        const std::string code = office->currentData().toString().toStdString();
        if (!code.empty()) data.taxOffice = code;
        data.quarterly = quarterly->isChecked();
        data.province = text(province);
        data.county = text(county);
        data.commune = text(commune);
        data.street = text(street);
        data.house = text(house);
        data.flat = text(flat);
        data.city = text(city);
        data.postalCode = text(postal);
        data.postOffice = text(post);
        if (id == 0) {
            auto added = db::addCompany(db, data);
            if (!added) {
                QMessageBox::warning(&dialog, kWarning, q(added.error()));
                return;
            }
            saved = *added;
        } else {
            if (auto done = db::editCompany(db, id, data); !done) {
                QMessageBox::warning(&dialog, kWarning, q(done.error()));
                return;
            }
            saved = id;
        }
        dialog.accept();
    });
    dialog.exec();
    return saved;
}

std::optional<std::int32_t> addFiscalYearDialog(QWidget* parent, sql::HostDatabase& db,
                                                std::int32_t company) {
    // Proposed: the year after the company's last one, or the calendar year of today.
    v::DayNumber from = v::fromDate(v::yearOf(v::today()), 1, 1);
    if (auto last = db.run("select max(koniec_roku) from LATA_OBROTOWE where id_firmy = " +
                           std::to_string(company));
        last && !last->rows.empty() && last->rows[0][0]) {
        const auto end = v::parseInteger<std::int32_t>(*last->rows[0][0]).value_or(0);
        if (end > 0) from = end + 1;
    }
    QDialog dialog(parent);
    dialog.setObjectName("rok_obrotowy");
    dialog.setWindowTitle("Nowy rok obrotowy");
    auto* layout = new QVBoxLayout(&dialog);
    auto* form = new QFormLayout;
    layout->addLayout(form);
    auto* start = new QDateEdit(toQDate(from), &dialog);
    auto* end = new QDateEdit(toQDate(v::addMonths(from, 12) - 1), &dialog);
    for (QDateEdit* e : {start, end}) e->setDisplayFormat("dd-MM-yyyy");
    form->addRow("&Od:", start);
    form->addRow("&Do:", end);
    auto* buttons = okCancel(dialog, "&Dodaj");
    layout->addWidget(buttons);
    std::optional<std::int32_t> added;
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, [&] {
        auto id = db::addFiscalYear(db, company, fromQDate(start->date()), fromQDate(end->date()));
        if (!id) {
            QMessageBox::warning(&dialog, kWarning, q(id.error()));
            return;
        }
        added = *id;
        dialog.accept();
    });
    dialog.exec();
    return added;
}

std::int32_t overviewDialog(QWidget* parent, sql::HostDatabase& db, int year,
                            const db::CheckErrors& check, QSettings* settings) {
    QDialog dialog(parent);
    dialog.setObjectName("przeglad");
    dialog.setWindowTitle("Przegląd firm – CIT-8");
    auto* layout = new QVBoxLayout(&dialog);
    auto* top = new QFormLayout;
    auto* yearBox = new QSpinBox(&dialog);
    yearBox->setRange(1801, 9999);
    yearBox->setValue(year);
    yearBox->setMaximumWidth(100);
    // Read again when the year is typed whole (Enter or leaving the box), not at every digit.
    yearBox->setKeyboardTracking(false);
    top->addRow("&Rok (koniec roku obrotowego):", yearBox);
    layout->addLayout(top);
    const QStringList headers = {"Firma", "NIP", "Nazwa", "Rok obrotowy", "Termin CIT-8", "Stan",
                                 "Deklaracja", "Brak CIT-2"};
    auto* table = new QTableWidget(0, static_cast<int>(headers.size()), &dialog);
    table->setHorizontalHeaderLabels(headers);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->verticalHeader()->hide();
    table->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(table);
    auto fill = [&] {
        auto rows = db::officeOverview(db, yearBox->value(), check);
        table->setSortingEnabled(false);
        table->setRowCount(0);
        if (!rows) {
            QMessageBox::warning(&dialog, kWarning, q(rows.error()));
            return;
        }
        table->setRowCount(static_cast<int>(rows->size()));
        for (int r = 0; r < static_cast<int>(rows->size()); ++r) {
            const db::OverviewRow& row = (*rows)[static_cast<std::size_t>(r)];
            std::string state = db::stateText(row.state);
            if (row.state == db::ReturnState::CheckedErrors)
                state += " (" + std::to_string(row.errors) + ")";
            QStringList months;
            for (v::DayNumber m : row.missingCit2) months << q(v::formatIso(m).substr(0, 7));
            const QString yearText =
                row.yearEnd == 0 ? QString()
                                 : q(v::formatDayMonthYear(row.yearStart) + " – " +
                                     v::formatDayMonthYear(row.yearEnd));
            table->setItem(r, 0, new KeyedItem(QString::number(row.company), row.company));
            table->setItem(r, 1, new QTableWidgetItem(q(row.nip)));
            table->setItem(r, 2, new QTableWidgetItem(q(row.name)));
            table->setItem(r, 3, new KeyedItem(yearText, row.yearEnd));
            // Companies without a due date sort after every date.
            table->setItem(r, 4,
                           new KeyedItem(row.due == 0 ? QString() : q(v::formatDayMonthYear(row.due)),
                                         row.due == 0 ? 99999999 : row.due));
            table->setItem(r, 5, new QTableWidgetItem(q(state)));
            table->setItem(r, 6, new KeyedItem(row.declaration == 0 ? QString()
                                                                    : QString::number(row.declaration),
                                               row.declaration));
            table->setItem(r, 7, new QTableWidgetItem(months.join(' ')));
        }
        table->setSortingEnabled(true);
        table->sortItems(4);
        table->resizeColumnsToContents();
    };
    fill();
    QObject::connect(yearBox, &QSpinBox::valueChanged, &dialog, [&] { fill(); });
    std::int32_t chosen = 0;
    QObject::connect(table, &QTableWidget::activated, &dialog, [&](const QModelIndex& index) {
        const QTableWidgetItem* item = table->item(index.row(), 6);
        chosen = item == nullptr ? 0 : item->data(Qt::UserRole).toInt();
        if (chosen != 0) dialog.accept();
    });
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, &dialog);
    buttons->button(QDialogButtonBox::Close)->setText("Zamknij");
    buttons->button(QDialogButtonBox::Close)->setAutoDefault(false);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);
    const QString key = "okna/przeglad";
    if (!dialog.restoreGeometry(settings->value(key).toByteArray())) dialog.resize(1000, 460);
    dialog.exec();
    settings->setValue(key, dialog.saveGeometry());
    return chosen;
}

}  // namespace refhost::desktop
