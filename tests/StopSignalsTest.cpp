// The program as an operator runs it from a terminal: the real executable in a child process
// (offscreen) on the small generated store, driven by the operator stand-in, and ended by what
// Ctrl+C, kill or a logout send. Bounds are generous: how fast it ends is the benchmark's to say.
#include "TestSupport.h"

#ifdef IMPORTACAO_EXE

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
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
    // Every line that starts with `start`.
    QStringList Lines(const QString& start) const {
        QStringList found;
        for (const QString& l : lines_)
            if (l.startsWith(start)) found << l;
        return found;
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

    // The line names the job's report, which ends with it and counts what the destination kept.
    const QStringList reports = JobReports(QFileInfo(signalled.Kelmor()).absolutePath());
    ASSERT_EQ(reports.size(), 1);
    EXPECT_TRUE(line->endsWith(" Relatório: " + reports[0] + '.')) << line->toStdString();
    const Report report = ReadReport(reports[0]);
    EXPECT_EQ(report.end, QStringList({"interrompida por sinal", *line}));
    const ReportStep& customers = StepNamed(report, "Clientes");
    EXPECT_TRUE(AddsUp(customers));
    EXPECT_EQ(customers.migrated, static_cast<int64_t>(stopped.at("SCA_CLIENTE").size()));
    EXPECT_GT(customers.notReached, 0) << "no row was left unreached";
}

TEST_F(StopSignalsTest, AJobKilledOutrightLeavesAReportHoldingWhatTheDestinationKept) {
    auto program = Start("killed", "steps=Clientes;then=wait;at=dbg_Cliente:400;signal=SIGKILL;after=1500");
    EXPECT_EQ(program->Finish(), -1) << program->Output(); // no status of its own
    ASSERT_TRUE(program->Line("operator: SIGKILL sent")) << program->Output();
    const QStringList reports = JobReports(QFileInfo(program->Kelmor()).absolutePath());
    ASSERT_EQ(reports.size(), 1);
    const Report report = ReadReport(reports[0]);
    EXPECT_TRUE(report.end.value(0).startsWith("em andamento")) << ReportText(reports[0]).toStdString();
    const ReportStep& customers = StepNamed(report, "Clientes");
    EXPECT_TRUE(AddsUp(customers));
    // Every customer the destination kept is counted: the counts were written before each commit.
    const int64_t kept = Db(program->Kelmor()).Count("SCA_CLIENTE");
    EXPECT_GT(kept, 300);
    EXPECT_GE(customers.migrated, kept);
    EXPECT_LE(customers.migrated, kept + 1);
}

TEST_F(StopSignalsTest, ACloseAfterTheConnectionWasLostClosesTheWindow) {
    auto program = Start("lost", "lose=connection");
    EXPECT_EQ(program->Finish(), 0) << program->Output();
    EXPECT_TRUE(program->Line("operator: box: A conexão com o banco de destino (KELMOR.FDB) foi perdida"))
        << program->Output();
}

TEST_F(StopSignalsTest, SigtermWhileTheCloseRequestIsHandledEndsWithItsStatus) {
    // The stand-in sends the signal as the close request arrives: the close commits and hides the
    // last window, whose quit must not turn the status into 0.
    auto program = Start("closing", "steps=chk_Funcionarios;then=close;at=close;signal=SIGTERM");
    EXPECT_EQ(program->Finish(), 128 + SIGTERM) << program->Output();
    EXPECT_TRUE(program->Line("operator: SIGTERM sent at the close request")) << program->Output();
    EXPECT_TRUE(program->Line("Importacao: SIGTERM: encerrado como ao fechar a janela")) << program->Output();
    EXPECT_GT(Db(program->Kelmor()).Count("SCA_FUNCIONARIO"), 0) << "the close's commit was lost";
}

TEST_F(StopSignalsTest, ALostConnectionDuringAStepIsToldOnceAndRefusesNoRow) {
    // In the customers a refusal would be counted; in the products, whose guard goes on after a
    // product's failure, every later product would fail in a box of its own.
    const struct {
        const char* step;
        const char* grid;
    } steps[] = {{"Clientes", "dbg_Cliente"}, {"Produtos", "dbg_Produto"}};
    std::vector<std::unique_ptr<Program>> programs;
    for (const auto& s : steps)
        programs.push_back(Start(QString("lost-during-%1").arg(s.step),
                                 QString("steps=%1;lose=connection;at=%2:100").arg(s.step, s.grid)));
    for (auto& program : programs) {
        EXPECT_EQ(program->Finish(), 0) << program->Output();
        ASSERT_TRUE(program->Line("operator: engine shut down at row 100")) << program->Output();
        // One box: the lost connections, named by their files. No refusal summary follows it, and
        // the close after it has nothing more to say.
        const QStringList boxes = program->Lines("operator: box: ");
        ASSERT_EQ(boxes.size(), 1) << program->Output();
        EXPECT_TRUE(
            boxes[0].startsWith("operator: box: A conexão com o banco de destino (KELMOR.FDB) foi perdida"))
            << boxes[0].toStdString();
        EXPECT_TRUE(boxes[0].contains("A conexão com o banco de origem (LOJA.GDB) foi perdida"))
            << boxes[0].toStdString();
        EXPECT_TRUE(program->Line("operator: idle")) << program->Output();
    }
}

// What a run gives each customer or supplier beside its own row, by owner and content (the keys
// the generators drew and the stamps of the moment are left out).
struct Dependants {
    QString table;
    QString sql; // the owner first
};

const Dependants kDependantsOfCustomers[] = {
    {"SCA_ENDERECOCLIENTE",
     "SELECT l.ECL_CODIGO_CLIENTE, l.ECL_CODIGO_TIPO, l.ECL_NUMERO, l.ECL_COMPLEMENTO, e.ECO_ENDERECO, "
     "e.ECO_CEP, e.ECO_CODIGO_UF FROM SCA_ENDERECOCLIENTE l "
     "LEFT JOIN SCA_ENDERECOCORREIO e ON e.ECO_PK_ENDERECOCORREIO = l.ECL_CODIGO_END_CORREIO"},
    {"SCA_CONTATOCLIENTE",
     "SELECT CCI_CODIGO_CLIENTE, CCI_CODIGO_TIPO_CONTATO, CCI_NOME FROM SCA_CONTATOCLIENTE"},
    {"SCA_COMPLEMENTOCLIENTE",
     "SELECT CCL_CODIGO_CLIENTE, CCL_NOME_PAI, CCL_NOME_MAE, CCL_NOME_EMPRESA FROM SCA_COMPLEMENTOCLIENTE"},
    {"SCA_REFERENCIACLIENTE",
     "SELECT RCL_CODIGO_CLIENTE, RCL_TIPO, RCL_NOME, RCL_FONE1 FROM SCA_REFERENCIACLIENTE"},
};
const Dependants kDependantsOfSuppliers[] = {
    {"SCA_ENDERECOFORNECEDOR",
     "SELECT l.EFO_CODIGO_FORNECEDOR, l.EFO_CODIGO_TIPO, l.EFO_NUMERO, l.EFO_COMPLEMENTO, e.ECO_ENDERECO, "
     "e.ECO_CEP, e.ECO_CODIGO_UF FROM SCA_ENDERECOFORNECEDOR l "
     "LEFT JOIN SCA_ENDERECOCORREIO e ON e.ECO_PK_ENDERECOCORREIO = l.EFO_CODIGO_END_CORREIO"},
    {"SCA_CONTATOFORNECEDOR",
     "SELECT CFO_CODIGO_FORNECEDOR, CFO_CODIGO_TIPO_CONTATO, CFO_NOME FROM SCA_CONTATOFORNECEDOR"},
};

// A step stopped at a row of its source set.
struct StepStop {
    QString step;   // its box's caption, as the stop line names it
    QString grid;   // the grid that shows its source set
    QString owners; // the destination's codes of its own rows
    QString legacy; // its source rows in the order the step walks them: code, name
    std::span<const Dependants> dependants;
    std::vector<int> rows; // where to stop
};

// How long after its row starts each stop's signal leaves: some land before the row writes, the
// others while it writes, where a stop once left the row half-written.
constexpr int kDelaysUs[] = {0, 700, 1500, 2500, 3500};

const StepStop kStepStops[] = {
    {"Clientes",
     "dbg_Cliente",
     "SELECT CLI_CODIGO FROM SCA_CLIENTE",
     "SELECT CLI_CODIGO, CLI_DESCRICAO FROM LJ_CLIEN ORDER BY CLI_CODIGO",
     kDependantsOfCustomers,
     {37, 37 * 9, 37 * 18, 37 * 26}},
    {"Fornecedores",
     "DBGrid1",
     "SELECT FOR_CODIGO FROM SCA_FORNECEDOR",
     "SELECT FOR_CODIGO, FOR_DESCRICAO FROM LJ_FORNE ORDER BY FOR_CODIGO",
     kDependantsOfSuppliers,
     {37, 37 * 2, 37 * 3, 37 * 4, 37 * 5}},
};

// Per owner, its rows of one table, sorted.
using ByOwner = std::map<int64_t, QStringList>;

ByOwner RowsByOwner(Db& db, const QString& sql) {
    ByOwner rows;
    for (const QString& line : db.Lines(sql))
        rows[line.section('|', 0, 0).toLongLong()] << line.section('|', 1);
    for (auto& [owner, lines] : rows)
        lines.sort();
    return rows;
}

QSet<int64_t> Owners(Db& db, const QString& sql) {
    QSet<int64_t> owners;
    for (const QString& line : db.Lines(sql))
        owners.insert(line.toLongLong());
    return owners;
}

TEST_F(StopSignalsTest, AStopDuringTheCustomersOrSuppliersLeavesEveryStoredOneWhole) {
    // Side by side, each on its own copy of the store: the two steps run whole, and each step
    // stopped at each of its rows, by SIGTERM and SIGINT in turn.
    auto whole = Start("whole", "steps=Clientes+Fornecedores;then=close");
    struct Stopped {
        const StepStop* stop;
        int row;
        int signal;
        std::unique_ptr<Program> program;
    };
    std::vector<Stopped> stopped;
    for (const StepStop& stop : kStepStops) {
        for (const int row : stop.rows) {
            const int signal = stopped.size() % 2 ? SIGINT : SIGTERM;
            const QString script = QString("steps=%1;then=wait;at=%2:%3;signal=%4;after=%5")
                                       .arg(stop.step, stop.grid)
                                       .arg(row)
                                       .arg(signal == SIGINT ? "SIGINT" : "SIGTERM")
                                       .arg(kDelaysUs[stopped.size() % std::size(kDelaysUs)]);
            stopped.push_back({&stop, row, signal, Start(QString("%1-%2").arg(stop.grid).arg(row), script)});
        }
    }
    ASSERT_EQ(whole->Finish(), 0) << whole->Output();
    Db complete(whole->Kelmor());
    Db loja(Store() + "/LOJA.GDB");

    for (Stopped& s : stopped) {
        const StepStop& stop = *s.stop;
        SCOPED_TRACE(QString("%1 stopped at row %2").arg(stop.step).arg(s.row).toStdString());
        Program& program = *s.program;
        ASSERT_EQ(program.Finish(), 128 + s.signal) << program.Output();
        EXPECT_FALSE(program.Line("operator: box:")) << program.Output();
        const auto line = program.Line("Importacao: ");
        ASSERT_TRUE(line) << program.Output();
        const auto where =
            QRegularExpression(QString("interrompido na etapa \"%1\", na linha (\\d+) de ").arg(stop.step))
                .match(*line);
        ASSERT_TRUE(where.hasMatch()) << line->toStdString();
        const int named = where.captured(1).toInt();
        EXPECT_GE(named, s.row) << line->toStdString();

        Db db(program.Kelmor());
        const QSet<int64_t> stored = Owners(db, stop.owners);
        const QSet<int64_t> all = Owners(complete, stop.owners);
        // Every stored one has exactly what the whole run gives it, and nothing belongs to one
        // that is not stored.
        for (const Dependants& d : stop.dependants) {
            const ByOwner got = RowsByOwner(db, d.sql);
            const ByOwner want = RowsByOwner(complete, d.sql);
            for (const int64_t owner : stored) {
                const auto g = got.find(owner);
                const auto w = want.find(owner);
                EXPECT_EQ(g == got.end() ? QStringList() : g->second,
                          w == want.end() ? QStringList() : w->second)
                    << d.table.toStdString() << " of " << owner;
            }
            for (const auto& [owner, rows] : got)
                EXPECT_TRUE(stored.contains(owner))
                    << d.table.toStdString() << " of " << owner << " not stored";
        }
        // The legacy rows before the one the line names are stored, those after it are not; that
        // one may be either. A row stands for the first legacy row that gives its code a name.
        QSet<int64_t> seen;
        int row = 0;
        for (const QString& legacy : loja.Lines(stop.legacy)) {
            ++row;
            const QString digits = legacy.section('|', 0, 0).remove(QRegularExpression("[^0-9]"));
            const QString name = legacy.section('|', 1);
            if (digits.isEmpty() || name.trimmed().isEmpty() || name == "NULL") continue;
            const int64_t code = digits.toLongLong();
            if (seen.contains(code) || !all.contains(code)) continue;
            seen.insert(code);
            if (row < named) {
                EXPECT_TRUE(stored.contains(code)) << "row " << row << ", code " << code << " is missing";
            } else if (row > named) {
                EXPECT_FALSE(stored.contains(code)) << "row " << row << ", code " << code << " is stored";
            }
        }
    }
}

TEST_F(StopSignalsTest, AStopDuringTheProductsLeavesNoProductWithoutItsCompanyAndLocation) {
    auto program = Start("products", "steps=Produtos;then=wait;at=dbg_Produto:1111;signal=SIGINT;after=120");
    ASSERT_EQ(program->Finish(), 128 + SIGINT) << program->Output();
    ASSERT_TRUE(program->Line("Importacao: SIGINT: interrompido na etapa \"Produtos\", na linha "))
        << program->Output();
    Db db(program->Kelmor());
    EXPECT_GT(db.Count("SCA_ITEM"), 0);
    EXPECT_EQ(db.Count("SCA_ITEM i", "NOT EXISTS (SELECT 1 FROM SCA_ITEMEMPRESA e "
                                     "WHERE e.IEM_CODIGO_ITEM = i.ITE_PK_ITEM)"),
              0);
    EXPECT_EQ(db.Count("SCA_ITEMEMPRESA e", "NOT EXISTS (SELECT 1 FROM SCA_ITEMLOCALEMPRESA l "
                                            "WHERE l.ILE_CODIGO_ITEMEMPRESA = e.IEM_PK_ITEMEMPRESA)"),
              0);
}

} // namespace

#endif
