#pragma once
// Fixed-width text cells for the window's text tables.
#include <QString>

// A text of exactly aWidth characters (none for aWidth <= 0). Left-aligned: aText followed by
// blanks, cut to its first aWidth characters. Right-aligned: blanks followed by aText, cut to
// its last aWidth characters (a longer text keeps its right-hand end).
QString PadToWidth(int aWidth, const QString& aText, bool aRightAlign);
