#pragma once
// Texts the window shows for files and steps: numbers in table cells, step list items, file
// list items and the re-formatted "Source file" text.
#include <QString>
#include <QStringView>

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
// (variables) and to 15 otherwise, each followed by one blank.
QString SourceLineText(QStringView aLine);
