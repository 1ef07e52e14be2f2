#include <QIcon>
#include <memory>

#include "ui/application.h"
#include "ui/frm_kestavon.h"

int main(int argc, char* argv[]) {
  kestavon::Application app(argc, argv);
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/kestavon/kestavon.png")));
  // Form_Load runs while the window is made; an error there is reported like any other.
  std::unique_ptr<kestavon::frmKestavon> window;
  kestavon::runHandler([&window] { window = std::make_unique<kestavon::frmKestavon>(); });
  window->show();
  return QApplication::exec();
}
