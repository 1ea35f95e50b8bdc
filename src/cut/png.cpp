#include "png.h"

#include <QBuffer>
#include <QHash>
#include <QImageWriter>

#include <QtEndian>

#include <zlib.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <optional>
#include <thread>
#include <vector>

namespace cut {

namespace {

// zlib's level: measured on pixel-art sheets, 8 keeps every picture below
// ImageMagick's bytes at about half the time of 9; 7 and below do not.
constexpr int kZlibLevel = 8;
// Qt's writer takes quality q for zlib level (100 - q) * 9 / 91: 10 gives 8.
constexpr int kQtQuality = 10;
// Rows are deflated in pieces of this many bytes side by side, each primed
// with the window before it, so a large atlas takes a fraction of the time for
// a few bytes more. The size is fixed, not the number of processors, so the
// same picture gives the same bytes on every machine.
constexpr qsizetype kDeflatePiece = 256 * 1024;
constexpr qsizetype kDeflateWindow = 32 * 1024;

// The picture on a palette of its own pixels, or nothing when it has more than
// 256 distinct ones.
std::optional<QImage> onPalette(const QImage& argb) {
    QImage indexed(argb.size(), QImage::Format_Indexed8);
    QList<QRgb> table;
    QHash<QRgb, uchar> index;
    for (int y = 0; y < argb.height(); ++y) {
        const auto* from = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        uchar* to = indexed.scanLine(y);
        // Pixel art repeats the pixel before it more often than not.
        QRgb last = 0;
        uchar lastIndex = 0;
        bool haveLast = false;
        for (int x = 0; x < argb.width(); ++x) {
            const QRgb p = from[x];
            if (!haveLast || p != last) {
                auto it = index.constFind(p);
                if (it == index.constEnd()) {
                    if (table.size() == 256)
                        return std::nullopt;
                    it = index.insert(p, uchar(table.size()));
                    table.append(p);
                }
                last = p;
                lastIndex = *it;
                haveLast = true;
            }
            to[x] = lastIndex;
        }
    }
    indexed.setColorTable(table);
    return indexed;
}

bool allOpaque(const QImage& argb) {
    for (int y = 0; y < argb.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        for (int x = 0; x < argb.width(); ++x) {
            if (qAlpha(line[x]) != 255)
                return false;
        }
    }
    return true;
}

std::uint32_t crc32(const QByteArray& bytes, qsizetype from) {
    static const std::array<std::uint32_t, 256> table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    std::uint32_t c = 0xFFFFFFFFu;
    for (qsizetype i = from; i < bytes.size(); ++i)
        c = table[(c ^ std::uint8_t(bytes[i])) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

void appendChunk(QByteArray& png, const char* type, const QByteArray& data) {
    std::array<char, 4> length{};
    qToBigEndian(std::uint32_t(data.size()), length.data());
    png.append(length.data(), 4);
    const qsizetype start = png.size();
    png.append(type, 4);
    png.append(data);
    std::array<char, 4> crc{};
    qToBigEndian(crc32(png, start), crc.data());
    png.append(crc.data(), 4);
}

// One piece of a zlib stream in raw deflate, primed with the bytes before it
// and ending on a byte boundary (or the stream's end) so pieces concatenate;
// empty when zlib fails.
QByteArray deflatePiece(const QByteArray& all, qsizetype from, qsizetype to) {
    z_stream z{};
    if (deflateInit2(&z, kZlibLevel, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        return {};
    const qsizetype primed = std::min(from, kDeflateWindow);
    QByteArray out;
    if (primed == 0 ||
        deflateSetDictionary(&z, reinterpret_cast<const Bytef*>(all.constData() + from - primed),
                             uInt(primed)) == Z_OK) {
        out.resize(qsizetype(deflateBound(&z, uLong(to - from))) + 16);
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(all.constData() + from));
        z.avail_in = uInt(to - from);
        z.next_out = reinterpret_cast<Bytef*>(out.data());
        z.avail_out = uInt(out.size());
        const int flush = to == all.size() ? Z_FINISH : Z_SYNC_FLUSH;
        const int done = deflate(&z, flush);
        const bool whole =
            z.avail_in == 0 && (flush == Z_FINISH ? done == Z_STREAM_END : done == Z_OK);
        out.resize(whole ? out.size() - qsizetype(z.avail_out) : 0);
    }
    deflateEnd(&z);
    return out;
}

// The zlib stream of `raw`, its pieces deflated on as many threads as help;
// empty when it could not be made.
QByteArray zlibStream(const QByteArray& raw) {
    const qsizetype count =
        std::max<qsizetype>(1, (raw.size() + kDeflatePiece - 1) / kDeflatePiece);
    std::vector<QByteArray> pieces(static_cast<std::size_t>(count));
    std::atomic<qsizetype> next{0};
    // No exception may leave a thread: a piece that fails stays empty.
    const auto work = [&]() noexcept {
        for (qsizetype i = next++; i < count; i = next++) {
            try {
                pieces[std::size_t(i)] = deflatePiece(
                    raw, i * kDeflatePiece, std::min(raw.size(), (i + 1) * kDeflatePiece));
            } catch (...) {
            }
        }
    };
    const qsizetype processors = std::max(1u, std::thread::hardware_concurrency());
    std::vector<std::thread> threads;
    for (qsizetype i = 1; i < std::min(count, processors); ++i)
        threads.emplace_back(work);
    work();
    for (std::thread& t : threads)
        t.join();
    // The header says deflate with a 32 KiB window at a high level; the end is
    // the whole data's Adler-32.
    QByteArray out("\x78\xDA", 2);
    for (const QByteArray& piece : pieces) {
        if (piece.isEmpty())
            return {};
        out.append(piece);
    }
    std::array<char, 4> sum{};
    qToBigEndian(std::uint32_t(adler32_z(adler32_z(0, nullptr, 0),
                                         reinterpret_cast<const Bytef*>(raw.constData()),
                                         z_size_t(raw.size()))),
                 sum.data());
    out.append(sum.data(), 4);
    return out;
}

// A palette picture as PNG, written here rather than by Qt's writer, which
// always spends 8 bits a pixel: with few colours 1, 2 or 4 bits a pixel make
// far less for zlib to go through and to store. Rows are left unfiltered, as
// suits a palette.
QByteArray encodePalette(const QImage& indexed) {
    QList<QRgb> table = indexed.colorTable();
    // The entries with alpha first, so that the transparency chunk stays short.
    std::vector<int> order(std::size_t(table.size()));
    for (int i = 0; i < int(order.size()); ++i)
        order[std::size_t(i)] = i;
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        return (qAlpha(table[a]) < 255) > (qAlpha(table[b]) < 255);
    });
    std::array<uchar, 256> newIndex{};
    QByteArray palette;
    QByteArray alphas;
    for (int i = 0; i < int(order.size()); ++i) {
        const QRgb c = table[order[std::size_t(i)]];
        newIndex[std::size_t(order[std::size_t(i)])] = uchar(i);
        palette.append(char(qRed(c))).append(char(qGreen(c))).append(char(qBlue(c)));
        if (qAlpha(c) < 255)
            alphas.append(char(qAlpha(c)));
    }
    const int colours = int(table.size());
    const int depth = colours <= 2 ? 1 : colours <= 4 ? 2 : colours <= 16 ? 4 : 8;
    const int perByte = 8 / depth;
    const qsizetype rowBytes = (qsizetype(indexed.width()) * depth + 7) / 8;

    QByteArray rows(indexed.height() * (rowBytes + 1), '\0');
    for (int y = 0; y < indexed.height(); ++y) {
        const uchar* from = indexed.constScanLine(y);
        // Each row starts with its filter, 0: none.
        auto* to = reinterpret_cast<uchar*>(rows.data()) + y * (rowBytes + 1) + 1;
        for (int x = 0; x < indexed.width(); ++x) {
            const int shift = 8 - depth * (x % perByte + 1);
            to[x / perByte] |= uchar(newIndex[from[x]] << shift);
        }
    }

    QByteArray header(13, '\0');
    qToBigEndian(std::uint32_t(indexed.width()), header.data());
    qToBigEndian(std::uint32_t(indexed.height()), header.data() + 4);
    header[8] = char(depth);
    header[9] = 3; // colour type: palette
    QByteArray png("\x89PNG\r\n\x1a\n", 8);
    appendChunk(png, "IHDR", header);
    appendChunk(png, "PLTE", palette);
    if (!alphas.isEmpty())
        appendChunk(png, "tRNS", alphas);
    const QByteArray stream = zlibStream(rows);
    if (stream.isEmpty())
        return {};
    appendChunk(png, "IDAT", stream);
    appendChunk(png, "IEND", {});
    return png;
}

// The file without its pHYs chunk: Qt writes the resolution the sheet's file
// happened to carry, so the same pixels would give different bytes, and a tile
// has no use for it.
QByteArray withoutResolution(const QByteArray& png) {
    QByteArray out = png.left(8);
    qsizetype at = 8;
    while (at + 12 <= png.size()) {
        const qsizetype length = qFromBigEndian<std::uint32_t>(png.constData() + at);
        const qsizetype whole = length + 12;
        if (at + whole > png.size())
            return png;
        if (png.mid(at + 4, 4) != "pHYs")
            out.append(png.constData() + at, whole);
        at += whole;
    }
    return at == png.size() ? out : png;
}

QByteArray encode(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    writer.setQuality(kQtQuality);
    if (!writer.write(image))
        return {};
    return withoutResolution(bytes);
}

} // namespace

QByteArray pngBytes(const QImage& image) {
    if (image.isNull())
        return {};
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    if (const std::optional<QImage> indexed = onPalette(argb))
        return encodePalette(*indexed);
    if (allOpaque(argb))
        return encode(argb.convertToFormat(QImage::Format_RGB32));
    return encode(argb);
}

} // namespace cut
