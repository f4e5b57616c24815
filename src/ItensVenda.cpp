#include "uImportacao.h"

void Tfrm_Importacao::MigrarItensVenda() {}
