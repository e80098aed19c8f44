#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "klimbor_fixture.h"
#include "ui/accessibility.h"
#include "ui/bevel.h"
#include "ui/dispatcher.h"
#include "ui/grid.h"
#include "ui/grid_cells.h"
#include "ui/layout.h"
#include "ui/random.h"
#include "ui/runtime_error.h"
#include "ui/scene.h"
#include "ui/surface.h"

namespace {

class ElementModel : public KlimborTest {};

TEST_F(ElementModel, HidingAPanelHidesItsContentsWithoutTouchingTheirSettings) {
  open_window();
  k.tout.Visible = true;
  EXPECT_TRUE(k.cont.shown());
  k.dem.Visible = false;
  for (const ui::Element* e : std::vector<const ui::Element*>{&k.tout, &k.niv1, &k.cont, &k.gagn}) {
    EXPECT_FALSE(e->shown()) << e->name();
    EXPECT_TRUE(e->Visible) << e->name();
  }
  k.dem.Visible = true;
  EXPECT_TRUE(k.cont.shown());
  EXPECT_TRUE(k.niv1.shown());
}

TEST_F(ElementModel, ShowingTheResultPanelInsideAHiddenTitleShowsNothing) {
  open_window();
  k.dem.Visible = false;
  k.tout.Visible = true;
  EXPECT_FALSE(k.tout.shown());
  EXPECT_FALSE(k.sko.shown());
}

TEST_F(ElementModel, NothingIsShownInAHiddenWindow) {
  EXPECT_FALSE(k.dem.shown()) << "not shown before the window is";
  open_window();
  EXPECT_TRUE(k.dem.shown());
  sys.hide(k);
  EXPECT_FALSE(k.dem.shown());
  EXPECT_TRUE(k.dem.Visible);
}

TEST_F(ElementModel, StackingFollowsTheElementTableFrontFirst) {
  std::vector<std::string> names;
  for (const ui::Box* b : k.boxes()) names.push_back(b->name());
  const std::vector<std::string> expected{
      "dem",   "tout",     "cont",   "ok",     "reco",   "niv",    "sko",    "gagn",  "niv1",
      "line1", "Command1", "ar1(2)", "ar1(1)", "ar2(2)", "ar2(1)", "ar2(0)", "ar1(0)"};
  EXPECT_EQ(names, expected);
  EXPECT_EQ(k.tout.container(), &k.dem);
  EXPECT_EQ(k.cont.container(), &k.tout);
  EXPECT_EQ(k.niv1.container(), &k.dem);
}

// The strokes of a window drawn as one surface, as the Windows and browser builds draw it:
// "background", "line <name>", and each box's name, "*" after a pressed one.
struct StrokeLog : ui::SurfacePainter {
  std::vector<std::string> strokes;
  std::vector<std::pair<std::string, ui::PixelRect>> clips;  // each box's, as it was drawn
  ui::PixelRect clip_now{};

  void background(ui::Colour) override { strokes.push_back("background"); }
  void line(const ui::Line& l) override { strokes.push_back("line " + l.name()); }
  void clip(const ui::PixelRect& area) override { clip_now = area; }
  void box(const ui::Box& b, bool pressed = false) {
    strokes.push_back(b.name() + (pressed ? "*" : ""));
    clips.emplace_back(b.name(), clip_now);
  }
  void picture(const ui::Picture& p, const ui::PixelRect&) override { box(p); }
  void label(const ui::Label& l, const ui::PixelRect&) override { box(l); }
  void button(const ui::Button& b, const ui::PixelRect&, bool pressed) override { box(b, pressed); }
  void grid(const ui::Grid& g, const ui::PixelRect&) override { box(g); }
};

std::vector<std::string> drawn(const ui::Form& form, const ui::Box* pressed = nullptr) {
  StrokeLog log;
  ui::paint_surface(form, pressed, log);
  return log.strokes;
}

TEST_F(ElementModel, OnOneSurfaceAContainerIsDrawnBeforeItsContentsAndTheFirstListedLast) {
  open_window();
  EXPECT_EQ(drawn(k), (std::vector<std::string>{"background", "line Line4", "line Line3", "line1",
                                                "dem", "niv1"}))
      << "the intro: the background, the shown lines behind every box, then the boxes";
  k.tout.Visible = true;
  k.Command1.Visible = true;
  EXPECT_EQ(
      drawn(k, &k.Command1),
      (std::vector<std::string>{"background", "line Line4", "line Line3", "Command1*", "line1",
                                "dem", "niv1", "tout", "gagn", "sko", "niv", "reco", "ok", "cont"}))
      << "the result panel, VITESSE held down";

  StrokeLog log;
  ui::paint_surface(k, nullptr, log);
  for (const auto& [name, clip] : log.clips) {
    const std::string& wanted = name;  // a lambda cannot take a structured binding in clang 14
    const ui::Box* box = *std::find_if(k.boxes().begin(), k.boxes().end(),
                                       [&](const ui::Box* b) { return b->name() == wanted; });
    EXPECT_EQ(clip, ui::clip_of(k, *box)) << name << " drawn inside its containers";
  }
}

TEST_F(ElementModel, AClickReachesTheFrontmostShownElementWithinItsContainers) {
  open_window();
  // Continuer: 96, 72 in the result panel, inside the title's two-pixel frame.
  EXPECT_EQ(ui::window_rect(k.cont), (ui::PixelRect{98, 74, 17, 17}));
  EXPECT_EQ(ui::box_at(k, 100, 80), &k.dem) << "the result panel is hidden: the title takes it";
  k.tout.Visible = true;
  EXPECT_EQ(ui::box_at(k, 100, 80), &k.cont);
  EXPECT_EQ(ui::box_at(k, 98, 74), &k.cont) << "its first pixel";
  EXPECT_EQ(ui::box_at(k, 114, 90), &k.cont) << "its last pixel";
  EXPECT_EQ(ui::box_at(k, 115, 80), &k.tout) << "just right of it";
  EXPECT_EQ(ui::box_at(k, 100, 91), &k.tout) << "just below it";
  EXPECT_EQ(ui::box_at(k, 1, 1), &k.dem) << "the frame is the title's own";
  k.dem.Visible = false;
  k.Command1.Visible = true;
  EXPECT_EQ(ui::box_at(k, 100, 265), &k.Command1);
  EXPECT_EQ(ui::box_at(k, 64, 100), &k.line1);
  EXPECT_EQ(ui::box_at(k, 20, 100), nullptr) << "the bare window";
  EXPECT_EQ(ui::box_at(k, 128, 277), nullptr) << "the last pixel of the window is bare";
}

TEST_F(ElementModel, AnElementDrawsOnlyInsideTheInnerAreaOfItsContainers) {
  const ui::PixelRect window{0, 0, 129, 278};
  EXPECT_EQ(ui::clip_of(k, k.dem), window);
  // The title, 137 by 281 pixels, is larger than the window; its frame takes two pixels.
  EXPECT_EQ(ui::clip_of(k, k.cont), (ui::PixelRect{2, 2, 127, 276}));
  EXPECT_EQ(ui::clip_of(k, k.niv1), (ui::PixelRect{2, 2, 127, 276}));
}

// A bevel painted band by band, later bands over earlier ones, one letter a shade: f face,
// l light, h highlight, s shadow, d dark shadow.
std::vector<std::string> painted(const ui::Bevel& bevel, int width, int height) {
  std::vector<std::string> rows(static_cast<std::size_t>(height), std::string(width, '.'));
  for (const ui::Band& band : ui::bevel_bands({0, 0, width, height}, bevel)) {
    for (int y = band.rect.y; y < band.rect.y + band.rect.height; ++y) {
      for (int x = band.rect.x; x < band.rect.x + band.rect.width; ++x) {
        rows.at(static_cast<std::size_t>(y)).at(static_cast<std::size_t>(x)) =
            "flhsd"[static_cast<int>(band.shade)];
      }
    }
  }
  return rows;
}

TEST(Bevel, TwoRingsOfThePlatformsShadesLitFromTheTopLeftTheOuterAloneOnSmallBoxes) {
  using Rows = std::vector<std::string>;
  EXPECT_EQ(painted(ui::kRaised, 6, 6),
            (Rows{"hhhhhd", "hfffsd", "hf..sd", "hf..sd", "hssssd", "dddddd"}));
  EXPECT_EQ(painted(ui::kPressed, 6, 5), (Rows{"dddddh", "dsssfh", "ds..fh", "dffffh", "hhhhhh"}));
  EXPECT_EQ(painted(ui::kSunken, 5, 6),
            (Rows{"ssssh", "sddlh", "sd.lh", "sd.lh", "slllh", "hhhhh"}));
  EXPECT_EQ(painted(ui::kRaised, 4, 5), (Rows{"hhhd", "h..d", "h..d", "h..d", "dddd"}))
      << "four pixels wide: the outer ring alone";
  EXPECT_EQ(painted(ui::kRaised, 5, 4), (Rows{"hhhhd", "h...d", "h...d", "ddddd"}));
  EXPECT_EQ(painted(ui::kRaised, 2, 2), (Rows{"hd", "dd"}));
  EXPECT_EQ(painted(ui::kRaised, 1, 5), Rows(5, ".")) << "too narrow for a bevel";
  EXPECT_EQ(painted(ui::kRaised, 5, 1), Rows(1, "....."));
}

// What every binding tells a screen reader: the four controls by name, the texts as they stand
// and told again when they change, the pictures without a click left out, the window a window.
TEST_F(ElementModel, ScreenReadersAreToldTheControlsByNameTheTextsAsTheyChangeNotTheDecoration) {
  open_window();
  start_game();
  const ui::Accessible window = ui::accessible_of(static_cast<const ui::Form&>(k));
  EXPECT_EQ(window.role, ui::Role::window);
  EXPECT_EQ(window.name, "Klimbor");
  std::vector<std::string> buttons, decoration;
  for (ui::Box* box : k.boxes()) {
    const ui::Accessible a = ui::accessible_of(*box);
    if (a.role == ui::Role::push_button) buttons.push_back(a.name);
    if (a.decorative) decoration.push_back(box->name());
    EXPECT_EQ(a.decorative, a.role == ui::Role::graphic) << box->name();
    EXPECT_EQ(a.announced, a.role == ui::Role::text) << box->name();
  }
  EXPECT_EQ(buttons, (std::vector<std::string>{"Continuer", "Valider", "Recommencer", "VITESSE"}));
  EXPECT_EQ(decoration, (std::vector<std::string>{"dem", "tout", "line1", "ar1(2)", "ar1(1)",
                                                  "ar2(2)", "ar2(1)", "ar2(0)", "ar1(0)"}));
  place_player_before_move(3960, 0);
  tick();
  EXPECT_EQ(ui::accessible_of(k.gagn).name, "Perdu !") << "the outcome read as it now stands";
  EXPECT_EQ(ui::accessible_of(k.sko).name, "Score: 0");
}

TEST_F(ElementModel, PositionsReadBackExactlyAlsoWhileHidden) {
  k.ar1(1).Left = 1234.5625f;
  k.ar1(1).Top = -0.125f;
  EXPECT_FALSE(k.ar1(1).shown());
  EXPECT_EQ(k.ar1(1).Left, 1234.5625f);
  EXPECT_EQ(k.ar1(1).Top, -0.125f);
}

TEST_F(ElementModel, StartPropertiesOfTheWindow) {
  EXPECT_EQ(k.Caption, "Klimbor");
  EXPECT_EQ(k.ScaleWidth, 1935.0f);
  EXPECT_EQ(k.ScaleHeight, 4170.0f);
  EXPECT_EQ(k.niv1.Caption, "Niveau 1");
  EXPECT_EQ(k.gagn.Caption, "Gagné !");
  EXPECT_EQ(k.Command1.Caption, "VITESSE");
  EXPECT_EQ(k.cont.ToolTipText, "Continuer");
  EXPECT_EQ(k.ok.ToolTipText, "Valider");
  EXPECT_EQ(k.reco.ToolTipText, "Recommencer");
  EXPECT_EQ(k.Timer.interval(), 3000);
  EXPECT_EQ(k.Timer1.interval(), 63);
  EXPECT_EQ(k.Timer2.interval(), 350);
  EXPECT_EQ(k.ar1(0).Left, 1320.0f);
  EXPECT_EQ(k.ar2(2).Left, 360.0f);
  EXPECT_EQ(k.ar2(2).Top, 3960.0f);
}

TEST_F(ElementModel, SpriteArrayGivesTheSameElementEachTimeAndRefusesOtherIndexes) {
  EXPECT_EQ(&k.ar1(1), &k.ar1(1));
  EXPECT_NE(&k.ar1(1), &k.ar2(1));
  EXPECT_THROW(k.ar1(3), ui::RuntimeError);
  EXPECT_THROW(k.ar2(-1), ui::RuntimeError);
}

// ---- The headless clock and the dispatcher

class Clock : public ::testing::Test {
 protected:
  struct Window : ui::Form {
    Window() : ui::Form("w", "w", 100, 100, {}) { keep_timers({&fast, &slow}); }
    ui::Timer fast{"fast", 10, true};
    ui::Timer slow{"slow", 25, false};
    ui::Picture button{"button", this, {0, 0, 255, 255}, true};
  };
  ui::HeadlessSystem sys;
  Window w;
  std::vector<std::string> log;

  void SetUp() override {
    w.fast.Tick = [this] { log.push_back("fast@" + std::to_string(sys.now())); };
    w.slow.Tick = [this] { log.push_back("slow@" + std::to_string(sys.now())); };
  }
};

TEST_F(Clock, TicksFireInTimeOrderCountedFromTheMomentOfEnabling) {
  sys.show(w);
  sys.advance(5);
  w.slow.set_enabled(true);  // due at 30, 55
  sys.advance(55);
  const std::vector<std::string> expected{"fast@10", "fast@20", "fast@30", "slow@30",
                                          "fast@40", "fast@50", "slow@55", "fast@60"};
  EXPECT_EQ(log, expected);
}

TEST_F(Clock, DisablingAndEnablingStartsTheCountAnew) {
  sys.show(w);
  sys.advance(7);
  w.fast.set_enabled(false);
  sys.advance(10);
  w.fast.set_enabled(true);
  sys.advance(9);
  EXPECT_TRUE(log.empty());
  sys.advance(1);
  EXPECT_EQ(log, std::vector<std::string>{"fast@27"});
}

TEST_F(Clock, EnablingARunningTimerKeepsItsCount) {
  sys.show(w);
  sys.advance(7);
  w.fast.set_enabled(true);
  sys.advance(3);
  EXPECT_EQ(log, std::vector<std::string>{"fast@10"});
}

TEST_F(Clock, ATimerCountsOnlyFromTheWindowsCreation) {
  int loads = 0;
  w.Load = [&] { ++loads; };
  sys.advance(100);
  sys.show(w);
  sys.advance(5);
  sys.show(w);  // shown again: created once
  sys.advance(15);
  EXPECT_EQ(log, (std::vector<std::string>{"fast@110", "fast@120"}));
  EXPECT_EQ(loads, 1);
}

TEST_F(Clock, AFailingHandlerStopsAtItsStepAndTheProgramGoesOn) {
  int steps = 0;
  w.fast.Tick = [&] {
    ++steps;
    throw ui::RuntimeError("Accès refusé");
  };
  sys.show(w);
  sys.advance(20);
  EXPECT_EQ(steps, 2);
  const std::string line = "Klimbor : erreur d'exécution : Accès refusé";
  EXPECT_EQ(sys.errors, (std::vector<std::string>{line, line}));
}

TEST_F(Clock, EndingTheProgramStopsEveryTimer) {
  sys.show(w);
  w.fast.Tick = [this] {
    sys.end_program();
    sys.message_box("Au revoir");
    log.push_back("went on");
  };
  sys.advance(100);
  EXPECT_TRUE(log.empty()) << "the end closes the box, and the handler goes no further";
  EXPECT_TRUE(sys.ended());
  EXPECT_FALSE(w.Visible);
  EXPECT_EQ(sys.now(), 100);
  bool ran = false;
  EXPECT_FALSE(sys.deliver(
      w, [&] { ran = true; }, ui::Dispatcher::Source::player));
  EXPECT_FALSE(ran) << "no handler after the end";
}

// Two windows, the second shown by a click on the first, then the first asking a question.
TEST_F(Clock, WhileAHandlerAsksOnlyItsWindowClosesTakingTheQuestionAndTheRestOfTheHandler) {
  Window other;
  sys.show(w);
  w.button.Click = [&] { sys.show(other); };
  EXPECT_TRUE(sys.click(w.button));
  EXPECT_TRUE(other.Visible);
  EXPECT_TRUE(sys.errors.empty()) << "a window without Load, shown by a handler";
  std::vector<std::string> steps;
  const auto ask = [&] {
    steps.push_back("asked " + sys.input_box("?", 5));
    steps.push_back("went on");
  };
  w.button.Click = ask;
  other.button.Click = ask;
  sys.on_input_box = [&](const std::string&) {
    sys.close(other);
    steps.push_back(other.Visible ? "the other stays" : "the other closed");
    sys.close(w);
  };
  sys.answers = {"typed"};
  EXPECT_TRUE(sys.click(w.button));
  EXPECT_EQ(steps, std::vector<std::string>{"the other stays"});
  EXPECT_FALSE(w.Visible);
  EXPECT_FALSE(sys.ended()) << "the other window is on screen";

  sys.on_input_box = nullptr;
  sys.answers = {"typed"};
  EXPECT_TRUE(sys.click(other.button));
  EXPECT_EQ(steps.back(), "went on") << "the other window's handlers go on, boxes and all";
  sys.show(w);
  sys.close(other);
  EXPECT_FALSE(sys.ended()) << "without a box, a window closes as it is asked";
  EXPECT_FALSE(other.Visible);
  sys.close(w);
  EXPECT_TRUE(sys.ended());
}

TEST_F(Clock, OneHandlerAtATimeAndAClickOnlyWhereOneIsTaken) {
  sys.show(w);
  EXPECT_FALSE(sys.click(w.button)) << "a picture that takes no click";
  int clicks = 0;
  w.button.Click = [&] { ++clicks; };
  bool taken = true;
  w.fast.Tick = [&] { taken = sys.click(w.button); };
  sys.advance(10);
  EXPECT_FALSE(taken) << "a click while a tick runs is dropped";
  EXPECT_EQ(clicks, 0);
  EXPECT_TRUE(sys.click(w.button));
  EXPECT_EQ(clicks, 1);
  EXPECT_TRUE(sys.errors.empty());
}

TEST(Dispatcher, ATimerFailingAgainTheSameWayIsARepeatUntilThePlayerActs) {
  using Source = ui::Dispatcher::Source;
  std::vector<std::pair<std::string, bool>> reports;
  ui::Dispatcher d([&](const std::string& m, bool repeated) { reports.emplace_back(m, repeated); });
  const auto failing = [](const char* m) { return [m] { throw ui::RuntimeError(m); }; };
  d.run(failing("A"));
  d.run(failing("A"));
  d.run(failing("B"));
  d.run([] {}, Source::player);
  d.run(failing("B"));
  d.run(failing("B"));
  d.run(failing("B"), Source::player);
  d.run([] { throw std::out_of_range("index 3"); });
  const std::vector<std::pair<std::string, bool>> expected{
      {"A", false},
      {"A", true},
      {"B", false},
      {"B", false},
      {"B", true},
      {"B", false},
      {"Erreur interne : index 3", false},
  };
  EXPECT_EQ(reports, expected);
}

// Draws of a generator spread over [0, 1) and never reach 1.
template <class Draw>
void expect_spread_below_one(Draw draw) {
  float low = 1, high = 0;
  for (int i = 0; i < 1000; ++i) {
    const float r = draw();
    ASSERT_GE(r, 0.0f);
    ASSERT_LT(r, 1.0f);
    low = std::min(low, r);
    high = std::max(high, r);
  }
  EXPECT_LT(low, 0.01f);
  EXPECT_GT(high, 0.99f);
}

TEST(HeadlessRandom, UnscriptedDrawsSpreadOverZeroToOneAndNeverReachOne) {
  ui::HeadlessSystem sys;
  expect_spread_below_one([&] { return sys.rnd(); });
}

// The generator of the real window systems.
TEST(ClockRandom, DrawsSpreadOverZeroToOneAndEachSeedingFromTheClockGivesAnotherGame) {
  ui::ClockRandom first;
  expect_spread_below_one([&] { return first.next(); });
  ui::ClockRandom second, third;
  third.reseed();
  EXPECT_NE(second.next(), third.next()) << "seeded at two moments, the same draws";
}

// ---- The grid

TEST(GridModel, CellsOutsideTheGridAreRefused) {
  ui::Grid g("g", nullptr, {0, 0, 1000, 1000}, 3, 2);
  EXPECT_TRUE(g.Visible);
  EXPECT_EQ(g.col_width(0), 450) << "room for the place labels, up to \"30:\"";
  for (int bad : {-1, 3}) {
    EXPECT_THROW(g.set_row(bad), ui::RuntimeError) << bad;
    EXPECT_THROW(g.text(bad, 0), ui::RuntimeError) << bad;
  }
  for (int bad : {-1, 2}) {
    EXPECT_THROW(g.set_col(bad), ui::RuntimeError) << bad;
    EXPECT_THROW(g.text(0, bad), ui::RuntimeError) << bad;
    EXPECT_THROW(g.col_width(bad), ui::RuntimeError) << bad;
    EXPECT_THROW(g.set_col_width(bad, 100), ui::RuntimeError) << bad;
  }
  g.set_row(2);
  g.set_col(1);
  g.set_text("last");
  EXPECT_EQ(g.text(2, 1), "last");
  EXPECT_EQ(g.text(1, 1), "") << "no other cell";
}

// As every binding draws them, in the grid's pixels: 450 twips are 30 pixels, a row 16.
TEST(GridModel, CellsAreDrawnRowByRowTheHeadingsFixedTheCurrentOneSelectedLinesRightAndBelow) {
  ui::Grid g("g", nullptr, {0, 0, 3000, 1000}, 3, 3);
  g.set_col_width(1, 1500);
  g.set_row(2);
  g.set_col(1);
  g.set_text(std::string("Zo\0\0", 4));
  g.BackColorFixed = {1, 0, 0};
  g.BackColorSel = {2, 0, 0};
  g.BackColor = {3, 0, 0};
  const std::vector<ui::CellLook> cells = ui::grid_cells(g);
  ASSERT_EQ(cells.size(), 9u);
  std::vector<int> fills;
  for (const ui::CellLook& c : cells) fills.push_back(c.fill.r);
  EXPECT_EQ(fills, (std::vector<int>{1, 1, 1, 1, 3, 3, 1, 2, 3}));
  const ui::CellLook& current = cells[7];
  EXPECT_EQ(current.area, (ui::PixelRect{30, 32, 100, 16}));
  EXPECT_EQ(current.text_area, (ui::PixelRect{32, 32, 97, 16})) << "2 pixels in, 1 off the line";
  EXPECT_EQ(current.right_line, (ui::PixelRect{129, 32, 1, 16}));
  EXPECT_EQ(current.bottom_line, (ui::PixelRect{30, 47, 100, 1}));
  EXPECT_EQ(current.text, "Zo") << "the NULs that pad an empty place show as nothing";
  EXPECT_EQ(cells[5].area, (ui::PixelRect{130, 16, 30, 16}));
  EXPECT_EQ(ui::cell_text(g, 2, 1), "Zo");
}

TEST(GridModel, OnlyAChangedTextOrWidthCallsForARedraw) {
  ui::Grid g("g", nullptr, {0, 0, 1000, 1000}, 3, 2);
  g.set_text("a");
  const unsigned long drawn = g.version();
  g.set_text("a");
  g.set_col_width(1, g.col_width(1));
  EXPECT_EQ(g.version(), drawn);
  g.set_col_width(1, 900);
  EXPECT_EQ(g.col_width(1), 900);
  EXPECT_GT(g.version(), drawn);
  const unsigned long widened = g.version();
  g.set_text("b");
  EXPECT_GT(g.version(), widened);
}

}  // namespace
