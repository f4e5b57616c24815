#include "Refusals.h"

void TRefusals::Record(const QString& table, const QString& key, const QString& message) {
    ++perTable_[table];
    ++total_;
    last_ = message;
    if (first_.size() < kMessagesKept) first_ << QString("%1 [%2]: %3").arg(table, key, message);
    if (OnRecord) OnRecord(table, key, message);
}

int TRefusals::Count(const QString& table) const {
    auto it = perTable_.find(table);
    return it == perTable_.end() ? 0 : it->second;
}

void TRefusals::Clear() {
    perTable_.clear();
    first_.clear();
    last_.clear();
    total_ = 0;
}

QString TRefusals::Summary() const {
    QStringList lines;
    lines << QString("O banco de destino recusou %1 registro(s):").arg(total_);
    for (const auto& [table, n] : perTable_)
        lines << QString("  %1: %2").arg(table).arg(n);
    lines << QString() << "Primeiras mensagens:";
    for (const QString& m : first_)
        lines << m;
    return lines.join('\n');
}
