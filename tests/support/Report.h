#pragma once
// A job's report as the benchmark reads it back: its step lines and its lines of rows that did not
// arrive, found by their exact header lines, and how the job ended. The checks say where a report
// does not account for its rows.

#include <QString>
#include <QStringList>
#include <cstdint>
#include <map>
#include <vector>

struct ReportStep {
    QString name, sourceTable;
    int64_t inTable = -1; // "?" when the legacy table could not be counted
    int64_t read = 0, migrated = 0, refused = 0, failed = 0, leftOut = 0, notReached = 0;
    double seconds = 0;
};

struct ReportLoss {
    QString step, sourceTable, key, situation, destinationTable, reason;
};

struct Report {
    std::vector<ReportStep> steps;
    std::vector<ReportLoss> losses;
    QStringList end; // "fim da tarefa: " and what follows it, one entry a line
};

// Raises with the line at fault when a header is missing or a line under one is malformed.
Report ParseReport(const QString& text);
// Reads the UTF-8 file and parses it; raises when it cannot be read.
Report ReadReport(const QString& path);

// One text per fault of a finished job's report: a step line that does not add up (or, the job
// having finished, leaves rows not reached), a step whose rows left out or failed differ from its
// lines of such rows, a line of a step or situation the report does not have, an end other than
// "concluída". `migrated`, by step name: the rows the destination holds for that step; a step
// missing from it is a fault too.
QStringList ReportFailures(const Report& report, const std::map<QString, int64_t>& migrated);
