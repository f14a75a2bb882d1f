#include "app/jpegpicture.h"

#include "platform/errors.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <string>

#include <jpeglib.h>
#include <jerror.h>

namespace didu {

namespace {

constexpr int kPaletteColours = 236;

// libjpeg reports a fatal error by calling error_exit, which must not return.
// It jumps back to decode(), where the error becomes the program's own; no C++
// exception ever crosses libjpeg's frames.
struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
};

[[noreturn]] void errorExit(j_common_ptr info)
{
    auto* manager = reinterpret_cast<ErrorManager*>(info->err);
    std::longjmp(manager->jump, 1);
}

// Warnings (a truncated file, a corrupt segment) are not errors: the picture is
// drawn as far as it decodes, and nothing goes to the terminal.
void quietMessage(j_common_ptr) {}

} // namespace

PictureDepth pictureDepthFor(int bitsPerPixel)
{
    return bitsPerPixel > 0 && bitsPerPixel <= 8 ? PictureDepth::Palette236 : PictureDepth::TrueColour;
}

JpegPicture JpegPicture::fromStoredValue(const QByteArray& stored)
{
    const auto nameLength = std::strlen(kHandlerName);
    const qsizetype header = 1 + static_cast<qsizetype>(nameLength) + 4;
    if (stored.size() < header || static_cast<unsigned char>(stored[0]) != nameLength
        || std::memcmp(stored.constData() + 1, kHandlerName, nameLength) != 0)
        throw Error("Invalid stored picture");
    const auto* count = reinterpret_cast<const unsigned char*>(stored.constData() + 1 + nameLength);
    const quint32 size = count[0] | (count[1] << 8) | (count[2] << 16) | (quint32(count[3]) << 24);
    if (size > static_cast<quint64>(stored.size() - header))
        throw Error("Invalid stored picture");
    return JpegPicture(stored.mid(header, static_cast<qsizetype>(size)));
}

QByteArray JpegPicture::storedValue() const
{
    QByteArray stored;
    const auto nameLength = std::strlen(kHandlerName);
    stored.append(static_cast<char>(nameLength));
    stored.append(kHandlerName, static_cast<qsizetype>(nameLength));
    const auto size = static_cast<quint32>(m_jpeg.size());
    for (int shift = 0; shift < 32; shift += 8)
        stored.append(static_cast<char>((size >> shift) & 0xff));
    stored.append(m_jpeg);
    return stored;
}

namespace {

// Runs libjpeg's decompression sequence into `image`. Kept apart from decode()
// so that no object with a destructor lives in the frame that setjmp saves:
// after a jump, only `info`, `errors` and `image` (all in the caller's frame)
// are touched. Answers false when libjpeg failed.
bool runDecoder(jpeg_decompress_struct* info, ErrorManager* errors, const QByteArray* jpeg,
                QImage* image, PictureDepth depth)
{
    if (setjmp(errors->jump))
        return false;

    jpeg_create_decompress(info);
    jpeg_mem_src(info, reinterpret_cast<const unsigned char*>(jpeg->constData()),
                 static_cast<unsigned long>(jpeg->size()));
    jpeg_read_header(info, TRUE);
    info->out_color_space = JCS_RGB;
    if (depth == PictureDepth::Palette236) {
        info->quantize_colors = TRUE;
        info->desired_number_of_colors = kPaletteColours;
    }
    jpeg_start_decompress(info);

    const auto width = static_cast<int>(info->output_width);
    const auto height = static_cast<int>(info->output_height);
    if (depth == PictureDepth::Palette236) {
        *image = QImage(width, height, QImage::Format_Indexed8);
        QList<QRgb> palette;
        for (int i = 0; i < info->actual_number_of_colors; ++i)
            palette.append(qRgb(info->colormap[0][i], info->colormap[1][i], info->colormap[2][i]));
        image->setColorTable(palette);
    } else {
        *image = QImage(width, height, QImage::Format_RGB888);
    }
    if (image->isNull()) {
        // Too large to hold: reported as libjpeg's own failure to get memory, so
        // any bad picture gives the operator one kind of message.
        errors->base.msg_code = JERR_OUT_OF_MEMORY;
        return false;
    }
    while (info->output_scanline < info->output_height) {
        JSAMPROW row = image->scanLine(static_cast<int>(info->output_scanline));
        jpeg_read_scanlines(info, &row, 1);
    }
    jpeg_finish_decompress(info);
    return true;
}

} // namespace

QImage JpegPicture::decode(PictureDepth depth) const
{
    jpeg_decompress_struct info{};
    ErrorManager errors{};
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = errorExit;
    errors.base.output_message = quietMessage;

    QImage image;
    const bool decoded = runDecoder(&info, &errors, &m_jpeg, &image, depth);
    const int code = errors.base.msg_code;
    jpeg_destroy_decompress(&info);
    if (!decoded)
        throw Error("JPEG error #" + std::to_string(code));
    return image;
}

} // namespace didu
