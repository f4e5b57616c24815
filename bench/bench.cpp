// The benchmark: bench --scale demo|small|medium|large --seed N --work DIR [--no-floor] [--bare]
//                      [--triggers own|audit|keys]
// Generates the store into DIR, runs the real window headless on it step by step, prints what
// each step read, wrote and took, what rows the destination holds and which of their links point
// at nothing, reads back the report each press wrote and checks that it accounts for its rows, and
// replays the destination's statements for the floor.
// --bare leaves the destination only its primary keys, as a customer's may have. --triggers gives
// its tables triggers as a management system's may carry: own, a BEFORE INSERT on every table that
// touches only its new row; audit, an AFTER INSERT on the customers that logs them by dynamic SQL;
// keys, a BEFORE INSERT on every table keyed from a generator that draws the key again, so that no
// stored key is the one the program gave.
#include "BenchRun.h"
#include "Errors.h"
#include "GenerateStore.h"
#include "Links.h"
#include "Report.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cstdio>

namespace {

int Usage() {
    std::fprintf(
        stderr,
        "usage: bench --scale %s --seed N --work DIR [--no-floor] [--bare] [--triggers own|audit|keys]\n",
        qPrintable(ScaleNames().join('|')));
    return 2;
}

void Print(const QString& line) {
    std::fputs(line.toUtf8().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

QString Mb(long kb) {
    return QString::number(kb / 1024.0, 'f', 1) + " MB";
}

QString Rate(int64_t rows, double seconds) {
    return seconds > 0 ? QString::number(static_cast<int64_t>(rows / seconds)) : QString("-");
}

// One line of a table: the first column to the left, the others to the right.
QString Columns(const QStringList& cells, const std::vector<int>& widths) {
    QString line;
    for (qsizetype i = 0; i < cells.size(); ++i) {
        int w = widths[static_cast<size_t>(i)];
        line += i == 0 ? cells[i].leftJustified(w) : ' ' + cells[i].rightJustified(w);
    }
    return line;
}

void PrintRun(const RunFigures& run) {
    const std::vector<int> widths{22, 9, 9, 8, 9, 9, 9};
    Print(Columns({"step", "source", "written", "refused", "seconds", "rows/s", "peak MB"}, widths));
    StepFigures total;
    for (const StepFigures& s : run.steps) {
        Print(Columns({s.name, QString::number(s.sourceRows), QString::number(s.writes),
                       QString::number(s.refused), QString::number(s.seconds, 'f', 3),
                       Rate(s.writes, s.seconds), QString::number(s.peakKb / 1024.0, 'f', 1)},
                      widths));
        total.sourceRows += s.sourceRows;
        total.writes += s.writes;
        total.refused += s.refused;
        total.seconds += s.seconds;
    }
    Print(Columns({"total", QString::number(total.sourceRows), QString::number(total.writes),
                   QString::number(total.refused), QString::number(total.seconds, 'f', 3),
                   Rate(total.writes, total.seconds), QString()},
                  widths));
    Print(QString("message boxes answered: %1 (errors: %2)").arg(run.boxes).arg(run.errorBoxes));
    for (const auto& [kind, n] : run.boxKinds)
        Print(QString("  %1 x %2 ...").arg(n, 6).arg(kind));
}

// The rows of every table, a few tables a line, and the links that point at missing rows.
void PrintRows(const DestinationRows& rows) {
    QString line = "rows:";
    for (const auto& [table, n] : rows.tables) {
        const QString cell = QString(" %1 %2,").arg(table).arg(n);
        if (line.size() + cell.size() > 110) {
            Print(line);
            line = "     ";
        }
        line += cell;
    }
    line.chop(1);
    Print(line);
    const QStringList dangling = DanglingLinks(rows);
    Print(QString("links to missing rows: %1").arg(rows.Missing()));
    for (const QString& d : dangling)
        Print("  " + d);
}

// What --triggers added besides its triggers.
QString AddedBeside(DestinationTriggers triggers) {
    switch (triggers) {
    case DestinationTriggers::Own:
        return "generator BENCH_GEN and ";
    case DestinationTriggers::Audit:
        return "table BENCH_AUDITORIA and ";
    case DestinationTriggers::Keys:
        break;
    }
    return QString();
}

// Prints each press's report and reads it back; returns what does not account for the rows, and
// any report in the folder that no press named (one report per press).
QStringList CheckReports(const QString& work, const RunFigures& run, const DestinationRows& rows) {
    const std::map<QString, int64_t> migrated = MigratedOnDestination(work + "/KELMOR.FDB", rows);
    QStringList failures, named;
    for (const StepFigures& s : run.steps) {
        if (s.report.isEmpty()) continue;
        named << QFileInfo(s.report).fileName();
        try {
            const Report report = ReadReport(s.report);
            Print(QString("report %1: %2 (%3 step lines, %4 lines of rows that did not arrive, end: %5)")
                      .arg(s.name, s.report)
                      .arg(report.steps.size())
                      .arg(report.losses.size())
                      .arg(report.end.value(0)));
            for (const QString& f : ReportFailures(report, migrated))
                failures << QString("report %1: %2").arg(QFileInfo(s.report).fileName(), f);
        } catch (const std::exception& e) {
            Print(QString("report %1: %2").arg(s.name, s.report));
            failures << QString("report %1: %2").arg(QFileInfo(s.report).fileName(), ExceptionMessage(e));
        }
    }
    for (const QString& file : QDir(work).entryList({"Importacao-*.txt"}, QDir::Files))
        if (!named.contains(file)) failures << "report no press named: " + file;
    return failures;
}

void PrintFloor(const RunFigures& run, const StatementRecorder& record, const ReplayResult& floor) {
    Print(QString("floor: %1 statements replayed (%2 distinct texts, record %3)")
              .arg(floor.statements)
              .arg(record.Texts().size())
              .arg(Mb(static_cast<long>(record.Bytes() / 1024))));
    const std::vector<int> widths{22, 10, 10, 7, 9};
    Print(Columns({"step", "run s", "floor s", "ratio", "refused"}, widths));
    double runTotal = 0;
    for (const StepFigures& s : run.steps) {
        runTotal += s.seconds;
        ReplaySegment f;
        for (const ReplaySegment& r : floor.segments)
            if (r.name == s.name) f = r;
        // Opening and closing the window ask next to nothing of the database: no ratio.
        bool work = f.statements > 0 && f.seconds > 0;
        Print(Columns({s.name, QString::number(s.seconds, 'f', 3), QString::number(f.seconds, 'f', 3),
                       work ? QString::number(s.seconds / f.seconds, 'f', 2) : QString("-"),
                       QString::number(f.failures)},
                      widths));
    }
    Print(Columns({"total", QString::number(runTotal, 'f', 3), QString::number(floor.seconds, 'f', 3),
                   floor.seconds > 0 ? QString::number(runTotal / floor.seconds, 'f', 2) : QString("-"),
                   QString::number(floor.failures)},
                  widths));
    // Where the floor's time goes: the statements that cost the most in all.
    std::vector<size_t> order(floor.texts.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::sort(order.begin(), order.end(),
              [&](size_t a, size_t b) { return floor.texts[a].seconds > floor.texts[b].seconds; });
    Print("costliest statements of the floor:");
    for (size_t i = 0; i < std::min<size_t>(5, order.size()); ++i) {
        const ReplayText& t = floor.texts[order[i]];
        Print(QString("  %1 s %2 x  %3")
                  .arg(t.seconds, 8, 'f', 3)
                  .arg(t.executions, 8)
                  .arg(record.Texts()[static_cast<qsizetype>(order[i])].simplified().left(110)));
    }
    Print(QString("run / floor: %1").arg(floor.seconds > 0 ? runTotal / floor.seconds : 0, 0, 'f', 2));
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QString scaleName, work, triggersName;
    bool seedOk = false, floor = true, bare = false;
    uint64_t seed = 0;
    const QStringList args = app.arguments();
    for (qsizetype i = 1; i < args.size(); ++i) {
        if (args[i] == "--no-floor")
            floor = false;
        else if (args[i] == "--bare")
            bare = true;
        else if (i + 1 < args.size() && args[i] == "--scale")
            scaleName = args[++i];
        else if (i + 1 < args.size() && args[i] == "--seed")
            seed = args[++i].toULongLong(&seedOk);
        else if (i + 1 < args.size() && args[i] == "--work")
            work = args[++i];
        else if (i + 1 < args.size() && args[i] == "--triggers")
            triggersName = args[++i];
        else
            return Usage();
    }
    std::optional<Scale> scale = ScaleByName(scaleName);
    const std::optional<DestinationTriggers> triggers = DestinationTriggersByName(triggersName);
    if (!triggersName.isEmpty() && !triggers) return Usage();
    if (!scale || !seedOk || work.isEmpty()) return Usage();
    work = QDir(work).absolutePath();

    try {
        Print(QString("bench: scale %1, seed %2, work %3%4")
                  .arg(scale->name)
                  .arg(seed)
                  .arg(work, QString(bare ? ", bare destination" : "") +
                                 (triggers ? ", triggers " + triggersName : QString())));
        QElapsedTimer timer;
        timer.start();
        StoreCounts counts = GenerateStore(work, *scale, seed);
        // Before the copy, so that the floor runs on the same bare destination with the same triggers.
        if (bare) {
            const QStringList dropped = DropSecondaryIndexes(work + "/KELMOR.FDB");
            Print(QString("bare destination: dropped %1 indexes: %2")
                      .arg(dropped.size())
                      .arg(dropped.join(", ")));
        }
        if (triggers) {
            const QStringList added = AddDestinationTriggers(work + "/KELMOR.FDB", *triggers);
            Print(QString("triggers %1: added %2%3 trigger%4: %5")
                      .arg(triggersName, AddedBeside(*triggers))
                      .arg(added.size())
                      .arg(added.size() == 1 ? "" : "s", added.join(", ")));
        }
        const QString floorCopy = work + "/KELMOR_PISO.FDB";
        QFile::remove(floorCopy);
        // Reports of an earlier run in the folder are not this run's.
        for (const QString& file : QDir(work).entryList({"Importacao-*.txt"}, QDir::Files))
            QFile::remove(work + '/' + file);
        if (!QFile::copy(work + "/KELMOR.FDB", floorCopy))
            throw Exception("Cannot copy the empty destination to " + floorCopy);
        const long peakGenerated = PeakMemoryKb();
        Print(QString("generated %1 legacy rows in %2 s; peak memory %3")
                  .arg(counts.Total())
                  .arg(timer.elapsed() / 1000.0, 0, 'f', 1)
                  .arg(Mb(peakGenerated)));

        StatementRecorder recorder(floor ? work + "/statements.rec" : QString());
        RunFigures run = RunForm(work, recorder, [](const StepFigures& s) {
            std::fprintf(stderr, "bench: %s took %.3f s\n", s.name.toUtf8().constData(), s.seconds);
        });
        recorder.Finish();
        const long peakRun = PeakMemoryKb();
        PrintRun(run);
        Print(QString("peak memory: %1 after generation, %2 after the run (+%3)")
                  .arg(Mb(peakGenerated), Mb(peakRun), Mb(peakRun - peakGenerated)));
        // The form has closed, so its file is free for an attachment of the benchmark's own.
        const DestinationRows rows = CountDestinationRows(work + "/KELMOR.FDB");
        PrintRows(rows);
        const QStringList reportFailures = CheckReports(work, run, rows);

        if (floor) {
            ReplayResult replay = Replay(recorder, floorCopy);
            PrintFloor(run, recorder, replay);
        }
        QStringList failures = RunFailures(run);
        failures << reportFailures;
        for (const QString& d : DanglingLinks(rows))
            failures << "links to missing rows: " + d;
        if (!failures.isEmpty()) {
            for (const QString& f : failures)
                Print("bench: FAILED: " + f);
            return 1;
        }
        Print("bench: OK");
    } catch (const std::exception& e) {
        Print("bench: FAILED: " + ExceptionMessage(e));
        return 1;
    }
    return 0;
}
