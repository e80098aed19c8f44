#include <gtest/gtest.h>

#include <QApplication>

#include "ui/qt/placement.h"

namespace {

// The offscreen platform says this of every dialog; it is noise, not a fault.
void quiet_handler(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (message.contains("propagateSizeHints")) return;
  qt_message_output(type, context, message);
}

}  // namespace

int main(int argc, char** argv) {
  // The widgets are real but need no screen; each window takes its own scale, as in the programs.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", KLB_OFFSCREEN);
  ui::qt::prepare_scaling();
  qInstallMessageHandler(quiet_handler);
  ::testing::InitGoogleTest(&argc, argv);
  QApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
