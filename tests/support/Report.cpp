#include "Report.h"

#include "Errors.h"

#include <QFile>
#include <algorithm>

namespace {

const QString kStepHeader =
    QString::fromUtf8("etapa\ttabela de origem\tna tabela\tlidas\tmigradas\trecusadas\t"
                      "com falha\tdeixadas de fora\tnão alcançadas\tsegundos");
const QString kLossHeader =
    QString::fromUtf8("etapa\ttabela de origem\tchave na origem\tsituação\ttabela de destino\tmotivo");
const QString kEnd = "fim da tarefa: ";

const QString kLeftOut = "deixada de fora";
const QString kFailed = "com falha";
const QString kRefused = "recusada";

int64_t Number(const QString& text, int line) {
    bool ok = false;
    const int64_t n = text.toLongLong(&ok);
    if (!ok) throw Exception(QString("report line %1: \"%2\" is not a number").arg(line).arg(text));
    return n;
}

ReportStep Step(const QStringList& f, int line) {
    ReportStep s;
    s.name = f[0];
    s.sourceTable = f[1];
    s.inTable = f[2] == "?" ? -1 : Number(f[2], line);
    int64_t* const counts[] = {&s.read, &s.migrated, &s.refused, &s.failed, &s.leftOut, &s.notReached};
    for (int i = 0; i < 6; ++i)
        *counts[i] = Number(f[3 + i], line);
    bool ok = false;
    s.seconds = f[9].toDouble(&ok);
    if (!ok) throw Exception(QString("report line %1: \"%2\" is not seconds").arg(line).arg(f[9]));
    return s;
}

} // namespace

Report ParseReport(const QString& text) {
    Report report;
    enum class Section { None, Steps, Losses, End } section = Section::None;
    bool steps = false, losses = false;
    const QStringList lines = text.split('\n');
    for (int i = 0; i < lines.size(); ++i) {
        const QString& line = lines[i];
        const int number = i + 1;
        if (section == Section::End) {
            if (!line.isEmpty()) report.end << line;
        } else if (line == kStepHeader) {
            section = Section::Steps;
            steps = true;
        } else if (line == kLossHeader) {
            section = Section::Losses;
            losses = true;
        } else if (line.isEmpty()) {
            section = Section::None; // a blank line ends a block
        } else if (section == Section::Steps || section == Section::Losses) {
            const QStringList f = line.split('\t');
            const qsizetype want = section == Section::Steps ? 10 : 6;
            if (f.size() != want)
                throw Exception(QString("report line %1: %2 fields, not %3: %4")
                                    .arg(number)
                                    .arg(f.size())
                                    .arg(want)
                                    .arg(line));
            if (section == Section::Steps)
                report.steps.push_back(Step(f, number));
            else
                report.losses.push_back({f[0], f[1], f[2], f[3], f[4], f[5]});
        } else if (line.startsWith(kEnd)) {
            // The last block, while the job works too: the lines that follow say how it ended.
            report.end = {line.mid(kEnd.size())};
            section = Section::End;
        }
    }
    if (!steps) throw Exception("report without its step lines' header");
    if (!losses) throw Exception("report without the header of the rows that did not arrive");
    if (report.end.isEmpty()) throw Exception("report without its end (\"" + kEnd.trimmed() + "\")");
    return report;
}

Report ReadReport(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Exception(QString("cannot read the report %1: %2").arg(path, file.errorString()));
    return ParseReport(QString::fromUtf8(file.readAll()));
}

QStringList ReportFailures(const Report& report, const std::map<QString, int64_t>& migrated) {
    QStringList out;
    const bool finished = report.end.value(0) == QString::fromUtf8("concluída");
    if (!finished) out << "the job did not finish: " + report.end.join(" / ");
    for (const ReportStep& s : report.steps) {
        const int64_t parts = s.migrated + s.refused + s.failed + s.leftOut + s.notReached;
        if (parts != s.read || s.migrated < 0 || s.refused < 0 || s.failed < 0 || s.leftOut < 0 ||
            s.notReached < 0)
            out << QString("%1: read %2 but migrated %3 + refused %4 + failed %5 + left out %6 + not "
                           "reached %7 = %8")
                       .arg(s.name)
                       .arg(s.read)
                       .arg(s.migrated)
                       .arg(s.refused)
                       .arg(s.failed)
                       .arg(s.leftOut)
                       .arg(s.notReached)
                       .arg(parts);
        else if (finished && s.notReached != 0)
            out << QString("%1: the job finished with %2 rows not reached").arg(s.name).arg(s.notReached);
        int64_t leftOutLines = 0, failedLines = 0;
        for (const ReportLoss& l : report.losses) {
            if (l.step != s.name) continue;
            leftOutLines += l.situation == kLeftOut;
            failedLines += l.situation == kFailed;
        }
        if (leftOutLines != s.leftOut)
            out << QString("%1: %2 rows left out, %3 lines name one")
                       .arg(s.name)
                       .arg(s.leftOut)
                       .arg(leftOutLines);
        if (failedLines != s.failed)
            out << QString("%1: %2 rows failed, %3 lines name one")
                       .arg(s.name)
                       .arg(s.failed)
                       .arg(failedLines);
        const auto onDestination = migrated.find(s.name);
        if (onDestination == migrated.end())
            out << QString("%1: no destination table known for this step").arg(s.name);
        else if (onDestination->second != s.migrated)
            out << QString("%1: %2 rows migrated, the destination holds %3")
                       .arg(s.name)
                       .arg(s.migrated)
                       .arg(onDestination->second);
    }
    // A line naming no step of the report, or no situation it has: counted, the first one shown.
    int64_t strange = 0;
    for (const ReportLoss& l : report.losses) {
        const bool known = std::any_of(report.steps.begin(), report.steps.end(),
                                       [&](const ReportStep& s) { return s.name == l.step; });
        if (known && (l.situation == kLeftOut || l.situation == kFailed || l.situation == kRefused)) continue;
        if (strange++ == 0)
            out << QString("a line of a row that did not arrive names step \"%1\", situation \"%2\" (key %3)")
                       .arg(l.step, l.situation, l.key);
    }
    if (strange > 1) out << QString("%1 more such lines").arg(strange - 1);
    return out;
}
