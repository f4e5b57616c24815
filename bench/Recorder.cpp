#include "Recorder.h"

#include "Errors.h"

#include <QElapsedTimer>
#include <QFile>
#include <cstring>

namespace {

// Record tags.
constexpr unsigned char kExecute = 'X', kRetain = 'R', kCommit = 'C', kMark = 'M';
// Value tags.
enum : unsigned char { kNull, kInt, kDouble, kCurrency, kDateTime, kText };
constexpr size_t kBufferSize = 1 << 20;

uint64_t ZigZag(int64_t v) {
    return (static_cast<uint64_t>(v) << 1) ^ static_cast<uint64_t>(v >> 63);
}

int64_t UnZigZag(uint64_t v) {
    return static_cast<int64_t>(v >> 1) ^ -static_cast<int64_t>(v & 1);
}

void PutVarint(std::vector<unsigned char>& out, uint64_t v) {
    while (v >= 0x80) {
        out.push_back(static_cast<unsigned char>(v | 0x80));
        v >>= 7;
    }
    out.push_back(static_cast<unsigned char>(v));
}

void PutRaw(std::vector<unsigned char>& out, const void* data, size_t n) {
    const auto* p = static_cast<const unsigned char*>(data);
    out.insert(out.end(), p, p + n);
}

void PutValue(std::vector<unsigned char>& out, const TValue& v) {
    if (auto p = std::get_if<int64_t>(&v)) {
        out.push_back(kInt);
        PutVarint(out, ZigZag(*p));
    } else if (auto p = std::get_if<double>(&v)) {
        out.push_back(kDouble);
        PutRaw(out, p, sizeof *p);
    } else if (auto p = std::get_if<TCurrency>(&v)) {
        out.push_back(kCurrency);
        PutVarint(out, ZigZag(p->units));
    } else if (auto p = std::get_if<TDateTime>(&v)) {
        out.push_back(kDateTime);
        PutRaw(out, &p->value, sizeof p->value);
    } else if (auto p = std::get_if<QString>(&v)) {
        out.push_back(kText);
        PutVarint(out, static_cast<uint64_t>(p->size()));
        PutRaw(out, p->utf16(), static_cast<size_t>(p->size()) * sizeof(char16_t));
    } else {
        out.push_back(kNull);
    }
}

// Reads the record back in large blocks.
class RecordReader {
public:
    explicit RecordReader(const QString& path)
        : file_(std::fopen(QFile::encodeName(path).constData(), "rb"), &std::fclose) {
        if (!file_) throw Exception("Cannot read the statement record " + path);
        buffer_.resize(kBufferSize);
    }
    bool AtEnd() { return pos_ == size_ && !Refill(); }
    unsigned char Byte() {
        if (pos_ == size_ && !Refill())
            throw Exception("The statement record ends in the middle of a statement");
        return buffer_[pos_++];
    }
    uint64_t Varint() {
        uint64_t v = 0;
        for (int shift = 0;; shift += 7) {
            unsigned char b = Byte();
            v |= static_cast<uint64_t>(b & 0x7F) << shift;
            if (!(b & 0x80)) return v;
        }
    }
    void Raw(void* data, size_t n) {
        auto* p = static_cast<unsigned char*>(data);
        while (n > 0) {
            if (pos_ == size_ && !Refill())
                throw Exception("The statement record ends in the middle of a value");
            size_t k = std::min(n, size_ - pos_);
            std::memcpy(p, buffer_.data() + pos_, k);
            pos_ += k;
            p += k;
            n -= k;
        }
    }
    TValue Value() {
        switch (Byte()) {
        case kInt:
            return UnZigZag(Varint());
        case kDouble: {
            double d;
            Raw(&d, sizeof d);
            return d;
        }
        case kCurrency:
            return TCurrency::FromUnits(UnZigZag(Varint()));
        case kDateTime: {
            double d;
            Raw(&d, sizeof d);
            return TDateTime{d};
        }
        case kText: {
            QString s(static_cast<qsizetype>(Varint()), Qt::Uninitialized);
            Raw(s.data(), static_cast<size_t>(s.size()) * sizeof(char16_t));
            return s;
        }
        default:
            return {};
        }
    }

private:
    bool Refill() {
        size_ = std::fread(buffer_.data(), 1, buffer_.size(), file_.get());
        pos_ = 0;
        return size_ > 0;
    }
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file_;
    std::vector<unsigned char> buffer_;
    size_t pos_ = 0, size_ = 0;
};

} // namespace

StatementRecorder::StatementRecorder(const QString& path) : path_(path), file_(nullptr, &std::fclose) {
    if (path.isEmpty()) return;
    file_.reset(std::fopen(QFile::encodeName(path).constData(), "wb"));
    if (!file_) throw Exception("Cannot write the statement record " + path);
    buffer_.reserve(kBufferSize + 4096);
}

StatementRecorder::~StatementRecorder() = default;

uint32_t StatementRecorder::Intern(const QString& sql) {
    auto it = ids_.constFind(sql);
    if (it != ids_.constEnd()) return *it;
    auto id = static_cast<uint32_t>(texts_.size());
    ids_.insert(sql, id);
    texts_ << sql;
    QString head = sql.trimmed().left(6).toUpper();
    isWrite_.push_back(head == "INSERT" || head == "UPDATE");
    return id;
}

void StatementRecorder::Executed(const QString& sql, std::span<const TValue> params) {
    if (segments_.empty()) Mark(QString());
    uint32_t id = Intern(sql);
    Segment& s = segments_.back();
    ++s.statements;
    if (isWrite_[id]) ++s.writes;
    if (!file_) return;
    buffer_.push_back(kExecute);
    PutVarint(buffer_, id);
    PutVarint(buffer_, params.size());
    for (const TValue& v : params)
        PutValue(buffer_, v);
    if (buffer_.size() >= kBufferSize) Flush();
}

void StatementRecorder::Committed(bool retaining) {
    if (segments_.empty()) Mark(QString());
    ++segments_.back().commits;
    if (file_) buffer_.push_back(retaining ? kRetain : kCommit);
}

void StatementRecorder::Mark(const QString& name) {
    segments_.push_back(Segment{name});
    if (!file_) return;
    buffer_.push_back(kMark);
    PutVarint(buffer_, segments_.size() - 1);
}

void StatementRecorder::Flush() {
    if (!file_ || buffer_.empty()) return;
    if (std::fwrite(buffer_.data(), 1, buffer_.size(), file_.get()) != buffer_.size())
        throw Exception("Cannot write the statement record " + path_);
    written_ += static_cast<int64_t>(buffer_.size());
    buffer_.clear();
}

void StatementRecorder::Finish() {
    Flush();
    if (file_ && std::fflush(file_.get()) != 0) throw Exception("Cannot write the statement record " + path_);
}

ReplayResult Replay(const StatementRecorder& record, const QString& database) {
    if (!record.Recording()) throw Exception("No statements were recorded");
    RecordReader in(record.Path());
    const QStringList& texts = record.Texts();

    FbAttachment db;
    db.Attach(database, "SYSDBA", "masterkey", "WIN1252");
    FbTransaction tr;
    std::vector<std::unique_ptr<FbStatement>> statements(static_cast<size_t>(texts.size()));
    std::vector<TValue> params;
    std::vector<TValue> row;
    ReplayResult result;
    result.texts.resize(statements.size());
    QElapsedTimer total, segment, one;
    total.start();
    segment.start();
    auto closeSegment = [&] {
        if (result.segments.empty()) return;
        result.segments.back().seconds = static_cast<double>(segment.nsecsElapsed()) / 1e9;
        segment.restart();
    };

    while (!in.AtEnd()) {
        unsigned char tag = in.Byte();
        if (tag == kMark) {
            closeSegment();
            auto index = static_cast<size_t>(in.Varint());
            const auto& names = record.Segments();
            result.segments.push_back(ReplaySegment{index < names.size() ? names[index].name : QString()});
            continue;
        }
        if (result.segments.empty()) result.segments.emplace_back();
        ReplaySegment& current = result.segments.back();
        if (tag == kRetain) {
            tr.CommitRetaining();
        } else if (tag == kCommit) {
            tr.Commit();
        } else if (tag == kExecute) {
            auto id = static_cast<size_t>(in.Varint());
            params.resize(static_cast<size_t>(in.Varint()));
            for (TValue& v : params)
                v = in.Value();
            ++current.statements;
            if (!tr.Active()) tr.Start(db);
            one.start();
            try {
                std::unique_ptr<FbStatement>& st = statements.at(id);
                if (!st) st = std::make_unique<FbStatement>(db, tr, texts.at(static_cast<qsizetype>(id)));
                st->Execute(tr, params);
                // The run read the rows of its selects; so does the floor.
                if (st->IsSelect())
                    while (st->Fetch(row)) {
                    }
            } catch (const Exception&) {
                ++current.failures; // refused in the run as well: a duplicate key, for instance
            }
            ReplayText& text = result.texts.at(id);
            ++text.executions;
            text.seconds += static_cast<double>(one.nsecsElapsed()) / 1e9;
        } else {
            throw Exception("The statement record is damaged");
        }
    }
    closeSegment();
    result.seconds = static_cast<double>(total.nsecsElapsed()) / 1e9;
    for (const ReplaySegment& s : result.segments) {
        result.statements += s.statements;
        result.failures += s.failures;
    }
    return result;
}
