#include "uImportacao.h"

QString Tfrm_Importacao::ExtrairLogradouro(const QString& address) { return address; }
QString Tfrm_Importacao::ExtrairNumero(const QString&) { return {}; }
