#include "ui/qt/accessibility.h"

#include <QAccessible>
#include <QAccessibleWidget>

#include "ui/qt/picture_widget.h"

namespace ui::qt {

namespace {

class PictureAccessible final : public QAccessibleWidget {
 public:
  explicit PictureAccessible(PictureWidget* picture)
      : QAccessibleWidget(picture,
                          picture->clickable() ? QAccessible::Button : QAccessible::Graphic) {}

  QString text(QAccessible::Text t) const override {
    // The tooltip is the name already: read once, not twice.
    if (t == QAccessible::Description) return {};
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

QAccessibleInterface* interface_for(const QString&, QObject* object) {
  auto* picture = dynamic_cast<PictureWidget*>(object);
  // Qt keeps the interface and deletes it with the widget.
  return picture != nullptr ? new PictureAccessible(picture) : nullptr;
}

}  // namespace

void install_accessibility() {
  QAccessible::installFactory(interface_for);
}

}  // namespace ui::qt
