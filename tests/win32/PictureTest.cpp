// The pictures as pelwick.exe carries them, decoded by the build, and the scaling that fits
// them into their controls.

#include "framework/Picture.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

constexpr std::uint32_t Pixel(unsigned alpha, unsigned red, unsigned green, unsigned blue) {
    return alpha << 24 | red << 16 | green << 8 | blue;
}

TEST(Picture, TheDecodedPicturesArePremultipliedBgraAtTheirSizes) {
    const struct {
        const wchar_t* Name;
        int Width;
        int Height;
    } pictures[] = {{L"CIGARETTE", 299, 30}, {L"CIGARETTE2X", 598, 60}, {L"BANNER", 1107, 269}};
    for (const auto& picture : pictures) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(picture.Name)));
        const TPixels pixels = LoadFittedPicture(picture.Name, picture.Width, picture.Height);
        ASSERT_EQ(pixels.Width, picture.Width);
        ASSERT_EQ(pixels.Height, picture.Height);
        for (const std::uint32_t p : pixels.Data) {
            const unsigned alpha = p >> 24;
            ASSERT_TRUE(((p >> 16) & 0xFF) <= alpha && ((p >> 8) & 0xFF) <= alpha &&
                        (p & 0xFF) <= alpha)
                << std::hex << p;
        }
    }
    // The cigarette: transparent above, its orange filter opaque (red in the third byte).
    const TPixels cigarette = LoadFittedPicture(L"CIGARETTE", 299, 30);
    EXPECT_EQ(cigarette.Data[10] >> 24, 0u);
    const std::uint32_t filter = cigarette.Data[15 * 299 + 40];
    EXPECT_EQ(filter >> 24, 255u);
    EXPECT_GT((filter >> 16) & 0xFF, (filter & 0xFF) + 60) << std::hex << filter;
    // Fitted into the ticker at 100 %.
    const TPixels ticker = LoadFittedPicture(L"CIGARETTE", 286, 29);
    EXPECT_EQ(ticker.Width, 286);
    EXPECT_EQ(ticker.Height, 29);
}

TEST(Picture, ScalingAveragesTheAreaEachNewPixelCovers) {
    const std::uint32_t white = Pixel(255, 255, 255, 255);
    const std::uint32_t clear = 0;
    const struct {
        const char* What;
        TPixels Source;
        int Width;
        int Height;
        std::vector<std::uint32_t> Expected;
    } cases[] = {
        {"the same size keeps every pixel",
         {2, 1, {white, Pixel(128, 0, 64, 128)}},
         2,
         1,
         {white, Pixel(128, 0, 64, 128)}},
        {"two into one: half covered", {2, 1, {white, clear}}, 1, 1, {Pixel(128, 128, 128, 128)}},
        {"three into two: two thirds of the nearer one",
         {3, 1, {white, clear, white}},
         2,
         1,
         {Pixel(170, 170, 170, 170), Pixel(170, 170, 170, 170)}},
        {"down as across", {1, 2, {white, clear}}, 1, 1, {Pixel(128, 128, 128, 128)}},
        {"larger: the pixel it lies in", {1, 1, {white}}, 2, 2, {white, white, white, white}},
    };
    for (const auto& c : cases) {
        const TPixels scaled = ScalePixels(c.Source, c.Width, c.Height);
        EXPECT_EQ(scaled.Width, c.Width) << c.What;
        EXPECT_EQ(scaled.Height, c.Height) << c.What;
        EXPECT_EQ(scaled.Data, c.Expected) << c.What;
    }
}

} // namespace
