#pragma once
// A seeded generator whose sequence is fixed by its seed alone (splitmix64), on every compiler
// and library: the standard distributions are implementation-defined, so none is used. Each
// table draws from a stream of its own, so that changing one table leaves the others as they were.

#include <QString>
#include <QStringList>
#include <cstdint>
#include <string_view>

class Random {
public:
    Random(uint64_t seed, std::string_view stream) : state_(seed) {
        uint64_t h = 1469598103934665603ull; // FNV-1a of the stream's name
        for (char c : stream)
            h = (h ^ static_cast<unsigned char>(c)) * 1099511628211ull;
        state_ ^= h;
        Next();
    }

    uint64_t Next() {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // A whole number in [0, n); n must be positive.
    int Below(int n) { return static_cast<int>(Next() % static_cast<uint64_t>(n)); }
    // A whole number in [lo, hi].
    int Between(int lo, int hi) { return lo + Below(hi - lo + 1); }
    // A fraction in [0, 1).
    double Unit() { return static_cast<double>(Next() >> 11) * 0x1.0p-53; }
    // True with the given probability (0 to 1).
    bool Chance(double p) { return Unit() < p; }
    const QString& Pick(const QStringList& list) { return list[Below(static_cast<int>(list.size()))]; }
    // A string of decimal digits of the given length.
    QString Digits(int length) {
        QString s(length, '0');
        for (int i = 0; i < length; ++i)
            s[i] = QChar('0' + Below(10));
        return s;
    }

private:
    uint64_t state_;
};
