// drawMenuLine's numbers: positions, sizes, scales and colours of the title
// and the rows at menu sizes 1, 5 and 10, worked out from the layout in
// pixels (one unit = 0.15 x (size + 2) px) of the 1280 x 720 screen the game
// reports whatever the display; the picture of the menu scales to the
// display.
#include <gtest/gtest.h>

#include <cmath>
#include <regex>

#include "config/settings.h"
#include "host/host_abi.h"
#include "menu/menu_draw.h"
#include "menu/menu_text.h"
#include "menu_fixture.h"
#include "sim/report/reports.h"

namespace tavrel::testing {
namespace {

struct Picture {
    int w;
    int h;
};

class MenuDrawing : public MenuTest, public ::testing::WithParamInterface<std::tuple<int, Picture>> {};

constexpr float kLineHeight = 0.0373f;  // the simulator's text line height at scale 1
constexpr double kGameW = 1280.0;      // what GET_SCREEN_RESOLUTION answers on every display
constexpr double kGameH = 720.0;

TEST_P(MenuDrawing, TitleAndRowsFollowTheLayoutInPixelsOfTheGamesScreen) {
    const auto [size, picture] = GetParam();
    std::string ini = menuIni();
    ini.replace(ini.find("menu_size=5.0"), 13, "menu_size=" + std::to_string(size));
    startWith(ini);
    scenario("screen-size " + std::to_string(picture.w) + " " + std::to_string(picture.h) + "\n");
    openMenu();
    sim.runFrame();

    const double s = size + 2.0;
    const double unit = 0.15 * s;  // px
    const double W = kGameW, H = kGameH;  // the picture's size plays no part
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

    // Each box is measured with the line height of font 0 (the layout was
    // fixed against it, whatever font the text is drawn in) at that line's
    // own text scale.
    std::vector<const sim::TraceEntry*> heights;
    for (const sim::TraceEntry& e : sim.trace()) {
        if (e.frame + 1 == sim.frame() && e.hash == nat::GET_RENDERED_CHARACTER_HEIGHT.hash) heights.push_back(&e);
    }
    ASSERT_EQ(heights.size(), texts.size());
    for (std::size_t i = 0; i < texts.size(); ++i) {
        ASSERT_EQ(heights[i]->args.size(), 2u);
        EXPECT_FLOAT_EQ(heights[i]->args[0].number, static_cast<float>(texts[i].scale)) << "line " << i;
        EXPECT_EQ(heights[i]->args[1].value, 0) << "line " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(SizesAndPictures, MenuDrawing,
                         ::testing::Combine(::testing::Values(1, 5, 10),
                                            ::testing::Values(Picture{1920, 1080}, Picture{3440, 1440},
                                                              Picture{640, 1080})));

TEST_F(MenuTest, AtSize5OneUnitIs105PixelsAndRowsAre38UnitsApart) {
    startWith(menuIni());
    openMenu();
    const auto& texts = sim.lastDrawing().texts;
    ASSERT_GE(texts.size(), 3u);
    EXPECT_NEAR((texts[2].y - texts[1].y) * kGameH, 38 * 1.05, 1e-3);
    EXPECT_NEAR(texts[1].x * kGameW, 9 * 1.05, 1e-3);
}

// The first <rect> after the background and the first <text> of a picture:
// x, y, width, height of the box; x, y, font-size of the text.
struct PictureBox {
    double x, y, w, h;
    double text_x, text_y, font_size;
};

PictureBox firstBoxAndText(const std::string& svg) {
    static const std::regex rect(R"re(<rect x="([0-9.]+)" y="([0-9.]+)" width="([0-9.]+)" height="([0-9.]+)")re");
    static const std::regex text(R"re(<text [^>]*x="([0-9.]+)" y="([0-9.]+)"[^>]* font-size="([0-9.]+)")re");
    std::smatch r;
    std::smatch t;
    if (!std::regex_search(svg, r, rect) || !std::regex_search(svg, t, text)) return {};
    return {std::stod(r[1]), std::stod(r[2]), std::stod(r[3]), std::stod(r[4]),
            std::stod(t[1]), std::stod(t[2]), std::stod(t[3])};
}

TEST_F(MenuTest, ThePictureScalesToItsSizeWhileTheLayoutStaysTheGames) {
    startWith(menuIni());
    openMenu();
    const sim::Drawing drawn = sim.lastDrawing();
    // One unit at size 5 is 1.05 px of the game's 1280 x 720 screen.
    ASSERT_FALSE(drawn.rects.empty());
    EXPECT_NEAR(drawn.rects[0].w * kGameW, 350 * 1.05, 1e-3);

    const PictureBox full = firstBoxAndText(sim::screenSvg(drawn, 1920, 1080));
    const PictureBox wide = firstBoxAndText(sim::screenSvg(drawn, 3440, 1440));
    const PictureBox game = firstBoxAndText(sim::screenSvg(drawn, 1280, 720));
    // Pixels are written with one decimal: a scaled value is off by up to
    // half a tenth on each side.
    constexpr double kTol = 0.2;
    EXPECT_NEAR(game.w, 350 * 1.05, 0.06) << "at the game's own size the picture is the layout in pixels";
    EXPECT_NEAR(full.w, game.w * 1.5, kTol);
    EXPECT_NEAR(full.h, game.h * 1.5, kTol);
    EXPECT_NEAR(full.font_size, game.font_size * 1.5, kTol);
    EXPECT_NEAR(wide.w, game.w * 3440 / 1280, kTol) << "boxes stretch with the width";
    EXPECT_NEAR(wide.h, game.h * 2, kTol);
    EXPECT_NEAR(wide.font_size, game.font_size * 2, kTol) << "text follows the height";
    EXPECT_NEAR(wide.text_x, game.text_x * 3440 / 1280, kTol);
}

// A text as long as a menu text can be: on the game's screen no menu label
// wraps, but the box follows whatever line count the game reports.
const std::string kLongText(kMenuTextSize - 1, 'W');

void drawsAShortAndALongHeading() {
    for (;;) {
        drawMenuLine("LIGHTS", 350.0f, kTitleMargin, rowTop(0), kTitleLeft, false, true);
        drawMenuLine(kLongText.c_str(), 350.0f, kTitleMargin, rowTop(1), kTitleLeft, false, true);
        host::scriptWait(0);
    }
}

TEST_F(MenuTest, AWrappedLabelMakesItsBoxTallerByOneLineHeightPerLine) {
    static char module;
    settings.menu_size = 10.0f;
    scenario("screen-size 640 1080\n");  // a narrow picture wraps nothing
    host::scriptRegister(&module, &drawsAShortAndALongHeading);
    sim.runFrames(2);
    host::scriptUnregister(&module);
    settings = Settings{};
    const auto& texts = sim.lastDrawing().texts;
    const auto& rects = sim.lastDrawing().rects;
    ASSERT_EQ(texts.size(), 2u);
    ASSERT_EQ(rects.size(), 2u);
    EXPECT_EQ(texts[1].text, kLongText.substr(0, 99)) << "the game keeps 99 characters of a text component";
    // 99 glyphs of half a line height at 12 x 0.0945 scale on 1280 x 720: two lines.
    const double line = kLineHeight * 12 * 0.0945;
    EXPECT_NEAR(rects[1].h - rects[0].h, line, 1e-5);
}

}  // namespace
}  // namespace tavrel::testing
