// The program as an operator runs it from a terminal: the real executable in a child process
// (offscreen) on the small generated store, driven by the operator stand-in, and ended by what
// Ctrl+C, kill or a logout send. Bounds are generous: how fast it ends is the benchmark's to say.
#include "TestSupport.h"

#ifdef IMPORTACAO_EXE

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSet>
#include <csignal>
#include <map>
#include <optional>

namespace {

constexpr int kBoundMs = 180'000;

// A copy of the program beside its own copy of the store, started with an operator script.
class Program {
public:
    Program(const QString& store, const QString& dir, const QString& script) : dir_(dir) {
        QDir().mkpath(dir);
        for (const QString& file : {QString("LOJA.GDB"), QString("KELMOR.FDB")})
            EXPECT_TRUE(QFile::copy(store + '/' + file, dir + '/' + file));
        EXPECT_TRUE(QFile::copy(IMPORTACAO_EXE, dir + "/Importacao"));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("QT_PLUGIN_PATH", OPERATOR_PLUGIN_PATH);
        env.insert("QT_QPA_GENERIC_PLUGINS", "operator:" + script);
        process_.setProcessEnvironment(env);
        process_.setProcessChannelMode(QProcess::MergedChannels);
        process_.start(dir + "/Importacao", {});
        EXPECT_TRUE(process_.waitForStarted());
    }
    ~Program() {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished();
        }
    }

    // Waits for a line that starts with `start`; false when the program ended first.
    bool WaitFor(const QString& start) {
        QDeadlineTimer deadline(kBoundMs);
        for (;;) {
            Read();
            if (Line(start)) return true;
            if (process_.state() == QProcess::NotRunning || deadline.hasExpired()) return false;
            process_.waitForReadyRead(static_cast<int>(std::min<qint64>(deadline.remainingTime(), 1000)));
        }
    }
    void Send(int signal) { ::kill(static_cast<pid_t>(process_.processId()), signal); }
    // The exit code, or -1 when the program crashed or did not end within the bound.
    int Finish() {
        const bool ended = process_.waitForFinished(kBoundMs);
        Read();
        return ended && process_.exitStatus() == QProcess::NormalExit ? process_.exitCode() : -1;
    }
    // The first line that starts with `start`, or none.
    std::optional<QString> Line(const QString& start) const {
        for (const QString& l : lines_)
            if (l.startsWith(start)) return l;
        return std::nullopt;
    }
    std::string Output() const { return lines_.join(QChar(10)).toStdString(); }
    QString Kelmor() const { return dir_ + "/KELMOR.FDB"; }

private:
    void Read() {
        buffer_ += QString::fromUtf8(process_.readAll());
        const qsizetype end = buffer_.lastIndexOf('\n');
        if (end < 0) return;
        lines_ << buffer_.left(end).split('\n');
        buffer_.remove(0, end + 1);
    }

    QString dir_;
    QProcess process_;
    QString buffer_;
    QStringList lines_;
};

// Every destination table's rows by the values of their primary key.
std::map<QString, QSet<QString>> RowsByKey(const QString& path) {
    Db db(path);
    std::map<QString, QStringList> keys;
    for (const QString& line :
         db.Lines("SELECT TRIM(c.RDB$RELATION_NAME), TRIM(s.RDB$FIELD_NAME) FROM RDB$RELATION_CONSTRAINTS c "
                  "JOIN RDB$INDEX_SEGMENTS s ON s.RDB$INDEX_NAME = c.RDB$INDEX_NAME "
                  "WHERE c.RDB$CONSTRAINT_TYPE = 'PRIMARY KEY' ORDER BY 1, s.RDB$FIELD_POSITION"))
        keys[line.section('|', 0, 0)] << line.section('|', 1, 1);
    std::map<QString, QSet<QString>> rows;
    for (const auto& [table, columns] : keys) {
        const QStringList lines = db.Lines("SELECT " + columns.join(", ") + " FROM " + table);
        rows[table] = QSet<QString>(lines.begin(), lines.end());
    }
    return rows;
}

// What the engine's full validation finds wrong with the file (nothing when it is sound).
QString ValidationErrors(const QString& path) {
    QProcess gfix;
    gfix.setProcessChannelMode(QProcess::MergedChannels);
    gfix.start("gfix", {"-v", "-full", "-n", "-user", "SYSDBA", path});
    if (!gfix.waitForFinished(kBoundMs)) return "gfix did not end";
    const QString out = QString::fromUtf8(gfix.readAll()).trimmed();
    return gfix.exitCode() == 0 ? out : QString("gfix exited with %1: %2").arg(gfix.exitCode()).arg(out);
}

class StopSignalsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        QProcess gerar;
        gerar.start(GERAR_LOJA_EXE, {"--scale", "small", "--seed", "1", "--out", Store()});
        ASSERT_TRUE(gerar.waitForFinished(kBoundMs));
        ASSERT_EQ(gerar.exitCode(), 0) << gerar.readAllStandardError().toStdString();
    }
    QString Store() const { return dir_.path() + "/store"; }
    // A program on its own copy of the store.
    std::unique_ptr<Program> Start(const QString& name, const QString& script) {
        return std::make_unique<Program>(Store(), dir_.path() + '/' + name, script);
    }
    // Side by side: the run of these steps ended by `signal` once the operator stand-in said
    // `when`, and the same run closed by the operator. Both have ended on return.
    struct Runs {
        std::unique_ptr<Program> signalled, closed;
    };
    Runs SignalledAndClosed(const QString& steps, const QString& when, int signal) {
        Runs runs{Start("signalled", "steps=" + steps + ";then=wait"),
                  Start("closed", "steps=" + steps + ";then=close")};
        EXPECT_TRUE(runs.signalled->WaitFor(when)) << runs.signalled->Output();
        runs.signalled->Send(signal);
        EXPECT_EQ(runs.signalled->Finish(), 128 + signal) << runs.signalled->Output();
        EXPECT_EQ(runs.closed->Finish(), 0) << runs.closed->Output();
        return runs;
    }

    QTemporaryDir dir_;
};

TEST_F(StopSignalsTest, SigtermAtRestCommitsAsClosingTheWindowDoes) {
    const Runs runs = SignalledAndClosed("all", "operator: idle", SIGTERM);
    EXPECT_TRUE(runs.signalled->Line("Importacao: SIGTERM: encerrado como ao fechar a janela"))
        << runs.signalled->Output();

    const auto rows = RowsByKey(runs.signalled->Kelmor());
    EXPECT_GT(rows.at("SCA_ITEMSAIDA").size(), 0);
    EXPECT_TRUE(rows == RowsByKey(runs.closed->Kelmor())) << "the destinations differ";
}

TEST_F(StopSignalsTest, SigintDuringTheCustomersKeepsWhatWasCommittedAndEndsWithoutABox) {
    const Runs runs = SignalledAndClosed("Clientes", "operator: working", SIGINT);
    const Program& signalled = *runs.signalled;
    EXPECT_FALSE(signalled.Line("operator: box:")) << signalled.Output();
    const auto line = signalled.Line("Importacao: SIGINT: interrompido na etapa \"Clientes\", na linha ");
    ASSERT_TRUE(line) << signalled.Output();
    EXPECT_TRUE(line->contains("KELMOR.FDB guarda o que foi confirmado antes")) << line->toStdString();

    EXPECT_EQ(ValidationErrors(signalled.Kelmor()), "");
    const auto stopped = RowsByKey(signalled.Kelmor());
    const auto whole = RowsByKey(runs.closed->Kelmor());
    for (const auto& [table, keys] : stopped)
        EXPECT_TRUE(QSet<QString>(keys).subtract(whole.at(table)).isEmpty())
            << table.toStdString() << " holds rows the run lacks";
    EXPECT_LT(stopped.at("SCA_CLIENTE").size(), whole.at("SCA_CLIENTE").size());
}

TEST_F(StopSignalsTest, ACloseAfterTheConnectionWasLostClosesTheWindow) {
    auto program = Start("lost", "lose=connection");
    EXPECT_EQ(program->Finish(), 0) << program->Output();
    EXPECT_TRUE(program->Line("operator: box: A conexão com o banco de destino (KELMOR.FDB) foi perdida"))
        << program->Output();
}

} // namespace

#endif
