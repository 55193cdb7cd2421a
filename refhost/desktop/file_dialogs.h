#pragma once
// The desktop's file dialogs. They never open the files they list: Qt's own dialogs read the
// first bytes of every file in the folder shown to pick its icon and type, and closing such a
// file ends every POSIX lock this process holds on it. For the SQLite database the desktop
// works on (and its -wal and -shm files) that lock is what tells other processes the file is
// in use; without it the next program that ends its connection takes itself for the last
// one, folds the log into the file and deletes it, and the desktop's later writes go to a
// log no other process can see.
#include <QString>

class QWidget;

namespace refhost::desktop {

// The file chosen to open (an existing one), or an empty string when the person cancelled.
QString chooseFileToOpen(QWidget* parent, const QString& caption, const QString& folder,
                         const QString& filter);
// The file chosen to write, `proposed` offered first; an existing file is written over only
// once the person said so. Empty when the person cancelled.
QString chooseFileToSave(QWidget* parent, const QString& caption, const QString& proposed,
                         const QString& filter);

}  // namespace refhost::desktop
