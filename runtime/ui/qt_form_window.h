#pragma once
// The Qt view of a module window (host/ui_window.h): tab pages with the drawn form under the
// entries, the right-hand button panel with the shortcut labels above the buttons, and the
// keyboard behaviour every module window has (Enter and the arrow keys move from entry to
// entry in keyboard order, across pages; the entry with the focus is highlighted).
//
//   QtFormWindowView view(request);   // size and position from request.ini under the name
//   view.exec();                      // until the window has finished or was closed
//
// The view holds no values: after every action it reads what each entry shows, which entries
// and buttons are enabled and which page is shown from the controller.
#include <vector>

#include <QDialog>
#include <QKeySequence>
#include <QImage>
#include <QRect>

#include "citforms/host/ui_seam.h"

class QAbstractButton;
class QButtonGroup;
class QComboBox;
class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QTreeWidget;
class QPlainTextEdit;
class QTabWidget;
class QWidget;

namespace citforms::runtime {

class QtFormWindowView : public QDialog {
public:
    explicit QtFormWindowView(const host::WindowRequest& request, QWidget* parent = nullptr);
    ~QtFormWindowView() override;

    // Reads the controller again (values, enabled states, page).
    void sync();
    // The entry widget of entry `index` (a line edit; nullptr for a radio group).
    QLineEdit* lineEdit(std::size_t index) const;
    QTabWidget* tabs() const { return tabs_; }
    // The whole window as an image, every page in turn shown: one image per page.
    std::vector<QImage> grabPages();

    void reject() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void accepted(std::size_t entry);
    void pressed(std::size_t button);
    void moveFocus(std::size_t from, int step);
    void focusFirstOnPage();
    bool reachable(std::size_t entry) const;
    void acceptFocused();
    void fitText(QLineEdit* edit);
    void selectOnEntry(QLineEdit* edit, bool afterClick);
    void storeGeometry();
    // The page view's zoom: -1 smaller, 0 100 %, 1 larger, 2 fit to the width.
    void zoomStep(int step);
    void applyZoom();
    void resizeEvent(QResizeEvent* event) override;

    host::WindowRequest request_;
    host::UiWindow& window_;
    QTabWidget* tabs_ = nullptr;
    QLabel* status_ = nullptr;  // the window's status line
    std::vector<QLineEdit*> edits_;          // per entry; nullptr for radios
    std::vector<QButtonGroup*> radioGroups_; // per entry; nullptr for others
    std::vector<QComboBox*> lists_;          // per entry: list entries of plain windows
    std::vector<QCheckBox*> checks_;         // per entry: yes/no marks of plain windows
    std::vector<QListWidget*> rowLists_;     // per entry: tall lists of plain windows
    std::vector<QTreeWidget*> tables_;       // per entry: lists with columns
    std::vector<QLabel*> labels_;            // per entry: texts of plain windows
    std::vector<QPlainTextEdit*> texts_;     // per entry: long texts of many lines
    std::vector<QWidget*> focusTargets_;     // per entry: what takes the focus
    std::vector<QAbstractButton*> buttons_;  // per button of the model
    std::vector<QKeySequence> shortcuts_;    // the panel's keys: they win over an entry's own
    bool syncing_ = false;
    // An entry being taken: the message box refusing it takes the focus, which ends the
    // editing a second time; that second end must not show the same refusal again.
    bool accepting_ = false;
    // The zoom of drawn form pages (plain windows have none): what lies on the pages with its
    // place and font size at 100 %.
    struct Placed {
        QWidget* widget;
        QRect at;
        double pointSize;
    };
    std::vector<QWidget*> canvases_;  // the drawn pages
    std::vector<Placed> placed_;
    QLabel* zoomLabel_ = nullptr;
    double zoom_ = 1.0;
    bool fitWidth_ = false;
};

}  // namespace citforms::runtime
