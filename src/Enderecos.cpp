// Splitting a legacy free-text address into its street and its house number.
#include "Text.h"
#include "uImportacao.h"

namespace {
const QChar kOrdinal(0x00BA); // "º", as in Nº; the degree sign is another character
} // namespace

QString Tfrm_Importacao::ExtrairLogradouro(const QString& address) {
    try {
        // A comma ends the street; blanks in front of it stay, the callers trim.
        qsizetype comma = address.indexOf(',');
        if (comma >= 0) return address.left(comma);
        // "Nº": the ordinal sign and the one character in front of it start the number.
        qsizetype ordinal = address.indexOf(kOrdinal);
        if (ordinal >= 0) return ordinal < 2 ? QString() : address.left(ordinal - 1);
        // Otherwise the digits are the number when they stand in one unbroken run.
        QString street = address;
        const QString digits = SomenteNumeros(address);
        if (!digits.isEmpty()) {
            qsizetype at = street.indexOf(digits);
            if (at >= 0) street.remove(at, digits.size());
        }
        return Trim(street);
    } catch (...) {
        return Trim(address);
    }
}

QString Tfrm_Importacao::ExtrairNumero(const QString& address) {
    // The first run of digits after the first comma (or in the whole text), running over any
    // non-blank characters up to the next blank, which are dropped.
    qsizetype start = address.indexOf(',');
    if (start < 0) start = 0;
    QString number;
    for (qsizetype i = start; i < address.size(); ++i) {
        const QChar c = address[i];
        if (!number.isEmpty() && c == ' ') break;
        if (c >= '0' && c <= '9') number += c;
    }
    return number;
}
