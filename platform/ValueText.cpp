#include "ValueText.h"

#include "Text.h"

QString SearchKeyOf(const std::vector<const TField*>& fields, const std::vector<TValue>& values,
                    bool caseInsensitive) {
    QString key;
    for (size_t i = 0; i < fields.size(); ++i) {
        if (i) key += QChar(0x1F);
        const TValue& v = values[i];
        if (IsNull(v)) {
            key += QChar(0x01);
            continue;
        }
        QString text = ValueText(v);
        bool isText = std::holds_alternative<QString>(v);
        key += isText ? (caseInsensitive ? UpperAll(text) : text) : text;
        if (!isText) key += QChar(0x02); // keeps a number apart from a text of the same digits
    }
    return key;
}

QStringList SplitKeyFields(const QString& keyFields) {
    QStringList names;
    for (const QString& n : keyFields.split(';', Qt::SkipEmptyParts))
        names << n.trimmed();
    return names;
}

QString KeyValuesText(const std::vector<TValue>& row, const std::vector<int>& keys) {
    QStringList parts;
    for (int k : keys)
        parts << ValueText(row[static_cast<size_t>(k)]);
    return parts.join(';');
}
