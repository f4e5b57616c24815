#pragma once
// What a run left in the destination: the rows of each table, and the links between its rows
// that point at nothing (a key the program wrote into another row that no row holds).

#include <QString>
#include <QStringList>
#include <cstdint>
#include <span>
#include <utility>
#include <vector>

// A column the program fills with the key of a row of another table.
struct RowLink {
    const char* table;
    const char* column;
    const char* parent;
    const char* key; // the parent's key column
};

// Every link the program writes, in the order it counts them.
std::span<const RowLink> RowLinks();

struct LinkCount {
    RowLink link;
    int64_t missing = 0; // values, empty ones aside, that no row of the parent holds
};

struct DestinationRows {
    std::vector<std::pair<QString, int64_t>> tables; // every user table by name, with its rows
    std::vector<LinkCount> links;                    // every link the program writes, in order
    int64_t Missing() const;
};

// Counts through an attachment of its own, so the form must have closed (the embedded engine
// holds the file for the attachment that has it open).
DestinationRows CountDestinationRows(const QString& database);

// One text per link that points at missing rows: "TABLE.COLUMN -> PARENT: n".
QStringList DanglingLinks(const DestinationRows& rows);
