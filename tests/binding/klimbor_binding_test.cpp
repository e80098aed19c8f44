#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QFontInfo>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>
#include <QTest>
#include <QWindow>
#include <algorithm>
#include <cstdlib>
#include <tuple>
#include <vector>

#include "game/klimbor.h"
#include "game/module1.h"
#include "looks.h"
#include "ui/qt/form_widget.h"
#include "ui/qt/look.h"
#include "ui/qt/qt_system.h"

using namespace Module1;

namespace {

class KlimborBinding : public ::testing::Test {
 protected:
  KlimborBinding() {
    Module1::reset();
    sys.show(k);
    window = sys.widget_of(k);
  }
  ~KlimborBinding() override { Module1::reset(); }

  QWidget& widget(const ui::Element& e) {
    QWidget* w = window->widget_for(e);
    EXPECT_NE(w, nullptr) << e.name();
    return *w;
  }
  QString caption(const ui::Label& l) { return static_cast<QLabel&>(widget(l)).text(); }
  void start_game() { tick(k.Timer); }
  void tick(ui::Timer& t) { sys.deliver(k, t.Tick, ui::Dispatcher::Source::timer); }
  void lose_round() {
    player_dx = 0;
    k.ar1(0).Left = 900;
    tick(k.Timer1);
  }
  QRgb pixel(int x, int y) { return window->grab().toImage().pixel(x, y); }
  // The window as a screen of scale factor 2 shows it.
  QImage at_scale_2() {
    QImage image(window->size() * 2, QImage::Format_RGB32);
    image.setDevicePixelRatio(2);
    window->render(&image);
    return image;
  }
  // Device pixels of a 2x drawing that differ from the 1x one grown in 2x2 squares, outside one
  // element's text: text is drawn anew at each size.
  int misplaced(const QImage& two, const ui::Element& text) {
    const QImage one = window->grab().toImage();
    const QRect skip(widget(text).mapTo(window, QPoint()), widget(text).size());
    int count = 0;
    for (int y = 0; y < two.height(); ++y) {
      for (int x = 0; x < two.width(); ++x) {
        const QPoint at(x / 2, y / 2);
        count += !skip.contains(at) && two.pixel(x, y) != one.pixel(at) ? 1 : 0;
      }
    }
    return count;
  }
  QAccessibleInterface* accessible(const ui::Element& e) {
    return QAccessible::queryAccessibleInterface(&widget(e));
  }

  ui::qt::QtSystem sys{QStringLiteral("Klimbor")};
  int recordings = 0;
  game::Klimbor k{sys, [this](game::Klimbor&) { ++recordings; }};
  ui::qt::FormWidget* window = nullptr;
};

TEST_F(KlimborBinding, WindowIsAFixedOrangeToolWindowOf129By278) {
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(window->windowTitle(), "Klimbor");
  EXPECT_EQ(window->size(), QSize(129, 278));
  EXPECT_EQ(window->minimumSize(), window->maximumSize());
  EXPECT_TRUE(window->windowFlags().testFlag(Qt::Tool));
  EXPECT_FALSE(window->windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(QColor(pixel(128, 277)), QColor(255, 128, 0)) << "orange where no element lies";
  sys.hide(k);
  EXPECT_FALSE(window->isVisible()) << "hidden at once, outside any handler";
  // Put mostly off the screen, as a window manager may place a window it shows: once shown, the
  // whole frame is moved back inside, the least it can be.
  const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
  window->move(area.left() - 40, area.bottom() - 30);  // the second screen lies to the right
  sys.show(k);
  EXPECT_TRUE(window->isVisible());
  EXPECT_TRUE(QTest::qWaitFor([&] { return area.contains(window->frameGeometry()); }))
      << "left partly off the screen";
  EXPECT_NE(window->frameGeometry(), window->geometry()) << "the offscreen platform draws a frame";
  EXPECT_EQ(window->frameGeometry().bottomLeft(), area.bottomLeft()) << "moved the least";
  // Dragged partly off by the player, it stays there: only showing it places it again.
  window->move(area.left() - 40, area.top() + 100);
  QCoreApplication::processEvents();
  EXPECT_LT(window->frameGeometry().left(), area.left());
}

// The second screen of the suite is at 150 %: a window moved there takes scale 2.
TEST_F(KlimborBinding, MovedToADenserScreenTheWindowGrowsInTwoByTwoSquaresInsideIt) {
  QScreen* dense = QGuiApplication::screens().value(1);
  ASSERT_NE(dense, nullptr) << "the suite runs on two screens";
  const QImage one = window->grab().toImage();
  std::vector<QRect> texts;
  for (const ui::Label* l : {&k.niv, &k.sko, &k.gagn, &k.niv1})
    texts.emplace_back(widget(*l).mapTo(window, QPoint()), widget(*l).size());
  window->windowHandle()->setScreen(dense);
  EXPECT_EQ(window->size(), QSize(258, 556));
  EXPECT_EQ(widget(k.ok).geometry(), QRect(112, 144, 34, 34));
  EXPECT_EQ(widget(k.niv1).font().pixelSize(), 2 * ui::qt::font_for(k.niv1.font).pixelSize());
  EXPECT_TRUE(dense->availableGeometry().contains(window->frameGeometry()));
  // Every pixel of the pictures and panels a 2x2 square of the 1x one; text is drawn anew.
  const QImage two = window->grab().toImage();
  int misplaced = 0;
  for (int y = 0; y < two.height(); ++y) {
    for (int x = 0; x < two.width(); ++x) {
      const QPoint at(x / 2, y / 2);
      const bool text =
          std::any_of(texts.begin(), texts.end(), [&](const QRect& r) { return r.contains(at); });
      misplaced += !text && two.pixel(x, y) != one.pixel(at) ? 1 : 0;
    }
  }
  EXPECT_EQ(misplaced, 0);

  window->windowHandle()->setScreen(QGuiApplication::primaryScreen());
  EXPECT_EQ(window->size(), QSize(129, 278)) << "back at 1x on the plain screen";
  EXPECT_EQ(window->grab().toImage(), one);
}

TEST_F(KlimborBinding, ElementsSitAtTheirPixelsInsideTheirContainers) {
  EXPECT_EQ(widget(k.dem).geometry(), QRect(0, 0, 137, 281));
  EXPECT_EQ(widget(k.tout).geometry(), QRect(2, 2, 137, 281)) << "inside dem's sunken frame";
  EXPECT_EQ(widget(k.cont).geometry(), QRect(96, 72, 17, 17));
  EXPECT_EQ(widget(k.ok).geometry(), QRect(56, 72, 17, 17));
  EXPECT_EQ(widget(k.niv1).geometry(), QRect(42, 42, 65, 17));
  EXPECT_EQ(widget(k.Command1).geometry(), QRect(80, 256, 49, 21));
  EXPECT_EQ(widget(k.ar1(0)).geometry(), QRect(88, 264, 17, 17));
  EXPECT_EQ(widget(k.ar2(0)).geometry(), QRect(24, 264, 17, 17));
  EXPECT_EQ(widget(k.line1).geometry(), QRect(62, 8, 6, 281));
}

TEST_F(KlimborBinding, IntroShowsOnlyTheTitlePanelWithNiveau1) {
  EXPECT_TRUE(widget(k.dem).isVisible());
  EXPECT_TRUE(widget(k.niv1).isVisible());
  EXPECT_FALSE(widget(k.tout).isVisible());
  EXPECT_FALSE(widget(k.Command1).isVisible());
  EXPECT_FALSE(widget(k.ar1(0)).isVisible());
  EXPECT_EQ(caption(k.niv1), "Niveau 1");
  const QFont font = widget(k.niv).font();
  EXPECT_TRUE(font.family() == "Comic Sans MS" || font.family() == "Comic Neue")
      << font.family().toStdString();
  EXPECT_EQ(font.pixelSize(), 13);
  EXPECT_TRUE(font.bold());
  EXPECT_TRUE(test::shows(widget(k.dem), QColor(255, 255, 0))) << "the title's yellow star";
}

// Dark red on orange: the result's labels centred on the panel, the intro's level to the left.
TEST_F(KlimborBinding, LabelsAreDarkRedOnOrangeCentredOnTheResultPanel) {
  const auto expect_label = [this](const ui::Label& label, bool centred) {
    QWidget& w = widget(label);
    EXPECT_TRUE(w.isVisible()) << label.name();
    const auto [first, last] = test::columns_showing(w, QColor(192, 0, 0));
    ASSERT_GE(first, 0) << label.name() << " shows no dark red text";
    const int right = w.width() - 1 - last;
    // Centred within what the glyphs' own sides leave: a few pixels.
    EXPECT_LE(centred ? std::abs(first - right) : first, centred ? 4 : 2) << label.name();
    EXPECT_EQ(test::columns_showing(w, QColor(255, 128, 0)), std::pair(0, w.width() - 1));
    EXPECT_EQ(w.font().pixelSize(), 13) << label.name();
    EXPECT_TRUE(w.font().bold()) << label.name();
  };
  expect_label(k.niv1, false);
  start_game();
  lose_round();
  for (const ui::Label* label : {&k.gagn, &k.niv, &k.sko}) expect_label(*label, true);
}

TEST_F(KlimborBinding, WidgetsFollowTheModelAfterEachHandler) {
  start_game();
  EXPECT_FALSE(widget(k.dem).isVisible());
  EXPECT_TRUE(widget(k.Command1).isVisible());
  EXPECT_TRUE(widget(k.ar1(0)).isVisible());
  EXPECT_TRUE(widget(k.ar2(0)).isVisible());
  EXPECT_EQ(QColor(pixel(20, 8)), QColor(Qt::black)) << "the finish line is drawn";

  player_dx = 15;
  tick(k.Timer1);
  EXPECT_EQ(widget(k.ar1(0)).pos(), QPoint(87, 263)) << "1305 and 3945 twips";
  EXPECT_EQ(widget(k.ar2(0)).pos(), QPoint(24, 263));

  lose_round();
  EXPECT_TRUE(widget(k.tout).isVisible());
  EXPECT_TRUE(widget(k.cont).isVisible());
  EXPECT_EQ(caption(k.gagn), "Perdu !");
  EXPECT_EQ(caption(k.niv), "Niveau 1");
  EXPECT_EQ(caption(k.sko), "Score: 0");
  EXPECT_EQ(widget(k.ar1(0)).pos(), QPoint(88, 264));
}

TEST_F(KlimborBinding, ClicksOnTheWidgetsReachTheHandlers) {
  start_game();
  QTest::mouseClick(&widget(k.Command1), Qt::LeftButton);
  EXPECT_EQ(boost_on, 1);
  EXPECT_EQ(player_dy, 40);
  lose_round();
  EXPECT_EQ(widget(k.cont).toolTip(), "Continuer");
  EXPECT_EQ(widget(k.ok).toolTip(), "Valider");
  EXPECT_EQ(widget(k.reco).toolTip(), "Recommencer");
  QTest::mouseClick(&widget(k.cont), Qt::LeftButton);
  EXPECT_EQ(end_choice, 1);
  EXPECT_FALSE(widget(k.tout).isVisible());
  EXPECT_TRUE(k.Timer1.enabled());
}

TEST_F(KlimborBinding, QtKeysReachTheModelOncePerPressAndWithoutModifiers) {
  QTest::keyClick(window, Qt::Key_Space);
  EXPECT_EQ(boost_on, 0) << "VITESSE is hidden during the intro";
  start_game();
  QTest::keyClick(window, Qt::Key_Space);
  QKeyEvent held(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "), true);
  QApplication::sendEvent(window, &held);
  EXPECT_EQ(boost_on, 1) << "a held key presses once";
  lose_round();
  QTest::keyClick(window, Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(end_choice, 0) << "Ctrl+V is not V";
  QTest::keyClick(window, Qt::Key_V);
  EXPECT_EQ(end_choice, 2);
  QTest::keyClick(window, Qt::Key_Enter, Qt::KeypadModifier);
  EXPECT_EQ(end_choice, 1) << "the keypad's Enter is Return";
}

TEST_F(KlimborBinding, ScreenReadersFindEveryControlByNameAndRoleAndPressIt) {
  start_game();
  lose_round();
  const std::tuple<const ui::Element*, QAccessible::Role, QString> controls[] = {
      {&k.cont, QAccessible::Button, "Continuer"},   {&k.ok, QAccessible::Button, "Valider"},
      {&k.reco, QAccessible::Button, "Recommencer"}, {&k.Command1, QAccessible::Button, "VITESSE"},
      {&k.gagn, QAccessible::StaticText, "Perdu !"}, {&k.sko, QAccessible::StaticText, "Score: 0"}};
  for (const auto& [element, role, name] : controls) {
    QAccessibleInterface* a = accessible(*element);
    ASSERT_NE(a, nullptr) << element->name();
    EXPECT_EQ(a->role(), role) << element->name();
    EXPECT_EQ(a->text(QAccessible::Name), name);
  }
  EXPECT_EQ(accessible(k.tout)->role(), QAccessible::Graphic) << "a picture without a click";
  QAccessibleInterface* frame = QAccessible::queryAccessibleInterface(window);
  EXPECT_EQ(frame->role(), QAccessible::Window) << "AT-SPI's frame, not a filler";
  EXPECT_EQ(frame->text(QAccessible::Name), "Klimbor");
  QAccessibleActionInterface* ok = accessible(k.ok)->actionInterface();
  ASSERT_NE(ok, nullptr);
  ok->doAction(QAccessibleActionInterface::pressAction());
  EXPECT_EQ(end_choice, 2) << "a reader's press is the player's click";
}

TEST_F(KlimborBinding, AtScale2LinesAndFrameAreTwoDevicePixelsWhereTheyLieAt1x) {
  const QImage intro = at_scale_2();
  EXPECT_EQ(misplaced(intro, k.niv1), 0);
  // dem's sunken frame: two bands of two device pixels, dark then shadow.
  const QPalette pal = widget(k.dem).palette();
  EXPECT_EQ(intro.pixel(1, 100), pal.dark().color().rgb());
  EXPECT_EQ(intro.pixel(2, 100), pal.shadow().color().rgb());
  start_game();
  const QImage race = at_scale_2();
  EXPECT_EQ(misplaced(race, k.Command1), 0);
  EXPECT_EQ(QColor(race.pixel(255, 100)), QColor(255, 128, 0));
  EXPECT_EQ(QColor(race.pixel(256, 100)), QColor(Qt::black)) << "Line4, first column";
  EXPECT_EQ(QColor(race.pixel(257, 100)), QColor(Qt::black)) << "the window's last column";
  EXPECT_EQ(QColor(race.pixel(1, 100)), QColor(Qt::black)) << "Line3, the first column";
}

TEST_F(KlimborBinding, PixelArtIsDrawnAtTheElementsCorner) {
  start_game();
  // The bar is solid black from its first pixel, the spiders' backgrounds are orange.
  EXPECT_EQ(QColor(pixel(62, 20)), QColor(Qt::black));
  EXPECT_EQ(QColor(pixel(67, 20)), QColor(Qt::black));
  EXPECT_EQ(QColor(pixel(24, 264)), QColor(255, 128, 0));
  EXPECT_EQ(QColor(pixel(32, 270)), QColor(0, 0, 0)) << "the black spider's body";
  EXPECT_EQ(QColor(widget(k.ar1(0)).grab().toImage().pixel(8, 6)), QColor(0, 0, 255))
      << "the blue spider's body, behind VITESSE at the start";
  // VITESSE: a light green face, its caption small and plain.
  QWidget& vitesse = widget(k.Command1);
  EXPECT_EQ(QColor(vitesse.grab().toImage().pixel(3, 3)), QColor(128, 255, 128));
  EXPECT_EQ(vitesse.font().pixelSize(), 9);
  EXPECT_FALSE(vitesse.font().bold());
  lose_round();
  for (const ui::Picture* button : {&k.cont, &k.ok, &k.reco}) {
    EXPECT_EQ(QColor(widget(*button).grab().toImage().pixel(3, 8)), QColor(0, 192, 0))
        << button->name() << " is a green round button";
  }
  EXPECT_TRUE(test::shows(widget(k.tout), QColor(255, 255, 0))) << "the title behind the result";
}

TEST_F(KlimborBinding, ClosingTheWindowEndsTheProgram) {
  window->close();
  EXPECT_TRUE(sys.ended());
  EXPECT_FALSE(k.Visible);
}

TEST_F(KlimborBinding, TheProgramsEndHidesItsWindowsOutsideAHandlerToo) {
  sys.end_program();
  EXPECT_TRUE(sys.ended());
  EXPECT_FALSE(window->isVisible());
}

TEST_F(KlimborBinding, TimersRunOnTheEventLoop) {
  EXPECT_TRUE(QTest::qWaitFor([this] { return k.Timer1.enabled(); }, 5000));
  EXPECT_FALSE(widget(k.dem).isVisible());
}

}  // namespace
