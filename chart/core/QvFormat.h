#pragma once
// Number formatting shared by the whole program: chart axis labels, caption placeholders,
// numeric edits, the window's tables and the command-line export.
//
// Two kinds of text:
//  - pattern formats in the style of the runtime's FormatFloat: "0.000E+00", "#0", "0.0",
//    "0.00", "#,##0.00", "0.0;(0.0);zero" ...
//  - the general format: the shortest text with at most 15 significant digits, fixed notation
//    for 0 and magnitudes from 0.00001 up to 15 integer digits, scientific ("1E-6") otherwise.
//
// Both first take the value to 15 significant decimal digits (as the runtime does), so that
// 0.0012345 shows as 1.235E-03 with "0.000E+00" although its binary value lies just below the
// tie; the rounding to the digits shown is then half away from zero on that decimal text.
// Infinite and NaN values give "INF", "-INF" and "NAN". The decimal and thousands separators are
// the user's (the default QLocale); QvSetFormatSeparators overrides them (tests, export).
#include <QChar>
#include <QString>

// Pattern characters:
//   0      digit always shown (leading and trailing zeros included)
//   #      digit shown only when significant
//   .      place of the decimal separator (the first one counts; further ones are ignored)
//   ,      anywhere among the digit placeholders: group the integer digits in thousands
//   E+ E- e+ e-   followed by zeros: scientific notation, exponent with at least that many
//          digits; its sign always shown after "+", only when negative after "-"
//   "xx" 'xx'     literal text
//   ;      separates sections for positive;negative;zero values (negative section: no sign)
// Any other character is copied as it stands. An empty pattern gives the general format.
QString QvFormatFloat(const QString& Format, double Value);

// General format with the given number of significant digits (1 to 18; 15 by default).
QString QvFormatGeneral(double Value, int Precision = 15);

// Fixed notation with exactly Decimals digits after the separator (0 to 18).
QString QvFormatFixed(double Value, int Decimals);

// The separators used by every function above.
QChar QvDecimalSeparator();
QChar QvThousandSeparator();

// Fixes the separators instead of following the default QLocale (pass QChar() to return to
// the locale's).
void QvSetFormatSeparators(QChar Decimal, QChar Thousand);
