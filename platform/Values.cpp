#include "Values.h"

#include "Errors.h"

#include <QDateTime>
#include <cmath>

namespace {
constexpr int64_t kUnitsPerDay = 864000000; // ten-thousandths of a second
constexpr int64_t kDaysFrom1970 = 25569;    // 1899-12-30 to 1970-01-01

int64_t RoundHalfEven(__int128 numerator, int64_t divisor) {
    __int128 q = numerator / divisor;
    __int128 r = numerator % divisor;
    __int128 twice = (r < 0 ? -r : r) * 2;
    if (twice > divisor || (twice == divisor && (q % 2 != 0))) q += (numerator < 0 ? -1 : 1);
    return static_cast<int64_t>(q);
}

int64_t Pow10(int n) {
    int64_t p = 1;
    while (n-- > 0)
        p *= 10;
    return p;
}

[[noreturn]] void OutOfRange(const QString& value) {
    throw ERangeError(QString("%1 is out of the range of a money value").arg(value));
}
} // namespace

TCurrency TCurrency::FromInteger(int64_t v) {
    int64_t u = 0;
    if (__builtin_mul_overflow(v, kScale, &u)) OutOfRange(QString::number(v));
    return TCurrency{u};
}

TCurrency TCurrency::FromDouble(double v) {
    if (!std::isfinite(v)) OutOfRange(QString::number(v, 'g', 17));
    // v is mantissa * 2^exponent exactly, with a mantissa of at most 53 bits; a value of 2^53 or
    // more has no four-decimal form in 64 bits anyway.
    int exponent = 0;
    const double fraction = std::frexp(std::fabs(v), &exponent);
    if (exponent > 53) OutOfRange(QString::number(v, 'g', 17));
    const auto mantissa = static_cast<__int128>(std::ldexp(fraction, 53));
    const int shift = 53 - exponent; // at least 0
    const __int128 scaled = mantissa * kScale;
    __int128 q = 0;
    if (shift == 0) {
        q = scaled;
    } else if (shift < 100) { // beyond that the value is far below half a unit
        q = scaled >> shift;
        const __int128 rest = scaled - (q << shift);
        const __int128 half = static_cast<__int128>(1) << (shift - 1);
        if (rest > half || (rest == half && (q & 1) != 0)) ++q;
    }
    const __int128 limit = static_cast<__int128>(INT64_MAX) + (v < 0 ? 1 : 0);
    if (q > limit) OutOfRange(QString::number(v, 'g', 17));
    return TCurrency{static_cast<int64_t>(v < 0 ? -q : q)};
}

TCurrency TCurrency::operator+(TCurrency o) const {
    int64_t u = 0;
    if (__builtin_add_overflow(units, o.units, &u)) OutOfRange(ToString() + " + " + o.ToString());
    return TCurrency{u};
}

TCurrency TCurrency::operator-(TCurrency o) const {
    int64_t u = 0;
    if (__builtin_sub_overflow(units, o.units, &u)) OutOfRange(ToString() + " - " + o.ToString());
    return TCurrency{u};
}

TCurrency TCurrency::operator-() const {
    if (units == INT64_MIN) OutOfRange("-(" + ToString() + ")");
    return TCurrency{-units};
}

TCurrency TCurrency::CutTo(int decimals) const {
    if (decimals >= 4) return *this;
    int64_t step = Pow10(4 - decimals);
    return TCurrency{units / step * step}; // integer division truncates toward zero
}

TCurrency TCurrency::operator*(TCurrency other) const {
    __int128 product = static_cast<__int128>(units) * other.units;
    __int128 limit = static_cast<__int128>(INT64_MAX) * kScale;
    if (product > limit || product < -limit) OutOfRange(ToString() + " * " + other.ToString());
    return TCurrency{RoundHalfEven(product, kScale)};
}

QString TCurrency::ToString() const {
    int64_t whole = units / kScale;
    int64_t frac = units % kScale;
    QString s;
    if (units < 0 && whole == 0) s = "-";
    s += QString::number(whole);
    if (frac != 0) {
        QString f = QString::number(frac < 0 ? -frac : frac).rightJustified(4, '0');
        while (f.endsWith('0'))
            f.chop(1);
        s += '.' + f;
    }
    return s;
}

int64_t DaysFromCivil(int year, int month, int day) {
    // Howard Hinnant's days_from_civil, shifted to the 1899-12-30 epoch.
    int64_t y = static_cast<int64_t>(year) - (month <= 2 ? 1 : 0);
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t mp = (month + 9) % 12;
    const int64_t doy = (153 * mp + 2) / 5 + day - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468 + kDaysFrom1970;
}

TDateParts CivilFromDays(int64_t days) {
    int64_t z = days - kDaysFrom1970 + 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    TDateParts p;
    p.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    p.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    p.year = static_cast<int>(yoe + era * 400 + (p.month <= 2 ? 1 : 0));
    return p;
}

namespace {
// The calendar day and the time of day of a value; a time that rounds up to midnight moves on
// to the next day.
std::pair<int64_t, int64_t> Split(TDateTime dt) {
    double whole = std::trunc(dt.value);
    double frac = std::fabs(dt.value - whole);
    auto day = static_cast<int64_t>(whole);
    auto units = static_cast<int64_t>(std::llround(frac * static_cast<double>(kUnitsPerDay)));
    if (units >= kUnitsPerDay) {
        units = 0;
        day += 1;
    }
    return {day, units};
}
} // namespace

int64_t DatePart(TDateTime dt) {
    return Split(dt).first;
}
int64_t TimeOfDayUnits(TDateTime dt) {
    return Split(dt).second;
}

TDateTime FromDayAndTime(int64_t day, int64_t timeUnits) {
    double f = static_cast<double>(timeUnits) / static_cast<double>(kUnitsPerDay);
    double d = static_cast<double>(day);
    return TDateTime{day >= 0 ? d + f : d - f};
}

TDateTime EncodeDateTime(const TDateParts& d, const TTimeParts& t) {
    int64_t units =
        ((static_cast<int64_t>(t.hour) * 60 + t.minute) * 60 + t.second) * 10000 + t.tenThousandths;
    return FromDayAndTime(DaysFromCivil(d.year, d.month, d.day), units);
}

TDateParts DecodeDate(TDateTime dt) {
    return CivilFromDays(DatePart(dt));
}

TTimeParts DecodeTime(TDateTime dt) {
    int64_t u = TimeOfDayUnits(dt);
    TTimeParts t;
    t.tenThousandths = static_cast<int>(u % 10000);
    u /= 10000;
    t.second = static_cast<int>(u % 60);
    u /= 60;
    t.minute = static_cast<int>(u % 60);
    t.hour = static_cast<int>(u / 60);
    return t;
}

TDateTime Now() {
    QDateTime now = QDateTime::currentDateTime();
    QDate d = now.date();
    QTime t = now.time();
    return EncodeDateTime({d.year(), d.month(), d.day()}, {t.hour(), t.minute(), t.second(), t.msec() * 10});
}

TDateTime Date() {
    return FromDayAndTime(DatePart(Now()), 0);
}

TDateTime Time() {
    return FromDayAndTime(0, TimeOfDayUnits(Now()));
}

QString ValueText(const TValue& v) {
    if (auto p = std::get_if<QString>(&v)) return *p;
    if (auto p = std::get_if<int64_t>(&v)) return QString::number(*p);
    if (auto p = std::get_if<TCurrency>(&v)) return p->ToString();
    if (auto p = std::get_if<double>(&v)) return QString::number(*p, 'g', 17);
    if (auto p = std::get_if<TDateTime>(&v)) return QString::number(p->value, 'g', 17);
    return {};
}

std::optional<int64_t> Int64FromWhole(double whole) {
    constexpr double kTwoTo63 = 9223372036854775808.0;
    if (!(whole >= -kTwoTo63 && whole < kTwoTo63)) return std::nullopt;
    return static_cast<int64_t>(whole);
}
