#include <QIcon>

#include "ui/application.h"
#include "ui/frm_kestavon.h"

int main(int argc, char* argv[]) {
  kestavon::Application app(argc, argv);
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/kestavon/kestavon.png")));
  kestavon::frmKestavon window;
  window.show();
  return QApplication::exec();
}
