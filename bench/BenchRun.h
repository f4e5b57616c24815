#pragma once
// Runs the real migration window headless on a generated store: each step of the run pressed on
// its own, then both commands, every message box answered and counted.

#include "DataSet.h"
#include "Firebird.h"
#include "Links.h"
#include "Recorder.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <map>
#include <optional>
#include <utility>
#include <vector>

struct StepFigures {
    QString name;
    int64_t sourceRows = 0;
    int64_t writes = 0; // INSERT and UPDATE statements the destination executed
    int64_t refused = 0;
    double seconds = 0;
    long peakKb = 0;    // of the process, when the step ended
    QStringList errors; // texts of the error boxes the step showed
    QString report;     // the report the press wrote (a press of the run or a command)
};

struct RunFigures {
    std::vector<StepFigures> steps;
    int boxes = 0;
    int errorBoxes = 0;
    std::vector<std::pair<QString, int>> boxKinds; // the boxes' texts (first words) and how often
};

// The rows a statement returns, read in a transaction of their own.
std::vector<TRow> SelectRows(FbAttachment& db, const QString& sql);

// The process's peak resident memory so far, in kilobytes.
long PeakMemoryKb();

// Shows the window with the executable beside DIR's LOJA.GDB and KELMOR.FDB, runs every step and
// both commands with the recorder watching the destination, and closes it (a full commit).
// `progress` hears of each step as it ends (a large run takes a while).
RunFigures RunForm(const QString& dir, StatementRecorder& recorder,
                   const std::function<void(const StepFigures&)>& progress = {});

// What makes a run a failure, one text per cause: an error box, a step that read rows and wrote
// none, or a press that wrote no report of its own.
QStringList RunFailures(const RunFigures& run);

// Per step name of the reports, the rows the destination holds for it after the run: the rows of
// the step's table, and for the brand command the products it can give a brand (those of a supplier
// link whose product and supplier exist). The run began on an empty destination, and each table is
// written by its step alone.
std::map<QString, int64_t> MigratedOnDestination(const QString& database, const DestinationRows& rows);

// Leaves the database's user tables with their primary keys alone: drops every other index,
// through its constraint when it has one (foreign keys first, as they lean on unique keys).
// Returns the names of the indexes dropped.
QStringList DropSecondaryIndexes(const QString& database);

// Triggers a management system's destination may carry.
enum class DestinationTriggers {
    Own,   // on every user table, a BEFORE INSERT that touches only the row it fires for
    Audit, // an AFTER INSERT on SCA_CLIENTE that logs the new customer through dynamic SQL
    Keys   // on every table keyed from a generator, a BEFORE INSERT that draws the key again
};
std::optional<DestinationTriggers> DestinationTriggersByName(const QString& name); // own, audit, keys

// Gives the database's tables those triggers, active, and commits them. `Own` numbers them
// BENCH_OWN_<n> and fills an integer primary key left empty from the generator BENCH_GEN it
// creates (the program always gives its keys, so no stored value changes); `Audit` creates the
// table BENCH_AUDITORIA, without keys, and the trigger BENCH_AUDIT_CLIENTE that inserts into it.
// `Keys` numbers them BENCH_KEY_<n>, one per table keyed by one integer column <XXX>_PK_<word>
// when the database has exactly one generator named GEN_<XXX>_PK_...: the one the program draws
// that table's keys from. Each always overwrites the key with a new draw from that generator, so
// no stored key is the one the program gave; tables keyed by a code of their own get none.
// Returns the names of the triggers created, each with its table: "NAME on TABLE".
QStringList AddDestinationTriggers(const QString& database, DestinationTriggers triggers);
