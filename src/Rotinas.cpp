// Key generator read and the small text routines the steps share.
#include "uImportacao.h"

#include <limits>

int Tfrm_Importacao::ProximoCodigo(const QString& generator) {
    QR_PROXIMO.Close();
    QR_PROXIMO.SetSQL("SELECT GEN_ID(" + generator + ",1) AS CODIGO FROM RDB$DATABASE");
    QR_PROXIMO.Open();
    const int64_t codigo = QR_PROXIMO.FieldByName("CODIGO").AsLargeInt();
    QR_PROXIMO.Close();
    // Never cut to another row's key: no row is to blame, and every later one would meet it too.
    if (codigo < std::numeric_limits<int32_t>::min() || codigo > std::numeric_limits<int32_t>::max())
        throw EIntegerRangeError(QString("O gerador %1 deu o valor %2, que não cabe nos 32 bits da chave")
                                     .arg(generator)
                                     .arg(codigo));
    return static_cast<int>(codigo);
}

QString Tfrm_Importacao::SomenteNumeros(const QString& text) {
    QString digits;
    for (QChar c : text)
        if (c >= '0' && c <= '9') digits += c;
    return digits;
}

QString Tfrm_Importacao::CompletarComZeros(int64_t value, int width) {
    QString text = QString::number(value).rightJustified(width, ' ');
    for (int i = 0; i < width && i < text.size(); ++i)
        if (text[i] == ' ') text[i] = '0';
    return text;
}

QString Tfrm_Importacao::DataSQL(TDateTime date) {
    TDateParts d = DecodeDate(date);
    return QString("'%1-%2-%3'")
        .arg(d.year, 4, 10, QChar('0'))
        .arg(d.month, 2, 10, QChar('0'))
        .arg(d.day, 2, 10, QChar('0'));
}
