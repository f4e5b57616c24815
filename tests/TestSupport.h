#pragma once
// Test fixtures: fresh copies of the empty source and destination databases in a temporary
// folder, SQL helpers on their own attachments, and the real form created on them offscreen
// with message boxes answered and recorded.

#include "Application.h"
#include "Firebird.h"
#include "Report.h"
#include "uImportacao.h"

#include <QPushButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>
#include <sys/resource.h>
#include <vector>

// Texts in failures as text, not as 16-bit units.
QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}
QT_END_NAMESPACE

struct ShownBox {
    QString text; // without the last line that names the job's report
    TMsgIcon icon;
    QString report; // the report that line names, if any
};

// A box as shown: the line that names the job's report apart.
ShownBox Shown(const QString& text, TMsgIcon icon);

// Answers every box at once and keeps what it showed.
class RecordingBoxes : public TMessageBoxes {
public:
    explicit RecordingBoxes(std::vector<ShownBox>& log) : log_(log) {}
    void Show(const QString& text, TMsgIcon icon) override;

private:
    std::vector<ShownBox>& log_;
};

// Runs statements on a database file through an attachment of its own.
class Db {
public:
    explicit Db(const QString& path);
    ~Db();
    // Runs one statement and commits.
    void Exec(const QString& sql, const std::vector<TValue>& params = {});
    std::vector<TRow> Rows(const QString& sql, const std::vector<TValue>& params = {});
    TValue Scalar(const QString& sql, const std::vector<TValue>& params = {});
    int64_t Count(const QString& table, const QString& where = {});
    // Inserts one row with these columns and values.
    void Insert(const QString& table, const std::vector<std::pair<QString, TValue>>& columns);
    // Every row as one text, the columns joined by "|", "NULL" for NULL.
    QStringList Lines(const QString& sql, const std::vector<TValue>& params = {});
    FbAttachment& Attachment() { return db_; }

private:
    FbAttachment db_;
};

// Text, integer and fixed-point views of a value, for assertions.
QString Str(const TValue& v);
int64_t Int(const TValue& v);
double Num(const TValue& v);

class MigrationTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    QString Dir() const { return dir_.path(); }
    QString LojaPath() const { return dir_.path() + "/LOJA.GDB"; }
    QString KelmorPath() const { return dir_.path() + "/KELMOR.FDB"; }
    Db& Loja();
    Db& Kelmor();
    // Drops the fixture's own attachments (the form sees the same data either way).
    void DetachHelpers();

    // The form, created with the executable beside the test databases and shown.
    Tfrm_Importacao& Form();
    void Press(QPushButton* button);
    void Run() { Press(Form().Button1); }
    // Closes the window: both connections are disconnected and the destination committed.
    void CloseForm();
    // Un-ticks every step box but the ones given.
    void OnlySteps(std::initializer_list<QCheckBox*> keep);
    // Creates an empty destination table anew from the schema script with one column declared
    // otherwise (a store's destination may declare a look-up column CHAR, say).
    void Redeclare(const QString& table, const QString& column, const QString& type);
    // The same with several columns of one table declared otherwise.
    void Redeclare(const QString& table, const std::vector<std::pair<QString, QString>>& columns);

    std::vector<ShownBox> boxes;
    std::vector<QString> Errors() const;

    QTemporaryDir dir_;
    std::unique_ptr<Db> loja_, kelmor_;
    std::unique_ptr<TApplication> app_;
    std::unique_ptr<Tfrm_Importacao> form_;
};

// Sets the page cache a database file opens with, kept in its header; no attachment may be open on
// it. Dirty pages beyond a small cache are written while rows are inserted, not only at commits.
void SetPageBuffers(const QString& path, int pages);

// Lets no file this process writes grow beyond `bytes`, as a full disk would: a write past it
// fails (SIGXFSZ is ignored meanwhile). The limit and the signal's handling come back on
// destruction.
class FileSizeLimit {
public:
    explicit FileSizeLimit(qint64 bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit previous_{};
    void (*previousHandler_)(int) = nullptr;
};

// A job's report read back (Report.h): its step of this name, which must be there; whether its
// line adds up (lidas = migradas + recusadas + com falha + deixadas de fora + não alcançadas); its
// line of a row that did not arrive, by step and legacy key, or none; the whole file, for messages.
const ReportStep& StepNamed(const Report& report, const QString& name);
bool AddsUp(const ReportStep& step);
const ReportLoss* LossOf(const Report& report, const QString& step, const QString& key);
QString ReportText(const QString& path);
// The job reports in a folder, oldest first.
QStringList JobReports(const QString& dir);

// Today's date at midnight and a date-time from its parts, for expectations.
TDateTime Day(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);
