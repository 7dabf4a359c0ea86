// TavoPreview's window tests need a QApplication; they run under the offscreen platform.
#include "widget_test_main.h"

int main(int argc, char** argv) { return tavo::testing::RunWidgetTests(argc, argv); }
