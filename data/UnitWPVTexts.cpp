#include "UnitWPVTexts.h"

#include "QvFormat.h"
#include "UnitDataDisplayDefinitions.h"
#include "UnitStringSpacer.h"
#include "UnitTWPVData.h"

#include <cmath>

QString FormatFloat(const QString& aFormat, double aValue)
{
    const QString text = QvFormatFloat(aFormat, aValue);
    return aValue >= 0 ? QStringLiteral(" ") + text : text;
}

QString StepListText(int aFileNumber, const TWPVDataSet& aStep)
{
    const double l = aStep.FinalpO2() > 0 ? std::log10(aStep.FinalpO2()) : 0.0;
    return QStringLiteral("FN:") + QString::number(aFileNumber) + QStringLiteral(" Mode:") + ModeName(aStep.Mode)
        + QStringLiteral(" Step:") + QString::number(aStep.Step) + QStringLiteral(" Log(pO2):")
        + FormatFloat(QStringLiteral("0.0"), l);
}

QString FileListText(const TWPVDataFromFile& aFile)
{
    return QStringLiteral("FN:") + QString::number(aFile.VActiv().FileNumber) + u' ' + aFile.VActiv().ExperimentName;
}

QString SourceLineText(QStringView aLine)
{
    const auto fields = aLine.split(u';');
    const int width = fields.size() == 4 ? 40 : 15;
    QString out;
    out.reserve(fields.size() * (width + 1));
    for (const QStringView field : fields) {
        QString f = field.toString();
        f.remove(u' ');
        out += PadToWidth(width, f, false);
        out += u' ';
    }
    return out;
}
