#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "klimbor_fixture.h"
#include "ui/runtime_error.h"

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
  sys.advance(100);
  sys.show(w);
  sys.advance(10);
  EXPECT_EQ(log, std::vector<std::string>{"fast@110"});
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
  EXPECT_EQ(sys.errors, (std::vector<std::string>{"Accès refusé", "Accès refusé"}));
}

TEST_F(Clock, EndingTheProgramStopsEveryTimer) {
  sys.show(w);
  w.fast.Tick = [this] { sys.end_program(); };
  sys.advance(100);
  EXPECT_TRUE(sys.ended);
  EXPECT_FALSE(w.Visible);
  EXPECT_EQ(sys.now(), 100);
}

}  // namespace
