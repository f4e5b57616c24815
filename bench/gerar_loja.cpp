// Writes a synthetic legacy store and an empty destination:
//   gerar_loja --scale demo|small|medium|large --seed N --out DIR
#include "GenerateStore.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdio>

namespace {
int Usage() {
    std::fprintf(stderr, "usage: gerar_loja --scale %s --seed N --out DIR\n",
                 qPrintable(ScaleNames().join('|')));
    return 2;
}
} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QString scaleName, out;
    bool seedOk = false;
    uint64_t seed = 0;
    const QStringList args = app.arguments();
    for (qsizetype i = 1; i + 1 < args.size(); i += 2) {
        if (args[i] == "--scale")
            scaleName = args[i + 1];
        else if (args[i] == "--seed")
            seed = args[i + 1].toULongLong(&seedOk);
        else if (args[i] == "--out")
            out = args[i + 1];
        else
            return Usage();
    }
    std::optional<Scale> scale = ScaleByName(scaleName);
    if (!scale || !seedOk || out.isEmpty() || args.size() % 2 == 0) return Usage();
    try {
        QElapsedTimer timer;
        timer.start();
        StoreCounts counts = GenerateStore(out, *scale, seed);
        for (const auto& [table, rows] : counts.rows)
            std::printf("%-10s %9lld rows\n", qPrintable(table), static_cast<long long>(rows));
        std::printf("%s/LOJA.GDB (%s, seed %llu): %lld rows in %.1f s; %s/KELMOR.FDB empty\n",
                    qPrintable(out), qPrintable(scale->name), static_cast<unsigned long long>(seed),
                    static_cast<long long>(counts.Total()), timer.elapsed() / 1000.0, qPrintable(out));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "gerar_loja: %s\n", e.what());
        return 1;
    }
    return 0;
}
