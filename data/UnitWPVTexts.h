#pragma once
// Texts the window shows for files and steps: numbers in table cells, step list items, file
// list items and the re-formatted "Source file" text.
#include "UnitWPVTextFile.h"

#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <functional>

class TWPVDataFromFile;
class TWPVDataSet;

// Standard number formatting (QvFormatFloat) with one leading blank for values of 0 or more,
// so that signed and unsigned numbers line up.
QString FormatFloat(const QString& aFormat, double aValue);

// "FN:1 Mode:PIDStep Step:3 Log(pO2):-3.0" for step aStep of file number aFileNumber.
QString StepListText(int aFileNumber, const TWPVDataSet& aStep);

// "FN:1 <experiment name>" for the file lists of the "File" and "Details" pages.
QString FileListText(const TWPVDataFromFile& aFile);

// One line of the "Source file" view: the line split at every ';', every blank removed from
// each field, each field padded or cut to 40 characters when the line has exactly 4 fields
// (variables) and to 15 otherwise, each followed by one blank. An empty line stays empty.
QString SourceLineText(QStringView aLine);

// The same for a line as the file holds it (bytes in the encoding aCodec), written out a few
// thousand characters at a time, so that a line of any length is never held whole in its
// re-formatted form: characters [aFrom, aFrom + aCount) of it (to its end for aCount < 0) go
// to aOut. The "Source file" view paints only the part of a line that it shows.
void WriteSourceLine(QByteArrayView aLine, TWPVTextCodec aCodec, const std::function<void(QStringView)>& aOut,
                     qsizetype aFrom = 0, qsizetype aCount = -1);

// The number of characters of the re-formatted line, found without making it.
qsizetype SourceLineWidth(QByteArrayView aLine);
