#include "qtplatform/qt_image_codec.h"

#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QSaveFile>
#include <QString>

#include <algorithm>

namespace ts {

namespace {

bool Fail(std::string* error, const std::string& text) {
    if (error != nullptr) {
        *error = text;
    }
    return false;
}

// The reader format of a file by its signature, or empty for anything else.
QByteArray FormatBySignature(const QByteArray& head) {
    if (head.startsWith("\x89PNG\r\n\x1a\n")) {
        return "png";
    }
    if (head.startsWith("\xff\xd8\xff")) {
        return "jpeg";
    }
    if (head.startsWith("BM")) {
        return "bmp";
    }
    if (head.startsWith("GIF87a") || head.startsWith("GIF89a")) {
        return "gif";
    }
    if (head.startsWith(QByteArray("II*\0", 4)) || head.startsWith(QByteArray("MM\0*", 4))) {
        return "tiff";
    }
    return {};
}

// Any image as 8-bit RGB; transparent parts are laid over white, as on paper.
QImage ToRgb888(const QImage& image) {
    if (!image.hasAlphaChannel()) {
        return image.convertToFormat(QImage::Format_RGB888);
    }
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    QImage rgb(argb.size(), QImage::Format_RGB888);
    if (argb.isNull() || rgb.isNull()) {
        return {};
    }
    for (int y = 0; y < argb.height(); ++y) {
        const QRgb* in = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        uchar* out = rgb.scanLine(y);
        for (int x = 0; x < argb.width(); ++x) {
            // c' = (c a + 255 (255 - a)) / 255, rounded.
            const int a = qAlpha(in[x]);
            const int white = 255 * (255 - a) + 127;
            out[3 * x] = static_cast<uchar>((qRed(in[x]) * a + white) / 255);
            out[3 * x + 1] = static_cast<uchar>((qGreen(in[x]) * a + white) / 255);
            out[3 * x + 2] = static_cast<uchar>((qBlue(in[x]) * a + white) / 255);
        }
    }
    return rgb;
}

QString ReaderError(const QImageReader& reader) {
    return reader.errorString().isEmpty() ? QStringLiteral("unknown error") : reader.errorString();
}

} // namespace

bool QtImageCodec::Load(const std::string& path, Image24& out, std::string* error) {
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly)) {
        return Fail(error,
                    file.exists() ? "The file could not be accessed." : "The file could not be located.");
    }
    const QByteArray format = FormatBySignature(file.peek(8));
    if (format.isEmpty()) {
        return Fail(error, "The file is not a PNG, JPEG, BMP, GIF or TIFF image.");
    }
    QImageReader reader(&file, format);
    reader.setDecideFormatFromContent(false);
    reader.setAutoTransform(false);
    // Qt's own guard against huge images, set to match ours (4 bytes per pixel while decoding).
    QImageReader::setAllocationLimit(static_cast<int>(kMaxPixels * 4 / (1024 * 1024)));
    const QSize size = reader.size();
    if (size.isValid() && int64_t{size.width()} * size.height() > kMaxPixels) {
        return Fail(error, "The image is too large (" + std::to_string(size.width()) + " x " +
                               std::to_string(size.height()) + " pixels).");
    }
    QImage image;
    if (!reader.read(&image) || image.isNull()) {
        return Fail(error, "The image could not be read: " + ReaderError(reader).toStdString());
    }
    if (int64_t{image.width()} * image.height() > kMaxPixels) {
        return Fail(error, "The image is too large.");
    }
    const QImage rgb = ToRgb888(image);
    Image24 result;
    if (rgb.isNull() || !result.Create(rgb.width(), rgb.height())) {
        return Fail(error, "There is not enough memory for the image.");
    }
    for (int32_t y = 0; y < result.Height(); ++y) {
        const uchar* in = rgb.constScanLine(y);
        uint8_t* row = result.Row(y);
        for (int32_t x = 0; x < result.Width(); ++x) {
            row[3 * x] = in[3 * x + 2];
            row[3 * x + 1] = in[3 * x + 1];
            row[3 * x + 2] = in[3 * x];
        }
    }
    out = std::move(result);
    return true;
}

bool QtImageCodec::Save(const std::string& path, const Image24& image, ImageFormat format, int jpegQuality,
                        std::string* error) {
    if (image.Empty()) {
        return Fail(error, "There is no image to write.");
    }
    // Our rows are blue, green, red with 4-byte aligned rows: exactly QImage's BGR888 layout.
    const QImage bgr(image.Row(0), image.Width(), image.Height(), image.Stride(), QImage::Format_BGR888);
    const QImage rgb = bgr.convertToFormat(QImage::Format_RGB888);
    if (rgb.isNull()) {
        return Fail(error, "There is not enough memory for the image.");
    }
    // Written to a temporary file that replaces the old one only when complete.
    QSaveFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::WriteOnly)) {
        return Fail(error, "The file could not be opened for writing: " + file.errorString().toStdString());
    }
    static const char* const formats[] = {"png", "jpeg", "bmp", "tiff"};
    QImageWriter writer(&file, formats[static_cast<int>(format)]);
    if (format == ImageFormat::Jpeg) {
        writer.setQuality(std::clamp(jpegQuality, 1, 100));
    }
    if (!writer.write(rgb)) {
        file.cancelWriting();
        return Fail(error, "The image could not be written: " + writer.errorString().toStdString());
    }
    if (!file.commit()) {
        return Fail(error, "The file could not be written: " + file.errorString().toStdString());
    }
    return true;
}

} // namespace ts
