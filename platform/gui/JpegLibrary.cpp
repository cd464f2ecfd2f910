// libjpeg, loaded when a JPEG picture is first read or written: the functions
// of it that the JPEG codec calls, each forwarding to the library's own
// (platform/system/LazyLibrary.h says how).
#include "platform/system/LazyLibrary.h"

#include <cstdio>

#include <jpeglib.h>

namespace {

platform::TLazyLibrary& Libjpeg()
{
    static platform::TLazyLibrary library("jpeg", 62);
    return library;
}

} // namespace

jpeg_error_mgr* jpeg_std_error(jpeg_error_mgr* err)
{
    return Libjpeg().Function<&jpeg_std_error>("jpeg_std_error")(err);
}

void jpeg_CreateCompress(j_compress_ptr cinfo, int version, size_t structsize)
{
    Libjpeg().Function<&jpeg_CreateCompress>("jpeg_CreateCompress")(cinfo, version, structsize);
}

void jpeg_CreateDecompress(j_decompress_ptr cinfo, int version, size_t structsize)
{
    Libjpeg().Function<&jpeg_CreateDecompress>("jpeg_CreateDecompress")(cinfo, version, structsize);
}

void jpeg_destroy_compress(j_compress_ptr cinfo)
{
    Libjpeg().Function<&jpeg_destroy_compress>("jpeg_destroy_compress")(cinfo);
}

void jpeg_destroy_decompress(j_decompress_ptr cinfo)
{
    Libjpeg().Function<&jpeg_destroy_decompress>("jpeg_destroy_decompress")(cinfo);
}

void jpeg_mem_src(j_decompress_ptr cinfo, const unsigned char* inbuffer, unsigned long insize)
{
    Libjpeg().Function<&jpeg_mem_src>("jpeg_mem_src")(cinfo, inbuffer, insize);
}

void jpeg_set_defaults(j_compress_ptr cinfo)
{
    Libjpeg().Function<&jpeg_set_defaults>("jpeg_set_defaults")(cinfo);
}

void jpeg_set_quality(j_compress_ptr cinfo, int quality, boolean force_baseline)
{
    Libjpeg().Function<&jpeg_set_quality>("jpeg_set_quality")(cinfo, quality, force_baseline);
}

void jpeg_start_compress(j_compress_ptr cinfo, boolean write_all_tables)
{
    Libjpeg().Function<&jpeg_start_compress>("jpeg_start_compress")(cinfo, write_all_tables);
}

JDIMENSION jpeg_write_scanlines(j_compress_ptr cinfo, JSAMPARRAY scanlines, JDIMENSION num_lines)
{
    return Libjpeg().Function<&jpeg_write_scanlines>("jpeg_write_scanlines")(cinfo, scanlines, num_lines);
}

void jpeg_finish_compress(j_compress_ptr cinfo)
{
    Libjpeg().Function<&jpeg_finish_compress>("jpeg_finish_compress")(cinfo);
}

int jpeg_read_header(j_decompress_ptr cinfo, boolean require_image)
{
    return Libjpeg().Function<&jpeg_read_header>("jpeg_read_header")(cinfo, require_image);
}

boolean jpeg_start_decompress(j_decompress_ptr cinfo)
{
    return Libjpeg().Function<&jpeg_start_decompress>("jpeg_start_decompress")(cinfo);
}

JDIMENSION jpeg_read_scanlines(j_decompress_ptr cinfo, JSAMPARRAY scanlines, JDIMENSION max_lines)
{
    return Libjpeg().Function<&jpeg_read_scanlines>("jpeg_read_scanlines")(cinfo, scanlines, max_lines);
}
