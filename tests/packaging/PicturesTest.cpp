// The pictures that the windows load: reachable under their resource paths, the same pixels
// that the generator draws, and shaped as the ticker's layout expects.

#include "Pictures.h"

#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QString>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

QImage Load(const QString& path) {
    QImageReader reader(path);
    QImage image = reader.read();
    EXPECT_FALSE(image.isNull()) << path.toStdString() << ": "
                                 << reader.errorString().toStdString();
    return image.convertToFormat(QImage::Format_ARGB32);
}

// Whether two pixels differ by at most one step in every channel: the generator's shading goes
// through the C library's sin, pow and exp, whose last bit differs between processors (with and
// without FMA), which moves a rounded channel by one now and then.
bool NearlyEqual(QRgb a, QRgb e) {
    const auto near = [](int x, int y) { return std::abs(x - y) <= 1; };
    return near(qRed(a), qRed(e)) && near(qGreen(a), qGreen(e)) && near(qBlue(a), qBlue(e)) &&
           near(qAlpha(a), qAlpha(e));
}

// Equal pixels, but for one step per channel, with the first difference in the failure message.
::testing::AssertionResult SamePixels(const QImage& actual, const QImage& expected) {
    if (actual.size() != expected.size()) {
        return ::testing::AssertionFailure()
               << "size " << actual.width() << "x" << actual.height() << ", expected "
               << expected.width() << "x" << expected.height();
    }
    const QImage a = actual.convertToFormat(QImage::Format_ARGB32);
    const QImage e = expected.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            if (!NearlyEqual(a.pixel(x, y), e.pixel(x, y))) {
                return ::testing::AssertionFailure()
                       << "pixel (" << x << ", " << y << ") is " << std::hex << a.pixel(x, y)
                       << ", expected " << e.pixel(x, y);
            }
        }
    }
    return ::testing::AssertionSuccess();
}

struct TResource {
    const char* Path;
    int Width;
    int Height;
};

TEST(PicturesTest, ResourcesResolveWithTheirSizesAndAlpha) {
    const TResource resources[] = {
        {":/images/cigarette.png", 299, 30},   {":/images/cigarette@2x.png", 598, 60},
        {":/images/banner.png", 1107, 269},    {":/icons/pelwick-16.png", 16, 16},
        {":/icons/pelwick-32.png", 32, 32},    {":/icons/pelwick-48.png", 48, 48},
        {":/icons/pelwick-128.png", 128, 128}, {":/icons/pelwick-256.png", 256, 256},
    };
    for (const TResource& resource : resources) {
        SCOPED_TRACE(resource.Path);
        QImageReader reader(QString::fromLatin1(resource.Path));
        ASSERT_TRUE(reader.canRead()) << reader.errorString().toStdString();
        const QImage image = reader.read();
        EXPECT_EQ(image.width(), resource.Width);
        EXPECT_EQ(image.height(), resource.Height);
        EXPECT_TRUE(image.hasAlphaChannel());
        EXPECT_EQ(image.depth(), 32);
    }
}

TEST(PicturesTest, CommittedPicturesAreWhatTheGeneratorDraws) {
    EXPECT_TRUE(SamePixels(Load(":/images/cigarette.png"), pictures::DrawCigarette(1)));
    EXPECT_TRUE(SamePixels(Load(":/images/cigarette@2x.png"), pictures::DrawCigarette(2)));
    for (const int size : {16, 32, 48, 128, 256}) {
        SCOPED_TRACE(size);
        EXPECT_TRUE(SamePixels(Load(QStringLiteral(":/icons/pelwick-%1.png").arg(size)),
                               pictures::DrawIcon(size)));
    }
}

TEST(PicturesTest, DrawingTwiceGivesTheSamePixels) {
    EXPECT_TRUE(SamePixels(pictures::DrawCigarette(1), pictures::DrawCigarette(1)));
    EXPECT_TRUE(SamePixels(pictures::DrawIcon(32), pictures::DrawIcon(32)));
}

// Mean colour of a block of logical pixels, at any scale.
struct TMean {
    double Red = 0, Green = 0, Blue = 0, Alpha = 0, LumaSpread = 0;
};

TMean Mean(const QImage& image, int scale, int left, int top, int width, int height) {
    TMean mean;
    std::vector<double> luma;
    for (int y = top * scale; y < (top + height) * scale; ++y) {
        for (int x = left * scale; x < (left + width) * scale; ++x) {
            const QRgb p = image.pixel(x, y);
            mean.Red += qRed(p);
            mean.Green += qGreen(p);
            mean.Blue += qBlue(p);
            mean.Alpha += qAlpha(p);
            luma.push_back(0.299 * qRed(p) + 0.587 * qGreen(p) + 0.114 * qBlue(p));
        }
    }
    const auto n = static_cast<double>(luma.size());
    mean.Red /= n;
    mean.Green /= n;
    mean.Blue /= n;
    mean.Alpha /= n;
    double average = 0;
    for (const double l : luma) {
        average += l / n;
    }
    for (const double l : luma) {
        mean.LumaSpread += (l - average) * (l - average) / n;
    }
    mean.LumaSpread = std::sqrt(mean.LumaSpread);
    return mean;
}

double Luma(const TMean& m) {
    return 0.299 * m.Red + 0.587 * m.Green + 0.114 * m.Blue;
}

class CigaretteShape : public ::testing::TestWithParam<int> {};

TEST_P(CigaretteShape, TopAndBottomRowsAreTransparentAndTheBodyIsWhole) {
    const int scale = GetParam();
    const QImage image = Load(scale == 1 ? ":/images/cigarette.png" : ":/images/cigarette@2x.png");
    ASSERT_EQ(image.width(), 299 * scale);
    for (int x = 0; x < image.width(); ++x) {
        for (int y = 0; y < scale; ++y) {
            ASSERT_EQ(qAlpha(image.pixel(x, y)), 0) << "top, column " << x;
            ASSERT_EQ(qAlpha(image.pixel(x, image.height() - 1 - y)), 0) << "bottom, column " << x;
        }
        // Filter to ash without a gap in the body, up to the last column.
        int coverage = 0;
        for (int y = 0; y < image.height(); ++y) {
            coverage = std::max(coverage, qAlpha(image.pixel(x, y)));
        }
        ASSERT_GT(coverage, 0) << "column " << x;
    }
    // Opaque across its 28 rows on the paper; the filter end's corners are rounded off.
    EXPECT_EQ(Mean(image, scale, 150, 1, 1, 28).Alpha, 255.0);
    EXPECT_LT(Mean(image, scale, 0, 1, 1, 1).Alpha, 128.0);
    EXPECT_EQ(Mean(image, scale, 0, 10, 1, 10).Alpha, 255.0);
    // The ash end is ragged: its last column is only partly covered.
    const double lastColumn = Mean(image, scale, 298, 1, 1, 28).Alpha;
    EXPECT_GT(lastColumn, 0.0);
    EXPECT_LT(lastColumn, 200.0);
}

TEST_P(CigaretteShape, ZonesHaveTheirColoursFromFilterToAsh) {
    const int scale = GetParam();
    const QImage image = Load(scale == 1 ? ":/images/cigarette.png" : ":/images/cigarette@2x.png");
    // Rows 8 to 19: the body's middle, away from the darkest shading.
    const TMean filter = Mean(image, scale, 2, 8, 84, 12);
    EXPECT_NEAR(filter.Red, 201, 30);
    EXPECT_NEAR(filter.Green, 120, 30);
    EXPECT_NEAR(filter.Blue, 61, 30);
    EXPECT_GT(filter.LumaSpread, 4.0) << "speckles";

    const TMean seam = Mean(image, scale, 89, 8, 1, 12);
    EXPECT_LT(Luma(seam), 200.0);
    EXPECT_NEAR(seam.Red, seam.Blue, 20);

    const TMean paper = Mean(image, scale, 95, 8, 165, 12);
    EXPECT_GT(Luma(paper), 200.0);
    EXPECT_NEAR(paper.Red, paper.Blue, 10);
    // Faint vertical ribs: the paper's columns differ a little in brightness, never much.
    std::vector<double> columns;
    for (int x = 95; x < 260; ++x) {
        columns.push_back(Luma(Mean(image, scale, x, 8, 1, 12)));
    }
    const auto [darkest, brightest] = std::minmax_element(columns.begin(), columns.end());
    EXPECT_GT(*brightest - *darkest, 3.0) << "ribs";
    EXPECT_LT(*brightest - *darkest, 30.0) << "ribs";

    const TMean scorch = Mean(image, scale, 264, 8, 4, 12);
    EXPECT_GT(scorch.Red, scorch.Blue + 40) << "yellow to brown";
    EXPECT_LT(Luma(scorch), Luma(paper));

    const TMean rim = Mean(image, scale, 270, 8, 5, 12);
    EXPECT_LT(Luma(rim), 60.0);

    const TMean ashTip = Mean(image, scale, 278, 8, 16, 12);
    EXPECT_GT(Luma(ashTip), Luma(rim) + 40) << "grey ash";
    EXPECT_NEAR(ashTip.Red, ashTip.Blue, 15);
    EXPECT_GT(ashTip.LumaSpread, 30.0) << "mottled";
}

TEST_P(CigaretteShape, ShadedLikeACylinder) {
    const int scale = GetParam();
    const QImage image = Load(scale == 1 ? ":/images/cigarette.png" : ":/images/cigarette@2x.png");
    for (const int left : {10, 120, 200}) {
        SCOPED_TRACE(left);
        const double upper = Luma(Mean(image, scale, left, 6, 60, 3));
        const double bottomBand = Luma(Mean(image, scale, left, 24, 60, 3));
        EXPECT_GT(upper, bottomBand + 25);
    }
}

INSTANTIATE_TEST_SUITE_P(Scales, CigaretteShape, ::testing::Values(1, 2));

TEST(PicturesTest, IcoHoldsTheSmallIconsUnchanged) {
    QFile file(QStringLiteral(PELWICK_RESOURCES_DIR "/pelwick.ico"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    file.close();

    // Read back by an independent decoder: every pixel of the committed icons, alpha included,
    // survives, as the generator draws them.
    QImageReader reader(file.fileName(), "ico");
    ASSERT_TRUE(reader.canRead()) << "Qt's ico plugin is missing";
    ASSERT_EQ(reader.imageCount(), 2);
    for (const int size : {16, 32}) {
        SCOPED_TRACE(size);
        ASSERT_TRUE(reader.jumpToImage(size == 16 ? 0 : 1));
        const QImage image = reader.read().convertToFormat(QImage::Format_ARGB32);
        EXPECT_TRUE(SamePixels(image, Load(QStringLiteral(":/icons/pelwick-%1.png").arg(size))));
        EXPECT_TRUE(SamePixels(image, pictures::DrawIcon(size)));
    }
}

TEST(PicturesTest, IcoRejectsImagesItCannotDescribe) {
    EXPECT_THROW(pictures::EncodeIco({}), std::invalid_argument);
    EXPECT_THROW(pictures::EncodeIco({QImage(257, 257, QImage::Format_ARGB32)}),
                 std::invalid_argument);
    EXPECT_NO_THROW(pictures::EncodeIco({QImage(256, 256, QImage::Format_ARGB32)}));
}

} // namespace
