// TavoCCTV's window tests need a QApplication; they run under the offscreen platform.
#include <QString>
#include <QtGlobal>

#include "widget_test_main.h"

namespace {

QtMessageHandler defaultHandler = nullptr;

// The offscreen platform cannot clip windows; the sliding folder panel asks at every step, and
// the warnings would bury the test output.
void QuietHandler(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (message.contains(QLatin1String("does not support setting window masks"))) return;
  defaultHandler(type, context, message);
}

}  // namespace

int main(int argc, char** argv) {
  defaultHandler = qInstallMessageHandler(QuietHandler);
  return tavo::testing::RunWidgetTests(argc, argv);
}
