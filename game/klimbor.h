#pragma once

#include <functional>

#include "ui/control_array.h"
#include "ui/elements.h"
#include "ui/form.h"
#include "ui/system.h"
#include "ui/timer.h"

namespace game {

using SpriteArray = ui::ControlArray<ui::Picture, 3>;

// The game window: a narrow orange track where the blue player spider races the black rival up
// two lanes, the title panel, the result panel and the speed button "VITESSE".
class Klimbor : public ui::Form {
 public:
  // What the tick hands over to once the player has chosen "Valider": the best-score recording.
  using ScoreRecorder = std::function<void(Klimbor& game)>;

  Klimbor(ui::System& system, ScoreRecorder recorder);

  // Elements, front first within each container.
  ui::Picture dem;   // title panel, the whole client area
  ui::Picture tout;  // result panel, inside dem
  ui::Picture cont;  // "Continuer"
  ui::Picture ok;    // "Valider"
  ui::Picture reco;  // "Recommencer"
  ui::Timer Timer2;  // animation
  ui::Label niv;
  ui::Label sko;
  ui::Label gagn;
  ui::Label niv1;
  ui::Picture line1;    // black bar between the lanes
  ui::Button Command1;  // "VITESSE"
  SpriteArray ar1;      // the player; frame 0 carries the position
  SpriteArray ar2;      // the rival
  ui::Timer Timer1;     // game tick
  ui::Timer Timer;      // start timer
  ui::Line Line2;       // finish line
  ui::Line Line4;
  ui::Line Line3;

  void Timer_Timer();
  void Timer1_Timer();
  void Timer2_Timer();
  void cont_Click();
  void ok_Click();
  void reco_Click();
  void Command1_Click();

 private:
  enum class Outcome { loss, draw, win };

  void dress_panels();
  void dress_labels();
  void dress_track();
  void connect_handlers();

  void climb_and_drift();
  void align_followers();
  void test_outcomes();
  void end_round(Outcome outcome);
  void back_to_start();
  void apply_outcome_to_score(Outcome outcome);
  void show_result(Outcome outcome);

  ui::System& system_;
  ScoreRecorder recorder_;
};

}  // namespace game
