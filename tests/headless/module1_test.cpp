#include <gtest/gtest.h>

#include <cmath>

#include "game/module1.h"
#include "ui/runtime_error.h"

using namespace Module1;

namespace {

TEST(Integer16, CheckedKeepsTheRangeAndRefusesBeyond) {
  EXPECT_EQ(checked(32767), 32767);
  EXPECT_EQ(checked(-32768), -32768);
  EXPECT_THROW(checked(32768), ui::RuntimeError);
  EXPECT_THROW(checked(-32769), ui::RuntimeError);
}

TEST(Integer16, OverflowKeepsTheVariable) {
  Integer v = 32000;
  EXPECT_THROW(v = checked(long{v} + 1000), ui::RuntimeError);
  EXPECT_EQ(v, 32000);
}

TEST(Integer16, ConversionRoundsHalvesToEven) {
  EXPECT_EQ(cint(0.5), 0);
  EXPECT_EQ(cint(1.5), 2);
  EXPECT_EQ(cint(2.5), 2);
  EXPECT_EQ(cint(-2.5), -2);
  EXPECT_EQ(cint(1181.818), 1182);
  EXPECT_EQ(cint(32767.4), 32767);
  EXPECT_EQ(cint(-32768.4), -32768);
  EXPECT_THROW(cint(32767.5), ui::RuntimeError);
  EXPECT_THROW(cint(-32768.6), ui::RuntimeError);
  EXPECT_THROW(cint(std::nan("")), ui::RuntimeError);
}

TEST(Drift, DrawsStayInRangeEvenJustBelowOne) {
  const float below_one = std::nextafter(1.0f, 0.0f);
  EXPECT_EQ(normal_drift(0.0f), 5);
  EXPECT_EQ(normal_drift(below_one), 21);
  EXPECT_EQ(boosted_drift(0.0f), -7);
  EXPECT_EQ(boosted_drift(below_one), -26);
  for (int i = 0; i < 1 << 16; ++i) {
    const float r = static_cast<float>(i) / static_cast<float>(1 << 16);
    ASSERT_GE(normal_drift(r), 5);
    ASSERT_LE(normal_drift(r), 21);
    ASSERT_GE(boosted_drift(r), -26);
    ASSERT_LE(boosted_drift(r), -7);
  }
}

TEST(Drift, EveryValueOfTheRangeCanBeDrawn) {
  for (int d = 0; d < 17; ++d) EXPECT_EQ(normal_drift((d + 0.5f) / 17.0f), d + 5);
  for (int d = 0; d < 20; ++d) EXPECT_EQ(boosted_drift((d + 0.5f) / 20.0f), -d - 7);
}

TEST(State, ResetGivesTheStartValues) {
  rival_step = player_dy = player_dx = boost_on = score = level = end_choice = place = placed = 5;
  tmp_score = grid_row = 5;
  score_rec = {std::string(30, 'x'), 3, "c"};
  // Not = "x": GCC 12 warns falsely (-Wrestrict) when building for 32 bits.
  tmp_pseudo = tmp_comment = new_pseudo = new_comment = std::string(1, 'x');
  reset();
  for (const Integer v : {rival_step, player_dy, player_dx, boost_on, score, level, end_choice,
                          place, placed, tmp_score, grid_row}) {
    EXPECT_EQ(v, 0);
  }
  EXPECT_EQ(score_rec.pseudo, std::string(30, '\0'));
  EXPECT_EQ(score_rec.score, 0);
  EXPECT_TRUE(score_rec.comment.empty());
  for (const std::string& t : {tmp_pseudo, tmp_comment, new_pseudo, new_comment}) {
    EXPECT_TRUE(t.empty());
  }
}

}  // namespace
