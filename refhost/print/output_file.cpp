#include "refhost/print/output_file.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include <QFileInfo>

namespace citforms::refhost {

namespace {

std::string systemError() {
    return std::strerror(errno);
}

}  // namespace

bool sameFile(const std::string& a, const std::string& b) {
    struct stat x {};
    struct stat y {};
    return ::stat(a.c_str(), &x) == 0 && ::stat(b.c_str(), &y) == 0 && x.st_dev == y.st_dev &&
           x.st_ino == y.st_ino;
}

std::vector<std::string> sqliteFiles(const std::string& path) {
    return {path, path + "-wal", path + "-journal", path + "-shm"};
}

values::Status checkOutputFile(const std::string& path,
                               const std::vector<std::string>& protectedFiles) {
    using values::Status;
    if (path.empty()) return Status::failure("Nie podano nazwy pliku.");
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) {
        if (errno != ENOENT)
            return Status::failure("Nie można sprawdzić pliku " + path + ": " + systemError());
        // A new name: its folder must be there already.
        const std::string folder =
            QFileInfo(QString::fromStdString(path)).absolutePath().toStdString();
        struct stat dir {};
        if (::stat(folder.c_str(), &dir) != 0)
            return Status::failure("Folder " + folder + " nie istnieje.");
        if (!S_ISDIR(dir.st_mode)) return Status::failure(folder + " nie jest folderem.");
        return {};
    }
    if (S_ISLNK(st.st_mode) && ::stat(path.c_str(), &st) != 0) {
        return Status::failure("Dowiązanie " + path + " wskazuje plik, którego nie ma.");
    }
    if (S_ISDIR(st.st_mode)) return Status::failure(path + " jest folderem, nie plikiem.");
    if (!S_ISREG(st.st_mode)) {
        return Status::failure(path +
                               " nie jest zwykłym plikiem (potok, urządzenie lub gniazdo); "
                               "nie zostanie zastąpiony.");
    }
    for (const std::string& kept : protectedFiles) {
        if (sameFile(path, kept)) {
            return Status::failure(path + " jest plikiem otwartej bazy danych (" + kept +
                                   "); nie zostanie zastąpiony.");
        }
    }
    return {};
}

}  // namespace citforms::refhost
