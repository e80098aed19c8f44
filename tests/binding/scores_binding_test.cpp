#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QGuiApplication>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <functional>
#include <iostream>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "../headless/score_support.h"
#include "game/klimbor.h"
#include "looks.h"
#include "scores/frm_visualiser.h"
#include "scores/score_recording.h"
#include "ui/qt/form_widget.h"
#include "ui/qt/grid_widget.h"
#include "ui/qt/qt_system.h"

using namespace Module1;

namespace {

// What a dialog showed when it came up, and what the window behind it showed then.
struct Seen {
  QString title, text;
  int max_length = -1;
  bool icon = false;
  QString behind;
};

// Answers the modal dialogs as they come up, one answer each: a text to type and OK, or Cancel
// when the answer is empty.
class DialogAnswerer {
 public:
  explicit DialogAnswerer(std::vector<QString> answers, std::function<QString()> behind = {})
      : answers_(std::move(answers)), behind_(std::move(behind)) {
    poll_.setInterval(10);
    QObject::connect(&poll_, &QTimer::timeout, [this] { answer(); });
    poll_.start();
  }
  std::vector<Seen> seen;

 private:
  void answer() {
    // Dialogs come and go at the same address: a mark tells the ones answered already.
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr || modal->property("answered").toBool()) return;
    modal->setProperty("answered", true);
    Seen s{modal->windowTitle(), {}, -1, false, behind_ ? behind_() : QString()};
    const QString reply = next_ < answers_.size() ? answers_[next_++] : QString();
    if (auto* input = qobject_cast<QInputDialog*>(modal)) {
      s.text = input->labelText();
      if (auto* edit = input->findChild<QLineEdit*>()) s.max_length = edit->maxLength();
      seen.push_back(s);
      if (reply.isEmpty()) {
        input->reject();
      } else {
        input->setTextValue(reply);
        input->accept();
      }
    } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
      s.text = box->text();
      s.icon = box->icon() != QMessageBox::NoIcon;
      seen.push_back(s);
      box->accept();
    }
  }

  std::vector<QString> answers_;
  std::function<QString()> behind_;
  std::size_t next_ = 0;
  QTimer poll_;
};

// A window whose handlers open the boxes, writing a note before each.
struct Asking : ui::Form {
  Asking() : ui::Form("asking", "Klimbor", 1500, 1500, {}) {
    note.font = {"Comic Sans MS", 8.25, false};
    stack({&note});
  }
  ui::Label note{"note", this, {0, 0, 1500, 300}, true};
};

class ScoresBinding : public test::ScoreFileTest {
 protected:
  // The note as the window shows it.
  QString note() const {
    return static_cast<QLabel*>(sys.widget_of(asking)->widget_for(asking.note))->text();
  }

  ui::qt::QtSystem sys{QStringLiteral("Klimbor")};
  Asking asking;
};

TEST_F(ScoresBinding, ViewerWindowIsALightGreen660By654ToolWindowWithItsGrid) {
  test::write_bytes(path(), test::slot("Zo", 1000, "bravo") + std::string(128, '\0'));
  scores::frm_visualiser viewer(sys, store);
  sys.show(viewer);
  ui::qt::FormWidget* window = sys.widget_of(viewer);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(window->windowTitle(), "Klimbor");
  EXPECT_EQ(window->size(), QSize(660, 654));
  EXPECT_TRUE(window->windowFlags().testFlag(Qt::Tool));
  EXPECT_EQ(window->widget_for(viewer.Grd_livre)->geometry(), QRect(0, 0, 663, 601));
  EXPECT_EQ(window->widget_for(viewer.cmd_fin)->geometry(), QRect(272, 608, 113, 41));

  const QImage image = window->grab().toImage();
  EXPECT_EQ(QColor(image.pixel(5, 3)), QColor(255, 128, 128)) << "heading in salmon";
  EXPECT_EQ(QColor(image.pixel(140, 40)), QColor(255, 255, 128)) << "a cell in light yellow";
  EXPECT_EQ(QColor(image.pixel(60, 520)), QColor(128, 255, 128)) << "beyond the last row";
  EXPECT_EQ(QColor(image.pixel(80, 31)), QColor(255, 128, 128)) << "a salmon grid line";
  const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
  EXPECT_LE((window->frameGeometry().center() - screen.center()).manhattanLength(), 1)
      << "the whole window centred on the screen, frame included";
  EXPECT_NE(window->frameGeometry(), window->geometry()) << "the offscreen platform draws a frame";
  // Centred when it first shows only: moved by the player, hidden and shown again, it stays.
  QCoreApplication::processEvents();
  window->move(40, 30);
  sys.hide(viewer);
  sys.show(viewer);
  EXPECT_TRUE(QTest::qWaitForWindowExposed(window));
  QCoreApplication::processEvents();
  EXPECT_EQ(window->frameGeometry().topLeft(), QPoint(40, 30));

  // Dark green text in small bold letters; the cell written last in salmon, as selected.
  auto* grid = static_cast<ui::qt::GridWidget*>(window->widget_for(viewer.Grd_livre));
  EXPECT_TRUE(test::shows(*grid, QColor(0, 128, 0), grid->cell_rect(1, 2))) << "1000";
  EXPECT_EQ(QColor(image.pixel(grid->cell_rect(2, 3).center())), QColor(255, 128, 128));
  for (QWidget* w : {static_cast<QWidget*>(grid), window->widget_for(viewer.cmd_fin)}) {
    EXPECT_TRUE(w->font().bold());
    EXPECT_EQ(w->font().pixelSize(), w == grid ? 11 : 13);
  }
  // The credits: orange on light green, in large bold letters.
  for (const auto& [label, caption, size] :
       {std::tuple(&viewer.Label2, "By Dalvix", 21),
        std::tuple(&viewer.Label1, "www.klimbor.example", 15)}) {
    auto* w = static_cast<QLabel*>(window->widget_for(*label));
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(w->text(), caption);
    EXPECT_TRUE(test::shows(*w, QColor(255, 128, 0))) << caption;
    EXPECT_EQ(test::columns_showing(*w, QColor(128, 255, 128)), std::pair(0, w->width() - 1));
    EXPECT_EQ(w->font().pixelSize(), size);
    EXPECT_TRUE(w->font().bold());
  }
}

TEST_F(ScoresBinding, ReadersFindFinAndReadThePlacesAndEscapePressesFin) {
  test::write_bytes(path(), test::slot("Zo", 1000, "bravo"));
  scores::frm_visualiser viewer(sys, store);
  sys.show(viewer);
  ui::qt::FormWidget* window = sys.widget_of(viewer);
  const auto reader = [&](const ui::Element& e) {
    return QAccessible::queryAccessibleInterface(window->widget_for(e));
  };
  ASSERT_NE(reader(viewer.cmd_fin), nullptr);
  EXPECT_EQ(reader(viewer.cmd_fin)->role(), QAccessible::Button);
  EXPECT_EQ(reader(viewer.cmd_fin)->text(QAccessible::Name), "Fin");
  QAccessibleInterface* grid = reader(viewer.Grd_livre);
  ASSERT_NE(grid, nullptr);
  EXPECT_EQ(grid->text(QAccessible::Name), "Pseudos, Scores, Commentaires");
  ASSERT_EQ(grid->childCount(), 30);
  EXPECT_EQ(grid->child(0)->text(QAccessible::Name), "1: Zo, 1000, bravo");
  EXPECT_EQ(grid->child(29)->text(QAccessible::Name), "30:") << "a place with no record read";
  EXPECT_EQ(grid->indexOfChild(grid->child(29)), 29);
  QTest::keyClick(window, Qt::Key_Escape);
  EXPECT_TRUE(sys.ended());
  EXPECT_FALSE(window->isVisible()) << "the end hides every window";
}

TEST_F(ScoresBinding, DialogsAreTitledKlimborWithTheirPromptsAndLimitsOverTheWindowAsLeft) {
  sys.show(asking);
  DialogAnswerer answerer({"Zoé", ""}, [this] { return note(); });
  std::string pseudo, comment;
  sys.deliver(
      asking,
      [&] {
        asking.note.Caption = "1";
        pseudo = sys.input_box("entrez votre pseudo", 30);
        asking.note.Caption = "2";
        comment = sys.input_box("commentaire:", 94);
        asking.note.Caption = "3";
        sys.message_box("Bravo");
      },
      ui::Dispatcher::Source::player);
  EXPECT_EQ(pseudo, "Zoé");
  EXPECT_EQ(comment, "") << "Cancel gives the empty text";
  ASSERT_EQ(answerer.seen.size(), 3u);
  EXPECT_EQ(answerer.seen[0].title, "Klimbor");
  EXPECT_EQ(answerer.seen[0].text, "entrez votre pseudo");
  EXPECT_EQ(answerer.seen[0].max_length, 30);
  EXPECT_EQ(answerer.seen[1].text, "commentaire:");
  EXPECT_EQ(answerer.seen[1].max_length, 94);
  EXPECT_EQ(answerer.seen[2].title, "Klimbor");
  EXPECT_EQ(answerer.seen[2].text, "Bravo");
  EXPECT_FALSE(answerer.seen[2].icon);
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(answerer.seen[i].behind, QString::number(i + 1)) << "as the handler left it";
  }
}

TEST_F(ScoresBinding, ARecordingHidesTheGameAndShowsTheViewerWithTheNewTable) {
  test::write_bytes(path(), test::table({900, 500, 100}));
  scores::ScoreRecording recording(sys, store);
  game::Klimbor game(sys, [&](game::Klimbor& g) { recording.record(g, g.Timer1); });
  sys.show(game);
  DialogAnswerer answerer({"Zoé", "super"});
  score = 600;
  end_choice = 2;
  sys.deliver(game, game.Timer1.Tick, ui::Dispatcher::Source::timer);

  ASSERT_EQ(answerer.seen.size(), 3u);
  EXPECT_EQ(answerer.seen[2].text.toStdString(),
            "Bravo, vous étes classé à la 2éme place ! pour plus de détail consultez le fichier "
            "klb best scores");
  EXPECT_FALSE(sys.widget_of(game)->isVisible());
  ASSERT_NE(recording.viewer(), nullptr);
  ui::qt::FormWidget* viewer = sys.widget_of(*recording.viewer());
  ASSERT_NE(viewer, nullptr);
  EXPECT_TRUE(viewer->isVisible());
  EXPECT_EQ(recording.viewer()->Grd_livre.text(2, 2), "600");
  EXPECT_EQ(test::scores_of(bytes())[1], 600);

  viewer->close();
  EXPECT_TRUE(sys.ended()) << "the hidden game window does not keep the program alive";
}

TEST_F(ScoresBinding, AHandlersErrorIsABoxWithAnIconTitledKlimborAndALineOnStandardError) {
  sys.show(asking);
  DialogAnswerer answerer({}, [this] { return note(); });
  std::ostringstream written;
  std::streambuf* standard_error = std::cerr.rdbuf(written.rdbuf());
  sys.deliver(
      asking,
      [this] {
        asking.note.Caption = "avant";
        throw ui::RuntimeError("Accès refusé");
      },
      ui::Dispatcher::Source::player);
  std::cerr.rdbuf(standard_error);
  ASSERT_EQ(answerer.seen.size(), 1u);
  EXPECT_EQ(answerer.seen[0].title, "Klimbor");
  EXPECT_EQ(answerer.seen[0].text.toStdString(), "Erreur d'exécution :\n\nAccès refusé");
  EXPECT_TRUE(answerer.seen[0].icon);
  EXPECT_EQ(answerer.seen[0].behind, "avant") << "the steps before the failure show";
  EXPECT_EQ(written.str(), "Klimbor : erreur d'exécution : Accès refusé\n");
}

}  // namespace
