#pragma once
// The floor of a run: every statement the destination executed (its text and values) and every
// commit, recorded while the form works, then replayed on an untouched copy of the same empty
// destination with one prepared statement per text, no window and no dataset layer.
//
// The record is spooled to a file, compactly (texts interned, values tagged, integers as
// varints), so that it costs the run neither time per row worth measuring nor memory: the peak
// memory the benchmark reports stays the form's own.

#include "IBDatabase.h"

#include <QString>
#include <QStringList>
#include <cstdio>
#include <memory>
#include <vector>

class StatementRecorder : public TStatementObserver {
public:
    // With an empty path the statements are only counted, not kept.
    explicit StatementRecorder(const QString& path);
    ~StatementRecorder() override;
    StatementRecorder(const StatementRecorder&) = delete;
    StatementRecorder& operator=(const StatementRecorder&) = delete;

    void Executed(const QString& sql, std::span<const TValue> params) override;
    void Committed(bool retaining) override;
    // Starts the next segment (one step of the run): counts and replay times are per segment.
    void Mark(const QString& name);
    // Writes what is still buffered; the record can then be replayed.
    void Finish();

    struct Segment {
        QString name;
        int64_t statements = 0;
        int64_t writes = 0; // INSERT and UPDATE statements
        int64_t commits = 0;
    };
    const std::vector<Segment>& Segments() const { return segments_; }
    const QStringList& Texts() const { return texts_; }
    const QString& Path() const { return path_; }
    bool Recording() const { return file_ != nullptr; }
    int64_t Bytes() const { return written_ + static_cast<int64_t>(buffer_.size()); }

private:
    uint32_t Intern(const QString& sql);
    void Flush();

    QString path_;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file_;
    std::vector<unsigned char> buffer_;
    int64_t written_ = 0;
    QHash<QString, uint32_t> ids_;
    QStringList texts_;
    std::vector<char> isWrite_;
    std::vector<Segment> segments_;
};

struct ReplaySegment {
    QString name;
    double seconds = 0;
    int64_t statements = 0;
    int64_t failures = 0; // statements the database refused, as it did in the run
};

struct ReplayText {
    int64_t executions = 0;
    double seconds = 0;
};

struct ReplayResult {
    std::vector<ReplaySegment> segments;
    std::vector<ReplayText> texts; // by the record's text number
    double seconds = 0;
    int64_t statements = 0;
    int64_t failures = 0;
};

// Replays a finished record on the database file (a fresh copy of the run's empty destination).
ReplayResult Replay(const StatementRecorder& record, const QString& database);
