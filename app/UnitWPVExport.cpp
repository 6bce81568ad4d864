#include "UnitWPVExport.h"

#include "UnitWPVTexts.h"
#include "UnitWPVTextFile.h"

TWPVDataFromFile& TWPVSession::AddFile(const QString& aFileName, std::shared_ptr<const TWPVText> aText)
{
    const int number = ++FileCounter;
    auto file = std::make_unique<TWPVDataFromFile>();
    try {
        if (aText)
            file->OccupyFromText(aFileName, std::move(aText));
        else
            file->OccupyFromFile(aFileName);
    } catch (const EWPVNotDataFile&) {
        // Not an instrument file at all: refused without using up a file number.
        --FileCounter;
        throw;
    }
    TVariables v = file->VOrig();
    v.FileNumber = number;
    file->SetVActiv(v);
    file->SetVOrig(v);
    file->SetVOver(v);
    UpdateVariables(*file, OverridesUsed, Overrides);
    file->InterSetActions();
    Files.push_back(std::move(file));
    TWPVDataFromFile& added = *Files.back();
    if (added.DataSetCount() > 0) {
        OverridesUsed = false;
        Overrides = OverrideValuesFromFile(added.VOrig());
    }
    return added;
}

TColArr ColumnsForExport(const std::optional<QStringList>& aColumns)
{
    TColArr columns;
    InitColStructure(columns, false, -1);
    if (!aColumns)
        return columns;
    const QStringList& names = *aColumns;
    if (names.size() == 1 && names[0] == QLatin1String("all")) {
        for (TColData& c : columns)
            c.Visible = true;
        return columns;
    }
    for (TColData& c : columns)
        c.Visible = false;
    if (names.size() == 1 && names[0] == QLatin1String("none"))
        return columns;
    for (const QString& name : names) {
        const int i = DetailColumnIndex(columns, name);
        if (i < 0)
            throw EWPVUsageError(QStringLiteral("Unknown column \"%1\".").arg(name));
        columns[i].Visible = true;
    }
    return columns;
}

QString ExportDetails(const QString& aFileName, const TDetailsExportOptions& aOptions)
{
    // The arguments are checked before the file is read.
    const TColArr columns = ColumnsForExport(aOptions.Columns);
    TOverrideValues checked;
    for (const auto& [name, value] : aOptions.Overrides)
        if (!SetOverrideValue(checked, name, value))
            throw EWPVUsageError(QStringLiteral("Unknown override variable \"%1\".").arg(name));
    TWPVSession session;
    TWPVDataFromFile& file = session.AddFile(aFileName);
    if (!aOptions.Overrides.empty()) {
        session.OverridesUsed = true;
        for (const auto& [name, value] : aOptions.Overrides)
            SetOverrideValue(session.Overrides, name, value);
    }
    // Selecting the file on the details page: the parameters in force, the analysis, the page.
    UpdateVariables(file, session.OverridesUsed, session.Overrides);
    file.InterSetActions();
    const QString text = ShowSetData(file, columns, aOptions.StartSet).Text();
    return aOptions.Strip ? RemoveBlanks(text) : text;
}

void ExportSteps(const QStringList& aFiles, QTextStream& aOut, QStringList& aErrors)
{
    TWPVSession session;
    for (const QString& name : aFiles) {
        try {
            TWPVDataFromFile& file = session.AddFile(name);
            for (int i = 0; i < file.DataSetCount(); ++i)
                aOut << StepListText(file.VActiv().FileNumber, *file.DataSet(i)) << '\n';
        } catch (const EWPVDataError& e) {
            aErrors << e.Message();
        }
    }
}

void ExportSource(const QStringList& aFiles, QTextStream& aOut, QStringList& aErrors)
{
    TWPVSession session;
    for (const QString& name : aFiles) {
        try {
            // Read once: the loader and the source text share the bytes.
            std::shared_ptr<const TWPVText> text = TWPVText::Read(name);
            session.AddFile(name, text);
            // Only the file's text is needed from here on: drop its analysis.
            session.Files.back().reset();
            // Line by line, and each line a piece at a time: a line of any length is written
            // without being held whole.
            const auto write = [&aOut](QStringView piece) { aOut << piece; };
            const char* p = text->Data();
            const char* const end = p + text->Size();
            while (p < end) {
                const char* lineEnd = WPVLineEnd(p, end);
                WriteSourceLine(QByteArrayView(p, lineEnd - p), text->Codec(), write);
                aOut << '\n';
                p = WPVNextLine(lineEnd, end);
            }
        } catch (const EWPVDataError& e) {
            aErrors << e.Message();
        }
    }
}
