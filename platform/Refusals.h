#pragma once
// Rows the destination refused while a client dataset applied them: counted per table, with the
// first messages, so that the operator learns of every row that did not arrive.

#include <QString>
#include <QStringList>
#include <functional>
#include <map>

class TRefusals {
public:
    // Told of each refusal as it is recorded (the job's report lists every one).
    std::function<void(const QString& table, const QString& key, const QString& message)> OnRecord;

    void Record(const QString& table, const QString& key, const QString& message);
    bool IsEmpty() const { return total_ == 0; }
    int Total() const { return total_; }
    int Count(const QString& table) const;
    // The database's message of the last row refused.
    const QString& LastMessage() const { return last_; }
    void Clear();
    // One text for the closing message box: the count of each table and the first messages.
    QString Summary() const;

private:
    static constexpr int kMessagesKept = 5;
    std::map<QString, int> perTable_;
    QStringList first_;
    QString last_;
    int total_ = 0;
};
