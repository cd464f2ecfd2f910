// The file side of the picture codecs: a BMP file is decoded as it is read,
// a JPEG file (compressed, so small beside its picture) is read whole and
// decoded in memory; a picture is encoded in memory and written atomically.

#include "platform/gui/ImageFile.h"

#include "platform/system/AtomicFile.h"

#include <QFile>
#include <QFileInfo>

namespace platform {
namespace {

// Largest picture file read: an uncompressed 32-bit BMP of kMaxImagePixels
// with room for its headers. Anything bigger cannot be a picture we accept.
constexpr std::int64_t kMaxImageFileBytes = 4 * kMaxImagePixels + 1024 * 1024;

std::string ReadFailure(const std::string& path, const std::string& reason)
{
    return "Cannot read picture \"" + path + "\": " + reason;
}

// Opens a picture file for reading, or says why it cannot be.
void OpenPictureFile(QFile& file, const std::string& path)
{
    const QFileInfo info(file.fileName());
    if (!info.exists())
        throw ImageError(ReadFailure(path, "the file does not exist"));
    if (!info.isFile())
        throw ImageError(ReadFailure(path, "not a file"));
    if (info.size() > kMaxImageFileBytes)
        throw ImageError(ReadFailure(path, "the file is too large for a picture"));
    if (!file.open(QIODevice::ReadOnly))
        throw ImageError(ReadFailure(path, file.errorString().toStdString()));
}

std::vector<std::uint8_t> ReadWholeFile(const std::string& path)
{
    QFile file(QString::fromStdString(path));
    OpenPictureFile(file, path);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(file.size()));
    const qint64 read = file.read(reinterpret_cast<char*>(bytes.data()), static_cast<qint64>(bytes.size()));
    if (read < 0)
        throw ImageError(ReadFailure(path, file.errorString().toStdString()));
    // The file may have shrunk since its size was taken.
    bytes.resize(static_cast<std::size_t>(read));
    return bytes;
}

// The bytes of an open file, read where the decoder asks. The size is the
// one the file had when opened; a file that shrinks meanwhile is an error.
class FileSource : public ByteSource {
public:
    explicit FileSource(QFile& file) : file_(file), size_(std::uint64_t(file.size())) {}
    std::uint64_t Size() const override { return size_; }
    void ReadAt(std::uint64_t offset, std::uint8_t* out, std::size_t count) override
    {
        if (count == 0)
            return;
        if (!file_.seek(qint64(offset)) ||
            file_.read(reinterpret_cast<char*>(out), qint64(count)) != qint64(count))
            throw ImageError("the file could not be read to its end");
    }

private:
    QFile& file_;
    std::uint64_t size_;
};

using Decoder = QImage (*)(const std::uint8_t*, std::size_t);

QImage ReadFile(const std::string& path, Decoder decode)
{
    const std::vector<std::uint8_t> bytes = ReadWholeFile(path);
    try {
        return decode(bytes.data(), bytes.size());
    } catch (const ImageError& error) {
        throw ImageError(ReadFailure(path, error.what()));
    }
}

// Failures of the write itself already name the file; they become
// ImageError so callers of this unit handle one kind of error.
void WriteFile(const std::vector<std::uint8_t>& bytes, const std::string& path)
{
    try {
        WriteFileAtomically(path, {reinterpret_cast<const char*>(bytes.data()), bytes.size()});
    } catch (const FileWriteError& error) {
        throw ImageError(error.what(), error.Reason());
    }
}

template<typename Encode>
void EncodeAndWrite(const std::string& path, Encode encode)
{
    std::vector<std::uint8_t> bytes;
    try {
        bytes = encode();
    } catch (const ImageError& error) {
        throw ImageError("Cannot save picture \"" + path + "\": " + error.what(), error.what());
    }
    WriteFile(bytes, path);
}

} // namespace

QImage ReadBmpFile(const std::string& path)
{
    QFile file(QString::fromStdString(path));
    OpenPictureFile(file, path);
    FileSource source(file);
    try {
        return DecodeBmp(source);
    } catch (const ImageError& error) {
        throw ImageError(ReadFailure(path, error.what()));
    }
}

QImage ReadJpegFile(const std::string& path)
{
    return ReadFile(path, DecodeJpeg);
}

void WriteBmpFile(const QImage& image, const std::string& path)
{
    EncodeAndWrite(path, [&] { return EncodeBmp(image); });
}

void WriteJpegFile(const QImage& image, const std::string& path, int quality)
{
    EncodeAndWrite(path, [&] { return EncodeJpeg(image, quality); });
}

} // namespace platform
