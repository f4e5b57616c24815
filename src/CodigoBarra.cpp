#include "uImportacao.h"

void Tfrm_Importacao::btn_CodigoBarraClick(QObject*) {}
