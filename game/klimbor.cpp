#include "game/klimbor.h"

#include <string>
#include <utility>

#include "game/module1.h"
#include "ui/colours.h"

using namespace Module1;

namespace game {

namespace {

using namespace ui::colours;

constexpr float kStartTop = 3960;
constexpr float kPlayerStartLeft = 1320;
constexpr float kLaneLeft = 990;
constexpr float kLaneRight = 1672;
constexpr float kArrived = 128;  // Top below it: over the finish line
constexpr float kNotArrived = 127;

const ui::Font kLabelFont{"Comic Sans MS", 9.75, true};

void animate(SpriteArray& sprite) {
  // The next frame is shown before the current one goes, so the sprite never blinks out.
  if (sprite(0).Visible) {
    sprite(2).Visible = true;
    sprite(0).Visible = false;
  } else if (sprite(2).Visible) {
    sprite(1).Visible = true;
    sprite(2).Visible = false;
  } else if (sprite(1).Visible) {
    sprite(0).Visible = true;
    sprite(1).Visible = false;
  }
}

void dress_sprite(SpriteArray& sprite, const std::string& colour) {
  for (int i = 0; i < SpriteArray::size(); ++i) {
    sprite(i).picture = "spider_" + colour + "_" + std::to_string(i);
    sprite(i).BackColor = kWindow;
  }
}

void dress_label(ui::Label& label, const std::string& caption, ui::Align alignment) {
  label.Caption = caption;
  label.ForeColor = kDarkRed;
  label.BackColor = kOrange;
  label.font = kLabelFont;
  label.Alignment = alignment;
}

void dress_round_button(ui::Picture& button, const std::string& picture, const std::string& tip) {
  button.picture = picture;
  button.BackColor = kOrange;
  button.ToolTipText = tip;
}

}  // namespace

Klimbor::Klimbor(ui::System& system, ScoreRecorder recorder)
    : ui::Form("Klimbor", "Klimbor", 1935, 4170, kOrange),
      dem("dem", this, {0, 0, 2055, 4215}, true),
      tout("tout", &dem, {0, 0, 2055, 4215}, false),
      cont("cont", &tout, {1440, 1080, 255, 255}, true),
      ok("ok", &tout, {840, 1080, 255, 255}, true),
      reco("reco", &tout, {240, 1080, 255, 255}, true),
      Timer2("Timer2", 350, false),
      niv("niv", &tout, {480, 360, 975, 255}, true),
      sko("sko", &tout, {240, 600, 1455, 255}, true),
      gagn("gagn", &tout, {360, 0, 1215, 375}, true),
      niv1("niv1", &dem, {600, 600, 975, 255}, true),
      line1("line1", this, {935, 120, 96, 4215}, true),
      Command1("Command1", this, {1200, 3840, 735, 315}, false),
      ar1("ar1", this, ui::Rect{kPlayerStartLeft, kStartTop, 255, 255}, false),
      ar2("ar2", this, ui::Rect{360, kStartTop, 255, 255}, false),
      Timer1("Timer1", 63, false),
      Timer("Timer", 3000, true),
      Line2("Line2", this, {0, 120, 1920, 120}, false),
      Line4("Line4", this, {1920, 0, 1920, 4200}, true),
      Line3("Line3", this, {0, 0, 0, 4200}, true),
      system_(system),
      recorder_(std::move(recorder)) {
  stack({&dem, &tout, &cont, &ok, &reco, &niv, &sko, &gagn, &niv1, &line1, &Command1, &ar1(2),
         &ar1(1), &ar2(2), &ar2(1), &ar2(0), &ar1(0)});
  draw_lines({&Line2, &Line4, &Line3});
  keep_timers({&Timer, &Timer1, &Timer2});
  dress_panels();
  dress_labels();
  dress_track();
  connect_handlers();
}

void Klimbor::dress_panels() {
  dem.picture = "title";
  dem.BackColor = kOrange;
  dem.sunken_frame = true;
  tout.picture = "title";
  tout.BackColor = kOrange;
  dress_round_button(cont, "continue", "Continuer");
  dress_round_button(ok, "validate", "Valider");
  dress_round_button(reco, "restart", "Recommencer");
}

void Klimbor::dress_labels() {
  dress_label(niv, "Niveau 1", ui::Align::centre);
  dress_label(sko, "Score: 0", ui::Align::centre);
  dress_label(gagn, "Gagné !", ui::Align::centre);
  dress_label(niv1, "Niveau 1", ui::Align::left);
}

void Klimbor::dress_track() {
  line1.picture = "bar";
  line1.BackColor = kWindow;
  Command1.Caption = "VITESSE";
  Command1.BackColor = kLightGreen;
  Command1.font = {"Comic Sans MS", 6.75, false};
  dress_sprite(ar1, "blue");
  dress_sprite(ar2, "black");
}

void Klimbor::connect_handlers() {
  Timer.Tick = [this] { Timer_Timer(); };
  Timer1.Tick = [this] { Timer1_Timer(); };
  Timer2.Tick = [this] { Timer2_Timer(); };
  cont.Click = [this] { cont_Click(); };
  ok.Click = [this] { ok_Click(); };
  reco.Click = [this] { reco_Click(); };
  Command1.Click = [this] { Command1_Click(); };
  // Keys press what they name, and only while it can be seen, as a click would.
  press_with(ui::Key::Space, Command1);
  press_with(ui::Key::C, cont);
  press_with(ui::Key::Return, cont);
  press_with(ui::Key::V, ok);
  press_with(ui::Key::R, reco);
}

// Begins a new game.
void Klimbor::Timer_Timer() {
  Command1.Visible = true;
  Timer.set_enabled(false);  // fires once for each start
  dem.Visible = false;
  line1.Visible = true;
  Line2.Visible = true;
  ar1(0).Visible = true;
  ar2(0).Visible = true;
  score = 0;
  system_.randomize();
  level = 1;
  player_dy = 15;
  player_dx = normal_drift(system_.rnd());
  boost_on = 0;
  Timer1.set_enabled(true);
  Timer2.set_enabled(true);
}

// "Continuer": the next round of the same game.
void Klimbor::cont_Click() {
  end_choice = 1;
  dem.Visible = false;
  tout.Visible = false;
  Timer1.set_enabled(true);
  Timer2.set_enabled(true);
  ar1(0).Visible = true;
  ar2(0).Visible = true;
  boost_on = 0;
  system_.randomize();
  player_dy = 15;
  player_dx = normal_drift(system_.rnd());
}

// "Valider": the next tick hands the score over to the best-score table. A recording that was
// refused left the sprites one step up; they go back, so that each new "Valider" takes the same
// single step from the start and the score on the panel is the one recorded.
void Klimbor::ok_Click() {
  end_choice = 2;
  back_to_start();
  Timer1.set_enabled(true);
}

// "Recommencer": a new game once the start timer has run again.
void Klimbor::reco_Click() {
  dem.Visible = true;
  tout.Visible = false;
  Timer1.set_enabled(false);
  Timer2.set_enabled(false);
  Timer.set_enabled(true);
  ar1(1).Visible = false;
  ar1(2).Visible = false;
  ar2(1).Visible = false;
  ar2(2).Visible = false;
}

// "VITESSE": switches the boost, and every press draws a new drift.
void Klimbor::Command1_Click() {
  boost_on = boost_on == 0 ? 1 : 0;
  if (boost_on == 1) {
    player_dy = 40;
    player_dx = boosted_drift(system_.rnd());
  } else {
    system_.randomize();
    player_dy = 15;
    player_dx = normal_drift(system_.rnd());
  }
}

// The game tick.
void Klimbor::Timer1_Timer() {
  rival_step = checked(long{level} + 20);  // overflows before anything moves
  climb_and_drift();
  align_followers();
  test_outcomes();
  if (end_choice == 2) recorder_(*this);
}

void Klimbor::Timer2_Timer() {
  animate(ar1);
  animate(ar2);
}

void Klimbor::climb_and_drift() {
  ar2(0).Top = ar2(0).Top - static_cast<float>(rival_step);
  ar1(0).Top = ar1(0).Top - static_cast<float>(player_dy);
  ar1(0).Left = ar1(0).Left - static_cast<float>(player_dx);
}

// Frames 1 and 2 follow frame 0, hidden or not.
void Klimbor::align_followers() {
  for (SpriteArray* sprite : {&ar1, &ar2}) {
    for (int i = 1; i < SpriteArray::size(); ++i) {
      (*sprite)(i).Top = (*sprite)(0).Top;
      (*sprite)(i).Left = (*sprite)(0).Left;
    }
  }
}

// Every test reads the positions afresh: an outcome puts the sprites back at the start, so a
// tick never has more than one outcome, and the first test that holds decides.
void Klimbor::test_outcomes() {
  if (ar1(0).Left < kLaneLeft || ar1(0).Left > kLaneRight) end_round(Outcome::loss);
  if (ar2(0).Top < kArrived && ar1(0).Top > kNotArrived) end_round(Outcome::loss);
  if (ar2(0).Top > kNotArrived && ar1(0).Top < kArrived) end_round(Outcome::win);
  if (ar2(0).Top < kArrived && ar1(0).Top < kArrived) end_round(Outcome::draw);
}

void Klimbor::end_round(Outcome outcome) {
  apply_outcome_to_score(outcome);
  back_to_start();
  system_.randomize();
  player_dy = 15;
  player_dx = normal_drift(system_.rnd());
  boost_on = 0;
  if (outcome == Outcome::loss && score < 0) score = 0;
  show_result(outcome);
  Timer1.set_enabled(false);
  Timer2.set_enabled(false);
  ar1(1).Visible = false;
  ar1(2).Visible = false;
  ar2(1).Visible = false;
  ar2(2).Visible = false;
}

void Klimbor::back_to_start() {
  ar1(0).Top = kStartTop;
  ar1(0).Left = kPlayerStartLeft;
  ar2(0).Top = kStartTop;
}

void Klimbor::apply_outcome_to_score(Outcome outcome) {
  switch (outcome) {
    case Outcome::loss:
      score = checked(long{score} - 500);
      break;
    case Outcome::draw:
      score = checked(long{score} + 900);
      level = checked(long{level} + 1);
      break;
    case Outcome::win:
      score = checked(long{score} + 1000);
      // The sooner the win, the higher the rival still is and the bigger the bonus.
      score = cint(static_cast<float>(score) + ar2(0).Top / 11.0f);
      level = checked(long{level} + 1);
      break;
  }
}

void Klimbor::show_result(Outcome outcome) {
  switch (outcome) {
    case Outcome::loss:
      gagn.Caption = "Perdu !";
      break;
    case Outcome::draw:
      gagn.Caption = "Egalité !!";
      break;
    case Outcome::win:
      gagn.Caption = "Gagné !";
      break;
  }
  niv.Caption = "Niveau " + std::to_string(level);
  sko.Caption = "Score: " + std::to_string(score);
  dem.Visible = true;
  tout.Visible = true;
}

}  // namespace game
