#pragma once
// The conversions of a value into each representation a field holds, with the range checks a
// field applies when it is written or read.

#include "Errors.h"
#include "FieldDef.h"
#include "Values.h"

#include <QString>
#include <cstdint>

QString ToText(const TValue& v);
// Fractions round half away from zero; `field` names a value beyond 64 bits.
int64_t ToInt64(const TValue& v, const QString& field);
// A value read as a 32-bit integer (NULL reads as 0); one beyond 32 bits raises ERangeError
// naming the value and the field or column: never a number cut to another one.
int32_t ToInt32(const TValue& v, const QString& field);
double ToDouble(const TValue& v);
TCurrency ToCurrency(const TValue& v, const QString& field);
TDateTime ToDateTime(const TValue& v);

struct Range {
    int64_t low, high;
};
bool IsIntegerType(TFieldType t);
Range RangeOf(TFieldType t);
