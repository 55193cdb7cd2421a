#include "refhost/print/output_file.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <QFileInfo>
#include <QTemporaryFile>

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

StagedOutput::StagedOutput() = default;
StagedOutput::~StagedOutput() = default;
StagedOutput::StagedOutput(StagedOutput&&) noexcept = default;
StagedOutput& StagedOutput::operator=(StagedOutput&&) noexcept = default;

std::string StagedOutput::prepare(const std::string& target, const std::vector<std::string>& keep) {
    target_ = target;
    if (auto st = checkOutputFile(target, keep); !st) return st.error();
    // A link to a file is written through, as the PDF maker itself does.
    const QFileInfo info(QString::fromStdString(target));
    if (info.isSymLink()) target_ = info.canonicalFilePath().toStdString();
    const QFileInfo final(QString::fromStdString(target_));
    staging_ = std::make_unique<QTemporaryFile>(final.absolutePath() + "/." + final.fileName() +
                                                ".XXXXXX");
    if (!staging_->open()) {
        return "nie można utworzyć pliku w folderze " + final.absolutePath().toStdString() + ": " +
               staging_->errorString().toStdString();
    }
    staging_->close();
    return {};
}

std::string StagedOutput::stagingName() const { return staging_->fileName().toStdString(); }

std::string StagedOutput::commit(const std::vector<std::string>& keep) {
    if (auto st = checkOutputFile(target_, keep); !st) return st.error();
    struct stat old {};
    mode_t permissions = 0;
    if (::stat(target_.c_str(), &old) == 0) {
        permissions = old.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        permissions = 0666 & ~mask;
    }
    const std::string staged = stagingName();
    if (::chmod(staged.c_str(), permissions) != 0 ||
        std::rename(staged.c_str(), target_.c_str()) != 0) {
        return std::strerror(errno);
    }
    staging_->setAutoRemove(false);
    return {};
}

}  // namespace citforms::refhost
