// drawMenuLine's numbers: positions, sizes, scales and colours of the title
// and the rows at menu sizes 1, 5 and 10 on two screens, worked out from the
// layout in pixels (one unit = 0.15 x (size + 2) px).
#include <gtest/gtest.h>

#include <cmath>

#include "config/settings.h"
#include "menu_fixture.h"

namespace tavrel::testing {
namespace {

struct Screen {
    int w;
    int h;
};

class MenuDrawing : public MenuTest, public ::testing::WithParamInterface<std::tuple<int, Screen>> {};

constexpr float kLineHeight = 0.0373f;  // the simulator's text line height at scale 1

TEST_P(MenuDrawing, TitleAndRowsFollowTheLayoutInPixels) {
    const auto [size, screen] = GetParam();
    std::string ini = menuIni();
    ini.replace(ini.find("menu_size=5.0"), 13, "menu_size=" + std::to_string(size));
    startWith(ini);
    sim.world().screen_w = screen.w;
    sim.world().screen_h = screen.h;
    openMenu();
    sim.runFrame();

    const double s = size + 2.0;
    const double unit = 0.15 * s;  // px
    const double W = screen.w, H = screen.h;
    const auto& texts = sim.lastDrawing().texts;
    const auto& rects = sim.lastDrawing().rects;
    ASSERT_EQ(texts.size(), 9u);
    ASSERT_EQ(rects.size(), 9u);
    constexpr double kTol = 2e-6;

    // Title: left 5, top 18, margin 9, width 350, heading scale, dark box.
    EXPECT_NEAR(texts[0].x, 5 * unit / W, kTol);
    const double title_top = s * 0.000417 + 18 * unit / H;
    EXPECT_NEAR(texts[0].y, title_top + 9 * unit / H, kTol);
    EXPECT_NEAR(texts[0].scale, s * 0.0945, 1e-5);
    EXPECT_EQ(texts[0].font, 4);
    EXPECT_EQ(texts[0].rgba, (sim::Rgba{255, 255, 255, 255}));
    EXPECT_NEAR(rects[0].w, 350 * unit / W, kTol);
    EXPECT_NEAR(rects[0].x, rects[0].w / 2, kTol) << "boxes start at the left screen edge";
    EXPECT_EQ(rects[0].rgba, (sim::Rgba{0, 0, 0, 180}));
    const double title_h = 1 * kLineHeight * s * 0.0945 + 2 * 9 * unit / H + s * 0.00045;
    EXPECT_NEAR(rects[0].h, title_h, 1e-5);
    EXPECT_NEAR(rects[0].y, title_top + title_h / 2, 1e-5);

    // Unselected rows 1 ... 7: left 9, top 67 + 38 i, margin 8, the configured colour.
    for (int i = 1; i < 8; ++i) {
        const auto& t = texts[static_cast<std::size_t>(i)];
        const auto& r = rects[static_cast<std::size_t>(i)];
        const double top = s * 0.000417 + (67 + 38 * i) * unit / H;
        EXPECT_NEAR(t.x, 9 * unit / W, kTol) << i;
        EXPECT_NEAR(t.y, top + 8 * unit / H, kTol) << i;
        EXPECT_NEAR(t.scale, s * 0.0675, 1e-5);
        EXPECT_EQ(r.rgba, (sim::Rgba{60, 104, 166, 180}));
        EXPECT_NEAR(r.w, 350 * unit / W, kTol);
        EXPECT_GE(r.h, kLineHeight * s * 0.0675 + 16 * unit / H - 1e-5) << "at least one line";
    }
    // The selected main entry (row 0, drawn last): one unit wider, heading scale, dark.
    const auto& sel = texts.back();
    EXPECT_EQ(sel.text, "LOCKS");
    EXPECT_NEAR(sel.x, 7 * unit / W, kTol);
    EXPECT_NEAR(sel.y, s * 0.000417 + 67 * unit / H + 4.5 * unit / H, kTol);
    EXPECT_NEAR(sel.scale, s * 0.0945, 1e-5);
    EXPECT_NEAR(rects.back().w, 351 * unit / W, kTol);
    EXPECT_EQ(rects.back().rgba, (sim::Rgba{0, 0, 0, 180}));
}

INSTANTIATE_TEST_SUITE_P(SizesAndScreens, MenuDrawing,
                         ::testing::Combine(::testing::Values(1, 5, 10),
                                            ::testing::Values(Screen{1920, 1080}, Screen{3440, 1440})));

TEST_F(MenuTest, AtSize5OneUnitIs105PixelsAndRowsAre38UnitsApart) {
    startWith(menuIni());
    openMenu();
    const auto& texts = sim.lastDrawing().texts;
    ASSERT_GE(texts.size(), 3u);
    EXPECT_NEAR((texts[2].y - texts[1].y) * 1080.0, 38 * 1.05, 1e-3);
    EXPECT_NEAR(texts[1].x * 1920.0, 9 * 1.05, 1e-3);
}

TEST_F(MenuTest, AWrappedLabelMakesItsBoxTallerByOneLineHeightPerLine) {
    std::string ini = menuIni();
    ini.replace(ini.find("menu_size=5.0"), 13, "menu_size=10");
    startWith(ini);
    sim.world().screen_w = 640;  // narrow: long labels wrap
    sim.world().screen_h = 1080;
    openMenu();
    enterMain(2);  // the light page has long labels
    const auto& texts = sim.lastDrawing().texts;
    const auto& rects = sim.lastDrawing().rects;
    std::size_t short_row = 0, long_row = 0;
    for (std::size_t i = 1; i + 1 < texts.size(); ++i) {
        if (texts[i].text == "Light Notification [OFF]") short_row = i;
        if (texts[i].text.rfind("Allow Headlights", 0) == 0) long_row = i;
    }
    ASSERT_NE(short_row, 0u);
    ASSERT_NE(long_row, 0u);
    const double line = kLineHeight * 12 * 0.0675;
    const double extra = rects[long_row].h - rects[short_row].h;
    EXPECT_GT(extra, line * 0.99);
    EXPECT_NEAR(std::fmod(extra + line * 0.01, line), line * 0.01, 1e-4) << "whole lines only";
}

}  // namespace
}  // namespace tavrel::testing
