// Program entry: the application object, the one window, the message loop.
#include "uImportacao.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication qt(argc, argv);
    TApplication application(QCoreApplication::applicationFilePath(), std::make_unique<TQtMessageBoxes>());
    Tfrm_Importacao frm_Importacao(application);
    frm_Importacao.show();
    return qt.exec();
}
