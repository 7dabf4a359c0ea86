// The skin tests need a QApplication for widgets; they run under the offscreen platform.
#include "widget_test_main.h"

int main(int argc, char** argv) { return tavo::testing::RunWidgetTests(argc, argv); }
