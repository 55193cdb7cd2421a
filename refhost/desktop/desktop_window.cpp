#include "refhost/desktop/desktop_window.h"

#include <algorithm>
#include <functional>
#include <sstream>

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFont>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QStatusBar>
#include <QTableWidget>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>
#include <nlohmann/json.hpp>

#include "citforms/module/exports.h"
#include "citforms/values/book_values.h"
#include "citforms/values/day_number.h"
#include "citforms/values/text.h"
#include "refhost/app/check_command.h"
#include "refhost/app/cit8_commands.h"
#include "refhost/app/import_books.h"
#include "refhost/db/book_import.h"
#include "refhost/desktop/file_dialogs.h"
#include "refhost/desktop/register_dialogs.h"
#include "refhost/print/mail_outbox.h"
#include "refhost/sql/database.h"

namespace refhost::desktop {

using citforms::values::exactGrosze;
using citforms::values::shownGrosze;

namespace {

namespace ex = citforms::module::exports;

QString q(const std::string& text) { return QString::fromStdString(text); }

constexpr const char* kWarning = "Tabrix: Ostrzeżenie";
constexpr const char* kInformation = "Tabrix: Informacja";
constexpr const char* kQuestion = "Tabrix: Pytanie";

// A read-only table of rows in a dialog of its own (the log, the outbox, the books).
// `rightAligned`: the columns of amounts and counts. `totals`: a last row set apart in bold
// (empty: none).
void showTable(QWidget* parent, const QString& title, const QStringList& headers,
               std::vector<QStringList> rows, const QString& settingsName,
               QSettings* settings, const std::vector<int>& rightAligned = {},
               const QStringList& totals = {},
               const std::function<void(int row)>& activated = {}) {
    QDialog dialog(parent);
    dialog.setWindowTitle(title);
    auto* layout = new QVBoxLayout(&dialog);
    if (!totals.isEmpty()) rows.push_back(totals);
    auto* table = new QTableWidget(static_cast<int>(rows.size()), headers.size(), &dialog);
    table->setHorizontalHeaderLabels(headers);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->verticalHeader()->hide();
    for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
        const bool total = !totals.isEmpty() && r + 1 == static_cast<int>(rows.size());
        for (int c = 0; c < rows[static_cast<std::size_t>(r)].size(); ++c) {
            auto* item = new QTableWidgetItem(rows[static_cast<std::size_t>(r)][c]);
            if (std::find(rightAligned.begin(), rightAligned.end(), c) != rightAligned.end())
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            if (total) {
                QFont font = item->font();
                font.setBold(true);
                item->setFont(font);
            }
            table->setItem(r, c, item);
        }
    }
    table->resizeColumnsToContents();
    table->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(table);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, &dialog);
    buttons->button(QDialogButtonBox::Close)->setText("Zamknij");
    if (activated) {
        // Enter (or a double click) on a row acts on it; the list stays for the next row.
        buttons->button(QDialogButtonBox::Close)->setAutoDefault(false);
        QObject::connect(table, &QTableWidget::activated, &dialog,
                         [&activated](const QModelIndex& index) { activated(index.row()); });
    }
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);
    const QString key = "okna/" + settingsName;
    if (!dialog.restoreGeometry(settings->value(key).toByteArray())) dialog.resize(900, 500);
    dialog.exec();
    settings->setValue(key, dialog.saveGeometry());
}

// An amount of the books as the forms show it: "1 234,50".
QString amount(std::int64_t grosze) { return q(shownGrosze(grosze)); }

// The document's title: the edition, the company and the period ("CIT-8 (24) – Młyn Pszenica –
// 12-2016"), the subject of its e-mail and the name its PDF is proposed under.
std::string documentTitle(const DeclarationRow& row, const std::string& company) {
    return row.edition + " – " + company + " – " + row.shownPeriod();
}

}  // namespace

DesktopWindow::DesktopWindow(DesktopServices services, QWidget* parent)
    : QMainWindow(parent), s_(std::move(services)) {
    setWindowTitle(q("Tabrix – deklaracje CIT – " + s_.database));
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    auto* choices = new QHBoxLayout;
    auto addChoice = [&](const char* caption, QComboBox*& box, int width) {
        auto* label = new QLabel(QString::fromUtf8(caption), central);
        box = new QComboBox(central);
        box->setMinimumWidth(width);
        label->setBuddy(box);
        choices->addWidget(label);
        choices->addWidget(box);
    };
    addChoice("&Firma:", companyBox_, 320);
    addChoice("&Rok obrotowy:", yearBox_, 200);
    addChoice("F&ormularz:", formBox_, 100);
    choices->addStretch(1);
    layout->addLayout(choices);

    const std::vector<std::string> captions = columnCaptions();
    table_ = new QTableWidget(0, static_cast<int>(captions.size()), central);
    QStringList headers;
    for (const std::string& c : captions) headers << q(c);
    table_->setHorizontalHeaderLabels(headers);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->verticalHeader()->hide();
    table_->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(table_, 1);
    summary_ = new QLabel(central);
    layout->addWidget(summary_);
    setCentralWidget(central);
    connect(table_, &QTableWidget::activated, this, [this] { openSelected(); });

    buildMenus();
    if (!restoreGeometry(s_.settings->value("okno/geometria").toByteArray())) resize(1100, 640);

    const std::int32_t remembered =
        s_.settings->value(q("firma/" + s_.databaseKey), 0).toInt();
    loadCompanies(remembered != 0 ? remembered
                                  : s_.host->state().defaults().DANE_ID_FIRMY);
    connect(companyBox_, &QComboBox::currentIndexChanged, this, [this] { companyChosen(); });
    connect(yearBox_, &QComboBox::currentIndexChanged, this, [this] { yearChosen(); });
    connect(formBox_, &QComboBox::currentIndexChanged, this, [this] { refresh(); });
    table_->setFocus();
    // An empty database leads to its first company and fiscal year, once the window shows.
    if (companies_.empty()) QTimer::singleShot(0, this, [this] { firstCompany(); });
}

DesktopWindow::~DesktopWindow() = default;

void DesktopWindow::buildMenus() {
    auto add = [this](QMenu* menu, const char* caption, QKeySequence keys, auto slot) {
        QAction* action = menu->addAction(QString::fromUtf8(caption));
        if (!keys.isEmpty()) action->setShortcut(keys);
        connect(action, &QAction::triggered, this, slot);
        return action;
    };
    QMenu* file = menuBar()->addMenu("&Plik");
    add(file, "&Otwórz bazę danych…", QKeySequence(), [this] { openDatabase(); });
    file->addSeparator();
    add(file, "&Zakończ", QKeySequence("Ctrl+Q"), [this] { close(); });

    QMenu* declarations = menuBar()->addMenu("&Deklaracje");
    QToolBar* bar = addToolBar("Deklaracje");
    bar->setObjectName("pasek");
    bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    auto both = [&](const char* caption, QKeySequence keys, auto slot) {
        QAction* action = add(declarations, caption, keys, slot);
        bar->addAction(action);
        return action;
    };
    both("&Nowa CIT-8…", QKeySequence("Ctrl+N"), [this] { newDeclaration("CIT-8"); });
    add(declarations, "Nowa CIT-&2…", QKeySequence("Ctrl+Shift+N"),
        [this] { newDeclaration("CIT-2"); });
    add(declarations, "Nowa informacja CIT-&ST…", QKeySequence(), [this] { newCitSt(); });
    // Ctrl+S, Ctrl+P and Ctrl+O mean "Odśwież" and the like in the form windows: the main
    // window keeps them free, so a key never does one thing here and another there.
    // Enter opens the row through the list itself; the menu shows the key, which acts in the
    // list only.
    both("&Otwórz", QKeySequence(Qt::Key_Return), [this] { openSelected(); })
        ->setShortcutContext(Qt::WidgetShortcut);
    both("&Drukuj…", QKeySequence("F3"), [this] { printSelected(); });
    both("&Sprawdź", QKeySequence("F9"), [this] { checkSelected(); });
    both("Zapisz jako &PDF…", QKeySequence("Ctrl+E"), [this] { pdfSelected(); });
    both("Przekaż &e-mailem", QKeySequence("Ctrl+M"), [this] { mailSelected(); });
    add(declarations, "Powią&zanie CIT-8 z CIT-ST…", QKeySequence("Ctrl+K"), [this] { linkSelected(); });
    declarations->addSeparator();
    bar->addSeparator();
    both("&Zablokuj", QKeySequence("Ctrl+L"), [this] { lockSelected(true); });
    both("Od&blokuj", QKeySequence("Ctrl+Shift+L"), [this] { lockSelected(false); });
    both("&Usuń", QKeySequence(QKeySequence::Delete), [this] { deleteSelected(); });
    declarations->addSeparator();
    both("&Korekta…", QKeySequence("Ctrl+Shift+K"), [this] { correctSelected(); });
    add(declarations, "Różnice z deklaracją korygo&waną", QKeySequence("Ctrl+Shift+D"),
        [this] { differencesSelected(); });
    declarations->addSeparator();
    both("Odśwież &listę", QKeySequence("F5"), [this] { refresh(); });

    QMenu* register_ = menuBar()->addMenu("F&irmy");
    add(register_, "&Nowa firma…", QKeySequence(), [this] { addCompany(); });
    add(register_, "&Dane firmy…", QKeySequence(), [this] { editCompany(); });
    add(register_, "Nowy &rok obrotowy…", QKeySequence(), [this] { addFiscalYear(); });
    register_->addSeparator();
    add(register_, "&Przegląd firm…", QKeySequence("Ctrl+Shift+O"), [this] { showOverview(); });

    QMenu* settings = menuBar()->addMenu("&Ustawienia");
    add(settings, "&Parametry wydruku…", QKeySequence(), [this] { printSettings(); });
    add(settings, "&Definicje zestawień deklaracji…", QKeySequence("F2"),
        [this] { statementDefinitions(); });
    add(settings, "&Oddziały firmy…", QKeySequence(), [this] { branches(); });

    QMenu* books = menuBar()->addMenu("&Księgi");
    add(books, "&Plan kont", QKeySequence(), [this] { showAccounts(); });
    add(books, "&Księgowania", QKeySequence(), [this] { showPostings(); });
    add(books, "&Import ksiąg…", QKeySequence(), [this] { importBooks(); });

    QMenu* view = menuBar()->addMenu("&Widok");
    add(view, "&Dziennik zmian deklaracji", QKeySequence("Ctrl+J"), [this] { showLog(true); });
    add(view, "Dziennik &wszystkich zmian", QKeySequence(), [this] { showLog(false); });
    add(view, "&Skrzynka nadawcza e-mail", QKeySequence(), [this] { showOutbox(); });
}

void DesktopWindow::loadCompanies(std::int32_t wanted) {
    auto companies = listCompanies(*s_.host);
    if (!told(companies.ok() ? Status{} : Status::failure(companies.error()),
              "Nie udało się odczytać listy firm."))
        return;
    companies_ = std::move(*companies);
    QSignalBlocker block(companyBox_);
    companyBox_->clear();
    int index = 0;
    for (std::size_t i = 0; i < companies_.size(); ++i) {
        companyBox_->addItem(q(companies_[i].name + "  (NIP " + companies_[i].nip + ")"));
        if (companies_[i].id == wanted) index = static_cast<int>(i);
    }
    companyBox_->setCurrentIndex(companies_.empty() ? -1 : index);
    companyChosen();
}

void DesktopWindow::companyChosen() {
    const int index = companyBox_->currentIndex();
    company_ = index < 0 ? 0 : companies_[static_cast<std::size_t>(index)].id;
    if (company_ != 0) {
        s_.selectCompany(company_);
        s_.settings->setValue(q("firma/" + s_.databaseKey), company_);
    }
    auto years = listFiscalYears(*s_.host, company_);
    years_ = years ? std::move(*years) : std::vector<FiscalYear>{};
    {
        // Every year at first: the year being closed is rarely the one holding today.
        QSignalBlocker block(yearBox_);
        yearBox_->clear();
        yearBox_->addItem("wszystkie");
        for (const FiscalYear& year : years_) yearBox_->addItem(q(year.caption()));
        yearBox_->setCurrentIndex(0);
    }
    {
        QSignalBlocker block(formBox_);
        const QString form = formBox_->currentText();
        formBox_->clear();
        formBox_->addItem("wszystkie");
        if (auto forms = listForms(*s_.host, company_)) {
            for (const std::string& f : *forms) formBox_->addItem(q(f));
        }
        const int kept = formBox_->findText(form);
        formBox_->setCurrentIndex(kept < 0 ? 0 : kept);
    }
    yearChosen();
}

void DesktopWindow::yearChosen() {
    applyYear();
    refresh();
}

void DesktopWindow::applyYear() {
    // The module works in the fiscal year chosen here (the parameters window proposes it).
    const int index = yearBox_->currentIndex();
    if (index > 0) {
        const FiscalYear& year = years_[static_cast<std::size_t>(index - 1)];
        citforms::host::Globals g = s_.host->state().defaults();
        g.DANE_LATA_OBROTOWE = year.id;
        g.DANE_POCZATEK_ROKU = year.start;
        g.DANE_KONIEC_ROKU = year.end;
        s_.host->state().setDefaults(g);
    }
}

void DesktopWindow::refresh() {
    const DeclarationRow* was = selected();
    const std::int32_t keep = was != nullptr ? was->id : 0;
    ListFilter filter;
    filter.company = company_;
    if (formBox_->currentIndex() > 0) filter.form = formBox_->currentText().toStdString();
    if (yearBox_->currentIndex() > 0)
        filter.year = years_[static_cast<std::size_t>(yearBox_->currentIndex() - 1)];
    auto rows = listDeclarations(*s_.host, filter);
    if (!told(rows.ok() ? Status{} : Status::failure(rows.error()),
              "Nie udało się odczytać listy deklaracji.")) {
        return;
    }
    rows_ = std::move(*rows);
    table_->setRowCount(static_cast<int>(rows_.size()));
    int current = rows_.empty() ? -1 : 0;
    for (int r = 0; r < static_cast<int>(rows_.size()); ++r) {
        const std::vector<std::string> cells = rows_[static_cast<std::size_t>(r)].cells();
        for (int c = 0; c < static_cast<int>(cells.size()); ++c)
            table_->setItem(r, c, new QTableWidgetItem(q(cells[static_cast<std::size_t>(c)])));
        if (rows_[static_cast<std::size_t>(r)].id == keep) current = r;
    }
    table_->resizeColumnsToContents();
    if (current >= 0) table_->setCurrentCell(current, 0);
    summary_->setText(QString("Deklaracji: %1").arg(rows_.size()));
}

const DeclarationRow* DesktopWindow::selected() const {
    const int row = table_->currentRow();
    if (row < 0 || row >= static_cast<int>(rows_.size())) return nullptr;
    return &rows_[static_cast<std::size_t>(row)];
}

bool DesktopWindow::told(const Status& status, const QString& what) {
    if (status) return true;
    QMessageBox::warning(this, kWarning, what + "\n" + q(status.error()));
    return false;
}

void DesktopWindow::newDeclaration(const char* kind) {
    if (company_ == 0) return;
    const auto param = s_.module->procedureAs<ex::ParamCit2Fn>(ex::kParamCit2);
    const std::int32_t made = param(kind, s_.host->state().defaults().DANE_DATA_BIEZACA);
    afterNew(made);
}

void DesktopWindow::newCitSt() {
    if (company_ == 0) return;
    const std::int32_t before = newestDeclaration();
    const auto pre = s_.module->procedureAs<ex::CitStPreFn>(ex::kCitStPre);
    pre(0, 0);
    const std::int32_t after = newestDeclaration();
    afterNew(after != before ? after : 0);
}

std::int32_t DesktopWindow::newestDeclaration() {
    auto newest = s_.host->state().run("select max(ID_DEKLARACJE_NAG) from DEKLARACJE_NAG");
    if (!newest || newest->rows.empty()) return 0;
    return citforms::values::parseInteger<std::int32_t>(newest->rows[0][0].value_or("0"))
        .value_or(0);
}

void DesktopWindow::linkSelected() {
    const DeclarationRow* row = selected();
    if (row == nullptr) return;
    if (row->form != "CIT-8" && row->form != "CIT-ST") {
        QMessageBox::information(this, kInformation,
                                 "Powiązać można deklarację CIT-8 z informacją CIT-ST.");
        return;
    }
    const auto link = s_.module->procedureAs<ex::CitSt8PowiazanieFn>(ex::kCitSt8Powiazanie);
    link(row->form.c_str(), row->id);
    refresh();
}

void DesktopWindow::branches() {
    if (company_ == 0) return;
    citforms::host::HostBinding b = s_.host->binding();
    b.contractor->FIRMA_ODDZIAL(1, company_);
}

void DesktopWindow::afterNew(std::int32_t made) {
    if (made > 0) showDeclaration(made);
    refresh();
    if (made > 0) {
        for (int r = 0; r < static_cast<int>(rows_.size()); ++r)
            if (rows_[static_cast<std::size_t>(r)].id == made) table_->setCurrentCell(r, 0);
        statusBar()->showMessage(QString("Zapisano deklarację %1.").arg(made), 8000);
    }
}

// A new return may lie outside the filter (another fiscal year, a form not yet listed): the
// filter moves to where it is, so that the list shows it.
void DesktopWindow::showDeclaration(std::int32_t id) {
    auto found = s_.host->state().run(
        "select n.ID_FIRMY, n.DATA_OKRESU, w.TYP from DEKLARACJE_NAG n left join "
        "DEKLARACJE_WZORZEC w on w.ID_DEKLARACJE_WZORZEC = n.ID_DEKLARACJE_WZORZEC where "
        "n.ID_DEKLARACJE_NAG = " + std::to_string(id));
    if (!found || found->rows.empty()) return;
    const auto number = [&](std::size_t c) {
        return citforms::values::parseInteger<std::int32_t>(found->rows[0][c].value_or("0"))
            .value_or(0);
    };
    if (number(0) != company_) return;
    const std::int32_t period = number(1);
    if (yearBox_->currentIndex() > 0) {
        int year = 0;
        for (std::size_t i = 0; i < years_.size(); ++i)
            if (years_[i].start <= period && period <= years_[i].end) year = static_cast<int>(i) + 1;
        if (year != yearBox_->currentIndex()) {
            QSignalBlocker block(yearBox_);
            yearBox_->setCurrentIndex(year);
            applyYear();
        }
    }
    // The first return of a form adds the form to the filter's choices.
    QString form = q(found->rows[0][2].value_or(""));
    while (form.endsWith(' ')) form.chop(1);
    QSignalBlocker block(formBox_);
    const QString chosen = formBox_->currentIndex() > 0 ? form : QString();
    if (auto forms = listForms(*s_.host, company_)) {
        formBox_->clear();
        formBox_->addItem("wszystkie");
        for (const std::string& f : *forms) formBox_->addItem(q(f));
    }
    const int index = chosen.isEmpty() ? 0 : formBox_->findText(chosen);
    formBox_->setCurrentIndex(index < 0 ? 0 : index);
}

void DesktopWindow::openSelected() {
    const DeclarationRow* row = selected();
    if (row == nullptr) return;
    if (app::neverSaved(*s_.host, row->id)) {
        QMessageBox::warning(this, kWarning,
                             "Tworzenie tej deklaracji zostało przerwane; nie ma czego pokazać.");
        return;
    }
    // A CIT-ST opens in its own window; every return in the window of its edition.
    if (row->form == "CIT-ST") {
        s_.module->procedureAs<ex::CitStPreFn>(ex::kCitStPre)(1, row->id);
    } else {
        s_.module->procedureAs<ex::DeklaracjeCitPokazFn>(ex::kDeklaracjeCitPokaz)(
            row->id, row->templateId, row->period);
    }
    refresh();
}

void DesktopWindow::printSelected() {
    const DeclarationRow* row = selected();
    if (row == nullptr) return;
    citforms::host::HostBinding b = s_.host->binding();
    if (b.declarations->PARAM_PRN_DEKLAR(row->form) != 1) return;
    const DeclarationRow chosen = *row;
    const auto print = s_.module->procedureAs<ex::WydrukDeklaracjiCitFn>(ex::kWydrukDeklaracjiCit);
    citforms::host::Globals& g = s_.host->data().globals();
    g.GLOBALRESPONSE = 0;
    print(std::to_string(chosen.id).c_str());
    // A print given up in its preview or dialog is no print.
    if (g.GLOBALRESPONSE != 1) return;
    logged(chosen.id, "Wydruk deklaracji " + chosen.form + ", id:" + std::to_string(chosen.id), "W");
}

void DesktopWindow::logged(std::int32_t id, const std::string& text, const char* operation) {
    if (Status status = logActivity(*s_.host, id, text, operation); !status) {
        QMessageBox::warning(this, kWarning,
                             "Nie udało się zapisać w dzienniku zmian.\n" + q(status.error()));
    }
}

// The pre-filing check of the chosen return: what it finds, in a list; a clean return says so.
void DesktopWindow::checkSelected() {
    const DeclarationRow* row = selected();
    if (row == nullptr) return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const auto result = app::checkDeclaration(*s_.module, row->id);
    QApplication::restoreOverrideCursor();
    if (!result) {
        QMessageBox::warning(this, kWarning,
                             q("Nie udało się sprawdzić deklaracji: " + result.error()));
        return;
    }
    if (!result->checked) {
        QMessageBox::information(this, kInformation, q(result->note));
        return;
    }
    if (result->items.empty()) {
        QMessageBox::information(this, kInformation,
                                 "Sprawdzenie nie wykazało błędów ani ostrzeżeń.");
        return;
    }
    std::vector<QStringList> rows;
    for (const citforms::check::CheckItem& item : result->items) {
        QStringList positions;
        for (int p : item.positions) positions << QString::number(p);
        rows.push_back({item.severity == citforms::check::Severity::Error ? "Błąd" : "Ostrzeżenie",
                        q(citforms::check::formOf(item)), positions.join(", "), q(item.text)});
    }
    // Enter on an item opens the return with the cursor at the item's position, as
    // "Przejdź" of the form window's own check does.
    const std::int32_t id = row->id;
    const std::vector<citforms::check::CheckItem> items = result->items;
    showTable(this,
              QString("Sprawdzenie deklaracji %1: błędy %2, ostrzeżenia %3")
                  .arg(row->id)
                  .arg(result->errors())
                  .arg(result->warnings()),
              {"Rodzaj", "Formularz", "Pozycje", "Opis"}, rows, "sprawdzenie", s_.settings, {}, {},
              [this, id, &items](int chosen) {
                  if (chosen < 0 || chosen >= static_cast<int>(items.size())) return;
                  openAt(id, items[static_cast<std::size_t>(chosen)]);
              });
    refresh();
}

void DesktopWindow::openAt(std::int32_t id, const citforms::check::CheckItem& item) {
    nlohmann::json request = {{"verb", "open-window"}, {"id", id}, {"focusForm", item.form}};
    if (!item.positions.empty()) request["focus"] = item.positions.front();
    const auto reply = nlohmann::json::parse(s_.module->automation(request.dump()), nullptr, false);
    if (reply.is_object() && reply.value("ok", false)) return;
    QMessageBox::warning(this, kWarning,
                         q("Nie udało się otworzyć deklaracji: " +
                           (reply.is_object() ? reply.value("error", std::string()) : std::string())));
}

std::string DesktopWindow::writePdf(const DeclarationRow& row, const std::string& file) {
    const long failuresBefore = s_.host->state().failures();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool done = s_.module->writePdf(row.templateId, row.id, file);
    QApplication::restoreOverrideCursor();
    if (!done) return "Plik PDF nie został zapisany w całości.";
    if (s_.host->state().failures() != failuresBefore)
        return "Błąd bazy danych podczas odczytu: " + s_.host->state().firstFailure();
    return {};
}

void DesktopWindow::pdfSelected() {
    const DeclarationRow* row = selected();
    if (row == nullptr) return;
    const QString proposed = QDir::home().filePath(
        q(citforms::refhost::attachmentName(documentTitle(*row, companyName()))));
    const QString file = chooseFileToSave(this, "Zapisz deklarację jako PDF", proposed,
                                                 "PDF (*.pdf)");
    if (file.isEmpty()) return;
    const DeclarationRow chosen = *row;
    if (const std::string why = writePdf(chosen, file.toStdString()); !why.empty()) {
        QMessageBox::warning(this, kWarning, q(why));
        return;
    }
    logged(chosen.id, "Zapis deklaracji " + chosen.form + " do pliku PDF " + file.toStdString() +
                          ", id:" + std::to_string(chosen.id),
           "E");
    statusBar()->showMessage("Zapisano " + file, 8000);
}

std::string DesktopWindow::companyName() const {
    const int index = companyBox_->currentIndex();
    if (index < 0 || index >= static_cast<int>(companies_.size())) return {};
    return companies_[static_cast<std::size_t>(index)].name;
}

void DesktopWindow::mailSelected() {
    const DeclarationRow* row = selected();
    if (row == nullptr) return;
    const DeclarationRow chosen = *row;
    const std::string title = documentTitle(chosen, companyName());
    std::error_code ec;
    std::filesystem::create_directories(citforms::refhost::outboxFolder(), ec);
    const auto pdfFile = citforms::refhost::freshOutboxName(citforms::refhost::outboxFolder(),
                                                            chosen.form, ".pdf");
    if (const std::string why = writePdf(chosen, pdfFile.string()); !why.empty()) {
        std::filesystem::remove(pdfFile, ec);
        QMessageBox::warning(this, kWarning, q(why));
        return;
    }
    auto message = citforms::refhost::writeMailMessage(pdfFile, title,
                                                       citforms::refhost::attachmentName(title));
    if (!message) {
        QMessageBox::warning(this, kWarning, "Wiadomość nie została zapisana: " + q(message.error()));
        return;
    }
    logged(chosen.id, "Przekazanie deklaracji " + chosen.form + " do wysłania e-mailem (" +
                          message->filename().string() + "), id:" + std::to_string(chosen.id),
           "M");
    statusBar()->showMessage("W skrzynce nadawczej: " + q(message->string()), 8000);
}

void DesktopWindow::lockSelected(bool lock) {
    const DeclarationRow* row = selected();
    if (row == nullptr) return;
    std::ostringstream out;
    std::ostringstream err;
    const int status = app::runLock(*s_.host, row->id, lock, false, out, err);
    if (status != 0) {
        std::string why = err.str();
        if (why.rfind("tabrix: ", 0) == 0) why = why.substr(8);
        QMessageBox::warning(this, kWarning, q(why));
    }
    refresh();
}

void DesktopWindow::correctSelected() {
    const DeclarationRow* row = selected();
    if (row == nullptr) return;
    if (row->form != "CIT-8" || (!row->filingLocked && row->lockedBy.empty())) {
        QMessageBox::warning(this, kWarning,
                             "Korektę sporządza się do złożonej lub zablokowanej deklaracji "
                             "CIT-8; tę zmienia się bez korekty.");
        return;
    }
    std::ostringstream out;
    std::ostringstream err;
    if (app::runCorrect(*s_.host, *s_.module, row->id, false, out, err) != 0) {
        std::string why = err.str();
        if (why.rfind("tabrix: ", 0) == 0) why = why.substr(8);
        QMessageBox::warning(this, kWarning, q(why));
        refresh();
        return;
    }
    std::string last;
    std::istringstream lines(out.str());
    for (std::string line; std::getline(lines, line);) last = line;
    const std::int32_t made = citforms::values::parseInteger<std::int32_t>(last).value_or(0);
    if (made == 0) return;
    showDeclaration(made);
    refresh();
    const auto it = std::find_if(rows_.begin(), rows_.end(),
                                 [made](const DeclarationRow& r) { return r.id == made; });
    if (it == rows_.end()) return;
    table_->selectRow(static_cast<int>(it - rows_.begin()));
    s_.module->procedureAs<ex::DeklaracjeCitPokazFn>(ex::kDeklaracjeCitPokaz)(made, it->templateId,
                                                                               it->period);
    QMessageBox box(QMessageBox::Question, kQuestion,
                    QString("Wypełnić uzasadnienie korekty %1 (ORD-ZU, poz. 13) pozycjami, które "
                            "różnią się od deklaracji korygowanej?")
                        .arg(made),
                    QMessageBox::NoButton, this);
    QPushButton* yes = box.addButton("&Tak", QMessageBox::YesRole);
    box.setDefaultButton(box.addButton("&Nie", QMessageBox::NoRole));
    box.exec();
    if (box.clickedButton() == yes) {
        std::ostringstream justified;
        std::ostringstream problem;
        if (app::runCorrect(*s_.host, *s_.module, made, true, justified, problem) != 0) {
            std::string why = problem.str();
            if (why.rfind("tabrix: ", 0) == 0) why = why.substr(8);
            QMessageBox::warning(this, kWarning, q(why));
        } else {
            statusBar()->showMessage(QString("Uzasadnienie korekty %1 wypełnione.").arg(made), 8000);
        }
    }
    refresh();
}

void DesktopWindow::differencesSelected() {
    const DeclarationRow* row = selected();
    if (row == nullptr) return;
    const std::int32_t id = row->id;
    auto of = s_.host->state().run("select ID_DEKLARACJI from DEKLARACJE_KOREKTY where ID_KOREKTY = " +
                                   std::to_string(id));
    if (!of || of->rows.empty() || !of->rows[0][0]) {
        QMessageBox::information(this, kInformation,
                                 QString("Deklaracja %1 nie jest korektą.").arg(id));
        return;
    }
    const std::string original = *of->rows[0][0];
    const nlohmann::json reply = nlohmann::json::parse(
        s_.module->automation(nlohmann::json{{"verb", "diff"},
                                             {"first", std::stoi(original)},
                                             {"second", id}}
                                  .dump()),
        nullptr, false);
    if (!reply.is_object() || !reply.value("ok", false)) {
        QMessageBox::warning(this, kWarning,
                             q(reply.is_object() ? reply.value("error", std::string()) : std::string()));
        return;
    }
    // A long text (the justification) is shown by its beginning, so both columns stay in view.
    const auto shown = [](const nlohmann::json& value) {
        QString text = q(value.get<std::string>()).replace('\n', ' ');
        return text.size() > 60 ? text.left(59) + QString::fromUtf8("…") : text;
    };
    std::vector<QStringList> rows;
    for (const auto& c : reply["changes"])
        rows.push_back({shown(c["where"]), shown(c["shownBefore"]), shown(c["shownAfter"])});
    showTable(this,
              QString("Korekta %1 a deklaracja %2: różnice").arg(id).arg(q(original)),
              {"Pozycja", "Było", "Jest"}, rows, "roznice", s_.settings);
}

void DesktopWindow::addCompany() {
    if (const auto id = editCompanyDialog(this, *s_.db, 0)) {
        loadCompanies(*id);
        if (years_.empty()) addFiscalYear();
    }
}

void DesktopWindow::editCompany() {
    if (company_ == 0) return;
    if (editCompanyDialog(this, *s_.db, company_)) loadCompanies(company_);
}

void DesktopWindow::addFiscalYear() {
    if (company_ == 0) return;
    if (addFiscalYearDialog(this, *s_.db, company_)) loadCompanies(company_);
}

void DesktopWindow::showOverview() {
    const std::int32_t current = company_;
    // A CIT-8 not yet filed is checked under its own company, without running its statements.
    const auto check = [this](std::int32_t id) -> std::optional<int> {
        const auto company = app::declarationCompany(*s_.host, id);
        if (!company) return std::nullopt;
        s_.selectCompany(*company);
        const auto checked = s_.module->check(id, false);
        if (!checked || !checked->checked) return std::nullopt;
        return checked->errors();
    };
    const int year = citforms::values::yearOf(citforms::values::today()) - 1;
    const std::int32_t chosen = overviewDialog(this, *s_.db, year, check, s_.settings);
    if (current != 0) s_.selectCompany(current);
    if (chosen == 0) return;
    if (const auto owner = app::declarationCompany(*s_.host, chosen); owner && *owner != company_)
        loadCompanies(*owner);
    showDeclaration(chosen);
    refresh();
}

void DesktopWindow::firstCompany() {
    QMessageBox box(QMessageBox::Question, kQuestion,
                    "W bazie nie ma jeszcze żadnej firmy. Dodać pierwszą firmę i jej rok "
                    "obrotowy?",
                    QMessageBox::NoButton, this);
    QPushButton* yes = box.addButton("&Tak", QMessageBox::YesRole);
    box.setDefaultButton(yes);
    box.addButton("&Nie", QMessageBox::NoRole);
    box.exec();
    if (box.clickedButton() == yes) addCompany();
}

void DesktopWindow::deleteSelected() {
    const DeclarationRow* row = selected();
    if (row == nullptr) return;
    const std::int32_t id = row->id;
    // A return that cannot be deleted is refused before anybody is asked about it.
    if (!told(deletable(*s_.host, id), "Deklaracji nie można usunąć.")) {
        refresh();
        return;
    }
    const QString question = QString("Czy usunąć deklarację %1 za okres %2 (Id %3)?")
                                 .arg(q(row->form), q(row->shownPeriod()))
                                 .arg(id);
    QMessageBox box(QMessageBox::Question, kQuestion, question, QMessageBox::NoButton, this);
    QPushButton* yes = box.addButton("&Tak", QMessageBox::YesRole);
    box.setDefaultButton(box.addButton("&Nie", QMessageBox::NoRole));
    box.exec();
    if (box.clickedButton() != yes) return;
    if (told(deleteDeclaration(*s_.host, id), "Deklaracja nie została usunięta."))
        statusBar()->showMessage(QString("Usunięto deklarację %1.").arg(id), 8000);
    refresh();
}

void DesktopWindow::printSettings() {
    const DeclarationRow* row = selected();
    citforms::host::HostBinding b = s_.host->binding();
    b.declarations->PARAM_PRN_DEKLAR(row != nullptr ? row->form : std::string("CIT-8"));
}

void DesktopWindow::statementDefinitions() {
    const DeclarationRow* row = selected();
    if (row == nullptr) {
        QMessageBox::information(this, kInformation,
                                 "Definicje zestawień należą do deklaracji: wybierz ją z listy.");
        return;
    }
    citforms::host::HostBinding b = s_.host->binding();
    b.statements->DEF_ZESTAW_NEW(row->id, "DD", "", "");
}

void DesktopWindow::showLog(bool selectedOnly) {
    const DeclarationRow* row = selected();
    const std::int32_t id = selectedOnly && row != nullptr ? row->id : 0;
    auto entries = activityLog(*s_.host, id);
    if (!told(entries.ok() ? Status{} : Status::failure(entries.error()),
              "Nie udało się odczytać dziennika."))
        return;
    std::vector<QStringList> rows;
    for (const LogEntry& e : *entries) {
        rows.push_back({q(citforms::values::formatDayMonthYear(e.day)), q(e.time), q(e.user),
                        QString::number(e.declaration), q(e.text)});
    }
    showTable(this, id != 0 ? QString("Dziennik zmian deklaracji %1").arg(id) : "Dziennik zmian",
              {"Data", "Czas", "Użytkownik", "Deklaracja", "Zmiana"}, rows, "dziennik",
              s_.settings);
}

void DesktopWindow::showOutbox() {
    const QDir folder(q(citforms::refhost::outboxFolder().string()));
    std::vector<QStringList> rows;
    for (const QFileInfo& f : folder.entryInfoList({"*.eml"}, QDir::Files, QDir::Time)) {
        rows.push_back({f.lastModified().toString("dd-MM-yyyy hh:mm"), f.fileName(),
                        QString::number(f.size() / 1024) + " KB"});
    }
    showTable(this, "Skrzynka nadawcza: " + folder.absolutePath(), {"Zapisano", "Wiadomość", "Rozmiar"},
              rows, "skrzynka", s_.settings);
}

void DesktopWindow::showAccounts() {
    auto result = s_.host->state().run(
        "select nr_konta, nazwa from KONTA where id_firmy = " + std::to_string(company_) +
        " order by nr_konta");
    if (!told(result ? Status{} : Status::failure(result.error()), "Nie udało się odczytać planu kont."))
        return;
    std::vector<QStringList> rows;
    for (const auto& r : result->rows) rows.push_back({q(r[0].value_or("")), q(r[1].value_or(""))});
    showTable(this, "Plan kont", {"Konto", "Nazwa"}, rows, "konta", s_.settings);
}

void DesktopWindow::showPostings() {
    // The postings of the fiscal year chosen above (all years when none is).
    std::string sql =
        "select data, dokument, nr_konta, kwota_wn, kwota_ma, opis from KSIEGOWANIA where "
        "id_firmy = " +
        std::to_string(company_);
    QString title = "Księgowania";
    if (yearBox_->currentIndex() > 0) {
        const FiscalYear& y = years_[static_cast<std::size_t>(yearBox_->currentIndex() - 1)];
        sql += " and data >= " + std::to_string(y.start) + " and data <= " + std::to_string(y.end);
        title += " " + q(y.caption());
    }
    sql += " order by data, id_ksiegowania";
    auto result = s_.host->state().run(sql);
    if (!told(result ? Status{} : Status::failure(result.error()), "Nie udało się odczytać księgowań."))
        return;
    std::vector<QStringList> rows;
    std::int64_t debit = 0;
    std::int64_t credit = 0;
    for (const auto& r : result->rows) {
        const auto day = citforms::values::parseInteger<std::int32_t>(r[0].value_or(""));
        const std::int64_t wn = exactGrosze(r[3].value_or("0")).value_or(0);
        const std::int64_t ma = exactGrosze(r[4].value_or("0")).value_or(0);
        debit += wn;
        credit += ma;
        rows.push_back({q(day ? citforms::values::formatDayMonthYear(*day) : std::string()),
                        q(r[1].value_or("")), q(r[2].value_or("")), amount(wn), amount(ma),
                        q(r[5].value_or(""))});
    }
    const QStringList totals = {"Razem", QString("zapisów: %1").arg(rows.size()), "",
                                amount(debit), amount(credit), ""};
    showTable(this, title, {"Data", "Dokument", "Konto", "Wn", "Ma", "Opis"}, std::move(rows),
              "ksiegowania", s_.settings, {3, 4}, totals);
}

void DesktopWindow::importBooks() {
    const QString file = chooseFileToOpen(
        this, "Import ksiąg", QDir::homePath(), "Księgi (*.xml *.txt);;Wszystkie pliki (*)");
    if (file.isEmpty()) return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const auto summary = db::importBooks(*s_.db, company_, file.toStdString());
    QApplication::restoreOverrideCursor();
    if (!summary) {
        QMessageBox::warning(this, kWarning,
                             q(summary.error()) + "\nNic nie zaimportowano.");
        return;
    }
    const db::BookImportSummary& result = *summary;
    logged(0, "Import ksiąg z pliku " + file.toStdString() + ": zapisów " +
                  std::to_string(result.postings) + ", Wn " + shownGrosze(result.debit) +
                  ", Ma " + shownGrosze(result.credit),
           "I");
    std::vector<QStringList> rows;
    for (const db::BookGroupTotal& g : result.groups) {
        rows.push_back({q(g.code + " " + g.name), QString::number(g.postings), amount(g.debit),
                        amount(g.credit)});
    }
    QString title = "Zaimportowane księgi";
    if (result.from != 0 && result.to != 0) {
        title += q(" " + citforms::values::formatDayMonthYear(result.from) + " – " +
                   citforms::values::formatDayMonthYear(result.to));
    }
    title += QString(": kont %1").arg(result.accounts);
    if (result.replaced > 0) title += QString(", zastąpionych zapisów %1").arg(result.replaced);
    showTable(this, title, {"Zespół kont", "Zapisów", "Wn", "Ma"}, std::move(rows), "import",
              s_.settings, {1, 2, 3},
              {"Razem", QString::number(result.postings), amount(result.debit),
               amount(result.credit)});
}

void DesktopWindow::openDatabase() {
    const QString file = chooseFileToOpen(this, "Otwórz bazę danych", QDir::homePath(),
                                         "Baza danych (*.db);;Wszystkie pliki (*)");
    if (file.isEmpty()) return;
    // Tried before this session ends: a file that is no database of ours is refused here and
    // the work goes on on the current one.
    sql::OpenOptions options;
    options.mode = sql::OpenMode::Existing;
    if (auto tried = sql::HostDatabase::open(file.toStdString(), options); !tried) {
        QMessageBox::warning(this, kWarning,
                             "Nie można otworzyć bazy danych " + file + ".\n" + q(tried.error()));
        return;
    }
    // A database is the whole session of the host: the application starts again on it.
    if (QProcess::startDetached(QApplication::applicationFilePath(), {"--db", file})) {
        close();
    } else {
        QMessageBox::warning(this, kWarning, "Nie udało się uruchomić programu na bazie " + file + ".");
    }
}

void DesktopWindow::closeEvent(QCloseEvent* event) {
    s_.settings->setValue("okno/geometria", saveGeometry());
    s_.settings->sync();
    QMainWindow::closeEvent(event);
}

}  // namespace refhost::desktop
