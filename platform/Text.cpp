#include "Text.h"

#include "Errors.h"

#include <limits>

QString Trim(const QString& s) {
    qsizetype b = 0, e = s.size();
    while (b < e && s[b].unicode() <= 32)
        ++b;
    while (e > b && s[e - 1].unicode() <= 32)
        --e;
    return s.mid(b, e - b);
}

QString WithoutTrailingBlanks(const QString& s) {
    qsizetype e = s.size();
    while (e > 0 && s[e - 1] == QChar(' '))
        --e;
    return s.left(e);
}

QString UpperAZ(const QString& s) {
    QString r = s;
    for (QChar& c : r)
        if (c >= 'a' && c <= 'z') c = QChar(c.unicode() - 32);
    return r;
}

QString UpperAll(const QString& s) {
    QString r = s;
    for (QChar& c : r)
        c = c.toUpper();
    return r;
}

int64_t StrToInt64(const QString& s) {
    QString t = Trim(s);
    bool ok = false;
    qlonglong v = 0;
    // Only an optional sign and decimal digits: no hexadecimal prefixes, no inner blanks.
    bool plain = !t.isEmpty();
    for (qsizetype i = 0; i < t.size() && plain; ++i) {
        QChar c = t[i];
        plain = (c >= '0' && c <= '9') || (i == 0 && (c == '-' || c == '+') && t.size() > 1);
    }
    if (plain) v = t.toLongLong(&ok, 10);
    if (!ok) throw EConvertError(QString("'%1' is not a valid integer value").arg(s));
    return v;
}

int32_t StrToInt(const QString& s) {
    int64_t v = StrToInt64(s);
    if (v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max())
        throw EConvertError(QString("'%1' is not a valid integer value").arg(s));
    return static_cast<int32_t>(v);
}

QString QuotedStr(const QString& s) {
    QString r = s;
    r.replace('\'', "''");
    return '\'' + r + '\'';
}
