// kestrum: the window.
#include <QApplication>
#include <QLabel>

#include "core/identity.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QLabel label(QString::fromUtf8(kestrum::kProgramTitle));
  label.show();
  return app.exec();
}
