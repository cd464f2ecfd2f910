// The lock file of a database, as the old engine kept one beside it (here a
// hidden file: ".<name>.lock" beside "<name>"). Every connection the engine opens on a database holds
// a shared lock (flock) on its lock file; a repair or a compact, which
// replaces or copies the file as a whole, holds an exclusive one. So neither
// runs on a file that a connection of this process or of another one has
// open, and no connection opens a file while it is being replaced.
//
// The lock file is made with the first holder and removed by the last. A
// folder where it cannot be made (read-only) gets none: the database still
// opens, unmarked.
#pragma once

#include <memory>
#include <string>

namespace jet::impl {

class LockFile {
public:
    // A shared hold for a connection on `databasePath`; null when no lock
    // file can be made there. Raises 3045 while a repair or compact holds
    // the file.
    static std::unique_ptr<LockFile> Share(const std::string& databasePath);
    // The hold of a repair or compact; raises 3045 ("Could not use '...';
    // file already in use.") while any connection holds the file.
    static std::unique_ptr<LockFile> Exclusive(const std::string& databasePath);

    LockFile(const LockFile&) = delete;
    LockFile& operator=(const LockFile&) = delete;
    ~LockFile();

    // "/folder/.name.mdb.lock" for "/folder/name.mdb".
    static std::string PathFor(const std::string& databasePath);

private:
    LockFile(int descriptor, std::string path) : Descriptor(descriptor), Path(std::move(path)) {}
    static std::unique_ptr<LockFile> Take(const std::string& databasePath, bool exclusive);

    int Descriptor;
    std::string Path;
};

} // namespace jet::impl
