#include "uImportacao.h"

void Tfrm_Importacao::MigrarContaCorrente() {}
void Tfrm_Importacao::CDS_CRENewRecord(TDataSet&) {}
void Tfrm_Importacao::CDS_PCRNewRecord(TDataSet&) {}
QString Tfrm_Importacao::DocumentoUnico(const QString& number) { return number; }
