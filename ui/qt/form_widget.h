#pragma once

#include <QScreen>
#include <QWidget>
#include <functional>
#include <unordered_map>
#include <vector>

#include "ui/event_sink.h"
#include "ui/form.h"
#include "ui/qt/look.h"

namespace ui::qt {

// The top-level widget of one window: a child widget per element, the lines on its own surface,
// and sync() to make the widgets show what the model holds.
class FormWidget : public QWidget {
 public:
  // Drawn at the whole scale that fits the screen it opens on.
  FormWidget(Form& form, EventSink& sink, const QScreen& screen);

  void sync();
  // Device pixels per pixel of the model.
  int scale() const { return scale_; }
  // Takes the scale of another screen, as when the window is moved there.
  void fit_to(const QScreen& screen);
  // The widget drawing an element; null for elements without one (lines, timers).
  QWidget* widget_for(const Element& element) const;
  Form& form() const { return form_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  QWidget* build(Box& box);
  QWidget* parent_for(const Box& box);
  void sync_box(Box& box, QWidget& widget);
  void set_scale(int scale);

  Form& form_;
  EventSink& sink_;
  int scale_ = 1;                                         // the children draw at it too
  std::unordered_map<const Element*, QWidget*> widgets_;  // owned by their Qt parents
  std::vector<bool> lines_shown_;
  bool centring_;         // until first shown, if the form is centred
  bool showing_ = false;  // shown, not yet on the screen with its frame
};

}  // namespace ui::qt
