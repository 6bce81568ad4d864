#pragma once
// The details page: the per-step results table with its legend, and the contents of the three
// detail graphs.
#include <QString>
#include <QStringList>

#include <vector>

class TWPVDataFromFile;

// One column of the details table.
struct TColData
{
    QString Longname; // never used
    QString Name;     // the key of the cell, the header text and the column's list item
    QString Ref;      // "*" when the column has a legend line
    QString Expl;     // the legend text
    QString Format;   // number format of the cells
    int Width = 0;    // width in characters
    bool Visible = false;
};
using TColArr = std::vector<TColData>;

// The 33 columns in table order, with their initial Visible flags.
TColArr DetailColumns();

// Index of the column named aName; -1 when there is none.
int DetailColumnIndex(const TColArr& aColumns, const QString& aName);

// Builds the column table on first use (empty aColumns), else applies a column choice: with
// aClearAll every column is hidden, otherwise the column at aFocused (none when < 0) is shown
// or hidden.
void InitColStructure(TColArr& aColumns, bool aClearAll, int aFocused);

// What the details page shows for one file.
struct TDetailsPage
{
    QStringList Lines;             // the memo's lines (the notes line holds CR LF pairs)
    std::vector<double> AlogpO2;   // log10(final pO2) of the plotted steps: X of graph "b"
    // log10(final pO2) of the plotted steps with a log|y| cell: X of graphs "log |y|" and "y".
    // The start set has no log|y| cell, so these steps are not the same as AlogpO2's.
    std::vector<double> AlogpO2y;
    std::vector<double> Alogy;     // log10|bp - bs|: graph "log |y|"
    std::vector<double> B;         // bp - bs: graph "y"
    std::vector<double> C;         // bp: graph "b"

    // The memo text for export: lines joined with LF (CR LF inside a line becomes LF), with a
    // final LF.
    QString Text() const;
};

// The page for aFile with the given columns and start set. The analysis must have run
// (UpdateVariables, InterSetActions).
TDetailsPage ShowSetData(const TWPVDataFromFile& aFile, const TColArr& aColumns, int aStartSet);

// "Remove spaces and copy to clipboard": every blank removed.
QString RemoveBlanks(const QString& aText);
