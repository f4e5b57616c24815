#pragma once
// The synthetic legacy store: a LOJA.GDB of a chosen size, the same for the same seed, with the
// variety of a real shop's data, and an empty KELMOR.FDB beside it.

#include "Schema.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

struct Scale {
    QString name;
    int employees = 0;
    int customers = 0;
    int suppliers = 0;
    int products = 0;
    int sales = 0; // each with 1 to 10 items, four on average
    int entries = 0;
    int barcodes = 0;
    // Duplicate codes, a second establishment, unknown suppliers and the like: what a real store
    // holds and the migration reports. The demo is kept free of them, for a first look.
    bool messy = true;
};

std::optional<Scale> ScaleByName(const QString& name);
QStringList ScaleNames();

// Rows written per legacy table, in the order they were written.
struct StoreCounts {
    std::vector<std::pair<QString, int64_t>> rows;
    int64_t Of(const QString& table) const;
    int64_t Total() const;
};

// Writes DIR/LOJA.GDB (the legacy schema and the synthetic store, the legacy file declared as
// `legacy` says) and DIR/KELMOR.FDB (the empty destination), replacing files of those names.
StoreCounts GenerateStore(const QString& dir, const Scale& scale, uint64_t seed,
                          const DatabaseFormat& legacy = {});
