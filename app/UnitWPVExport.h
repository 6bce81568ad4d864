#pragma once
// The command-line export: the texts of the details page, the step list and the "Source file"
// view for files added the way the window adds them.
#include "UnitTWPVData.h"
#include "UnitWPVDetails.h"
#include "UnitWPVParameters.h"

#include <QString>
#include <QStringList>
#include <QTextStream>

#include <memory>
#include <optional>
#include <stdexcept>
#include <utility>
#include <vector>

// A bad export argument (unknown column, unknown override variable).
class EWPVUsageError : public std::runtime_error
{
public:
    explicit EWPVUsageError(const QString& aMessage)
        : std::runtime_error(aMessage.toUtf8().toStdString())
    {
    }
};

// The window's state that adding files and the details page depend on.
struct TWPVSession
{
    std::vector<std::unique_ptr<TWPVDataFromFile>> Files;
    int FileCounter = 0;
    bool OverridesUsed = false;     // CheckBoxOverrides
    TOverrideValues Overrides;      // the nine override edits

    // "Add from file": load, number, analyse and keep the file (from aText when given, the
    // file's text already read); loads the override edits from it when it has steps (and
    // clears the check box). Throws EWPVDataError when loading fails; the file number is used
    // up all the same, except for a file that is no instrument file at all (EWPVNotDataFile).
    TWPVDataFromFile& AddFile(const QString& aFileName, std::shared_ptr<const TWPVText> aText = nullptr);
};

struct TDetailsExportOptions
{
    int StartSet = 0;
    // "all", "none" or column names; empty: the initial column choice.
    std::optional<QStringList> Columns;
    // VAR=VALUE overrides; any of them turns "Custom overrides used" on.
    std::vector<std::pair<QString, double>> Overrides;
    bool Strip = false;
};

// The column table for a --columns value ("all", "none" or names separated by ',').
// Throws EWPVUsageError for an unknown name.
TColArr ColumnsForExport(const std::optional<QStringList>& aColumns);

// What the details page shows for aFileName added as file number 1 and selected.
QString ExportDetails(const QString& aFileName, const TDetailsExportOptions& aOptions);

// The step list items of the files added in order. Files that fail to load are reported through
// aErrors and skipped (their file number is used up, as in the window).
void ExportSteps(const QStringList& aFiles, QTextStream& aOut, QStringList& aErrors);

// The "Source file" text of the files added in order (failing files reported and skipped).
void ExportSource(const QStringList& aFiles, QTextStream& aOut, QStringList& aErrors);
