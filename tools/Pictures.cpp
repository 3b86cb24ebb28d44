#include "Pictures.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <random>
#include <stdexcept>

namespace pictures {
namespace {

// std::mt19937 is specified bit for bit, the standard distributions are not; mapping its
// output ourselves keeps the pictures identical across standard libraries.
class TRandom {
public:
    explicit TRandom(std::uint32_t seed) : Engine(seed) {}
    double Uniform(double low, double high) {
        return low + (high - low) * (static_cast<double>(Engine()) / 4294967296.0);
    }
    int Pick(int count) { return static_cast<int>(Engine() % static_cast<std::uint32_t>(count)); }

private:
    std::mt19937 Engine;
};

// Zones of the cigarette, in logical picture pixels from the left edge.
constexpr double FilterEnd = 89.0;
constexpr double SeamEnd = 90.5;
constexpr double PaperEnd = 263.0;
constexpr double ScorchEnd = 269.0;
constexpr double RimEnd = 276.0;
constexpr double BodyTop = 1.0;     // row 0 stays transparent
constexpr double BodyBottom = 29.0; // row 29 stays transparent

QPainterPath CigaretteOutline(TRandom& random) {
    // The filter end is a cut cylinder seen from the side: only its corners are rounded.
    constexpr double cornerX = 2.5;
    constexpr double cornerY = 4.0;
    QPainterPath path;
    path.moveTo(cornerX, BodyTop);
    path.lineTo(RimEnd, BodyTop);
    // The ash crumbles: its top, end and bottom are broken lines.
    for (double x = RimEnd + 2.0; x < 296.0; x += random.Uniform(1.5, 3.0)) {
        path.lineTo(x, BodyTop + random.Uniform(0.0, 1.5));
    }
    path.lineTo(297.0, BodyTop + 2.0 + random.Uniform(0.0, 1.0));
    for (double y = 4.0; y < BodyBottom - 3.0; y += random.Uniform(1.5, 2.5)) {
        path.lineTo(CigaretteWidth - random.Uniform(0.0, 3.4), y);
    }
    path.lineTo(296.5, BodyBottom - 1.5 - random.Uniform(0.0, 1.0));
    for (double x = 295.0; x > RimEnd + 2.0; x -= random.Uniform(1.5, 3.0)) {
        path.lineTo(x, BodyBottom - random.Uniform(0.0, 1.5));
    }
    path.lineTo(RimEnd, BodyBottom);
    path.lineTo(cornerX, BodyBottom);
    path.quadTo(0.0, BodyBottom, 0.0, BodyBottom - cornerY);
    path.lineTo(0.0, BodyTop + cornerY);
    path.quadTo(0.0, BodyTop, cornerX, BodyTop);
    path.closeSubpath();
    return path;
}

void PaintFilter(QPainter& painter, TRandom& random) {
    painter.fillRect(QRectF(0.0, 0.0, FilterEnd, CigaretteHeight), QColor(201, 120, 61));
    // Cork paper: many small lighter yellow-orange speckles and a few darker ones.
    painter.setPen(Qt::NoPen);
    for (int i = 0; i < 420; ++i) {
        const double x = random.Uniform(0.0, FilterEnd - 0.5);
        const double y = random.Uniform(BodyTop, BodyBottom);
        const double radius = random.Uniform(0.3, 0.85);
        const bool darker = random.Pick(6) == 0;
        QColor colour = darker ? QColor(176, 98, 44) : QColor(236, 168 + random.Pick(22), 92);
        colour.setAlphaF(static_cast<float>(random.Uniform(0.5, 0.9)));
        painter.setBrush(colour);
        painter.drawEllipse(QPointF(x, y), radius, radius * random.Uniform(0.7, 1.3));
    }
}

void PaintSeamAndPaper(QPainter& painter, TRandom& random) {
    painter.fillRect(QRectF(FilterEnd, 0.0, SeamEnd - FilterEnd, CigaretteHeight),
                     QColor(158, 154, 150));
    painter.fillRect(QRectF(SeamEnd, 0.0, PaperEnd - SeamEnd, CigaretteHeight),
                     QColor(247, 247, 245));
    // Laid paper: faint vertical ribs of slightly varying strength.
    for (double x = SeamEnd + 1.5; x < PaperEnd - 1.0; x += 3.0) {
        QColor rib(120, 120, 125);
        rib.setAlphaF(static_cast<float>(random.Uniform(0.05, 0.1)));
        painter.fillRect(QRectF(x, 0.0, 1.0, CigaretteHeight), rib);
    }
}

void PaintScorchAndRim(QPainter& painter, TRandom& random) {
    QLinearGradient scorch(PaperEnd, 0.0, ScorchEnd, 0.0);
    scorch.setColorAt(0.0, QColor(244, 238, 214));
    scorch.setColorAt(0.35, QColor(226, 194, 118));
    scorch.setColorAt(0.7, QColor(168, 108, 48));
    scorch.setColorAt(1.0, QColor(92, 52, 26));
    painter.fillRect(QRectF(PaperEnd, 0.0, ScorchEnd - PaperEnd, CigaretteHeight), scorch);

    QLinearGradient rim(ScorchEnd, 0.0, RimEnd, 0.0);
    rim.setColorAt(0.0, QColor(64, 38, 24));
    rim.setColorAt(0.3, QColor(34, 26, 22));
    rim.setColorAt(1.0, QColor(26, 22, 21));
    painter.fillRect(QRectF(ScorchEnd, 0.0, RimEnd - ScorchEnd, CigaretteHeight), rim);
    // Where paper still glows under the charred edge.
    painter.setPen(Qt::NoPen);
    for (int i = 0; i < 10; ++i) {
        QColor ember(120, 36, 18);
        ember.setAlphaF(static_cast<float>(random.Uniform(0.35, 0.7)));
        painter.setBrush(ember);
        painter.drawEllipse(QPointF(random.Uniform(ScorchEnd + 1.0, RimEnd - 1.0),
                                    random.Uniform(BodyTop + 3.0, BodyBottom - 3.0)),
                            random.Uniform(0.4, 0.8), random.Uniform(0.4, 1.0));
    }
}

void PaintAsh(QPainter& painter, TRandom& random) {
    // The ash starts along a broken line, not a straight cut.
    QPainterPath ash;
    ash.moveTo(RimEnd, 0.0);
    for (double y = 0.0; y <= CigaretteHeight; y += 2.0) {
        ash.lineTo(RimEnd + random.Uniform(-0.6, 0.8), y);
    }
    ash.lineTo(RimEnd, CigaretteHeight);
    ash.lineTo(CigaretteWidth, CigaretteHeight);
    ash.lineTo(CigaretteWidth, 0.0);
    ash.closeSubpath();
    painter.fillPath(ash, QColor(146, 144, 140));

    const QColor flakes[] = {QColor(232, 231, 226), QColor(204, 202, 198), QColor(170, 168, 164),
                             QColor(110, 108, 105), QColor(62, 60, 58),    QColor(28, 27, 26)};
    painter.setPen(Qt::NoPen);
    for (int i = 0; i < 260; ++i) {
        const double x = random.Uniform(RimEnd - 0.5, CigaretteWidth);
        const double y = random.Uniform(BodyTop, BodyBottom);
        // Charred flakes gather near the rim, pale ones toward the tip.
        int shade = random.Pick(6);
        if (x < RimEnd + 4.0 && shade < 2) {
            shade += 3;
        }
        QColor colour = flakes[shade];
        colour.setAlphaF(static_cast<float>(random.Uniform(0.6, 1.0)));
        painter.setBrush(colour);
        const double radius = random.Uniform(0.4, 1.6);
        painter.drawEllipse(QPointF(x, y), radius, radius * random.Uniform(0.6, 1.4));
    }
}

void PaintCylinderShading(QPainter& painter) {
    // Light from above: a bright upper part, a shadowed band near the bottom, and both long
    // edges turning away from the viewer.
    QLinearGradient shade(0.0, BodyTop, 0.0, BodyBottom);
    shade.setColorAt(0.0, QColor(0, 0, 0, 70));
    shade.setColorAt(0.1, QColor(0, 0, 0, 10));
    shade.setColorAt(0.22, QColor(255, 255, 255, 70));
    shade.setColorAt(0.36, QColor(255, 255, 255, 40));
    shade.setColorAt(0.55, QColor(0, 0, 0, 0));
    shade.setColorAt(0.72, QColor(0, 0, 0, 28));
    shade.setColorAt(0.86, QColor(0, 0, 0, 78));
    shade.setColorAt(0.95, QColor(0, 0, 0, 62));
    shade.setColorAt(1.0, QColor(0, 0, 0, 80));
    painter.fillRect(QRectF(0.0, 0.0, CigaretteWidth, CigaretteHeight), shade);
}

QImage NewCanvas(int width, int height) {
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

// Keeps only what lies inside `outline`, with anti-aliased edges. Composition modes act only
// where the source paints, so the outline goes through a mask image covering the whole canvas.
void CutOut(QImage& image, const QPainterPath& outline, const QTransform& transform) {
    QImage mask = NewCanvas(image.width(), image.height());
    {
        QPainter painter(&mask);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setTransform(transform);
        painter.fillPath(outline, Qt::black);
    }
    QPainter painter(&image);
    painter.setCompositionMode(QPainter::CompositionMode_DestinationIn);
    painter.drawImage(0, 0, mask);
}

} // namespace

QImage DrawCigarette(int scale) {
    if (scale < 1) {
        throw std::invalid_argument("scale must be positive");
    }
    // One seed for the whole picture: every scale draws the same flakes and speckles.
    TRandom random(20240229u);
    QImage image = NewCanvas(CigaretteWidth * scale, CigaretteHeight * scale);
    const QTransform transform = QTransform::fromScale(scale, scale);
    const QPainterPath outline = CigaretteOutline(random);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setTransform(transform);
        PaintFilter(painter, random);
        PaintSeamAndPaper(painter, random);
        PaintScorchAndRim(painter, random);
        PaintAsh(painter, random);
        PaintCylinderShading(painter);
    }
    CutOut(image, outline, transform);
    return image.convertToFormat(QImage::Format_ARGB32);
}

QImage DrawIcon(int size) {
    if (size < 1) {
        throw std::invalid_argument("size must be positive");
    }
    // Drawn on a 32 x 32 grid; strokes never get thinner than about one device pixel, so
    // the 16 px icon keeps its smoke.
    const double scale = size / 32.0;
    const double minimumStroke = 1.3 / scale;
    QImage image = NewCanvas(size, size);
    TRandom random(1987u);

    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(scale, scale);

    // Smoke first, so that the cigarette lies in front of where it starts.
    const QPointF tip(26.0, 10.5);
    QPainterPath smoke;
    smoke.moveTo(tip.x() - 0.5, tip.y() - 1.5);
    smoke.cubicTo(29.0, 6.5, 22.0, 6.0, 24.5, 3.0);
    smoke.cubicTo(26.0, 1.3, 28.5, 1.0, 27.5, -0.5);
    QPainterPath wisp;
    wisp.moveTo(tip.x() + 0.5, tip.y() - 2.0);
    wisp.cubicTo(31.0, 8.0, 28.5, 4.5, 30.5, 2.0);
    painter.setPen(QPen(QColor(150, 158, 172, 210), std::max(1.8, minimumStroke), Qt::SolidLine,
                        Qt::RoundCap, Qt::RoundJoin));
    painter.drawPath(smoke);
    painter.setPen(QPen(QColor(170, 178, 190, 150), std::max(1.2, minimumStroke), Qt::SolidLine,
                        Qt::RoundCap, Qt::RoundJoin));
    painter.drawPath(wisp);

    // The cigarette in its own frame: x along its axis from the filter, y across it.
    const QPointF filterEnd(3.0, 28.0);
    const double dx = tip.x() - filterEnd.x();
    const double dy = tip.y() - filterEnd.y();
    const double length = std::hypot(dx, dy);
    const double half = 3.0;
    painter.translate(filterEnd);
    painter.rotate(std::atan2(dy, dx) * 180.0 / std::numbers::pi);

    const double filter = length * 0.3;
    const double rim = length * 0.84;
    const double ash = length * 0.89;
    QPainterPath body;
    body.addRoundedRect(QRectF(0.0, -half, length, 2.0 * half), 1.0, 1.0);
    painter.save();
    painter.setClipPath(body);
    painter.fillRect(QRectF(0.0, -half, filter, 2.0 * half), QColor(201, 120, 61));
    painter.setPen(Qt::NoPen);
    for (int i = 0; i < 14; ++i) {
        painter.setBrush(QColor(238, 178, 96, 200));
        painter.drawEllipse(
            QPointF(random.Uniform(0.5, filter - 0.5), random.Uniform(-half + 0.8, half - 0.8)),
            0.45, 0.45);
    }
    painter.fillRect(QRectF(filter, -half, rim - filter, 2.0 * half), QColor(246, 246, 244));
    painter.fillRect(QRectF(filter, -half, 0.6, 2.0 * half), QColor(150, 146, 142));
    // A glowing ember reads as "lit" even at 16 pixels, where a dark rim alone would not.
    QLinearGradient glow(rim, 0.0, ash, 0.0);
    glow.setColorAt(0.0, QColor(150, 70, 30));
    glow.setColorAt(0.5, QColor(255, 96, 24));
    glow.setColorAt(1.0, QColor(200, 40, 16));
    painter.fillRect(QRectF(rim, -half, ash - rim, 2.0 * half), glow);
    painter.fillRect(QRectF(ash, -half, length - ash, 2.0 * half), QColor(150, 148, 144));
    for (int i = 0; i < 16; ++i) {
        painter.setBrush(i % 3 == 0 ? QColor(64, 62, 60) : QColor(222, 220, 216));
        painter.drawEllipse(QPointF(random.Uniform(ash + 0.2, length - 0.2),
                                    random.Uniform(-half + 0.4, half - 0.4)),
                            0.35, 0.35);
    }
    QLinearGradient shade(0.0, -half, 0.0, half);
    shade.setColorAt(0.0, QColor(255, 255, 255, 40));
    shade.setColorAt(0.3, QColor(255, 255, 255, 90));
    shade.setColorAt(0.6, QColor(0, 0, 0, 0));
    shade.setColorAt(1.0, QColor(0, 0, 0, 110));
    painter.fillRect(QRectF(0.0, -half, length, 2.0 * half), shade);
    painter.restore();

    // A dark outline keeps the white paper visible on light panels.
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(60, 44, 34, 230), std::max(0.9, minimumStroke * 0.8)));
    painter.drawPath(body);
    painter.end();
    return image.convertToFormat(QImage::Format_ARGB32);
}

namespace {

void PutU16(QByteArray& out, std::uint32_t value) {
    out.append(static_cast<char>(value & 0xffu));
    out.append(static_cast<char>((value >> 8) & 0xffu));
}

void PutU32(QByteArray& out, std::uint32_t value) {
    PutU16(out, value & 0xffffu);
    PutU16(out, value >> 16);
}

QByteArray EncodeBmpEntry(const QImage& source) {
    const QImage image = source.convertToFormat(QImage::Format_ARGB32);
    const auto width = static_cast<std::uint32_t>(image.width());
    const auto height = static_cast<std::uint32_t>(image.height());
    const std::uint32_t maskStride = ((width + 31u) / 32u) * 4u;
    QByteArray out;
    // BITMAPINFOHEADER; the height counts the colour rows and the mask rows together.
    PutU32(out, 40u);
    PutU32(out, width);
    PutU32(out, height * 2u);
    PutU16(out, 1u);
    PutU16(out, 32u);
    PutU32(out, 0u); // BI_RGB
    PutU32(out, width * height * 4u + maskStride * height);
    PutU32(out, 0u);
    PutU32(out, 0u);
    PutU32(out, 0u);
    PutU32(out, 0u);
    // Colour rows bottom up, straight (not premultiplied) BGRA.
    for (int y = image.height() - 1; y >= 0; --y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            out.append(static_cast<char>(qBlue(row[x])));
            out.append(static_cast<char>(qGreen(row[x])));
            out.append(static_cast<char>(qRed(row[x])));
            out.append(static_cast<char>(qAlpha(row[x])));
        }
    }
    // The AND mask marks fully transparent pixels, for readers that ignore alpha.
    for (int y = image.height() - 1; y >= 0; --y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        QByteArray bits(static_cast<qsizetype>(maskStride), '\0');
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(row[x]) == 0) {
                bits[x / 8] = static_cast<char>(bits[x / 8] | (0x80 >> (x % 8)));
            }
        }
        out.append(bits);
    }
    return out;
}

} // namespace

QByteArray EncodeIco(const std::vector<QImage>& images) {
    if (images.empty()) {
        throw std::invalid_argument("an icon needs at least one image");
    }
    std::vector<QByteArray> entries;
    for (const QImage& image : images) {
        if (image.width() < 1 || image.width() > 256 || image.height() < 1 ||
            image.height() > 256) {
            throw std::invalid_argument("icon images must be 1 to 256 pixels wide and high");
        }
        entries.push_back(EncodeBmpEntry(image));
    }
    QByteArray out;
    PutU16(out, 0u); // reserved
    PutU16(out, 1u); // icon, not cursor
    PutU16(out, static_cast<std::uint32_t>(images.size()));
    auto offset = static_cast<std::uint32_t>(6u + 16u * images.size());
    for (std::size_t i = 0; i < images.size(); ++i) {
        // 256 is written as 0: the directory has one byte per dimension.
        out.append(static_cast<char>(images[i].width() & 0xff));
        out.append(static_cast<char>(images[i].height() & 0xff));
        out.append('\0'); // no palette
        out.append('\0');
        PutU16(out, 1u);  // planes
        PutU16(out, 32u); // bits per pixel
        PutU32(out, static_cast<std::uint32_t>(entries[i].size()));
        PutU32(out, offset);
        offset += static_cast<std::uint32_t>(entries[i].size());
    }
    for (const QByteArray& entry : entries) {
        out.append(entry);
    }
    return out;
}

} // namespace pictures
