#pragma once
// QtPreviewer: the on-screen previewer of a print run's pages.
//
//   QtPreviewer previewer(pages, 120, ini, "CIT_8_Prn_73");
//   if (previewer.exec() == QDialog::Accepted) print(previewer.chosenPrinter());
//
// One page at a time, drawn at the zoom (100 % = the paper's real size on a 96 dpi screen),
// with buttons for the first, previous, next and last page, a zoom choice, "Drukuj" and
// "Zamknij" (also PgUp, PgDown, Home, End and Esc). "Drukuj" opens the system's print dialog
// and, when a printer is chosen there, closes the previewer accepted. The window's size and
// position are kept in the host's INI store under the settings key. Needs a QApplication.
#include <string>

#include <QDialog>
#include <QString>

#include "citforms/host/managers.h"
#include "citforms/host/page_list.h"

class QComboBox;
class QLabel;
class QPushButton;
class QScrollArea;

namespace citforms::runtime {

class QtPreviewer : public QDialog {
public:
    QtPreviewer(const host::PageList& pages, int zoomPercent, host::IniManager* ini,
                std::string settingsKey, QWidget* parent = nullptr);
    ~QtPreviewer() override;

    int pageCount() const;
    int currentPage() const { return current_; }  // 0-based
    int zoom() const { return zoom_; }
    void showPage(int index);  // clamped to the pages there are
    void setZoom(int percent);

    // The printer chosen in the print dialog ("" for the default printer).
    const QString& chosenPrinter() const { return printer_; }
    // Opens the print dialog; accepts the previewer when a printer was chosen.
    void printRequested();

    QPushButton* nextButton() const { return next_; }
    QPushButton* previousButton() const { return previous_; }
    QPushButton* printButton() const { return print_; }
    QLabel* pageView() const { return view_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void done(int result) override;

private:
    void render();
    void restoreGeometryFromIni();

    const host::PageList* pages_;
    host::IniManager* ini_;
    std::string key_;
    int current_ = 0;
    int zoom_ = 100;
    QString printer_;
    QLabel* view_ = nullptr;
    QLabel* pageLabel_ = nullptr;
    QScrollArea* scroll_ = nullptr;
    QComboBox* zoomBox_ = nullptr;
    QPushButton* first_ = nullptr;
    QPushButton* previous_ = nullptr;
    QPushButton* next_ = nullptr;
    QPushButton* last_ = nullptr;
    QPushButton* print_ = nullptr;
};

}  // namespace citforms::runtime
