// Saving and restoring axis settings in the four forms: what is written comes back, references
// to other components are resolved again, the range is read only when asked for, a damaged or
// foreign record changes nothing, and reading is one undo step.
#include "QvAxis.h"
#include "QvComponent.h"
#include "QvGraph2D.h"
#include "QvLegend.h"
#include "QvZoom.h"
#include "QvPersistence.h"
#include "QvFont.h"
#include "QvSeries.h"
#include "QvVectors.h"
#include "QvUndoStack.h"
#include "TestGraph.h"

#include <QBuffer>
#include <QFile>
#include <QDataStream>
#include <QSettings>
#include <QImage>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>

namespace {

struct Scene
{
    TQvGraph2D Graph;
    TQvUndoStack* Undo;
    TQvAxis* X;
    TQvAxis* Y;
    explicit Scene(const QString& Name)
    {
        Graph.setObjectName(Name);
        QvRegisterRoot(&Graph);
        Undo = new TQvUndoStack(&Graph);
        Graph.SetUndoStack(Undo);
        AddPrimaryAxes(Graph, X, Y);
    }
};

// A right-hand log axis with a twisted scale, its own font, colours and a master axis.
void Customise(Scene& S)
{
    TQvAxis* A = S.Y;
    A->SetCaption(QStringLiteral("Cell pO\\-2\\-, atm"));
    A->SetPosition(TQvAxisPosition::Right);
    A->SetScaling(TQvAxisScaling::LogEE);
    A->SetTwisted(true);
    A->SetStopEnd(TQvAxisEnd::Fixed);
    A->SetStart(1e-20);
    A->SetStop(1e-3);
    A->SetCaptionColor(0xFF0000FF);
    A->SetMajorTickLength(9);
    A->Font()->SetSize(14);
    A->Font()->SetColor(QColor(10, 20, 30));
    A->SetRubrics({QStringLiteral("low"), QStringLiteral("high")});
    A->SetMasterAxis(S.X);
}

// The keys (with their path) whose values differ, for readable failures.
std::string Differences(const QVariantMap& A, const QVariantMap& B, const QString& Path = QString(),
                        const QString& Ignore = QString())
{
    QStringList D;
    QStringList Keys = A.keys() + B.keys();
    Keys.removeDuplicates();
    for (const QString& K : Keys) {
        const QVariant X = A.value(K), Y = B.value(K);
        if (!Ignore.isEmpty() && (Path + K).startsWith(Ignore))
            continue;
        if (X.metaType().id() == QMetaType::QVariantMap && Y.metaType().id() == QMetaType::QVariantMap) {
            const std::string Sub = Differences(X.toMap(), Y.toMap(), Path + K + QLatin1Char('.'), Ignore);
            if (!Sub.empty())
                D << QString::fromStdString(Sub);
        } else if (X != Y) {
            D << Path + K + QLatin1Char('=') + X.toString() + QStringLiteral(" / ") + Y.toString();
        }
    }
    return D.join(QStringLiteral("; ")).toStdString();
}

// The stream form of anything with WriteTo(QIODevice&), and reading one back.
template <class T>
QByteArray StreamOf(const T& Source)
{
    QByteArray Bytes;
    QBuffer B(&Bytes);
    B.open(QIODevice::WriteOnly);
    Source.WriteTo(B);
    return Bytes;
}

template <class T>
void ReadStream(T& Target, QByteArray Bytes)
{
    QBuffer B(&Bytes);
    B.open(QIODevice::ReadOnly);
    Target.ReadFrom(B);
}

struct Form
{
    const char* Name;
    std::function<void(const TQvAxis&)> Write;
    std::function<void(TQvAxis&, bool)> Read;
};

} // namespace

TEST(Persistence, AxisSettingsComeBackInEveryForm)
{
    QTemporaryDir Dir;
    ASSERT_TRUE(Dir.isValid());
    QByteArray Bytes, XmlText;
    const QString File = Dir.filePath(QStringLiteral("axis.qvs"));
    const QString IniFile = Dir.filePath(QStringLiteral("axis.ini"));
    const Form Forms[] = {
        {"file", [&](const TQvAxis& A) { A.WriteTo(File); }, [&](TQvAxis& A, bool R) { A.ReadFrom(File, R); }},
        {"stream",
         [&](const TQvAxis& A) {
             QBuffer B(&Bytes);
             B.open(QIODevice::WriteOnly);
             A.WriteTo(B);
         },
         [&](TQvAxis& A, bool R) {
             QBuffer B(&Bytes);
             B.open(QIODevice::ReadOnly);
             A.ReadFrom(B, R);
         }},
        {"xml",
         [&](const TQvAxis& A) {
             XmlText.clear();
             QXmlStreamWriter W(&XmlText);
             A.WriteTo(W);
         },
         [&](TQvAxis& A, bool R) {
             QXmlStreamReader Rd(XmlText);
             A.ReadFrom(Rd, R);
         }},
        {"ini",
         [&](const TQvAxis& A) {
             QSettings Ini(IniFile, QSettings::IniFormat);
             A.WriteTo(Ini, QStringLiteral("Axis"));
         },
         [&](TQvAxis& A, bool R) {
             QSettings Ini(IniFile, QSettings::IniFormat);
             A.ReadFrom(Ini, QStringLiteral("Axis"), R);
         }},
    };
    for (const Form& F : Forms) {
        Scene Source(QStringLiteral("SourceGraph"));
        Customise(Source);
        F.Write(*Source.Y);
        const QVariantMap Expected = QvWritePublished(Source.Y);

        // A reader in another graph: the master axis resolves to the source graph's axis.
        Scene Target(QStringLiteral("TargetGraph"));
        F.Read(*Target.Y, true);
        EXPECT_EQ(Differences(QvWritePublished(Target.Y), Expected), std::string()) << F.Name;
        EXPECT_EQ(Target.Y->MasterAxis(), Source.X) << F.Name;
        EXPECT_EQ(Target.Y->Font()->Color(), QColor(10, 20, 30)) << F.Name;
        EXPECT_DOUBLE_EQ(Target.Y->Start(), 1e-20) << F.Name;

        // Without the range the reader keeps its own.
        Scene Keeper(QStringLiteral("KeeperGraph"));
        Keeper.Y->SetStart(2);
        Keeper.Y->SetStop(7);
        F.Read(*Keeper.Y, false);
        EXPECT_DOUBLE_EQ(Keeper.Y->Start(), 2) << F.Name;
        EXPECT_DOUBLE_EQ(Keeper.Y->Stop(), 7) << F.Name;
        EXPECT_EQ(Keeper.Y->Scaling(), TQvAxisScaling::LogEE) << F.Name;
    }
}

TEST(Persistence, DamagedOrForeignRecordsChangeNothing)
{
    Scene Source(QStringLiteral("SourceGraph2"));
    Customise(Source);
    const QByteArray Bytes = StreamOf(*Source.Y);
    Scene Target(QStringLiteral("TargetGraph2"));
    const QVariantMap Before = QvWritePublished(Target.Y);
    for (int Cut : {0, 3, 10, int(Bytes.size()) / 2, int(Bytes.size()) - 1}) {
        QByteArray Part = Bytes.left(Cut);
        QBuffer B(&Part);
        B.open(QIODevice::ReadOnly);
        EXPECT_THROW(Target.Y->ReadFrom(B), EQvPersistenceError) << "cut at " << Cut;
        EXPECT_EQ(Differences(QvWritePublished(Target.Y), Before), std::string());
    }
    // A record of another kind.
    QByteArray Other;
    {
        QBuffer B(&Other);
        B.open(QIODevice::WriteOnly);
        QvWriteMap(B, QStringLiteral("TQvLegend"), QVariantMap{{QStringLiteral("Caption"), QStringLiteral("x")}});
    }
    QBuffer B(&Other);
    B.open(QIODevice::ReadOnly);
    EXPECT_THROW(Target.Y->ReadFrom(B), EQvPersistenceError);
    EXPECT_EQ(Differences(QvWritePublished(Target.Y), Before), std::string());
    EXPECT_THROW(Target.Y->ReadFrom(QStringLiteral("/nonexistent/axis.qvs")), EQvPersistenceError);
}

namespace {

// A record of Kind whose map is written by hand after the header, the way a damaged or hostile
// file would hold it.
QByteArray HandRecord(const QString& Kind, const std::function<void(QDataStream&)>& Body)
{
    QByteArray Bytes;
    QDataStream S(&Bytes, QIODevice::WriteOnly);
    S.setVersion(QDataStream::Qt_6_0);
    S << quint32(0x51564d50) << qint32(1) << Kind;
    Body(S);
    return Bytes;
}

// A map of one entry Key whose value is a variant of Type followed by Payload.
std::function<void(QDataStream&)> OneEntry(const QString& Key, quint32 Type,
                                           const std::function<void(QDataStream&)>& Payload)
{
    return [=](QDataStream& S) {
        S << quint32(1) << Key << Type << qint8(0);
        Payload(S);
    };
}

} // namespace

// Hostile records: counts that the record does not back, maps nested without end, types that
// settings never hold, enumeration values that name nothing, numbers that are not finite. Each
// is refused at once (no allocation for the announced count) and changes nothing.
TEST(Persistence, HostileRecordsAreRefusedBeforeAnythingChanges)
{
    Scene Target(QStringLiteral("TargetGraph5"));
    const QString Axis = QStringLiteral("TQvAxis");
    auto deep = [](QDataStream& S) {
        for (int i = 0; i < 100'000; ++i)
            S << quint32(1) << QStringLiteral("Font") << quint32(QMetaType::QVariantMap) << qint8(0);
        S << quint32(0);
    };
    const std::pair<const char*, QByteArray> Cases[] = {
        {"map count 4 G", HandRecord(Axis, [](QDataStream& S) { S << quint32(0xFFFFFFFF); })},
        {"text list count 4 G", HandRecord(Axis, OneEntry(QStringLiteral("Rubrics"), QMetaType::QStringList,
                                                         [](QDataStream& S) { S << quint32(0xFFFFFFF0); }))},
        {"variant list count 4 G", HandRecord(Axis, OneEntry(QStringLiteral("Rubrics"), QMetaType::QVariantList,
                                                            [](QDataStream& S) { S << quint32(0x7FFFFFFF); }))},
        {"text of 2 GB", HandRecord(Axis, OneEntry(QStringLiteral("Caption"), QMetaType::QString,
                                                  [](QDataStream& S) { S << quint32(0x7FFFFFFE); }))},
        {"maps nested 100,000 deep", HandRecord(Axis, deep)},
        {"an image", HandRecord(Axis, OneEntry(QStringLiteral("Caption"), QMetaType::QImage,
                                              [](QDataStream& S) { S << QImage(4, 4, QImage::Format_RGB32); }))},
        {"a user type", HandRecord(Axis, OneEntry(QStringLiteral("Caption"), QMetaType::User,
                                                 [](QDataStream& S) { S << QByteArray("QList<double>") << quint32(0); }))},
        {"position 99", HandRecord(Axis, OneEntry(QStringLiteral("Position"), QMetaType::Int,
                                                 [](QDataStream& S) { S << qint32(99); }))},
        {"scaling -1", HandRecord(Axis, OneEntry(QStringLiteral("Scaling"), QMetaType::Int,
                                                [](QDataStream& S) { S << qint32(-1); }))},
        {"start NaN", HandRecord(Axis, OneEntry(QStringLiteral("Start"), QMetaType::Double,
                                               [](QDataStream& S) { S << std::nan(""); }))},
        {"stop not a number", HandRecord(Axis, OneEntry(QStringLiteral("Stop"), QMetaType::QString,
                                                       [](QDataStream& S) { S << QStringLiteral("high"); }))},
    };
    const QVariantMap Before = QvWritePublished(Target.Y);
    const int Undo = Target.Undo->UndoCount();
    for (const auto& [Name, Bytes] : Cases) {
        SCOPED_TRACE(Name);
        EXPECT_THROW(ReadStream(*Target.Y, Bytes), EQvPersistenceError);
        EXPECT_EQ(Differences(QvWritePublished(Target.Y), Before), std::string());
        EXPECT_EQ(Target.Undo->UndoCount(), Undo);
    }
}

// QSettings decodes "@Variant(...)" values of an INI file with QDataStream's unrestricted readers
// (a list count of 4 G asks for ~100 GB at once). Such values are checked before the section is
// read; the binary values our own writers make (colours, series sub-records) still come back.
TEST(Persistence, HostileIniValuesAreRefusedBeforeAnythingChanges)
{
    QTemporaryDir Dir;
    Scene Target(QStringLiteral("TargetGraph7"));
    const QString Path = Dir.filePath(QStringLiteral("axis.ini"));
    {
        QSettings Ini(Path, QSettings::IniFormat);
        Target.X->WriteTo(Ini, QStringLiteral("Axis"));
    }
    QFile F(Path);
    ASSERT_TRUE(F.open(QIODevice::ReadOnly));
    const QByteArray Good = F.readAll();
    F.close();
    const QVariantMap Before = QvWritePublished(Target.Y);
    const char* Lines[] = {
        "Rubrics=@Variant(\\0\\0\\0\\v\\xff\\xff\\xff\\xff)",                  // a text list of 4 G
        "Caption=\"@Variant(\\0\\0\\0\\t\\x7f\\xff\\xff\\xff)\"",               // a variant list, quoted
        "Caption=\\x40Variant(\\0\\0\\0\\v\\xff\\xff\\xff\\xff)",              // the "@" escaped
        "Font\\Name=@Variant(\\0\\0\\0\\x45\\0\\0\\0\\x1)",                    // an image
        "Caption=@Variant(\\0\\0\\0\\b\\0\\0\\0\\x1",                          // unterminated
    };
    for (const char* Line : Lines) {
        SCOPED_TRACE(Line);
        QFile W(Path);
        ASSERT_TRUE(W.open(QIODevice::WriteOnly | QIODevice::Truncate));
        W.write(Good);
        W.write(QByteArray(Line) + '\n');
        W.close();
        QSettings Ini(Path, QSettings::IniFormat);
        EXPECT_THROW(Target.Y->ReadFrom(Ini, QStringLiteral("Axis")), EQvPersistenceError);
        EXPECT_EQ(Differences(QvWritePublished(Target.Y), Before), std::string());
    }
    // Colours and a series' line record are binary values in INI and read back as written.
    Target.X->Font()->SetColor(QColor(1, 2, 3));
    TQvPointSeries Series;
    Series.Line()->SetColor(0xFF112233);
    const QString Good2 = Dir.filePath(QStringLiteral("good.ini"));
    {
        QSettings Ini(Good2, QSettings::IniFormat);
        Target.X->WriteTo(Ini, QStringLiteral("Axis"));
        Series.WriteTo(Ini, QStringLiteral("Series"));
    }
    QSettings Ini(Good2, QSettings::IniFormat);
    Target.Y->ReadFrom(Ini, QStringLiteral("Axis"));
    EXPECT_EQ(Target.Y->Font()->Color(), QColor(1, 2, 3));
    TQvPointSeries Copy;
    Copy.ReadFrom(Ini, QStringLiteral("Series"));
    EXPECT_EQ(Copy.Line()->Color(), 0xFF112233u);
}

// Every truncation of a graph record (with axes, series and values) and of a series record is
// refused and leaves graph, axes, series and vectors as they were.
TEST(Persistence, EveryTruncationIsRefused)
{
    Scene Source(QStringLiteral("SourceGraph6"));
    Customise(Source);
    TQvDoubleVector XV, YV;
    XV.setObjectName(QStringLiteral("XV6"));
    YV.setObjectName(QStringLiteral("YV6"));
    XV.setParent(&Source.Graph);
    YV.setParent(&Source.Graph);
    Fill(XV, {1, 2, 3});
    Fill(YV, {4, 5, 6});
    TQvPointSeries Series(&Source.Graph);
    Series.setObjectName(QStringLiteral("Series6"));
    Series.SetXAxis(Source.X);
    Series.SetYAxis(Source.Y);
    Series.SetXData(&XV);
    Series.SetYData(&YV);
    QByteArray Graph;
    {
        QBuffer B(&Graph);
        B.open(QIODevice::WriteOnly);
        Source.Graph.WriteTo(B, true);
    }
    Source.Y->SetCaption(QStringLiteral("changed after writing"));
    Series.SetCaption(QStringLiteral("changed after writing"));
    Fill(YV, {7});
    const QVariantMap Before = Source.Graph.WriteSettings(true);
    const int Undo = Source.Undo->UndoCount();
    for (qsizetype Cut = 0; Cut < Graph.size(); Cut += 7) {
        QByteArray Part = Graph.left(Cut);
        QBuffer B(&Part);
        B.open(QIODevice::ReadOnly);
        EXPECT_THROW(Source.Graph.ReadFrom(B, true), EQvPersistenceError) << "cut at " << Cut;
        ASSERT_EQ(Differences(Source.Graph.WriteSettings(true), Before), std::string()) << "cut at " << Cut;
        ASSERT_EQ(Source.Undo->UndoCount(), Undo);
    }
    const QByteArray One = StreamOf(Series);
    const QVariantMap SeriesBefore = Series.WriteProperties();
    for (qsizetype Cut = 0; Cut < One.size(); ++Cut) {
        EXPECT_THROW(ReadStream(Series, One.left(Cut)), EQvPersistenceError) << "cut at " << Cut;
        ASSERT_EQ(Differences(Series.WriteProperties(), SeriesBefore), std::string());
    }
    // A whole series record with a style that does not exist.
    QVariantMap Bad = Series.WriteProperties();
    QVariantMap Line = Bad.value(QStringLiteral("Line")).toMap();
    Line[QStringLiteral("DashStyle")] = 77;
    Bad[QStringLiteral("Line")] = Line;
    EXPECT_THROW(Series.ReadProperties(Bad), EQvPersistenceError);
    EXPECT_EQ(Differences(Series.WriteProperties(), SeriesBefore), std::string());
}

TEST(Persistence, ReadingIsOneUndoStep)
{
    Scene Source(QStringLiteral("SourceGraph3"));
    Customise(Source);
    Scene Target(QStringLiteral("TargetGraph3"));
    const QVariantMap Before = QvWritePublished(Target.Y);
    const int Steps = Target.Undo->UndoCount();
    ReadStream(*Target.Y, StreamOf(*Source.Y));
    EXPECT_EQ(Target.Undo->UndoCount(), Steps + 1);
    Target.Undo->Undo();
    // Font edits are not undoable anywhere (like a font dialog's), so they stay.
    EXPECT_EQ(Differences(QvWritePublished(Target.Y), Before, QString(), QStringLiteral("Font")), std::string());
}

namespace {

// A graph with two left/right axes, a series on named vectors and non-default settings.
struct GraphScene : Scene
{
    TQvDoubleVector* Xs;
    TQvDoubleVector* Ys;
    TQvPointSeries* S;
    TQvAxis* R;
    explicit GraphScene(const QString& Name) : Scene(Name)
    {
        Xs = new TQvDoubleVector(&Graph);
        Xs->setObjectName(QStringLiteral("Xs"));
        Ys = new TQvDoubleVector(&Graph);
        Ys->setObjectName(QStringLiteral("Ys"));
        Xs->AddRange({1.0L, 2.0L, 3.0L});
        Ys->AddRange({0.1L, 0.2L, 0.30000000000000004L});
        R = new TQvAxis(&Graph);
        R->setObjectName(QStringLiteral("QvAxis3"));
        R->SetPosition(TQvAxisPosition::Right);
        S = new TQvPointSeries(&Graph);
        S->setObjectName(QStringLiteral("Series1"));
        S->SetXAxis(X);
        S->SetYAxis(R);
        S->SetXData(Xs);
        S->SetYData(Ys);
    }
};

} // namespace

TEST(Persistence, GraphSettingsAxesSeriesAndValuesComeBack)
{
    GraphScene G(QStringLiteral("PersistGraph"));
    G.Graph.SetCaption(QStringLiteral("Step 3"));
    G.Graph.SetBackColor(0xFFEEDDCC);
    G.Graph.SetZeroOrigin(true);
    G.R->SetCaption(QStringLiteral("Current, A"));
    G.R->SetScaling(TQvAxisScaling::Log);
    G.S->Line()->SetWidth(3);
    const QVariantMap Saved = G.Graph.WriteSettings(true);

    for (const char* FormName : {"stream", "xml", "ini"}) {
        QByteArray Bytes;
        QTemporaryDir Dir;
        const QString IniFile = Dir.filePath(QStringLiteral("graph.ini"));
        if (std::string(FormName) == "stream") {
            QBuffer B(&Bytes);
            B.open(QIODevice::WriteOnly);
            G.Graph.WriteTo(B, true);
        } else if (std::string(FormName) == "xml") {
            QXmlStreamWriter W(&Bytes);
            G.Graph.WriteTo(W, true);
        } else {
            QSettings Ini(IniFile, QSettings::IniFormat);
            G.Graph.WriteTo(Ini, QStringLiteral("Graph"), true);
        }
        // Everything changes, then the record is read back.
        G.Graph.SetCaption(QStringLiteral("other"));
        G.Graph.SetZeroOrigin(false);
        G.R->SetScaling(TQvAxisScaling::Normal);
        G.R->SetPosition(TQvAxisPosition::Left);
        G.S->Line()->SetWidth(1);
        G.Ys->Clear();
        G.Ys->AddRange({5.0L});
        if (std::string(FormName) == "stream") {
            QBuffer B(&Bytes);
            B.open(QIODevice::ReadOnly);
            G.Graph.ReadFrom(B, true);
        } else if (std::string(FormName) == "xml") {
            QXmlStreamReader Rd(Bytes);
            G.Graph.ReadFrom(Rd, true);
        } else {
            QSettings Ini(IniFile, QSettings::IniFormat);
            G.Graph.ReadFrom(Ini, QStringLiteral("Graph"), true);
        }
        EXPECT_EQ(Differences(G.Graph.WriteSettings(true), Saved), std::string()) << FormName;
        ASSERT_EQ(G.Ys->Count(), 3) << FormName;
        EXPECT_EQ(G.Ys->GetValue(2), 0.30000000000000004) << FormName;   // all 17 digits
        EXPECT_FALSE(G.Graph.Loading());
    }

    // A graph without the third axis gets it, with its settings.
    GraphScene Other(QStringLiteral("PersistGraph2"));
    delete Other.S;
    delete Other.R;
    ReadStream(Other.Graph, StreamOf(G.Graph));
    TQvAxis* Made = nullptr;
    for (TQvAxis* A : Other.Graph.AxisChildren())
        if (A->objectName() == QLatin1String("QvAxis3"))
            Made = A;
    ASSERT_NE(Made, nullptr);
    EXPECT_EQ(Made->Position(), TQvAxisPosition::Right);
    EXPECT_EQ(Made->Caption(), QStringLiteral("Current, A"));
    EXPECT_EQ(Other.Graph.Caption(), QStringLiteral("Step 3"));
}

// A vector with PersistentValues keeps its values with the settings of the graph that shows it
// (when it has any), and they come back even when values are not asked for; a vector without the
// flag is left alone then.
TEST(Persistence, PersistentValuesAreKeptWithTheSettings)
{
    GraphScene G(QStringLiteral("PersistValues"));
    EXPECT_FALSE(G.Graph.WriteSettings(false).contains(QStringLiteral("PersistentValues")));
    G.Ys->SetPersistentValues(true);
    EXPECT_TRUE(G.Ys->ValuesStored());
    TQvDoubleVector Empty;
    Empty.SetPersistentValues(true);
    EXPECT_FALSE(Empty.ValuesStored());

    const QByteArray Bytes = StreamOf(G.Graph);
    G.Ys->Clear();
    G.Ys->AddRange({5.0L});
    G.Xs->Clear();
    G.Xs->AddRange({7.0L});
    ReadStream(G.Graph, Bytes);
    EXPECT_EQ(G.Ys->Values(), (QList<double>{0.1, 0.2, 0.30000000000000004}));
    EXPECT_EQ(G.Xs->Values(), (QList<double>{7}));

    // Without the flag nothing of the values is written.
    G.Ys->SetPersistentValues(false);
    const QByteArray Plain = StreamOf(G.Graph);
    G.Ys->Clear();
    G.Ys->AddRange({5.0L});
    ReadStream(G.Graph, Plain);
    EXPECT_EQ(G.Ys->Values(), (QList<double>{5}));
}

TEST(Persistence, PrintToFitsTheGraphIntoTheRectangle)
{
    GraphScene G(QStringLiteral("PrintGraph"));
    G.Graph.resize(400, 300);
    G.Graph.SetBackColor(0xFF000080);
    QImage Page(1000, 1000, QImage::Format_ARGB32);
    Page.fill(Qt::white);
    // 800 x 400 offered: the graph keeps 4:3, so 533 x 400, centred horizontally.
    G.Graph.PrintTo(&Page, QRectF(100, 300, 800, 400));
    const QRgb Navy = qRgb(0, 0, 0x80);
    EXPECT_EQ(Page.pixel(500, 302), Navy);                  // inside, near the top
    EXPECT_EQ(Page.pixel(500, 298), qRgb(255, 255, 255));   // above the rectangle
    EXPECT_EQ(Page.pixel(230, 500), qRgb(255, 255, 255));   // left of the centred graph
    EXPECT_EQ(Page.pixel(236, 302), Navy);                  // its left edge at 233.3
    EXPECT_EQ(Page.pixel(763, 302), Navy);
    EXPECT_EQ(Page.pixel(770, 302), qRgb(255, 255, 255));
}

// Settings that must differ from each other (the keys that start zooming and panning) are
// checked as the whole record would leave them: a record that makes them equal is refused
// before anything changes, and one that swaps them is read.
TEST(Persistence, ZoomAndPanningKeysAreCheckedAsTheRecordLeavesThem)
{
    Scene Target(QStringLiteral("TargetGraph9"));
    const TQvShiftState Zoom = Target.Graph.Zoom()->StartZoom();
    const TQvShiftState Panning = Target.Graph.Zoom()->StartPanning();
    ASSERT_NE(Zoom, Panning);
    const QVariantMap Before = Target.Graph.WriteSettings(true);
    const int UndoBefore = Target.Undo->UndoCount();

    const auto WithZoom = [&](const QVariantMap& aZoom) {
        QVariantMap M = Before;
        QVariantMap Graph = M.value(QStringLiteral("Graph")).toMap();
        QVariantMap Z = Graph.value(QStringLiteral("Zoom")).toMap();
        for (auto It = aZoom.constBegin(); It != aZoom.constEnd(); ++It)
            Z.insert(It.key(), It.value());
        Graph.insert(QStringLiteral("Zoom"), Z);
        M.insert(QStringLiteral("Graph"), Graph);
        return M;
    };

    // Zoom made equal to the panning keys the graph has now, and both given the same keys.
    for (const QVariantMap& Z :
         {QVariantMap{{QStringLiteral("StartZoom"), QVariant::fromValue(Panning)}},
          QVariantMap{{QStringLiteral("StartPanning"), QVariant::fromValue(Zoom)}},
          QVariantMap{{QStringLiteral("StartZoom"), QVariant::fromValue(Panning)},
                      {QStringLiteral("StartPanning"), QVariant::fromValue(Panning)}}}) {
        EXPECT_THROW(Target.Graph.ReadSettings(WithZoom(Z), true), EQvPersistenceError);
        EXPECT_EQ(Differences(Target.Graph.WriteSettings(true), Before), std::string());
        EXPECT_EQ(Target.Undo->UndoCount(), UndoBefore);
    }

    // Swapped: a valid record, read whole.
    Target.Graph.ReadSettings(WithZoom({{QStringLiteral("StartZoom"), QVariant::fromValue(Panning)},
                                        {QStringLiteral("StartPanning"), QVariant::fromValue(Zoom)}}),
                              true);
    EXPECT_EQ(Target.Graph.Zoom()->StartZoom(), Panning);
    EXPECT_EQ(Target.Graph.Zoom()->StartPanning(), Zoom);
    // One undo step takes the swap back.
    EXPECT_EQ(Target.Undo->UndoCount(), UndoBefore + 1);
    Target.Undo->Undo();
    EXPECT_EQ(Target.Graph.Zoom()->StartZoom(), Zoom);
    EXPECT_EQ(Target.Graph.Zoom()->StartPanning(), Panning);
}

// A graph record is checked whole before anything changes: a legend with a damaged part (a
// background gradient style that names no style) refuses the record before the record's new axis
// is made; a legend record read alone refuses before the legend's own settings are taken.
TEST(Persistence, DamagedLegendsAreRefusedBeforeAnythingChanges)
{
    Scene Target(QStringLiteral("TargetGraph10"));
    auto* L = new TQvLegend(&Target.Graph);
    L->setObjectName(QStringLiteral("Legend1"));
    const QVariantMap Before = Target.Graph.WriteSettings(true);
    const QVariantMap LegendBefore = L->WriteSettings();
    const int AxesBefore = int(Target.Graph.AxisChildren().size());
    const int UndoBefore = Target.Undo->UndoCount();

    QVariantMap LM = LegendBefore;
    LM.insert(QStringLiteral("Caption"), QStringLiteral("Read before the damage"));
    LM.insert(QStringLiteral("Columns"), 3);
    QVariantMap Gradient = LM.value(QStringLiteral("BackgroundGradient")).toMap();
    Gradient.insert(QStringLiteral("Style"), 5);
    LM.insert(QStringLiteral("BackgroundGradient"), Gradient);

    QVariantMap M = Before;
    QVariantMap Axes = M.value(QStringLiteral("Axes")).toMap();
    ASSERT_FALSE(Axes.isEmpty());
    Axes.insert(QStringLiteral("XAxis0"), Axes.first());
    M.insert(QStringLiteral("Axes"), Axes);
    QVariantMap Legends = M.value(QStringLiteral("Legends")).toMap();
    ASSERT_TRUE(Legends.contains(QStringLiteral("Legend1")));
    Legends.insert(QStringLiteral("Legend1"), LM);
    M.insert(QStringLiteral("Legends"), Legends);

    EXPECT_THROW(Target.Graph.ReadSettings(M, true), EQvPersistenceError);
    EXPECT_EQ(int(Target.Graph.AxisChildren().size()), AxesBefore);
    EXPECT_EQ(Differences(Target.Graph.WriteSettings(true), Before), std::string());
    EXPECT_EQ(Target.Undo->UndoCount(), UndoBefore);

    EXPECT_THROW(L->ReadSettings(LM), EQvPersistenceError);
    EXPECT_EQ(Differences(L->WriteSettings(), LegendBefore), std::string());
    EXPECT_EQ(Target.Undo->UndoCount(), UndoBefore);

    // A legend the graph lacks is checked as well, and is not made.
    Legends = Before.value(QStringLiteral("Legends")).toMap();
    Legends.insert(QStringLiteral("Legend2"), LM);
    M = Before;
    M.insert(QStringLiteral("Legends"), Legends);
    EXPECT_THROW(Target.Graph.ReadSettings(M, true), EQvPersistenceError);
    EXPECT_EQ(Differences(Target.Graph.WriteSettings(true), Before), std::string());
}
