#include "platform/ui/JpegReader.h"

#include "platform/base/Exception.h"
#include "platform/ui/PictureRegistry.h"

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include <jpeglib.h>
#include <jerror.h>
#include <unistd.h>

namespace platform {
namespace {

// A hostile progressive file can hold many thousands of tiny scans, each costing a pass over
// the whole picture; real files have a dozen.
constexpr int maxScans = 1000;

struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX + 128];
};

struct Source {
    jpeg_source_mgr pub;
    int fd;
    // The file has ended and an end marker was supplied in its place.
    bool ended;
    JOCTET buffer[64 * 1024];
};

// libjpeg's state for one file. libjpeg reports errors by calling back, and the callbacks
// jump back to the setjmp of the step that was running: those steps hold plain data only.
struct Decoder {
    jpeg_decompress_struct info;
    ErrorManager errors;
    Source source;
    jpeg_progress_mgr progress;
    bool created;

    ~Decoder()
    {
        if (created)
            jpeg_destroy_decompress(&info);
    }
};

[[noreturn]] void failWith(j_common_ptr info, const char* text)
{
    auto* errors = reinterpret_cast<ErrorManager*>(info->err);
    std::snprintf(errors->message, sizeof errors->message, "%s", text);
    std::longjmp(errors->jump, 1);
}

[[noreturn]] void errorExit(j_common_ptr info)
{
    auto* errors = reinterpret_cast<ErrorManager*>(info->err);
    (*info->err->format_message)(info, errors->message);
    std::longjmp(errors->jump, 1);
}

// Damaged data is decoded as well as it goes, as every viewer does, unless the file simply
// ran out: a picture whose lower part is missing is no picture.
void emitMessage(j_common_ptr info, int level)
{
    if (level >= 0)
        return;
    const auto* source = reinterpret_cast<const Source*>(reinterpret_cast<j_decompress_ptr>(info)->src);
    if (source->ended)
        failWith(info, "Premature end of JPEG file");
    ++info->err->num_warnings;
}

void checkScans(j_common_ptr info)
{
    if (reinterpret_cast<j_decompress_ptr>(info)->input_scan_number > maxScans)
        failWith(info, "Too many scans in a progressive JPEG file");
}

void initSource(j_decompress_ptr) {}
void termSource(j_decompress_ptr) {}

boolean fillInput(j_decompress_ptr info)
{
    auto* source = reinterpret_cast<Source*>(info->src);
    ssize_t count;
    do
        count = ::read(source->fd, source->buffer, sizeof source->buffer);
    while (count < 0 && errno == EINTR);
    if (count < 0) {
        char text[96];
        std::snprintf(text, sizeof text, "read error: %s", std::strerror(errno));
        failWith(reinterpret_cast<j_common_ptr>(info), text);
    }
    if (count == 0) {
        // A file missing only its end marker still reads; one cut short fails in emitMessage.
        source->ended = true;
        source->buffer[0] = 0xFF;
        source->buffer[1] = JPEG_EOI;
        count = 2;
    }
    source->pub.next_input_byte = source->buffer;
    source->pub.bytes_in_buffer = static_cast<std::size_t>(count);
    return TRUE;
}

void skipInput(j_decompress_ptr info, long count)
{
    jpeg_source_mgr* source = info->src;
    while (count > static_cast<long>(source->bytes_in_buffer)) {
        count -= static_cast<long>(source->bytes_in_buffer);
        fillInput(info);
    }
    if (count > 0) {
        source->next_input_byte += count;
        source->bytes_in_buffer -= static_cast<std::size_t>(count);
    }
}

bool readHeader(Decoder& d)
{
    if (setjmp(d.errors.jump))
        return false;
    jpeg_create_decompress(&d.info);
    d.created = true;
    d.info.src = &d.source.pub;
    d.info.progress = &d.progress;
    jpeg_read_header(&d.info, TRUE);
    return true;
}

// From CMYK ink (stored inverted when an Adobe marker says so) to light.
void cmykToRgbx(const JSAMPLE* cmyk, unsigned char* out, JDIMENSION width, bool inverted)
{
    for (JDIMENSION x = 0; x < width; ++x, cmyk += 4, out += 4) {
        const int flip = inverted ? 0 : 255;
        const int k = flip ^ cmyk[3];
        for (int i = 0; i < 3; ++i)
            out[i] = static_cast<unsigned char>(((flip ^ cmyk[i]) * k + 127) / 255);
        out[3] = 255;
    }
}

bool decodePixels(Decoder& d, JSAMPROW* rows, bool cmyk)
{
    if (setjmp(d.errors.jump))
        return false;
    jpeg_start_decompress(&d.info);
    JSAMPARRAY inkRow = nullptr;
    if (cmyk)
        inkRow = (*d.info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&d.info), JPOOL_IMAGE,
                                             d.info.output_width * 4, 1);
    while (d.info.output_scanline < d.info.output_height) {
        const JDIMENSION y = d.info.output_scanline;
        if (!cmyk) {
            jpeg_read_scanlines(&d.info, rows + y, d.info.output_height - y);
        } else if (jpeg_read_scanlines(&d.info, inkRow, 1) == 1) {
            cmykToRgbx(inkRow[0], rows[y], d.info.output_width, d.info.saw_Adobe_marker);
        }
    }
    jpeg_finish_decompress(&d.info);
    return true;
}

} // namespace

QImage ReadJpeg(int fd, const std::string& fileName)
{
    auto d = std::make_unique<Decoder>(); // zeroed, as libjpeg expects of its structures
    d->info.err = jpeg_std_error(&d->errors.pub);
    d->errors.pub.error_exit = errorExit;
    d->errors.pub.emit_message = emitMessage;
    d->source.fd = fd;
    d->source.pub.init_source = initSource;
    d->source.pub.fill_input_buffer = fillInput;
    d->source.pub.skip_input_data = skipInput;
    d->source.pub.resync_to_restart = jpeg_resync_to_restart;
    d->source.pub.term_source = termSource;
    d->progress.progress_monitor = checkScans;

    const auto failure = [&](const std::string& why) {
        return Exception("Cannot read picture \"" + fileName + "\": " + why);
    };
    if (!readHeader(*d))
        throw failure(d->errors.message);

    bool cmyk = false;
    switch (d->info.jpeg_color_space) {
    case JCS_GRAYSCALE:
    case JCS_RGB:
    case JCS_YCbCr:
        d->info.out_color_space = JCS_EXT_RGBX;
        break;
    case JCS_CMYK:
    case JCS_YCCK:
        d->info.out_color_space = JCS_CMYK;
        cmyk = true;
        break;
    default:
        throw failure("unsupported JPEG colour space");
    }

    // The check comes before anything the size asks for is allocated.
    const qint64 width = d->info.image_width;
    const qint64 height = d->info.image_height;
    if (const std::string oversize = OversizeReason(width, height); !oversize.empty())
        throw failure(oversize);
    QImage image(int(width), int(height), QImage::Format_RGBX8888);
    if (image.isNull())
        throw failure("out of memory");
    std::vector<JSAMPROW> rows(static_cast<std::size_t>(height));
    uchar* const bits = image.bits();
    for (qint64 y = 0; y < height; ++y)
        rows[static_cast<std::size_t>(y)] = bits + y * image.bytesPerLine();
    if (!decodePixels(*d, rows.data(), cmyk))
        throw failure(d->errors.message);
    return image;
}

} // namespace platform
