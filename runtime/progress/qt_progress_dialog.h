#pragma once
// QtProgressDialog: a layout's progress window as a Qt dialog (bar, user text, percentage,
// Cancel button), driven by a zero-interval timer.
//
//   QtProgressDialog dialog(layout.progress().value());
//   dialog.setTitle("Generating Report");
//   dialog.exec(tick, cancel);   // tick() on every timer tick until it returns false
//
// Cancel, Esc and the close button stop the timer and ask `cancel`; when it answers false the
// pass goes on, else the window closes. Positions are the layout's dialog units, converted
// with the dialog font's character size. Needs a QApplication.
#include <functional>
#include <memory>
#include <string_view>

#include "citforms/print/report_runtime.h"

class QDialog;
class QLabel;
class QProgressBar;
class QPushButton;

namespace citforms::runtime {

class QtProgressDialog : public print::ProgressDialog {
public:
    explicit QtProgressDialog(const print::ProgressWindow& window);
    ~QtProgressDialog() override;

    void setTitle(std::string_view title) override;
    void setUserText(std::string_view text) override;
    void setProgress(int percent, std::string_view text) override;
    void exec(const std::function<bool()>& tick, const std::function<bool()>& cancel) override;

    // The dialog while exec() runs (for tests and screenshots).
    QDialog* dialog() const;
    QPushButton* cancelButton() const { return cancel_; }
    QLabel* percentLabel() const { return percent_; }
    QProgressBar* bar() const { return bar_; }

private:
    class Window;
    std::unique_ptr<Window> window_;
    QProgressBar* bar_ = nullptr;
    QLabel* userText_ = nullptr;
    QLabel* percent_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

}  // namespace citforms::runtime
