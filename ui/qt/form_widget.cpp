#include "ui/qt/form_widget.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QWindow>

#include "ui/grid.h"
#include "ui/key_filter.h"
#include "ui/layout.h"

#include "ui/qt/button_widget.h"
#include "ui/qt/grid_widget.h"
#include "ui/qt/picture_widget.h"
#include "ui/qt/placement.h"

namespace ui::qt {

namespace {

QLabel* make_label(const Label& model, int scale, QWidget* parent) {
  auto* label = new QLabel(parent);
  label->setObjectName(qstr(model.name()));
  label->setAutoFillBackground(true);
  QPalette pal = label->palette();
  pal.setColor(QPalette::Window, colour(model.BackColor));
  pal.setColor(QPalette::WindowText, colour(model.ForeColor));
  label->setPalette(pal);
  label->setFont(font_for(model.font, scale));
  label->setAlignment(Qt::AlignTop |
                      (model.Alignment == Align::centre ? Qt::AlignHCenter : Qt::AlignLeft));
  label->setText(qstr(model.Caption));
  return label;
}

// The key press in the model's terms. Qt numbers Space and the letters as the model does.
KeyPress key_press(const QKeyEvent& event) {
  int code = event.key();
  if (code == Qt::Key_Return || code == Qt::Key_Enter) code = static_cast<int>(Key::Return);
  if (code == Qt::Key_Escape) code = static_cast<int>(Key::Escape);
  return {key_numbered(code),
          (event.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) != 0,
          event.isAutoRepeat()};
}

}  // namespace

FormWidget::FormWidget(Form& form, EventSink& sink, const QScreen& screen)
    : form_(form), sink_(sink), centring_(form.centred) {
  setObjectName(qstr(form.name()));
  setWindowTitle(qstr(form.Caption));
  setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint);
  // Its native window first: the window manager can then say what frame it will draw, and the
  // window follows its screen (fit_to).
  winId();
  windowHandle()->installEventFilter(this);
  scale_ = fitting_scale(form, *this, screen);
  setFixedSize(px(form.ScaleWidth) * scale_, px(form.ScaleHeight) * scale_);
  setAutoFillBackground(true);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, colour(form.BackColor));
  setPalette(pal);
  setFocusPolicy(Qt::StrongFocus);

  for (Box* box : form.boxes()) widgets_[box] = build(*box);
  // Later siblings lie on top in Qt: raising from the back makes the first listed the front.
  for (auto it = form.boxes().rbegin(); it != form.boxes().rend(); ++it) widgets_[*it]->raise();
  sync();
  place(*this, screen, centring_);
}

QWidget* FormWidget::build(Box& box) {
  QWidget* parent = parent_for(box);
  QWidget* widget = nullptr;
  visit(box,
        Overloaded{
            [&](Picture& picture) {
              widget = new PictureWidget(
                  picture, scale_,
                  [this, &picture] {
                    sink_.deliver(form_, picture.Click, EventSink::Source::player);
                  },
                  parent);
            },
            [&](Label& label) { widget = make_label(label, scale_, parent); },
            [&](Grid& grid) { widget = new GridWidget(grid, font_for(grid.font), scale_, parent); },
            [&](Button& button) {
              auto* face = new ButtonWidget(button, font_for(button.font), scale_, parent);
              connect(face, &QAbstractButton::clicked, this, [this, &button] {
                sink_.deliver(form_, button.Click, EventSink::Source::player);
              });
              widget = face;
            },
        });
  return widget;
}

QWidget* FormWidget::parent_for(const Box& box) {
  if (box.container() == &form_) return this;
  return widgets_.at(box.container());
}

QWidget* FormWidget::widget_for(const Element& element) const {
  auto it = widgets_.find(&element);
  return it == widgets_.end() ? nullptr : it->second;
}

void FormWidget::sync() {
  for (Box* box : form_.boxes()) sync_box(*box, *widgets_.at(box));
  std::vector<bool> shown;
  for (const Line* line : form_.lines()) shown.push_back(line->Visible);
  if (shown != lines_shown_) {
    lines_shown_ = std::move(shown);
    update();
  }
  const QString title = qstr(form_.Caption);
  if (windowTitle() != title) setWindowTitle(title);
}

void FormWidget::fit_to(const QScreen& screen) {
  const int scale = fitting_scale(form_, *this, screen);
  if (scale != scale_) set_scale(scale);
  place(*this, screen, centring_);
}

void FormWidget::set_scale(int scale) {
  scale_ = scale;
  setFixedSize(px(form_.ScaleWidth) * scale_, px(form_.ScaleHeight) * scale_);
  for (Box* box : form_.boxes()) {
    visit(*box, Overloaded{
                    [&](Label& label) { widget_for(label)->setFont(font_for(label.font, scale_)); },
                    [](auto&) {},
                });
    sync_box(*box, *widgets_.at(box));
    widgets_.at(box)->update();
  }
  update();
}

void FormWidget::sync_box(Box& box, QWidget& widget) {
  const QRect r = qrect(local_rect(box), scale_);
  if (widget.geometry() != r) widget.setGeometry(r);
  // Qt draws a child only while its parents are shown: the containment rule for free.
  if (widget.isHidden() == box.Visible) widget.setVisible(box.Visible);
  visit(box, Overloaded{
                 [&](Label& label) {
                   auto& qlabel = static_cast<QLabel&>(widget);
                   const QString caption = qstr(label.Caption);
                   if (qlabel.text() != caption) qlabel.setText(caption);
                 },
                 [&](Grid&) { static_cast<GridWidget&>(widget).sync(); },
                 [](auto&) {},
             });
}

// The window manager may have put the window elsewhere than asked, and only now is the frame it
// drew sure (a busy manager may not have announced it in time): the window takes again the scale
// that frame allows and is placed by it, each time it is shown.
bool FormWidget::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Expose && showing_ && windowHandle()->isExposed()) {
    showing_ = false;
    fit_to(*screen());
    centring_ = false;
  }
  return QWidget::eventFilter(watched, event);
}

void FormWidget::showEvent(QShowEvent*) {
  showing_ = true;
}

void FormWidget::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.scale(scale_, scale_);
  for (const Line* line : form_.lines()) {
    if (line->Visible) {
      draw_line(painter, {px(line->X1), px(line->Y1)}, {px(line->X2), px(line->Y2)}, Qt::black);
    }
  }
}

void FormWidget::keyPressEvent(QKeyEvent* event) {
  if (!press_key(form_, key_press(*event), sink_)) QWidget::keyPressEvent(event);
}

void FormWidget::closeEvent(QCloseEvent* event) {
  event->accept();
  sink_.window_closed(form_);
}

}  // namespace ui::qt
