#pragma once
// Builds small instrument data files for the loader and analysis tests.
#include "UnitTWPVData.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>
#include <ostream>

inline void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}

struct TRowSpec
{
    QString time = QStringLiteral("1.00");
    QString mode = QStringLiteral("15");
    QString step = QStringLiteral("2");
    QString temp = QStringLiteral("700.00");
    QString pumpV = QStringLiteral("0.1");
    QString pumpI = QStringLiteral("1.0E-03");
    QString pO2 = QStringLiteral("1.0E-02");
    QString stablepO2 = QStringLiteral("True");
    QString rangepO2 = QStringLiteral("True");
    QString stableI = QStringLiteral("True");
    QString sp = QStringLiteral("-2");
    QString pumppO2 = QStringLiteral("9.0E-03");

    QString Text() const
    {
        // Fields in data-row order (ColID 0 to 15).
        return QStringList{time, mode, step, temp, pumpV, pumpI, pO2, QStringLiteral("2.1E-01"), QStringLiteral("0.1"),
                           stablepO2, rangepO2, QStringLiteral("0.2"), stableI, sp, QStringLiteral("2026-03-14_09:00"),
                           pumppO2}
            .join(u';');
    }
};

// A whole file: lines 0 to 4, the variables block (each variable's value is its line offset
// plus 0.5), two notes and the data marker with three header lines; rows are appended.
inline QStringList StandardFile(const QStringList& aRows)
{
    QStringList l;
    l << "Tarnwell data file" << "Format 3.2" << "  Experiment A  " << "Sample B" << "Saved C";
    l << QString::fromLatin1(WPVVariablesMarker) << "Value;SI;Short;Name" << "----";
    for (int offset = 3; offset <= 33; ++offset)
        l << QStringLiteral("%1; unit%1 ;u%1;Variable %1").arg(offset + 0.5);
    l << QString::fromLatin1(WPVNotesMarker) << "First note" << "" << "  Second note  ";
    l << QString::fromLatin1(WPVDataMarker) << "captions" << "units" << "----";
    l << aRows;
    return l;
}

class LoaderTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    int counter = 0;

    QString Write(const QByteArray& aBytes)
    {
        const QString name = dir.filePath(QStringLiteral("f%1.txt").arg(++counter));
        QFile f(name);
        f.open(QIODevice::WriteOnly);
        f.write(aBytes);
        return name;
    }
    QString Write(const QStringList& aLines) { return Write((aLines.join(u'\n') + u'\n').toUtf8()); }

    std::unique_ptr<TWPVDataFromFile> Load(const QStringList& aLines)
    {
        auto file = std::make_unique<TWPVDataFromFile>();
        file->OccupyFromFile(Write(aLines));
        return file;
    }
    std::unique_ptr<TWPVDataFromFile> LoadRows(const QList<TRowSpec>& aRows)
    {
        QStringList rows;
        for (const TRowSpec& r : aRows)
            rows << r.Text();
        return Load(StandardFile(rows));
    }
};

inline TRowSpec Row(const char* time, const char* step = "2", const char* mode = "15")
{
    TRowSpec r;
    r.time = QString::fromLatin1(time);
    r.step = QString::fromLatin1(step);
    r.mode = QString::fromLatin1(mode);
    return r;
}
