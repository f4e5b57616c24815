#include "uImportacao.h"

void Tfrm_Importacao::btn_Fornecedor_Como_MarcaClick(QObject*) {}
