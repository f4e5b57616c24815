#include "FbConversions.h"

#include "Errors.h"
#include "Text.h"

#include <cmath>

namespace {
constexpr int64_t kMjdOf18991230 = 15018; // ISC_DATE counts days from 1858-11-17
constexpr int64_t kFirstDay = -693593;    // 0001-01-01, counted from 1899-12-30
constexpr int64_t kLastDay = 2958465;     // 9999-12-31

int64_t Pow10(int n) {
    int64_t p = 1;
    while (n-- > 0)
        p *= 10;
    return p;
}

// An exact numeric as the database shows it: 999999999999999.999 for 999999999999999999 with 3 places.
QString ScaledText(int64_t raw, int decimals) {
    const uint64_t magnitude = raw < 0 ? 0 - static_cast<uint64_t>(raw) : static_cast<uint64_t>(raw);
    QString digits = QString::number(magnitude).rightJustified(decimals + 1, '0');
    if (decimals > 0) digits.insert(digits.size() - decimals, '.');
    return raw < 0 ? '-' + digits : digits;
}

// A four-decimal value into a column with `decimals` places; fewer places cut toward zero. False
// when the result does not fit 64 bits.
bool CurrencyToScaled(TCurrency c, int decimals, int64_t& scaled) {
    if (decimals <= 4) {
        scaled = c.units / Pow10(4 - decimals);
        return true;
    }
    return !__builtin_mul_overflow(c.units, Pow10(decimals - 4), &scaled);
}
} // namespace

std::optional<int64_t> ParamScaled(const TValue& v, int decimals) {
    if (auto p = std::get_if<TCurrency>(&v)) {
        int64_t scaled = 0;
        if (!CurrencyToScaled(*p, decimals, scaled)) return std::nullopt;
        return scaled;
    }
    if (auto p = std::get_if<double>(&v)) {
        if (decimals == 0) return Int64FromWhole(std::trunc(*p));
        try {
            return ParamScaled(TValue{TCurrency::FromDouble(*p)}, decimals);
        } catch (const ERangeError&) {
            return std::nullopt;
        }
    }
    int64_t whole = 0;
    if (auto p = std::get_if<int64_t>(&v))
        whole = *p;
    else if (auto p = std::get_if<QString>(&v))
        whole = StrToInt64(*p);
    else
        throw EIBError("A date cannot be written into a numeric parameter", 0, 0);
    int64_t scaled = 0;
    if (__builtin_mul_overflow(whole, Pow10(decimals), &scaled)) return std::nullopt;
    return scaled;
}

double ParamDouble(const TValue& v) {
    if (auto p = std::get_if<double>(&v)) return *p;
    if (auto p = std::get_if<int64_t>(&v)) return static_cast<double>(*p);
    if (auto p = std::get_if<TCurrency>(&v)) return p->ToDouble();
    if (auto p = std::get_if<TDateTime>(&v)) return p->value;
    return std::get<QString>(v).toDouble();
}

QString ParamText(const TValue& v) {
    if (auto p = std::get_if<QString>(&v)) return *p;
    if (auto p = std::get_if<int64_t>(&v)) return QString::number(*p);
    if (auto p = std::get_if<TCurrency>(&v)) return p->ToString();
    return QString::number(ParamDouble(v), 'g', 17);
}

TDateTime ParamDateTime(const TValue& v) {
    if (auto p = std::get_if<TDateTime>(&v)) return *p;
    return TDateTime{ParamDouble(v)};
}

std::optional<int32_t> ParamIscDate(const TValue& v) {
    const TDateTime dt = ParamDateTime(v);
    // Far outside the calendar (NaN included) the day is not even a 64-bit number.
    if (!(dt.value > double(kFirstDay - 1) && dt.value < double(kLastDay + 1))) return std::nullopt;
    const int64_t day = DatePart(dt); // a time rounding up to midnight may reach the next day
    if (day < kFirstDay || day > kLastDay) return std::nullopt;
    return static_cast<int32_t>(day + kMjdOf18991230);
}

uint32_t ParamIscTime(const TValue& v) {
    return static_cast<uint32_t>(TimeOfDayUnits(ParamDateTime(v)));
}

TCurrency ScaledToCurrency(int64_t raw, int decimals, const QString& column) {
    if (decimals <= 4) {
        int64_t units = 0;
        if (__builtin_mul_overflow(raw, Pow10(4 - decimals), &units))
            throw ERangeError(
                QString("%1 in column %2 does not fit a money value").arg(ScaledText(raw, decimals), column));
        return TCurrency::FromUnits(units);
    }
    int64_t div = Pow10(decimals - 4);
    int64_t q = raw / div, r = raw % div;
    int64_t twice = (r < 0 ? -r : r) * 2;
    if (twice > div || (twice == div && q % 2 != 0)) q += raw < 0 ? -1 : 1;
    return TCurrency::FromUnits(q);
}

TDateTime FromIscDateTime(int32_t date, uint32_t time) {
    return FromDayAndTime(date - kMjdOf18991230, time);
}
