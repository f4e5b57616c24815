#include "FieldConversions.h"

#include "Text.h"

#include <cmath>
#include <limits>

namespace {
[[noreturn]] void ConversionError(const QString& text, const char* kind) {
    throw EConvertError(QString("'%1' is not a valid %2 value").arg(text, kind));
}

QString DateTimeText(TDateTime dt) {
    TDateParts d = DecodeDate(dt);
    TTimeParts t = DecodeTime(dt);
    return QString("%1-%2-%3 %4:%5:%6")
        .arg(d.year, 4, 10, QChar('0'))
        .arg(d.month, 2, 10, QChar('0'))
        .arg(d.day, 2, 10, QChar('0'))
        .arg(t.hour, 2, 10, QChar('0'))
        .arg(t.minute, 2, 10, QChar('0'))
        .arg(t.second, 2, 10, QChar('0'));
}

// A date-time far out of the calendar has no date text: it is named by its number.
[[noreturn]] void OutOfRange(const TValue& v, const QString& field) {
    QString text;
    if (auto p = std::get_if<TDateTime>(&v))
        text = QString::number(p->value, 'g', 15);
    else
        text = ToText(v);
    throw ERangeError(QString("%1 does not fit field '%2'").arg(text, field));
}

// A whole double as a 64-bit integer, or the range error of the field it was meant for.
int64_t WholeToInt64(double whole, const TValue& v, const QString& field) {
    std::optional<int64_t> x = Int64FromWhole(whole);
    if (!x) OutOfRange(v, field);
    return *x;
}

} // namespace

// The conversions of a value that is not NULL into each representation a field holds.
QString ToText(const TValue& v) {
    if (auto p = std::get_if<QString>(&v)) return *p;
    if (auto p = std::get_if<int64_t>(&v)) return QString::number(*p);
    if (auto p = std::get_if<TCurrency>(&v)) return p->ToString();
    if (auto p = std::get_if<double>(&v)) return QString::number(*p, 'g', 15);
    if (auto p = std::get_if<TDateTime>(&v)) return DateTimeText(*p);
    return {};
}

// Fractions round half away from zero.
int64_t ToInt64(const TValue& v, const QString& field) {
    if (auto p = std::get_if<int64_t>(&v)) return *p;
    if (auto p = std::get_if<QString>(&v)) return StrToInt64(*p);
    if (auto p = std::get_if<TCurrency>(&v)) {
        int64_t whole = p->units / TCurrency::kScale, rest = p->units % TCurrency::kScale;
        if (rest >= TCurrency::kScale / 2) return whole + 1;
        if (rest <= -TCurrency::kScale / 2) return whole - 1;
        return whole;
    }
    if (auto p = std::get_if<double>(&v)) return WholeToInt64(std::round(*p), v, field);
    if (auto p = std::get_if<TDateTime>(&v)) return WholeToInt64(std::trunc(p->value), v, field);
    return 0;
}

double ToDouble(const TValue& v) {
    if (auto p = std::get_if<double>(&v)) return *p;
    if (auto p = std::get_if<int64_t>(&v)) return static_cast<double>(*p);
    if (auto p = std::get_if<TCurrency>(&v)) return p->ToDouble();
    if (auto p = std::get_if<TDateTime>(&v)) return p->value;
    if (auto p = std::get_if<QString>(&v)) {
        bool ok = false;
        double d = Trim(*p).toDouble(&ok);
        if (!ok) ConversionError(*p, "floating point");
        return d;
    }
    return 0;
}

TCurrency ToCurrency(const TValue& v, const QString& field) {
    if (auto p = std::get_if<TCurrency>(&v)) return *p;
    if (::IsNull(v)) return {};
    try {
        if (auto p = std::get_if<int64_t>(&v)) return TCurrency::FromInteger(*p);
        return TCurrency::FromDouble(ToDouble(v));
    } catch (const ERangeError&) {
        OutOfRange(v, field);
    }
}

int32_t ToInt32(const TValue& v, const QString& field) {
    const int64_t x = ToInt64(v, field);
    if (x < std::numeric_limits<int32_t>::min() || x > std::numeric_limits<int32_t>::max())
        throw EIntegerRangeError(QString("%1 in %2 does not fit a 32-bit integer").arg(x).arg(field));
    return static_cast<int32_t>(x);
}

TDateTime ToDateTime(const TValue& v) {
    if (auto p = std::get_if<TDateTime>(&v)) return *p;
    if (auto p = std::get_if<QString>(&v)) ConversionError(*p, "date and time");
    return TDateTime{ToDouble(v)};
}

bool IsIntegerType(TFieldType t) {
    return t == TFieldType::ftSmallint || t == TFieldType::ftInteger || t == TFieldType::ftLargeint;
}

Range RangeOf(TFieldType t) {
    switch (t) {
    case TFieldType::ftSmallint:
        return {-32768, 32767};
    case TFieldType::ftInteger:
        return {std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()};
    default:
        return {std::numeric_limits<int64_t>::min(), std::numeric_limits<int64_t>::max()};
    }
}
