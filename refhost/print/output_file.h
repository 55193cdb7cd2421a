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
#include <string>
#include <vector>

#include "citforms/values/result.h"

namespace citforms::refhost {

values::Status checkOutputFile(const std::string& path,
                               const std::vector<std::string>& protectedFiles = {});

// The files an SQLite database at `path` consists of while it is in use: the file itself and
// its write-ahead log, rollback journal and shared-memory index.
std::vector<std::string> sqliteFiles(const std::string& path);

// Whether the two paths name the same existing file (device and inode).
bool sameFile(const std::string& a, const std::string& b);

}  // namespace citforms::refhost
