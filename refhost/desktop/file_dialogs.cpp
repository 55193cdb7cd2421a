#include "refhost/desktop/file_dialogs.h"

#include <QFileDialog>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QMimeType>

namespace refhost::desktop {

namespace {

// Icons and types from a file's name alone: nothing in the folder is opened.
class NameOnlyIconProvider final : public QFileIconProvider {
public:
    QIcon icon(IconType type) const override { return QFileIconProvider::icon(type); }
    QIcon icon(const QFileInfo& info) const override {
        if (info.isRoot()) return QFileIconProvider::icon(Drive);
        return QFileIconProvider::icon(info.isDir() ? Folder : File);
    }
    QString type(const QFileInfo& info) const override {
        // Folders and drives are named without a look inside; a file by its extension only.
        if (!info.isFile()) return QFileIconProvider::type(info);
        const QMimeType mime =
            QMimeDatabase().mimeTypeForFile(info, QMimeDatabase::MatchExtension);
        return mime.comment().isEmpty() ? mime.name() : mime.comment();
    }
};

QString choose(QWidget* parent, const QString& caption, const QString& start,
               const QString& filter, QFileDialog::AcceptMode mode) {
    NameOnlyIconProvider icons;
    QFileDialog dialog(parent, caption, start, filter);
    dialog.setIconProvider(&icons);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile
                                                       : QFileDialog::AnyFile);
    if (mode == QFileDialog::AcceptSave && !QFileInfo(start).isDir()) dialog.selectFile(start);
    if (dialog.exec() != QDialog::Accepted) return {};
    const QStringList chosen = dialog.selectedFiles();
    return chosen.isEmpty() ? QString() : chosen.front();
}

}  // namespace

QString chooseFileToOpen(QWidget* parent, const QString& caption, const QString& folder,
                         const QString& filter) {
    return choose(parent, caption, folder, filter, QFileDialog::AcceptOpen);
}

QString chooseFileToSave(QWidget* parent, const QString& caption, const QString& proposed,
                         const QString& filter) {
    return choose(parent, caption, proposed, filter, QFileDialog::AcceptSave);
}

}  // namespace refhost::desktop
