#include "ui/qt/accessibility.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QPointer>
#include <QStringList>
#include <map>

#include "ui/accessibility.h"
#include "ui/qt/form_widget.h"
#include "ui/qt/grid_widget.h"
#include "ui/qt/picture_widget.h"

namespace ui::qt {

namespace {

// The shared reading in AT-SPI's words. The grid stays a list of rows, one line each, as Orca
// reads it best.
QAccessible::Role qt_role(Role role) {
  switch (role) {
    case Role::window:
      return QAccessible::Window;  // AT-SPI's frame
    case Role::push_button:
      return QAccessible::Button;
    case Role::graphic:
      return QAccessible::Graphic;
    case Role::text:
      return QAccessible::StaticText;
    case Role::table:
      return QAccessible::List;
  }
  return QAccessible::NoRole;
}

class FormAccessible final : public QAccessibleWidget {
 public:
  explicit FormAccessible(FormWidget* form)
      : QAccessibleWidget(form, qt_role(accessible_of(form->form()).role)) {}

  QString text(QAccessible::Text t) const override {
    if (t != QAccessible::Name) return QAccessibleWidget::text(t);
    return qstr(accessible_of(static_cast<FormWidget*>(widget())->form()).name);
  }
};

class PictureAccessible final : public QAccessibleWidget {
 public:
  explicit PictureAccessible(PictureWidget* picture)
      : QAccessibleWidget(picture, qt_role(accessible_of(picture->model()).role)) {}

  QString text(QAccessible::Text t) const override {
    // The tooltip is the name already: read once, not twice.
    if (t == QAccessible::Description) return {};
    if (t == QAccessible::Name) {
      return qstr(accessible_of(static_cast<PictureWidget*>(widget())->model()).name);
    }
    return QAccessibleWidget::text(t);
  }
  QStringList actionNames() const override {
    if (role() != QAccessible::Button) return QAccessibleWidget::actionNames();
    return QStringList{pressAction()} + QAccessibleWidget::actionNames();
  }
  void doAction(const QString& action) override {
    if (action == pressAction() && role() == QAccessible::Button) {
      static_cast<PictureWidget*>(widget())->click();
      return;
    }
    QAccessibleWidget::doAction(action);
  }
};

// A place of the score grid, read as one line: "3: Lou, 1160, première partie".
class GridRowAccessible final : public QAccessibleInterface {
 public:
  GridRowAccessible(GridWidget* grid, int row) : grid_(grid), row_(row) {}

  bool isValid() const override { return !grid_.isNull(); }
  QObject* object() const override { return nullptr; }
  QWindow* window() const override {
    QAccessibleInterface* grid = parent();
    return grid != nullptr ? grid->window() : nullptr;
  }
  QAccessibleInterface* parent() const override {
    return QAccessible::queryAccessibleInterface(grid_.data());
  }
  QAccessibleInterface* child(int) const override { return nullptr; }
  int childCount() const override { return 0; }
  int indexOfChild(const QAccessibleInterface*) const override { return -1; }
  QAccessibleInterface* childAt(int, int) const override { return nullptr; }
  QAccessible::Role role() const override { return QAccessible::ListItem; }
  QAccessible::State state() const override {
    QAccessible::State state;
    state.readOnly = true;
    return state;
  }
  void setText(QAccessible::Text, const QString&) override {}
  QString text(QAccessible::Text t) const override {
    if (t != QAccessible::Name || !isValid()) return {};
    return qstr(row_text(grid_->model(), row_));
  }
  QRect rect() const override {
    if (!isValid()) return {};
    const QRect row =
        grid_->cell_rect(row_, 0).united(grid_->cell_rect(row_, grid_->model().cols() - 1));
    const int scale = grid_->scale();
    return QRect(grid_->mapToGlobal(row.topLeft() * scale), row.size() * scale);
  }

 private:
  QPointer<GridWidget> grid_;
  int row_;
};

// The grid as a list of its places, named by its headings; the rows are made as a reader asks.
class GridAccessible final : public QAccessibleWidget {
 public:
  explicit GridAccessible(GridWidget* grid)
      : QAccessibleWidget(grid, qt_role(accessible_of(grid->model()).role)) {}

  QString text(QAccessible::Text t) const override {
    if (t != QAccessible::Name) return QAccessibleWidget::text(t);
    return qstr(accessible_of(grid().model()).name);
  }
  int childCount() const override { return grid().model().rows() - 1; }
  QAccessibleInterface* child(int index) const override {
    if (index < 0 || index >= childCount()) return nullptr;
    auto [it, added] = rows_.try_emplace(index, 0);
    if (added) {
      it->second =
          QAccessible::registerAccessibleInterface(new GridRowAccessible(&grid(), index + 1));
    }
    return QAccessible::accessibleInterface(it->second);
  }
  int indexOfChild(const QAccessibleInterface* child) const override {
    for (const auto& [index, id] : rows_) {
      if (QAccessible::accessibleInterface(id) == child) return index;
    }
    return -1;
  }

 protected:
  ~GridAccessible() override {
    for (const auto& [index, id] : rows_) QAccessible::deleteAccessibleInterface(id);
  }

 private:
  GridWidget& grid() const { return *static_cast<GridWidget*>(widget()); }

  mutable std::map<int, QAccessible::Id> rows_;
};

QAccessibleInterface* interface_for(const QString&, QObject* object) {
  // Qt keeps the interfaces and deletes them with their widgets.
  if (auto* picture = dynamic_cast<PictureWidget*>(object)) return new PictureAccessible(picture);
  if (auto* grid = dynamic_cast<GridWidget*>(object)) return new GridAccessible(grid);
  if (auto* form = dynamic_cast<FormWidget*>(object)) return new FormAccessible(form);
  return nullptr;
}

}  // namespace

void install_accessibility() {
  QAccessible::installFactory(interface_for);
}

}  // namespace ui::qt
