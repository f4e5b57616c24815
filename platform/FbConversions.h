#pragma once
// How values cross the Firebird client: a parameter value carried in a variable of each kind, and
// what the database returns read back into the program's types. Look-ups that answer a statement
// from memory convert what they search by the same rules, so the two cannot drift apart.

#include "Values.h"

#include <QString>
#include <cstdint>
#include <optional>

// A parameter value that is not NULL, in units of the variable's last decimal place (fewer
// decimals cut toward zero); nullopt when it does not fit 64 bits.
std::optional<int64_t> ParamScaled(const TValue& v, int decimals);
double ParamDouble(const TValue& v);
QString ParamText(const TValue& v);
TDateTime ParamDateTime(const TValue& v);
// The day of a date parameter as the client counts it (days since 1858-11-17); nullopt outside
// 0001-01-01 to 9999-12-31, the database's range of dates, where the client's 32 bits would
// otherwise wrap around to another day.
std::optional<int32_t> ParamIscDate(const TValue& v);
// The time of day of a time parameter in the client's ten-thousandths of a second.
uint32_t ParamIscTime(const TValue& v);

// An exact numeric with `decimals` places as a four-decimal value (more places round, halves to
// even); `column` names it when it does not fit.
TCurrency ScaledToCurrency(int64_t raw, int decimals, const QString& column);
// A date and a time of day as the client carries them.
TDateTime FromIscDateTime(int32_t date, uint32_t time);
