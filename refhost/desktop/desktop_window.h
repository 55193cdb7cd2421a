#pragma once
// The desktop application's main window: the company and fiscal year it works on, the
// company's declarations with a filter by form and year, and every action a host offers on
// them through the module's exported procedures (new, open, print, PDF, e-mail hand-over,
// lock, unlock, delete), plus the activity log, the e-mail outbox and the books.
//
//   DesktopWindow window(services);
//   window.show();
//   app.exec();
//
// The module's windows open modal over it through the host's UI (real Qt windows); the list is
// read again after each action and on F5, so changes of other users appear on refresh.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include <QMainWindow>

#include "citforms/check/check_item.h"
#include "refhost/desktop/desktop_data.h"
#include "refhost/libraries/module_loader.h"
#include "refhost/libraries/reference_host.h"

class QComboBox;
class QLabel;
class QSettings;
class QTableWidget;

namespace refhost::desktop {

struct DesktopServices {
    libraries::ReferenceHost* host = nullptr;
    sql::HostDatabase* db = nullptr;  // the host's database (the books import writes to it)
    const libraries::LoadedModule* module = nullptr;
    QSettings* settings = nullptr;
    std::string database;  // as shown to the person (no password)
    std::string databaseKey;  // what the settings remember per database
    // Sets the host's globals for company N (user, today, its current fiscal year).
    std::function<void(std::int32_t company)> selectCompany;
};

class DesktopWindow : public QMainWindow {
public:
    explicit DesktopWindow(DesktopServices services, QWidget* parent = nullptr);
    ~DesktopWindow() override;

    // Reads the list again (the selection kept where the row still exists).
    void refresh();
    std::int32_t company() const { return company_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildMenus();
    void loadCompanies(std::int32_t wanted);
    void companyChosen();
    void yearChosen();
    void applyYear();  // the chosen fiscal year becomes the module's
    // Moves the filter so that the list holds declaration `id`.
    void showDeclaration(std::int32_t id);
    std::string companyName() const;
    // Records an action in the activity log; a failed record is shown.
    void logged(std::int32_t id, const std::string& text, const char* operation);
    const DeclarationRow* selected() const;
    // Shows why an action could not be done; true when `status` is fine.
    bool told(const Status& status, const QString& what);

    void newDeclaration(const char* kind);  // "CIT-8" or "CIT-2", through PARAM_CIT2
    void newCitSt();
    void afterNew(std::int32_t made);
    std::int32_t newestDeclaration();
    void linkSelected();
    void branches();
    void openSelected();
    void printSelected();
    void checkSelected();
    // Declaration `id` in its window, the cursor at the position of the check's `item`.
    void openAt(std::int32_t id, const citforms::check::CheckItem& item);
    void pdfSelected();
    void mailSelected();
    void lockSelected(bool lock);
    // "Korekta": the correction of the selected filed or locked CIT-8, opened in its window;
    // then the offer to fill its justification with the positions that differ.
    void correctSelected();
    // The positions of the selected correction that differ from the return it corrects.
    void differencesSelected();
    // The client register: a company added or changed, a fiscal year added, the overview.
    void addCompany();
    void editCompany();
    void addFiscalYear();
    void showOverview();
    // On a database without companies: the first company and its fiscal year.
    void firstCompany();
    void deleteSelected();
    void printSettings();
    void statementDefinitions();
    void showLog(bool selectedOnly);
    void showOutbox();
    void showAccounts();
    void showPostings();
    void importBooks();
    void openDatabase();

    // Writes the selected declaration's PDF to `file`: "" when done, else why not.
    std::string writePdf(const DeclarationRow& row, const std::string& file);

    DesktopServices s_;
    std::int32_t company_ = 0;
    std::vector<Company> companies_;
    std::vector<FiscalYear> years_;
    std::vector<DeclarationRow> rows_;
    QComboBox* companyBox_ = nullptr;
    QComboBox* yearBox_ = nullptr;
    QComboBox* formBox_ = nullptr;
    QTableWidget* table_ = nullptr;
    QLabel* summary_ = nullptr;
};

}  // namespace refhost::desktop
