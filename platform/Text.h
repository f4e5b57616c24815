#pragma once
// Text helpers with the class library's rules.

#include <QString>
#include <cstdint>

// Removes every character of code 32 or below at both ends.
QString Trim(const QString& s);
// Removes the blanks (code 32 only) at the end: the pad of a fixed-width column, which Firebird
// does not count when it compares texts.
QString WithoutTrailingBlanks(const QString& s);
// Turns only the letters a to z into capitals; accented letters keep their case.
QString UpperAZ(const QString& s);
// Upper case of every letter that has a one-character capital (used by case-insensitive searches).
QString UpperAll(const QString& s);
// A decimal integer with an optional sign, blanks around allowed; anything else raises
// EConvertError naming the text.
int64_t StrToInt64(const QString& s);
int32_t StrToInt(const QString& s);
// The text with each apostrophe doubled, inside apostrophes: a literal for SQL text.
QString QuotedStr(const QString& s);
