// The GStreamer tests post Qt events and show widgets: they need an application object.
#include "widget_test_main.h"

int main(int argc, char** argv) { return tavo::testing::RunWidgetTests(argc, argv); }
