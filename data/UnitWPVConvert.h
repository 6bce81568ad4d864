#pragma once
// Strict conversion of numbers in instrument data files.
//
// Leading blanks (code 32 only) are skipped; then an optional sign, a decimal number with "."
// as the decimal point (whatever the system settings) and an optional exponent ("E" or "e",
// optional sign, at least one digit); the text must end there. Anything else fails: trailing
// blanks, an empty text, "inf", "nan", hexadecimal. Every value goes through 32-bit float;
// magnitudes beyond the float range fail, tiny ones become 0 (or a denormal).
#include <QByteArrayView>
#include <QString>

// Converts aText; on success stores the value (as float, widened) and returns true.
bool WPVStrToFloat(QByteArrayView aText, double& aValue);
bool WPVStrToFloat(const QString& aText, double& aValue);
bool WPVStrToFloat(QStringView aText, double& aValue);

// The same with every ':' read as '.' (elapsed times written as "12:5").
bool WPVStrToFloatColon(QByteArrayView aText, double& aValue);

// Rounds a converted value to the nearest integer, halves to the even neighbour; fails when the
// result does not fit a 32-bit signed integer.
bool WPVRoundToInt(double aValue, int& aResult);
