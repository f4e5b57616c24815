#include "uImportacao.h"

void Tfrm_Importacao::RegistrarEnderecoCliente(int, const QString&, int, const QString&) {}
void Tfrm_Importacao::RegistrarEnderecoFornecedor(int, const QString&, int, const QString&) {}
void Tfrm_Importacao::RegistrarContatoCliente(int, int, const QString&) {}
void Tfrm_Importacao::RegistrarContatoFornecedor(int, int, const QString&) {}
