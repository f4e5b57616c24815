#include "uImportacao.h"

int Tfrm_Importacao::RegistrarEndereco(const QString&, const QString&, const QString&, const QString&, const QString&) {
    return 0;
}
