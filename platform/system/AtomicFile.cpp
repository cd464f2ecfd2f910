#include "platform/system/AtomicFile.h"

#include <QSaveFile>
#include <QString>

#include <atomic>
#include <filesystem>

#include <fcntl.h>
#include <unistd.h>

namespace platform {

void WriteFileAtomically(const std::string& path, std::string_view bytes)
{
    const QString name = QString::fromStdString(path);
    QSaveFile file(name);
    // QSaveFile writes to a temporary file beside the target and renames it
    // on commit(); without commit() the temporary file is removed.
    if (!file.open(QIODevice::WriteOnly))
        throw FileWriteError(path, file.errorString().toStdString());
    const qint64 size = static_cast<qint64>(bytes.size());
    if (file.write(bytes.data(), size) != size) {
        const std::string why = file.errorString().toStdString();
        file.cancelWriting();
        throw FileWriteError(path, why);
    }
    // Written bytes are buffered: a disk that fills up shows only here. The
    // error of this last flush would not stop commit() from renaming a
    // truncated file over the target, so it is checked first.
    if (!file.flush()) {
        const std::string why = file.errorString().toStdString();
        file.cancelWriting();
        throw FileWriteError(path, why);
    }
    if (!file.commit())
        throw FileWriteError(path, file.errorString().toStdString());
    // commit() flushes the data but not the folder entry of the rename: until
    // that reaches the disk, a power cut brings the old file back.
    SyncPath(path);
}

void SyncPath(const std::string& path)
{
    const int file = ::open(path.c_str(), O_RDONLY);
    if (file >= 0) {
        ::fsync(file);
        ::close(file);
    }
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    const int dir = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
}

std::string FreshNameBeside(const std::string& path, const std::string& suffix)
{
    static std::atomic<unsigned> counter{0};
    for (;;) {
        const std::string candidate =
            path + "." + std::to_string(::getpid()) + "." + std::to_string(counter++) + suffix;
        std::error_code error;
        if (!std::filesystem::exists(candidate, error) && !error)
            return candidate;
    }
}

} // namespace platform
