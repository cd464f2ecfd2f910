// Makes a folder refuse new files, renames and removals for as long as the
// object lives, as `chattr +i` does: immutable for root (whom a folder's mode
// does not stop), mode 0555 for other users. Applied() is false where
// neither works (a file system without the flag, or no right to set it).
#pragma once

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

class ReadOnlyFolder {
public:
    explicit ReadOnlyFolder(std::string path) : Path(std::move(path))
    {
        if (geteuid() != 0) {
            struct stat status {};
            if (stat(Path.c_str(), &status) == 0 && chmod(Path.c_str(), 0555) == 0) {
                SavedMode = status.st_mode & 07777;
                Made = true;
            }
            return;
        }
        Folder = open(Path.c_str(), O_RDONLY | O_DIRECTORY);
        int flags = 0;
        if (Folder >= 0 && ioctl(Folder, FS_IOC_GETFLAGS, &flags) == 0) {
            flags |= FS_IMMUTABLE_FL;
            Made = ioctl(Folder, FS_IOC_SETFLAGS, &flags) == 0;
        }
    }
    ~ReadOnlyFolder()
    {
        if (Made && Folder >= 0) {
            int flags = 0;
            if (ioctl(Folder, FS_IOC_GETFLAGS, &flags) == 0) {
                flags &= ~FS_IMMUTABLE_FL;
                ioctl(Folder, FS_IOC_SETFLAGS, &flags);
            }
        } else if (Made) {
            chmod(Path.c_str(), SavedMode);
        }
        if (Folder >= 0)
            close(Folder);
    }
    ReadOnlyFolder(const ReadOnlyFolder&) = delete;
    ReadOnlyFolder& operator=(const ReadOnlyFolder&) = delete;

    bool Applied() const { return Made; }

private:
    std::string Path;
    int Folder = -1;
    mode_t SavedMode = 0755;
    bool Made = false;
};
