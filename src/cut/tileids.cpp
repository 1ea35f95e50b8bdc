#include "tileids.h"

#include "wording.h"

#include <QHash>

#include <algorithm>
#include <array>
#include <set>

namespace cut {

namespace {

// The eight transforms act on the corners of a square without two of them
// agreeing, so a 2 x 2 tile tells any two apart.
constexpr QSize kCorners(2, 2);

QPoint viaCorners(Transform t, QPoint p) {
    return sourcePixel(t, kCorners, p.x(), p.y());
}

// A 32-bit ARGB tile's pixels as it shows under `t`, as bytes to compare and
// hash: rows without padding, and every pixel with alpha 0 as one value.
QByteArray tileKey(const QImage& tile, Transform t = kIdentity) {
    const QSize size = transformedSize(tile.size(), t);
    QByteArray key(qsizetype(size.width()) * size.height() * qsizetype(sizeof(QRgb)),
                   Qt::Uninitialized);
    auto* to = reinterpret_cast<QRgb*>(key.data());
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x) {
            const QPoint from = sourcePixel(t, tile.size(), x, y);
            const QRgb p = reinterpret_cast<const QRgb*>(tile.constScanLine(from.y()))[from.x()];
            *to++ = qAlpha(p) == 0 ? 0u : p;
        }
    }
    return key;
}

} // namespace

Transform composeTransforms(Transform first, Transform second) {
    // The tile under `second` of the tile under `first` shows at p the source
    // pixel viaCorners(first, viaCorners(second, p)).
    for (Transform c : kAllTransforms) {
        bool same = true;
        for (int y = 0; y < 2 && same; ++y) {
            for (int x = 0; x < 2 && same; ++x) {
                const QPoint p(x, y);
                same = viaCorners(c, p) == viaCorners(first, viaCorners(second, p));
            }
        }
        if (same)
            return c;
    }
    Q_UNREACHABLE();
    return kIdentity;
}

Transform inverseTransform(Transform t) {
    for (Transform c : kAllTransforms) {
        if (composeTransforms(t, c) == kIdentity)
            return c;
    }
    Q_UNREACHABLE();
    return kIdentity;
}

QString IdAssignment::summary() const {
    return QStringLiteral("kept %1, new %2, gone %3")
        .arg(wording::groups(keptCount), wording::groups(added), wording::groups(int(gone.size())));
}

IdAssignment freshIds(const Plan& plan) {
    IdAssignment result;
    const auto n = std::size_t(plan.tileCount());
    result.ids.resize(n);
    for (std::size_t i = 0; i < n; ++i)
        result.ids[i] = int(i);
    result.stored.assign(n, kIdentity);
    result.kept.assign(n, false);
    result.files.assign(n, QString());
    result.added = plan.tileCount();
    return result;
}

IdAssignment keepIds(const std::vector<EarlierTile>& earlier, const QImage& sheet, const Plan& plan,
                     Merge merge) {
    const QSize size(plan.grid.shape.tileWidth, plan.grid.shape.tileHeight);
    std::vector<Transform> forms{kIdentity};
    if (merge == Merge::Flips) {
        for (Transform t : kAllTransforms) {
            if (t != kIdentity && (size.width() == size.height() || !(t & kFlipD)))
                forms.push_back(t);
        }
    }

    QMultiHash<QByteArray, std::size_t> byPixels;
    int highest = -1;
    for (std::size_t i = 0; i < earlier.size(); ++i) {
        highest = std::max(highest, earlier[i].id);
        if (earlier[i].pixels.size() == size)
            byPixels.insert(tileKey(earlier[i].pixels.convertToFormat(QImage::Format_ARGB32)), i);
    }

    IdAssignment result;
    const auto n = std::size_t(plan.tileCount());
    result.ids.assign(n, -1);
    result.stored.assign(n, kIdentity);
    result.kept.assign(n, false);
    result.files.assign(n, QString());
    std::vector<bool> taken(earlier.size(), false);
    int next = highest + 1;
    for (std::size_t i = 0; i < n; ++i) {
        const QImage tile =
            sheet.copy(plan.grid.cell(plan.tileCells[i])).convertToFormat(QImage::Format_ARGB32);
        for (Transform t : forms) {
            // The earlier pixels are this tile under t.
            const QByteArray key = tileKey(tile, t);
            const auto [from, to] = byPixels.equal_range(key);
            for (auto it = from; it != to; ++it) {
                if (taken[*it])
                    continue;
                taken[*it] = true;
                result.ids[i] = earlier[*it].id;
                result.stored[i] = t;
                result.kept[i] = true;
                result.files[i] = earlier[*it].file;
                ++result.keptCount;
                break;
            }
            if (result.ids[i] >= 0)
                break;
        }
        if (result.ids[i] < 0) {
            result.ids[i] = next++;
            ++result.added;
        }
    }
    std::set<int> gone;
    for (std::size_t i = 0; i < earlier.size(); ++i) {
        if (!taken[i])
            gone.insert(earlier[i].id);
    }
    // An id listed twice in the earlier cut and kept once is not gone.
    for (int id : result.ids)
        gone.erase(id);
    result.gone.assign(gone.begin(), gone.end());
    return result;
}

} // namespace cut
