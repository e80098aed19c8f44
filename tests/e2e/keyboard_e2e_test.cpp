#include <gtest/gtest.h>

#include "session.h"

namespace e2e {
namespace {

class Keyboard : public Session {};

TEST_F(Keyboard, AWholeGameWithoutTheMouse) {
  keyboard = true;
  start_game();
  // Space steers, c continues after the untouched first round is lost.
  ASSERT_TRUE(win_a_round(60s)) << "the test player could not win a round with the keys";
  validate_answering({"Clavier", "sans souris"});
  ASSERT_TRUE(wait_focused_dialog(kPatience)) << "no place announced";
  desktop.key("Return");
  std::optional<Window> viewer;
  ASSERT_TRUE(wait_for([&] { return (viewer = viewer_window()).has_value(); }, kPatience));
  EXPECT_EQ(test::pseudo_at(test::read_bytes(score_path()), 1), "Clavier" + std::string(23, ' '));

  ASSERT_TRUE(desktop.focus(*viewer)) << "the viewer has not the keyboard";
  desktop.key("Escape");
  const auto status = game->wait_exit(kPatience);
  ASSERT_TRUE(status.has_value()) << "Escape did not end the viewer";
  EXPECT_EQ(*status, 0);
}

}  // namespace
}  // namespace e2e
