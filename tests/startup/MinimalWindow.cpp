// The yardstick for the program's start-up: the least a Qt 6 Widgets program does to show
// a window of the same size.
#include <QApplication>
#include <QWidget>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QWidget window;
  window.resize(385, 327);
  window.show();
  return app.exec();
}
