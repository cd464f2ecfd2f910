// JPEG through the libjpeg API (libjpeg-turbo). Pictures are decoded straight
// into the RGB32 scanlines of the result and encoded straight from them, using
// libjpeg-turbo's extended colour spaces, so no pixel passes through Qt.
//
// libjpeg reports a fatal error by calling error_exit, which must not return.
// Throwing a C++ exception through libjpeg's C frames is undefined, so
// error_exit longjmps back to the function that called setjmp. That function
// (Decompress, Compress) holds no object with a destructor, and the libjpeg
// state lives in its caller, which destroys it and throws ImageError.
//
// Warnings about corrupt entropy data leave the picture decoded as far as
// libjpeg could; a file that ends before its picture does is an error, since
// the missing part would otherwise show as a grey band that looks real.

#include "platform/gui/ImageFile.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <jerror.h>
#include <jpeglib.h>

namespace platform {
namespace {

// Progressive files may hold any number of scans, each one a pass over the
// whole coefficient buffer; a hostile file with tens of thousands of tiny
// scans would keep the decoder busy for minutes. Real files have a dozen.
constexpr int kMaxScans = 1000;

// Scanlines handed to libjpeg per call; it returns fewer when it likes.
constexpr int kRowsPerCall = 16;

// First size of the encoder's output buffer; it doubles as needed.
constexpr std::size_t kInitialOutputSize = 64 * 1024;

// The byte order of a QImage::Format_RGB32 pixel in memory.
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
constexpr J_COLOR_SPACE kRgb32DecodeSpace = JCS_EXT_BGRA; // sets the fourth byte to 0xFF
constexpr J_COLOR_SPACE kRgb32EncodeSpace = JCS_EXT_BGRX;
#else
constexpr J_COLOR_SPACE kRgb32DecodeSpace = JCS_EXT_ARGB;
constexpr J_COLOR_SPACE kRgb32EncodeSpace = JCS_EXT_XRGB;
#endif

struct ErrorManager {
    jpeg_error_mgr base; // first, so libjpeg's pointer to it is a pointer to the whole
    std::jmp_buf jump;
    const char* context = ""; // what libjpeg's own messages are about
    char message[JMSG_LENGTH_MAX + 64];
};

ErrorManager& ErrorsOf(j_common_ptr info)
{
    return *reinterpret_cast<ErrorManager*>(info->err);
}

[[noreturn]] void Abort(j_common_ptr info, const char* message)
{
    ErrorManager& errors = ErrorsOf(info);
    std::snprintf(errors.message, sizeof errors.message, "%s", message);
    std::longjmp(errors.jump, 1);
}

[[noreturn]] void ExitWithError(j_common_ptr info)
{
    char text[JMSG_LENGTH_MAX];
    (*info->err->format_message)(info, text);
    ErrorManager& errors = ErrorsOf(info);
    std::snprintf(errors.message, sizeof errors.message, "%s (%s)", errors.context, text);
    std::longjmp(errors.jump, 1);
}

// Warnings (level -1) and trace messages (0 and up) are not shown; only the
// end of the data counts, as a fatal error.
void EmitMessage(j_common_ptr info, int level)
{
    if (level < 0 && info->err->msg_code == JWRN_JPEG_EOF)
        Abort(info, "the JPEG data is truncated");
}

void OutputNothing(j_common_ptr) {}

void LimitScans(j_common_ptr info)
{
    if (info->is_decompressor && reinterpret_cast<j_decompress_ptr>(info)->input_scan_number > kMaxScans)
        Abort(info, "the JPEG data has too many scans");
}

void InstallErrorManager(ErrorManager& errors, const char* context)
{
    jpeg_std_error(&errors.base);
    errors.context = context;
    errors.base.error_exit = ExitWithError;
    errors.base.emit_message = EmitMessage;
    errors.base.output_message = OutputNothing;
    errors.message[0] = '\0';
}

struct Decoder {
    jpeg_decompress_struct info{};
    ErrorManager errors{};
    jpeg_progress_mgr progress{};

    Decoder()
    {
        InstallErrorManager(errors, "invalid JPEG data");
        info.err = &errors.base;
        progress.progress_monitor = LimitScans;
    }
    ~Decoder() { jpeg_destroy_decompress(&info); }
    Decoder(const Decoder&) = delete;
    Decoder& operator=(const Decoder&) = delete;
};

// Adobe applications write CMYK inverted (0 = full ink) and flag it with
// their marker; others write it plain.
void CmykToRgb32(const JSAMPLE* cmyk, QRgb* target, JDIMENSION width, bool inverted)
{
    for (JDIMENSION x = 0; x < width; ++x, cmyk += 4) {
        int c = cmyk[0], m = cmyk[1], y = cmyk[2], k = cmyk[3];
        if (!inverted) {
            c = 255 - c;
            m = 255 - m;
            y = 255 - y;
            k = 255 - k;
        }
        target[x] = qRgb(c * k / 255, m * k / 255, y * k / 255);
    }
}

// Decodes into `image`; false after an error, with the reason in
// decoder.errors.message. Holds no object with a destructor (see above).
bool Decompress(Decoder& decoder, const std::uint8_t* data, std::size_t size, QImage& image)
{
    jpeg_decompress_struct& info = decoder.info;
    const auto common = reinterpret_cast<j_common_ptr>(&info);
    if (setjmp(decoder.errors.jump))
        return false;

    jpeg_create_decompress(&info);
    info.progress = &decoder.progress;
    jpeg_mem_src(&info, data, static_cast<unsigned long>(size));
    jpeg_read_header(&info, TRUE);

    if (static_cast<std::int64_t>(info.image_width) * info.image_height > kMaxImagePixels)
        Abort(common, "the JPEG picture is too large");
    bool cmyk = false;
    switch (info.jpeg_color_space) {
    case JCS_GRAYSCALE:
    case JCS_YCbCr:
    case JCS_RGB:
        info.out_color_space = kRgb32DecodeSpace;
        break;
    case JCS_CMYK:
    case JCS_YCCK:
        info.out_color_space = JCS_CMYK;
        cmyk = true;
        break;
    default:
        Abort(common, "unsupported JPEG colour space");
    }
    info.dct_method = JDCT_ISLOW;

    image = QImage(static_cast<int>(info.image_width), static_cast<int>(info.image_height), QImage::Format_RGB32);
    if (image.isNull())
        Abort(common, "not enough memory for the JPEG picture");
    jpeg_start_decompress(&info);

    std::uint8_t* const bits = image.bits();
    const auto bytesPerLine = static_cast<std::size_t>(image.bytesPerLine());
    if (cmyk) {
        JSAMPARRAY row = (*info.mem->alloc_sarray)(common, JPOOL_IMAGE, info.output_width * 4, 1);
        while (info.output_scanline < info.output_height) {
            const JDIMENSION y = info.output_scanline;
            if (jpeg_read_scanlines(&info, row, 1) != 1)
                Abort(common, "the JPEG data is truncated");
            CmykToRgb32(row[0], reinterpret_cast<QRgb*>(bits + y * bytesPerLine), info.output_width,
                        info.saw_Adobe_marker);
        }
    } else {
        JSAMPROW rows[kRowsPerCall];
        while (info.output_scanline < info.output_height) {
            const JDIMENSION first = info.output_scanline;
            const JDIMENSION count = std::min<JDIMENSION>(kRowsPerCall, info.output_height - first);
            for (JDIMENSION i = 0; i < count; ++i)
                rows[i] = bits + (first + i) * bytesPerLine;
            if (jpeg_read_scanlines(&info, rows, count) == 0)
                Abort(common, "the JPEG data is truncated");
        }
    }
    // Every row is decoded; whatever follows (normally just the end marker)
    // cannot change the picture, so jpeg_finish_decompress is not needed.
    return true;
}

// A growing malloc'd buffer owned here rather than by jpeg_mem_dest, which
// loses track of its buffer when an error interrupts the encoder.
struct Destination {
    jpeg_destination_mgr base; // first, so libjpeg's pointer to it is a pointer to the whole
    JOCTET* buffer = nullptr;
    std::size_t capacity = 0;
    std::size_t used = 0;
};

Destination& DestinationOf(j_compress_ptr info)
{
    return *reinterpret_cast<Destination*>(info->dest);
}

void GrowDestination(j_compress_ptr info, std::size_t capacity)
{
    Destination& destination = DestinationOf(info);
    auto* grown = static_cast<JOCTET*>(std::realloc(destination.buffer, capacity));
    if (grown == nullptr)
        Abort(reinterpret_cast<j_common_ptr>(info), "not enough memory to encode the JPEG picture");
    const std::size_t filled = destination.capacity;
    destination.buffer = grown;
    destination.capacity = capacity;
    destination.base.next_output_byte = grown + filled;
    destination.base.free_in_buffer = capacity - filled;
}

void InitDestination(j_compress_ptr info)
{
    GrowDestination(info, kInitialOutputSize);
}

boolean EmptyOutputBuffer(j_compress_ptr info)
{
    // libjpeg calls this only with the whole buffer full.
    GrowDestination(info, DestinationOf(info).capacity * 2);
    return TRUE;
}

void TermDestination(j_compress_ptr info)
{
    Destination& destination = DestinationOf(info);
    destination.used = destination.capacity - destination.base.free_in_buffer;
}

struct Encoder {
    jpeg_compress_struct info{};
    ErrorManager errors{};
    Destination destination{};

    Encoder()
    {
        InstallErrorManager(errors, "cannot encode the picture as JPEG");
        info.err = &errors.base;
        destination.base.init_destination = InitDestination;
        destination.base.empty_output_buffer = EmptyOutputBuffer;
        destination.base.term_destination = TermDestination;
    }
    ~Encoder()
    {
        jpeg_destroy_compress(&info);
        std::free(destination.buffer);
    }
    Encoder(const Encoder&) = delete;
    Encoder& operator=(const Encoder&) = delete;
};

// Encodes an RGB32 picture into encoder.destination; false after an error,
// with the reason in encoder.errors.message. Holds no object with a
// destructor (see above).
bool Compress(Encoder& encoder, const QImage& rgb32, int quality)
{
    jpeg_compress_struct& info = encoder.info;
    if (setjmp(encoder.errors.jump))
        return false;

    jpeg_create_compress(&info);
    info.dest = &encoder.destination.base;
    info.image_width = static_cast<JDIMENSION>(rgb32.width());
    info.image_height = static_cast<JDIMENSION>(rgb32.height());
    info.input_components = 4;
    info.in_color_space = kRgb32EncodeSpace;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    info.dct_method = JDCT_ISLOW;
    info.optimize_coding = TRUE;
    // At high quality the point is fidelity: keep full colour resolution
    // rather than halving it, so thin coloured lines stay sharp.
    if (quality >= 90) {
        info.comp_info[0].h_samp_factor = 1;
        info.comp_info[0].v_samp_factor = 1;
    }
    jpeg_start_compress(&info, TRUE);

    JSAMPROW rows[kRowsPerCall];
    while (info.next_scanline < info.image_height) {
        const JDIMENSION first = info.next_scanline;
        const JDIMENSION count = std::min<JDIMENSION>(kRowsPerCall, info.image_height - first);
        // libjpeg only reads the rows, but its interface is not const.
        for (JDIMENSION i = 0; i < count; ++i)
            rows[i] = const_cast<JSAMPROW>(rgb32.constScanLine(static_cast<int>(first + i)));
        jpeg_write_scanlines(&info, rows, count);
    }
    jpeg_finish_compress(&info);
    return true;
}

} // namespace

QImage DecodeJpeg(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        throw ImageError("the JPEG data is empty");
    Decoder decoder;
    QImage image;
    if (!Decompress(decoder, data, size, image))
        throw ImageError(decoder.errors.message);
    return image;
}

std::vector<std::uint8_t> EncodeJpeg(const QImage& image, int quality)
{
    if (image.isNull())
        throw ImageError("there is no picture to save");
    const QImage rgb32 = image.convertToFormat(QImage::Format_RGB32);
    if (rgb32.isNull())
        throw ImageError("not enough memory to convert the picture");
    Encoder encoder;
    if (!Compress(encoder, rgb32, std::clamp(quality, 1, 100)))
        throw ImageError(encoder.errors.message);
    const JOCTET* bytes = encoder.destination.buffer;
    return {bytes, bytes + encoder.destination.used};
}

} // namespace platform
