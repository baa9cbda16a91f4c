#include "core/PictureFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QBuffer>
#include <QByteArray>
#include <QColorSpace>
#include <QFile>
#include <QImage>
#include <QImageReader>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <system_error>
#include <utility>

namespace pictavo {

namespace {

// The longest extension we look for: ".tiff", ".heic", ".heif", ".jpeg", ".webp".
constexpr std::size_t kLongestExtension = 5;

std::string systemText(int error) {
    return std::error_code(error, std::generic_category()).message();
}

JpegError tooLarge(long long width, long long height) {
    return JpegError("The picture is too large to load (" + std::to_string(width) + " x " +
                     std::to_string(height) + " pixels)");
}

// A HEIF file is read whole: libheif reads its boxes from memory. Its pixels
// are compressed, so a file larger than the budget is no photo we can show.
std::vector<std::uint8_t> readWhole(const std::string& path, std::size_t budget) {
    const int fd = openPictureFile(path);
    std::vector<std::uint8_t> bytes;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && static_cast<unsigned long long>(st.st_size) > budget) {
        ::close(fd);
        throw JpegError("The file is too large to load: " + path);
    }
    bytes.reserve(static_cast<std::size_t>(st.st_size));
    std::uint8_t chunk[1 << 16];
    for (;;) {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            const int error = errno;
            ::close(fd);
            throw JpegError("Cannot read " + path + ": " + systemText(error));
        }
        if (n == 0) {
            break;
        }
        if (bytes.size() + static_cast<std::size_t>(n) > budget) {
            ::close(fd);
            throw JpegError("The file is too large to load: " + path);
        }
        bytes.insert(bytes.end(), chunk, chunk + n);
    }
    ::close(fd);
    return bytes;
}

std::uint8_t to8(unsigned v16) {
    return static_cast<std::uint8_t>((v16 * 255u + 32767u) / 65535u);
}

// Converted a row at a time, so that no second picture of the whole size is
// ever made beside the one Qt decoded. Deep or transparent pictures go
// through 16 bits a channel: alpha laid over white, each channel rounded to
// 8 bits once, at the end.
void copyRows(const QImage& image, Picture& picture) {
    const bool deep = image.depth() > 32 || image.format() == QImage::Format_Grayscale16;
    const bool through16 = deep || image.hasAlphaChannel();
    const auto rowBytes = static_cast<std::size_t>(image.width()) * 3;
    for (int y = 0; y < image.height(); ++y) {
        std::uint8_t* out = picture.scanLine(y);
        if (!through16) {
            const QImage row =
                image.copy(0, y, image.width(), 1).convertToFormat(QImage::Format_BGR888);
            if (row.isNull()) {
                throw JpegError("Out of memory while converting the picture");
            }
            std::memcpy(out, row.constScanLine(0), rowBytes);
            continue;
        }
        const QImage row =
            image.copy(0, y, image.width(), 1).convertToFormat(QImage::Format_RGBA64);
        if (row.isNull()) {
            throw JpegError("Out of memory while converting the picture");
        }
        const auto* in = reinterpret_cast<const quint16*>(row.constScanLine(0));
        for (int x = 0; x < image.width(); ++x, in += 4, out += 3) {
            const std::uint64_t a = in[3];
            for (int c = 0; c < 3; ++c) {
                const std::uint64_t v = in[2 - c];
                out[c] =
                    to8(static_cast<unsigned>((v * a + 65535u * (65535u - a) + 32767u) / 65535u));
            }
        }
    }
}

// Every chunk of a PNG file must end inside the file. libpng takes a
// chunk's stated length at its word: a text chunk claiming two gigabytes
// at the end of a 300-byte file makes it allocate and clear that much,
// for seconds, before it finds the data missing.
bool pngChunksFit(QIODevice& device) {
    static const QByteArray kSignature("\x89PNG\r\n\x1a\n", 8);
    if (device.peek(8) != kSignature) {
        return true;  // not a PNG file: its own reader judges it
    }
    const qint64 size = device.size();
    qint64 at = 8;
    bool fits = true;
    while (at < size) {
        if (!device.seek(at)) {
            fits = false;
            break;
        }
        const QByteArray header = device.read(8);
        if (header.size() < 8) {
            fits = false;
            break;
        }
        const auto byte = [&](int i) {
            return static_cast<quint32>(static_cast<quint8>(header[i]));
        };
        const quint32 length = (byte(0) << 24) | (byte(1) << 16) | (byte(2) << 8) | byte(3);
        // Length, type, data and CRC.
        at += 12 + static_cast<qint64>(length);
        if (length > 0x7fffffffu || at > size) {
            fits = false;
            break;
        }
        if (header.mid(4, 4) == "IEND") {
            break;
        }
    }
    return device.seek(0) && fits;
}

// A classic TIFF file's first picture may have at most eight samples a
// pixel (CMYK with alpha has five): libtiff holds every sample while Qt's
// reader converts them, and a 344-byte file stating 8197 samples a pixel
// made it take over a gigabyte.
bool tiffSamplesFit(QIODevice& device) {
    const QByteArray head = device.peek(8);
    const bool little = head.startsWith(QByteArray("II*\0", 4));
    if (!little && !head.startsWith(QByteArray("MM\0*", 4))) {
        return true;  // not a classic TIFF file
    }
    // A number cut off by the end of what was read counts as 0.
    const auto number = [little](const QByteArray& bytes, qsizetype at, int size) {
        quint64 value = 0;
        if (at < 0 || at + size > bytes.size()) {
            return value;
        }
        for (int i = 0; i < size; ++i) {
            const auto b = static_cast<quint64>(static_cast<quint8>(bytes[at + i]));
            value |= little ? b << (8 * i) : b << (8 * (size - 1 - i));
        }
        return value;
    };
    const auto readAt = [&device](quint64 offset, qint64 size) {
        return device.seek(static_cast<qint64>(offset)) ? device.read(size) : QByteArray();
    };
    quint64 bits = 1;
    quint64 samples = 1;
    const QByteArray first = readAt(number(head, 4, 4), 2);
    if (first.size() == 2) {
        const quint64 count = number(first, 0, 2);
        const QByteArray entries = device.read(static_cast<qint64>(count) * 12);
        for (qsizetype e = 0; e + 12 <= entries.size(); e += 12) {
            const quint64 tag = number(entries, e, 2);
            const int size = number(entries, e + 2, 2) == 3 ? 2 : 4;  // SHORT or LONG
            quint64 value = number(entries, e + 8, size);
            // Bits per sample is given for each sample: the first one stands
            // for all, and lies elsewhere in the file when they are many.
            if (tag == 258 && number(entries, e + 4, 4) * size > 4) {
                const QByteArray elsewhere = readAt(number(entries, e + 8, 4), size);
                value = elsewhere.size() == size ? number(elsewhere, 0, size) : 0;
            }
            if (tag == 258) {
                bits = value;
            } else if (tag == 277) {
                samples = value;
            }
        }
    }
    if (!device.seek(0)) {
        return false;
    }
    // With at most eight samples of at most 64 bits, what libtiff holds is
    // a bounded multiple of the picture the budget admitted.
    return samples <= 8 && bits <= 64;
}

DecodedJpeg decodeWithReader(QIODevice& device, const DecodeOptions& options, std::size_t budget) {
    if (!pngChunksFit(device)) {
        throw JpegError("The PNG file is damaged: a chunk runs past its end");
    }
    if (!tiffSamplesFit(device)) {
        throw JpegError("The TIFF file's samples would not fit in memory");
    }
    QImageReader reader(&device);
    // Only the formats the walk takes by name, whatever else Qt could read.
    const QByteArray format = reader.format();
    if (format != "png" && format != "tif" && format != "tiff" && format != "webp") {
        throw JpegError("Not a PNG, TIFF or WebP picture");
    }
    const QSize size = reader.size();
    if (!size.isValid()) {
        throw JpegError("The picture cannot be decoded: " + reader.errorString().toStdString());
    }
    if (Picture::bytesNeeded(size.width(), size.height()) > budget) {
        throw tooLarge(size.width(), size.height());
    }
    // What Qt decodes into comes out of the same budget: four bytes a pixel
    // for most pictures, eight for a 16-bit one, so the deepest pictures
    // are refused somewhat sooner than a JPEG of their size would be.
    reader.setAllocationLimit(static_cast<int>(
        std::clamp<std::size_t>(budget >> 20, 1, std::numeric_limits<int>::max())));
    reader.setAutoTransform(options.upright);
    QImage image;
    if (!reader.read(&image) || image.isNull()) {
        throw JpegError("The picture cannot be decoded: " + reader.errorString().toStdString());
    }
    if (Picture::bytesNeeded(image.width(), image.height()) > budget) {
        throw tooLarge(image.width(), image.height());
    }

    DecodedJpeg result;
    result.picture = Picture(image.width(), image.height());
    copyRows(image, result.picture);
    if (options.keepMetadata) {
        const QByteArray icc = image.colorSpace().iccProfile();
        result.metadata.icc.assign(icc.begin(), icc.end());
    }
    result.turned = Orientation::Normal;
    return result;
}

}  // namespace

PictureKind pictureKindOfName(std::string_view name) {
    const std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || name.size() - dot > kLongestExtension) {
        return PictureKind::None;
    }
    char ext[kLongestExtension + 1] = {};
    for (std::size_t i = dot; i < name.size(); ++i) {
        char c = name[i];
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c + ('a' - 'A'));
        }
        ext[i - dot] = c;
    }
    const std::string_view e(ext, name.size() - dot);
    if (e == ".jpg" || e == ".jpeg") {
        return PictureKind::Jpeg;
    }
    if (e == ".heic" || e == ".heif") {
        return PictureKind::Heif;
    }
    if (e == ".png" || e == ".tif" || e == ".tiff" || e == ".webp") {
        return PictureKind::ImageReader;
    }
    return PictureKind::None;
}

DecodedJpeg decodeImageReaderMemory(const std::uint8_t* data, std::size_t size,
                                    const DecodeOptions& options, std::size_t budgetBytes) {
    QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    return decodeWithReader(buffer, options, budgetBytes);
}

DecodedJpeg decodePicture(const std::string& path, const DecodeOptions& options, Picture recycled,
                          std::size_t budgetBytes) {
    switch (pictureKindOfName(path)) {
        case PictureKind::Heif: {
            const std::vector<std::uint8_t> bytes = readWhole(path, budgetBytes);
            return decodeHeifMemory(bytes.data(), bytes.size(), options, budgetBytes);
        }
        case PictureKind::ImageReader: {
            QFile file;
            const int fd = openPictureFile(path);
            if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
                ::close(fd);
                throw JpegError("Cannot open " + path);
            }
            return decodeWithReader(file, options, budgetBytes);
        }
        case PictureKind::Jpeg:
        case PictureKind::None:
            break;
    }
    return decodeJpeg(path, options, std::move(recycled), budgetBytes);
}

}  // namespace pictavo
