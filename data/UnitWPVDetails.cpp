#include "UnitWPVDetails.h"

#include "QvFormat.h"
#include "UnitDataDisplayDefinitions.h"
#include "UnitTWPVData.h"
#include "UnitWPVTexts.h"

#include <algorithm>
#include <cmath>
#include <optional>

TColArr DetailColumns()
{
    struct Row
    {
        const char* name;
        const char* ref;
        const char* format;
        int width;
        bool visible;
        const char* expl;
    };
    static const Row rows[] = {
        {"FN", "*", "0", 2, true, "File number, useful in case multiple files are open"},
        {"Mode", "*", "", 10, true, "Pump operation mode during this step"},
        {"Step", "", "#0", 4, true, ""},
        {"SP", "*", "0.000", 7, true, "Setpoint log(pO2/atm) or Setpoint voltage for PPS [Program, PotentioStatic]"},
        {"Temp", "*", "0.0", 7, false, "Step average temperature, K"},
        {"pO2 s-1", "*", "0.000E+00", 10, false, "Final pO2/atm of the set [set-1]"},
        {"pO2 s", "*", "0.000E+00", 10, true, "Final pO2/atm of the set [set]"},
        {"St", "*", "", 2, true, "Step finished reaching stability"},
        {"Duration", "*", "0.0", 8, false, "Step duration, sec"},
        {"Potential", "*", "0.000E+00", 10, false, "Pump voltage at the end of the step, (V), [average of RC duration seconds]"},
        {"dQ", "*", "0.000E+00", 10, true, "Integrated current over whole step, (C)"},
        {"dQA", "*", "0.000E+00", 10, true, "Average charge, (C/s), [dQ/step duration]"},
        {"LeakILast", "*", "0.000000", 10, true, "Leakage current (A) of last datapoint in set"},
        {"LeakIAvg", "*", "0.000E+00", 10, false, "Leakage current (A) at the end of the step, average of RC duration seconds"},
        {"LeakIAvgPre", "*", "0.000E+00", 10, false, "Leakage current (A) at the end of the previous step, average of RC duration seconds"},
        {"LeakQa", "*", "0.000E+00", 10, true, "Leakage charge, alpha, (C), [Data point duration * Alpha2 * ((PO2ref)^0.25 \u2013(PO2cell)^0.25)]"},
        {"LeakQaA", "*", "0.000E+00", 10, true, "Leakage charge average, (C/s), [LeakQa/step duration]"},
        {"Alpha2", "*", "0.000000", 10, false, "Alpha method-2 (Morven excel sheet) coefficient used for set"},
        {"dQI", "*", "0.000E+00", 10, true, "Ionic charge exchanged, (C), [dQ-LeakQa]"},
        {"dOp", "*", "0.000E+00", 10, true, "Oxygen pumped, (mol O), [dQ / 2 / 96485]"},
        {"dOl", "*", "0.000E+00", 10, false, "Oxygen leakage, dOl, (mol O), [LeakQa / 2 / 96485]"},
        {"dOe", "*", "0.000E+00", 10, true, "Oxygen exchanged, (mol O), [dOp-dOl], same as dO"},
        {"dO", "*", "0.000E+00", 10, true, "Oxygen exchanged, (mol O), [dQI / 2 / 96485], same as dOe"},
        {"Och", "*", "0.000E+00", 10, true, "Oxygen in the sample chamber atmosphere, (mol o), hot part + cold part"},
        {"dOch", "*", "0.000E+00", 10, true, "Change in the sample chamber atmosphere, (mol o), [Och(s-1) - Och(s)]"},
        {"r", "*", "0.00000000", 10, true, "Ratio of moved oxygen indicators, [dO/dOch]"},
        {"bc", "*", "0.000000", 10, true, "Change in molar oxygen content, (d mol/mol MO)"},
        {"bp", "*", "0.000000", 10, true, "Present molar oxygen content, (mol O/mol MO)"},
        {"y", "*", "0.000000", 10, true, "Present oxygen non-stoichiometry"},
        {"log|y|", "", "0.000000", 10, true, ""},
        {"Gamma", "*", "0.000", 10, false, "(bar/mol), [pO2/Chamber oxygen]"},
        {"RCD", "*", "0", 5, false, "Duration (sec) used for calculating relative change of a property"},
        {"RCP", "*", "0.00", 4, false, "Thershold for relative change, (%)"},
    };
    TColArr columns;
    columns.reserve(std::size(rows));
    for (const Row& r : rows) {
        TColData c;
        c.Name = QString::fromUtf8(r.name);
        c.Ref = QString::fromUtf8(r.ref);
        c.Expl = QString::fromUtf8(r.expl);
        c.Format = QString::fromUtf8(r.format);
        c.Width = r.width;
        c.Visible = r.visible;
        columns.push_back(c);
    }
    return columns;
}

int DetailColumnIndex(const TColArr& aColumns, const QString& aName)
{
    for (std::size_t i = 0; i < aColumns.size(); ++i)
        if (aColumns[i].Name == aName)
            return static_cast<int>(i);
    return -1;
}

void InitColStructure(TColArr& aColumns, bool aClearAll, int aFocused)
{
    if (aColumns.empty()) {
        aColumns = DetailColumns();
        return;
    }
    if (aClearAll) {
        for (TColData& c : aColumns)
            c.Visible = false;
    } else if (aFocused >= 0 && aFocused < static_cast<int>(aColumns.size())) {
        aColumns[aFocused].Visible = !aColumns[aFocused].Visible;
    }
}

QString TDetailsPage::Text() const
{
    QString text = Lines.join(u'\n');
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text += u'\n';
    return text;
}

QString RemoveBlanks(const QString& aText)
{
    QString out = aText;
    out.remove(u' ');
    return out;
}

namespace {

// Column positions in the table (the cell of each column is chosen by its name).
enum TDetailColumn {
    dcFN, dcMode, dcStep, dcSP, dcTemp, dcpO2Pre, dcpO2, dcSt, dcDuration, dcPotential, dcdQ,
    dcdQA, dcLeakILast, dcLeakIAvg, dcLeakIAvgPre, dcLeakQa, dcLeakQaA, dcAlpha2, dcdQI, dcdOp,
    dcdOl, dcdOe, dcdO, dcOch, dcdOch, dcr, dcbc, dcbp, dcy, dclogy, dcGamma, dcRCD, dcRCP,
    dcCount
};

const char* const kColumnNames[dcCount] = {
    "FN", "Mode", "Step", "SP", "Temp", "pO2 s-1", "pO2 s", "St", "Duration", "Potential", "dQ",
    "dQA", "LeakILast", "LeakIAvg", "LeakIAvgPre", "LeakQa", "LeakQaA", "Alpha2", "dQI", "dOp",
    "dOl", "dOe", "dO", "Och", "dOch", "r", "bc", "bp", "y", "log|y|", "Gamma", "RCD", "RCP"};

// One cell: a number, a text, or blank.
struct TCell
{
    enum Kind { Blank, Number, Text } kind = Blank;
    double value = 0;
    QString text;
    static TCell Num(double v) { return {Number, v, {}}; }
    static TCell Txt(const QString& t) { return {Text, 0, t}; }
};

} // namespace

namespace {

// Appends aPrefix + aText cut or filled with blanks to aWidth characters (PadToWidth, left
// aligned), then the column separator: the row grows in place, with no string per cell.
void AppendCell(QString& aLine, int aWidth, QStringView aPrefix, QStringView aText)
{
    if (aWidth > 0) {
        const qsizetype fromPrefix = std::min<qsizetype>(aPrefix.size(), aWidth);
        const qsizetype fromText = std::min<qsizetype>(aText.size(), aWidth - fromPrefix);
        aLine += aPrefix.first(fromPrefix);
        aLine += aText.first(fromText);
        aLine.resize(aLine.size() + (aWidth - fromPrefix - fromText), u' ');
    }
    aLine += QLatin1String(" ; ");
}

} // namespace

TDetailsPage ShowSetData(const TWPVDataFromFile& aFile, const TColArr& aColumns, int aStartSet)
{
    TDetailsPage page;
    const TVariables& over = aFile.VOver();
    // The file values of the oxygen-content chain are the values in force.
    const TVariables& activ = aFile.VActiv();
    const double b0 = activ.BOx.Value;
    const double bs = activ.BS.Value;
    const double nu0 = activ.nuZero.Value;
    const int s = aStartSet;

    page.Lines << QStringLiteral("File: ") + over.FileName;
    page.Lines << QStringLiteral("Sets: ") + QString::number(aFile.DataSetCount());
    page.Lines << QStringLiteral("Notes: ") + over.Notes;
    page.Lines << QString();

    // Which table column each column of aColumns is (by name).
    std::vector<int> kind(aColumns.size(), -1);
    for (std::size_t c = 0; c < aColumns.size(); ++c)
        for (int k = 0; k < dcCount; ++k)
            if (aColumns[c].Name == QLatin1String(kColumnNames[k]))
                kind[c] = k;
    const auto shown = [&](int k) {
        for (std::size_t c = 0; c < aColumns.size(); ++c)
            if (kind[c] == k && aColumns[c].Visible)
                return true;
        return false;
    };
    const bool bpShown = shown(dcbp);
    const bool logyShown = shown(dclogy);

    // Each row's length: the visible columns' widths and separators.
    qsizetype rowLength = 0;
    for (const TColData& c : aColumns)
        if (c.Visible)
            rowLength += std::max(c.Width, 0) + 3;
    page.Lines.reserve(page.Lines.size() + 2 * aFile.DataSetCount() + qsizetype(aColumns.size()) + 4);

    QString header;
    header.reserve(rowLength);
    for (const TColData& c : aColumns)
        if (c.Visible)
            AppendCell(header, c.Width, {}, c.Name);
    if (!header.isEmpty())
        page.Lines << header;
    page.Lines << QString();

    const double fileNumber = activ.FileNumber;
    double bp = 0;
    TCell cells[dcCount];
    for (int k = 0; k < aFile.DataSetCount(); ++k) {
        const TWPVDataSet& step = *aFile.DataSet(k);
        const TWPVDataSet& prev = k > 0 ? *aFile.DataSet(k - 1) : step;
        const double duration = step.SetDuration;
        const double charge = step.ChargeTotal();
        const double leakQa = step.LeakageChargeAlpha2();
        const double dOe = charge / 2 / 96485 - leakQa / 2 / 96485;
        const double dO = (charge - leakQa) / 2 / 96485;
        const double bc = nu0 > 0 ? dO / nu0 : 0;
        if (k < s)
            bp = 0;
        else if (k == s)
            bp = b0;
        else
            bp = bp - bc;
        const double y = bp - bs;
        const double och = prev.O_ch - step.O_ch;

        for (TCell& c : cells)
            c = TCell();
        cells[dcFN] = TCell::Num(fileNumber);
        cells[dcMode] = TCell::Txt(s > 0 && step.Step == s ? QStringLiteral("Conditions") : ModeName(step.Mode));
        if (step.Mode == 15 || step.Mode == 16)
            cells[dcStep] = TCell::Num(step.Step);
        cells[dcSP] = TCell::Num(step.Setpoint);
        cells[dcTemp] = TCell::Num(step.TempAverageK);
        if (step.FinalpO2Pre() > 0)
            cells[dcpO2Pre] = TCell::Num(step.FinalpO2Pre());
        cells[dcpO2] = TCell::Num(step.FinalpO2());
        if (step.Stable())
            cells[dcSt] = TCell::Txt(QStringLiteral("X"));
        cells[dcDuration] = TCell::Num(duration);
        cells[dcPotential] = TCell::Num(step.Potential());
        cells[dcdQ] = TCell::Num(charge);
        cells[dcdQA] = TCell::Num(duration > 0 ? charge / duration : 0);
        cells[dcLeakILast] = TCell::Num(step.CurrentLastPoint());
        cells[dcLeakIAvg] = TCell::Num(step.CurrentFinal());
        cells[dcLeakIAvgPre] = TCell::Num(step.CurrentPre());
        cells[dcLeakQa] = TCell::Num(leakQa);
        cells[dcLeakQaA] = TCell::Num(duration > 0 ? leakQa / duration : 0);
        cells[dcAlpha2] = TCell::Num(step.Alpha2());
        cells[dcdQI] = TCell::Num(charge - leakQa);
        cells[dcdOp] = TCell::Num(charge / 2 / 96485);
        cells[dcdOl] = TCell::Num(leakQa / 2 / 96485);
        cells[dcdOe] = TCell::Num(dOe);
        cells[dcdO] = TCell::Num(dO);
        cells[dcOch] = TCell::Num(step.O_ch);
        if (k > 0)
            cells[dcdOch] = TCell::Num(och);
        if (k > 0 && och != 0)
            cells[dcr] = TCell::Num(dOe / och);
        cells[dcbc] = TCell::Num(bc);
        cells[dcbp] = TCell::Num(bp);
        cells[dcy] = TCell::Num(y);
        const bool logyBlank = bp == b0;
        if (!logyBlank)
            cells[dclogy] = TCell::Num(std::log10(std::fabs(y)));
        if (step.O_ch > 0)
            cells[dcGamma] = TCell::Num(step.FinalpO2() / step.O_ch);
        cells[dcRCD] = TCell::Num(step.RCd());
        cells[dcRCP] = TCell::Num(step.RCp());

        QString line;
        line.reserve(rowLength);
        for (std::size_t c = 0; c < aColumns.size(); ++c) {
            const TColData& col = aColumns[c];
            if (!col.Visible)
                continue;
            if (kind[c] < 0) {
                AppendCell(line, col.Width, {}, {});
                continue;
            }
            const TCell& cell = cells[kind[c]];
            if (cell.kind == TCell::Number)
                // FormatFloat: a blank before values of zero or more.
                AppendCell(line, col.Width, cell.value >= 0 ? QStringView(u" ") : QStringView(),
                           QvFormatFloat(col.Format, cell.value));
            else if (cell.kind == TCell::Text)
                AppendCell(line, col.Width, {}, cell.text);
            else
                AppendCell(line, col.Width, {}, {});
        }
        if (!line.isEmpty())
            page.Lines << line;

        // The detail graphs: the start set and the stable steps after it.
        const bool plotted = step.Step >= s && step.FinalpO2() > 0 && (step.Step <= s || step.Stable());
        if (plotted) {
            page.AlogpO2.push_back(std::log10(step.FinalpO2()));
            if (bpShown)
                page.C.push_back(bp);
            if (logyShown && !logyBlank) {
                page.AlogpO2y.push_back(page.AlogpO2.back());
                page.Alogy.push_back(std::log10(std::fabs(y)));
                page.B.push_back(y);
            }
        }
    }
    page.Lines << QString();

    for (const TColData& c : aColumns)
        if (c.Visible && !c.Ref.isEmpty()) {
            // PadToWidth(10, c.Name, true) + " = " + c.Expl, built in one string.
            QString explanation;
            explanation.reserve(10 + 3 + c.Expl.size());
            const qsizetype shown = std::min<qsizetype>(c.Name.size(), 10);
            explanation.fill(u' ', 10 - shown);
            explanation += QStringView(c.Name).last(shown);
            explanation += QLatin1String(" = ");
            explanation += c.Expl;
            page.Lines << explanation;
        }
    return page;
}
