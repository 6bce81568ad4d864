// libFuzzer target: the readers of stored chart records. The first byte picks the record (vector,
// axis, graph with values, series, legend settings), the second the form (stream, XML, INI), the
// rest is the record. Every input must either be read or end in the library's error for a
// damaged record; in that case nothing may have changed. Nothing else may escape, crash or hang.
//
// With TARNWELL_FUZZ_SEEDS=<folder> in the environment the target writes a seed corpus of valid
// records into that folder and exits.
#include "QvAxis.h"
#include "QvGraph2D.h"
#include "QvLegend.h"
#include "QvPersistence.h"
#include "QvSeries.h"
#include "QvUndoStack.h"
#include "QvVectors.h"

#include <QApplication>
#include <QBuffer>
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

enum Kind { kVector, kAxis, kGraph, kSeries, kLegend, KindCount };
enum Form { fStream, fXml, fIni, FormCount };

// A fresh graph for every input: named so that records can refer to its parts.
struct Scene
{
    TQvUndoStack Undo;
    TQvGraph2D Graph;
    TQvAxis* X;
    TQvAxis* Y;
    TQvDoubleVector* XV;
    TQvDoubleVector* YV;
    TQvPointSeries* Series;
    TQvLegend* Legend;

    Scene()
    {
        Graph.setObjectName(QStringLiteral("FuzzGraph"));
        Graph.resize(200, 150);
        Graph.SetUndoStack(&Undo);
        X = new TQvAxis(&Graph);
        X->setObjectName(QStringLiteral("XAxis1"));
        Y = new TQvAxis(&Graph);
        Y->setObjectName(QStringLiteral("YAxis1"));
        Y->SetPosition(TQvAxisPosition::Left);
        Graph.SetPrimaryXAxis(X);
        Graph.SetPrimaryYAxis(Y);
        XV = new TQvDoubleVector(&Graph);
        XV->setObjectName(QStringLiteral("XV"));
        YV = new TQvDoubleVector(&Graph);
        YV->setObjectName(QStringLiteral("YV"));
        XV->AddRange({1.0L, 2.0L, 3.0L});
        YV->AddRange({2.0L, 0.5L, 4.0L});
        YV->AddOutlier(1);
        Series = new TQvPointSeries(&Graph);
        Series->setObjectName(QStringLiteral("Series1"));
        Series->SetXAxis(X);
        Series->SetYAxis(Y);
        Series->SetXData(XV);
        Series->SetYData(YV);
        Legend = new TQvLegend(&Graph);
        Legend->setObjectName(QStringLiteral("Legend1"));
    }

    // Everything a reader of Kind may change, as one comparable value.
    QByteArray State(Kind K) const
    {
        QByteArray Out;
        QBuffer B(&Out);
        B.open(QIODevice::WriteOnly);
        switch (K) {
        case kVector: YV->WriteTo(static_cast<QIODevice&>(B)); B.write(QByteArray::number(YV->Capacity())); break;
        case kAxis: Y->WriteTo(B); break;
        case kGraph: Graph.WriteTo(B, true); break;
        case kSeries: Series->WriteTo(B); break;
        case kLegend: QvWriteMap(B, QStringLiteral("TQvLegend"), QvWritePublished(Legend)); break;
        default: break;
        }
        Out += QByteArray::number(Undo.UndoCount());
        return Out;
    }
};

// The INI form is read through a memory file: no file is left behind, and its modification time
// is set anew for every input, so that the settings cache never serves the previous input.
class MemoryIni
{
public:
    MemoryIni()
    {
        FFd = memfd_create("fuzz_records_ini", 0);
        if (FFd < 0)
            std::abort();
        FPath = QStringLiteral("/proc/self/fd/%1").arg(FFd);
    }
    const QString& Path(const char* Data, size_t Size)
    {
        if (ftruncate(FFd, 0) != 0 || pwrite(FFd, Data, Size, 0) != ssize_t(Size))
            std::abort();
        ++FStamp;
        const timespec t[2] = {{FStamp, 0}, {FStamp, 0}};
        futimens(FFd, t);
        return FPath;
    }

private:
    int FFd = -1;
    QString FPath;
    time_t FStamp = 1'000'000'000;
};

void Read(Scene& S, Kind K, Form F, const QByteArray& Record)
{
    static MemoryIni Ini;
    const QString Section = QStringLiteral("Record");
    if (F == fStream) {
        QByteArray Copy = Record;
        QBuffer B(&Copy);
        B.open(QIODevice::ReadOnly);
        switch (K) {
        case kVector: S.YV->ReadFrom(static_cast<QIODevice&>(B)); break;
        case kAxis: S.Y->ReadFrom(B); break;
        case kGraph: S.Graph.ReadFrom(B, true); break;
        case kSeries: S.Series->ReadFrom(B); break;
        case kLegend: QvReadPublished(S.Legend, QvReadMap(B, QStringLiteral("TQvLegend"))); break;
        default: break;
        }
    } else if (F == fXml) {
        QXmlStreamReader X(Record);
        switch (K) {
        case kVector: S.YV->ReadFrom(X); break;
        case kAxis: S.Y->ReadFrom(X); break;
        case kGraph: S.Graph.ReadFrom(X, true); break;
        case kSeries: S.Series->ReadFrom(X); break;
        case kLegend: QvReadPublished(S.Legend, QvReadMap(X)); break;
        default: break;
        }
    } else {
        QSettings I(Ini.Path(Record.constData(), size_t(Record.size())), QSettings::IniFormat);
        switch (K) {
        case kVector: S.YV->ReadFrom(I, Section); break;
        case kAxis: S.Y->ReadFrom(I, Section); break;
        case kGraph: S.Graph.ReadFrom(I, Section, true); break;
        case kSeries: S.Series->ReadFrom(I, Section); break;
        case kLegend: QvReadPublished(S.Legend, QvReadMap(I, Section)); break;
        default: break;
        }
    }
}

QByteArray Write(Scene& S, Kind K, Form F)
{
    if (F == fStream) {
        QByteArray Out;
        QBuffer B(&Out);
        B.open(QIODevice::WriteOnly);
        switch (K) {
        case kVector: S.YV->WriteTo(static_cast<QIODevice&>(B)); break;
        case kAxis: S.Y->WriteTo(B); break;
        case kGraph: S.Graph.WriteTo(B, true); break;
        case kSeries: S.Series->WriteTo(B); break;
        case kLegend: QvWriteMap(B, QStringLiteral("TQvLegend"), QvWritePublished(S.Legend)); break;
        default: break;
        }
        return Out;
    }
    if (F == fXml) {
        QByteArray Out;
        QXmlStreamWriter X(&Out);
        switch (K) {
        case kVector: S.YV->WriteTo(X); break;
        case kAxis: S.Y->WriteTo(X); break;
        case kGraph: S.Graph.WriteTo(X, true); break;
        case kSeries: S.Series->WriteTo(X); break;
        case kLegend: QvWriteMap(X, QStringLiteral("TQvLegend"), QvWritePublished(S.Legend)); break;
        default: break;
        }
        return Out;
    }
    const QString Path = QDir::tempPath() + QStringLiteral("/fuzz_records_seed_%1.ini").arg(getpid());
    QFile::remove(Path);
    {
        QSettings I(Path, QSettings::IniFormat);
        const QString Section = QStringLiteral("Record");
        switch (K) {
        case kVector: S.YV->WriteTo(I, Section); break;
        case kAxis: S.Y->WriteTo(I, Section); break;
        case kGraph: S.Graph.WriteTo(I, Section, true); break;
        case kSeries: S.Series->WriteTo(I, Section); break;
        case kLegend: QvWriteMap(I, Section, QvWritePublished(S.Legend)); break;
        default: break;
        }
    }
    QFile f(Path);
    f.open(QIODevice::ReadOnly);
    const QByteArray Out = f.readAll();
    f.close();
    QFile::remove(Path);
    return Out;
}

void WriteSeeds(const QString& Folder)
{
    QDir().mkpath(Folder);
    for (int k = 0; k < KindCount; ++k)
        for (int f = 0; f < FormCount; ++f) {
            Scene S;
            QByteArray Seed;
            Seed.append(char(k)).append(char(f)).append(Write(S, Kind(k), Form(f)));
            QFile out(QStringLiteral("%1/seed_%2_%3").arg(Folder).arg(k).arg(f));
            if (!out.open(QIODevice::WriteOnly))
                std::abort();
            out.write(Seed);
        }
}

// A refused record must leave the scene as it was; when it did not, both states and the reason
// for refusing are printed before aborting, so that a finding explains itself.
void Refused(const Scene& S, Kind K, const QByteArray& Before, const char* Why)
{
    const QByteArray After = S.State(K);
    if (After == Before)
        return;
    qsizetype At = 0;
    while (At < Before.size() && At < After.size() && Before[At] == After[At])
        ++At;
    const qsizetype From = std::max<qsizetype>(0, At - 120);
    const auto Around = [&](const QByteArray& A) {
        return A.mid(From, 300).toPercentEncoding(" =;:,.-_()[]{}<>/\\\"'\n").toStdString();
    };
    fprintf(stderr, "A refused record changed the scene (first difference at byte %lld).\n"
                    "Refused for: %s\n--- before\n%s\n--- after\n%s\n",
            static_cast<long long>(At), Why, Around(Before).c_str(), Around(After).c_str());
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("QT_QPA_FONTDIR"))
        qputenv("QT_QPA_FONTDIR", "/usr/share/fonts/truetype");
    static QApplication app(*argc, *argv);
    if (qEnvironmentVariableIsSet("TARNWELL_FUZZ_SEEDS")) {
        WriteSeeds(qEnvironmentVariable("TARNWELL_FUZZ_SEEDS"));
        std::exit(0);
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    const Kind K = Kind(data[0] % KindCount);
    const Form F = Form(data[1] % FormCount);
    const QByteArray Record(reinterpret_cast<const char*>(data + 2), qsizetype(size - 2));
    // The scene is made afresh only after a record was read: a refused one has been checked to
    // leave it exactly as it was.
    static std::unique_ptr<Scene> S;
    if (!S)
        S = std::make_unique<Scene>();
    const QByteArray Before = S->State(K);
    try {
        Read(*S, K, F, Record);
        S.reset();
    } catch (const EQvPersistenceError& E) {
        Refused(*S, K, Before, E.what());
    } catch (const EQvVectorError& E) {
        Refused(*S, K, Before, E.what());
    }
    return 0;
}
