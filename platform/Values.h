#pragma once
// The value types the datasets hold: fixed point with four decimals, date-times counted in days
// since 1899-12-30, and a variant over them.

#include <QString>
#include <cstdint>
#include <optional>
#include <variant>

// Money and quantities: a 64-bit count of ten-thousandths.
struct TCurrency {
    int64_t units = 0;
    static constexpr int64_t kScale = 10000;

    // Every operation that would leave the 64-bit range raises ERangeError naming the value.
    static TCurrency FromUnits(int64_t u) { return TCurrency{u}; }
    static TCurrency FromInteger(int64_t v);
    // The double's exact value times 10000, rounded to the nearest integer, exact halves to the
    // even one.
    static TCurrency FromDouble(double v);
    // Cut toward zero to `decimals` places (0 to 4); more than four leave the value unchanged.
    TCurrency CutTo(int decimals) const;
    // Exact product of two four-decimal values, rounded once to four decimals, halves to even.
    TCurrency operator*(TCurrency other) const;
    TCurrency operator+(TCurrency o) const;
    TCurrency operator-(TCurrency o) const;
    TCurrency operator-() const;
    double ToDouble() const { return static_cast<double>(units) / kScale; }
    QString ToString() const; // "12.34", no trailing zeros, "." as separator
    auto operator<=>(const TCurrency&) const = default;
};

// Days since 1899-12-30; the fraction is the time of day. Before that day the whole part is
// negative and the fraction still counts forward from midnight (-1.25 is 1899-12-29 06:00).
struct TDateTime {
    double value = 0;
    auto operator<=>(const TDateTime&) const = default;
};

struct TDateParts {
    int year = 1899, month = 12, day = 30;
};
struct TTimeParts {
    int hour = 0, minute = 0, second = 0, tenThousandths = 0; // of a second
};

// Days between 1899-12-30 and the given date (proleptic Gregorian calendar).
int64_t DaysFromCivil(int year, int month, int day);
TDateParts CivilFromDays(int64_t days);

TDateTime EncodeDateTime(const TDateParts& d, const TTimeParts& t = {});
// The calendar day and the time of day of a date-time.
int64_t DatePart(TDateTime dt);
// The time of day in ten-thousandths of a second (0 to 863999999).
int64_t TimeOfDayUnits(TDateTime dt);
TDateTime FromDayAndTime(int64_t day, int64_t timeUnits);
TDateParts DecodeDate(TDateTime dt);
TTimeParts DecodeTime(TDateTime dt);

TDateTime Now();
TDateTime Date(); // today at midnight
TDateTime Time(); // the current time of day, date part zero

// One value of a field, a parameter or a result column.
using TValue = std::variant<std::monostate, int64_t, double, TCurrency, TDateTime, QString>;

inline bool IsNull(const TValue& v) {
    return std::holds_alternative<std::monostate>(v);
}

// The value as readable text (NULL is the empty text).
QString ValueText(const TValue& v);

// A whole double as a 64-bit integer; nullopt when it lies outside that range (NaN too).
std::optional<int64_t> Int64FromWhole(double whole);
