#pragma once
// Small patterns the steps share.

#include "ClientDataSet.h"
#include "Errors.h"
#include "Text.h"
#include "uImportacao.h"

// The 500-row reopen: a destination set holding more rows is closed and opened again, which
// empties it and bounds its memory.
inline bool PassouDoLimite(const TClientDataSet& cds) {
    return cds.RecordCount() > 500;
}

inline void Reabrir(TClientDataSet& cds) {
    cds.Close();
    cds.Open();
}

inline void ReabrirSeCheio(TClientDataSet& cds) {
    if (PassouDoLimite(cds)) Reabrir(cds);
}

// Tax numbers the legacy system held in place of a missing one.
inline bool DocumentoFicticio(const QString& digits) {
    return digits == "00000000000" || digits == "11111111111" || digits == "00000000000000" ||
           digits == "11111111111111";
}

// The digits of a legacy code as a number; a code without digits is named in the error.
inline int CodigoNumerico(const QString& code) {
    const QString digits = Tfrm_Importacao::SomenteNumeros(code);
    if (digits.isEmpty()) throw EConvertError(QString("'%1' is not a valid integer value").arg(code));
    return StrToInt(digits);
}
