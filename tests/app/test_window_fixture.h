#pragma once
// A main window with the open-file dialog and the error message box replaced, and small
// instrument data files to add to it.
#include "UnitTWPVData.h"
#include "UnitWPVApplication.h"
#include "UnitWPVReader.h"

#include <gtest/gtest.h>

#include <QFile>
#include <cmath>
#include <QStringList>
#include <QTemporaryDir>

#include <deque>
#include <memory>
#include <ostream>

inline void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}

// One data row; fields in the file's order.
inline QString WindowRow(double aTime, int aMode, int aStep, double aPumpI, double aPO2, double aSP)
{
    return QStringLiteral("%1;%2;%3;700.0;0.12;%4;%5;0.2095;0.1;True;True;0.2;True;%6;2026-03-14_09:00;%7")
        .arg(aTime)
        .arg(aMode)
        .arg(aStep)
        .arg(aPumpI)
        .arg(aPO2)
        .arg(aSP)
        .arg(aPO2 * 0.9);
}

// A file of aSteps steps of aRows rows each (mode PIDStep, steps numbered from 2, so that the
// loader adds no start-reference step); the final
// pO2 of step k is 10^-(k+1), except that the last step ends at pO2 0 when aLastAtZero.
inline QStringList WindowFileLines(int aSteps = 3, int aRows = 20, bool aLastAtZero = false)
{
    QStringList l;
    l << "Tarnwell data file" << "Format 3.2" << "Experiment W" << "Sample W" << "Saved today";
    l << QString::fromLatin1(WPVVariablesMarker) << "Value;SI;Short;Name" << "----";
    for (int offset = 3; offset <= 33; ++offset)
        l << QStringLiteral("%1;unit;u;Variable %2").arg(0.5 + offset * 0.01).arg(offset);
    l << QString::fromLatin1(WPVNotesMarker) << "A note";
    l << QString::fromLatin1(WPVDataMarker) << "captions" << "units" << "----";
    for (int k = 1; k <= aSteps; ++k) {
        const double target = (aLastAtZero && k == aSteps) ? 0.0 : std::pow(10.0, -(k + 1));
        for (int r = 1; r <= aRows; ++r) {
            const double pO2 = target == 0.0 ? (r == aRows ? 0.0 : 1e-3) : target * (1 + 1.0 / r);
            l << WindowRow(r * 2.0, 15, k + 1, 1e-3 / r, pO2, -(k + 1));
        }
    }
    return l;
}

class WindowTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    int counter = 0;
    std::unique_ptr<TFormWPVData> form;
    std::deque<QString> chosen; // what the open-file dialog returns, in turn
    QStringList errors;         // messages the error box would have shown
    TWPVErrorReporter previousReporter;

    void SetUp() override
    {
        previousReporter = SetWPVErrorReporter([this](const QString& m) { errors << m; });
        form = std::make_unique<TFormWPVData>();
        form->ChooseFile = [this](const QString&) {
            if (chosen.empty())
                return QString();
            QString name = chosen.front();
            chosen.pop_front();
            return name;
        };
    }
    void TearDown() override
    {
        form.reset();
        SetWPVErrorReporter(previousReporter);
    }

    QString Write(const QByteArray& aBytes, const QString& aSuffix = QStringLiteral(".txt"))
    {
        const QString name = dir.filePath(QStringLiteral("f%1%2").arg(++counter).arg(aSuffix));
        QFile f(name);
        f.open(QIODevice::WriteOnly);
        f.write(aBytes);
        return name;
    }
    QString Write(const QStringList& aLines) { return Write((aLines.join(u'\n') + u'\n').toUtf8()); }

    // Presses "Add from file" and picks aName, as the user does (errors go to the reporter).
    void Add(const QString& aName)
    {
        chosen.push_back(aName);
        WPVGuarded([this] { form->ButtonOpenFileClick(); });
    }
};
