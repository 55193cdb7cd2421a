#pragma once
// Where the host may write a file whole (a PDF, a message for the outbox, a database copy):
// a new name in an existing folder, or an existing regular file that may be replaced. Never a
// folder, a named pipe, a device or a socket (nor a symbolic link to one), and never a file of
// the open database: the PDF is written beside the target and renamed over it, which would
// turn any of these into a regular file.
//
//   auto st = checkOutputFile("/tmp/cit8.pdf", sqliteFiles("/data/tabrix.db"));
//   if (!st) warn(st.error());   // "Plik /data/tabrix.db jest plikiem otwartej bazy danych ..."
//
// Files are compared by device and inode, so a second name (a hard or symbolic link) of the
// database is recognised too.
#include <memory>
#include <string>
#include <vector>

#include "citforms/values/result.h"

class QTemporaryFile;

namespace citforms::refhost {

values::Status checkOutputFile(const std::string& path,
                               const std::vector<std::string>& protectedFiles = {});

// The files an SQLite database at `path` consists of while it is in use: the file itself and
// its write-ahead log, rollback journal and shared-memory index.
std::vector<std::string> sqliteFiles(const std::string& path);

// Whether the two paths name the same existing file (device and inode).
bool sameFile(const std::string& a, const std::string& b);

// A PDF file written whole or not at all. The target is checked before anything is written;
// the pages go into a file of our own beside it, which takes the target's name only once the
// whole work has succeeded: the target holds what it held before or the complete new PDF.
class StagedOutput {
public:
    StagedOutput();
    ~StagedOutput();
    StagedOutput(StagedOutput&&) noexcept;
    StagedOutput& operator=(StagedOutput&&) noexcept;

    // "" when the target may be written; else why not.
    std::string prepare(const std::string& target, const std::vector<std::string>& keep);
    // The file to write the pages into.
    std::string stagingName() const;
    // Puts the finished PDF under the target's name with the permissions a new file (or the
    // file it replaces) has; "" when done.
    std::string commit(const std::vector<std::string>& keep);

private:
    std::string target_;
    std::unique_ptr<QTemporaryFile> staging_;
};

}  // namespace citforms::refhost
