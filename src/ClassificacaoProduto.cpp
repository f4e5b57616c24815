#include "uImportacao.h"

QString Tfrm_Importacao::RegistrarGrupo() { return {}; }
QString Tfrm_Importacao::RegistrarSubGrupo() { return {}; }
QString Tfrm_Importacao::RegistrarUnidade() { return {}; }
QString Tfrm_Importacao::RegistrarMarca() { return {}; }
