#include "uImportacao.h"

void Tfrm_Importacao::MigrarClientes() {}
void Tfrm_Importacao::CDS_CLIENTENewRecord(TDataSet&) {}
