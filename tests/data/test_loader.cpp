// Loading instrument data files: header, variables, notes, steps and points.
#include "LoaderFixture.h"

#include "UnitDataDisplayDefinitions.h"

#include <gtest/gtest.h>

namespace {

std::vector<double> Elapsed(const TWPVDataSet& s)
{
    std::vector<double> v;
    for (const TDataPoint& p : s.Data())
        v.push_back(p.ElapsedSinceBeginning);
    return v;
}

std::vector<double> Durations(const TWPVDataSet& s)
{
    std::vector<double> v;
    for (const TDataPoint& p : s.Data())
        v.push_back(p.DataPointDuration);
    return v;
}

TEST(ColumnTable, FieldsOfTheDataRow)
{
    ASSERT_EQ(ColInfos.size(), 16u);
    EXPECT_EQ(ColInfos[1].Caption, QStringLiteral("Duration, s"));
    EXPECT_EQ(ColInfos[1].ColID, 0);
    EXPECT_EQ(ColInfos[5].Caption, QStringLiteral("Cell T, \u00baC"));
    EXPECT_EQ(ColInfos[5].ColID, 3);
    EXPECT_EQ(ColInfos[14].Format, QStringLiteral("yyyy-mm-dd_hh:mm"));
    std::vector<int> ids;
    for (const RColInfo& c : ColInfos)
        ids.push_back(c.ColID);
    std::sort(ids.begin(), ids.end());
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(ids[i], i) << "every field index once";
}

TEST_F(LoaderTest, HeaderVariablesAndNotes)
{
    auto f = LoadRows({Row("1")});
    const TVariables& v = f->VOrig();
    EXPECT_EQ(v.ExperimentName, QStringLiteral("Experiment A"));
    EXPECT_EQ(v.SampleName, QStringLiteral("Sample B"));
    EXPECT_EQ(v.Saved, QStringLiteral("Saved C"));
    EXPECT_EQ(v.FileNumber, 0);
    // Each variable from its line offset (value = offset + 0.5).
    EXPECT_EQ(v.BS.Value, 3.5f);
    EXPECT_EQ(v.mUZero.Value, 8.5f);
    EXPECT_EQ(v.Vhpws.Value, 17.5f);
    EXPECT_EQ(v.RCThreshold.Value, 27.5f);
    EXPECT_EQ(v.FGpO2.Value, 31.5f);
    EXPECT_EQ(v.Alpha.Value, 32.5f);
    EXPECT_EQ(v.CTO.Value, 33.5f);
    EXPECT_EQ(v.BS.UnitSI, QStringLiteral("unit3.5"));
    EXPECT_EQ(v.BS.UnitNameShort, QStringLiteral("u3.5"));
    EXPECT_EQ(v.BS.UnitName, QStringLiteral("Variable 3.5"));
    EXPECT_TRUE(v.BS.ValueS.isEmpty());
    EXPECT_EQ(v.Notes, QStringLiteral("First note\r\nSecond note\r\n"));
}

TEST_F(LoaderTest, VariableLinesThatDoNotConvertOrHaveOtherFieldCounts)
{
    QStringList l = StandardFile({Row("1").Text()});
    const int v = l.indexOf(QString::fromLatin1(WPVVariablesMarker));
    l[v + 3] = "1.5 ;mol/mol;bs;x";  // untrimmed number followed by a blank: kept as text
    l[v + 5] = "2.5;mol/mol;b0";     // three fields: left empty
    l[v + 14] = "S-042;;ID;Sensor";  // a text value
    l[v + 17] = "0.5;L;Vhpws;a;b";   // five fields: left empty
    auto f = Load(l);
    EXPECT_EQ(f->VOrig().BS.Value, 0.f);
    EXPECT_EQ(f->VOrig().BS.ValueS, QStringLiteral("1.5 "));
    EXPECT_EQ(f->VOrig().BOx, TVariable());
    EXPECT_EQ(f->VOrig().SensorID.ValueS, QStringLiteral("S-042"));
    EXPECT_EQ(f->VOrig().SensorID.UnitNameShort, QStringLiteral("ID"));
    EXPECT_EQ(f->VOrig().Vhpws, TVariable());
}

TEST_F(LoaderTest, VariablesMarkerOnLineOneMeansNoHeaderTexts)
{
    QStringList l = StandardFile({Row("1").Text()});
    l.removeFirst(); // the marker moves to line 4
    l.removeFirst();
    l.removeFirst();
    l.removeFirst(); // now on line 1
    auto f = Load(l);
    EXPECT_TRUE(f->VOrig().ExperimentName.isEmpty());
    EXPECT_TRUE(f->VOrig().SampleName.isEmpty());
    EXPECT_TRUE(f->VOrig().Saved.isEmpty());
    EXPECT_EQ(f->VOrig().BS.Value, 3.5f);
}

TEST_F(LoaderTest, StepsStartWhereTheElapsedTimeFallsBack)
{
    auto f = LoadRows({Row("1"), Row("2"), Row("2"), Row("5"), Row("0.5", "3"), Row("1", "3"), Row("0", "4")});
    ASSERT_EQ(f->DataSetCount(), 3);
    EXPECT_EQ(Elapsed(*f->DataSet(0)), (std::vector<double>{1, 2, 2, 5}));
    EXPECT_EQ(Durations(*f->DataSet(0)), (std::vector<double>{1, 1, 0, 3}));
    EXPECT_EQ(Durations(*f->DataSet(1)), (std::vector<double>{0.5, 0.5}));
    EXPECT_EQ(Durations(*f->DataSet(2)), (std::vector<double>{0}));
    EXPECT_EQ(f->DataSet(1)->Step, 3);
    EXPECT_EQ(f->DataSet(1)->Mode, 15);
    for (const auto& s : f->DataSets())
        EXPECT_EQ(s->aFile, f.get());
}

TEST_F(LoaderTest, ColonTimesAndFloatRounding)
{
    TRowSpec r = Row("12:5");
    r.pumpI = "0.1";
    auto f = LoadRows({Row("3"), r});
    const TDataPoint& p = f->DataSet(0)->Data()[1];
    EXPECT_EQ(p.ElapsedSinceBeginning, 12.5);
    EXPECT_EQ(p.DataPointDuration, 9.5);
    EXPECT_EQ(p.PumpI, static_cast<double>(0.1f)); // through 32-bit float
}

TEST_F(LoaderTest, StartReferenceStepBeforeStepOneOfAProgram)
{
    for (const char* mode : {"15", "16"}) {
        TRowSpec first = Row("0.5", "1", mode);
        first.pO2 = "2.0E-01";
        first.temp = "650.5";
        TRowSpec second = Row("1.5", "1", mode);
        second.pO2 = "1.0E-01";
        auto f = LoadRows({Row("1", "7", "12"), first, second});
        ASSERT_EQ(f->DataSetCount(), 3) << mode;
        const TWPVDataSet& ref = *f->DataSet(1);
        EXPECT_EQ(ref.Mode, 15) << mode;
        EXPECT_EQ(ref.Step, 0);
        EXPECT_EQ(ref.SetDuration, 1);
        EXPECT_EQ(ref.FinalpO2(), static_cast<double>(0.2f));
        ASSERT_EQ(ref.PointCount(), 1);
        const TDataPoint& p = ref.Data()[0];
        EXPECT_EQ(p.ElapsedSinceBeginning, 0);
        EXPECT_EQ(p.DataPointDuration, 1);
        EXPECT_EQ(p.TempC, 650.5);
        EXPECT_EQ(p.pO2, static_cast<double>(0.2f));
        EXPECT_EQ(p.PumpI, static_cast<double>(1e-3f)); // the other fields from the last row read
        EXPECT_EQ(f->DataSet(2)->Mode, std::atoi(mode));
        EXPECT_EQ(f->DataSet(2)->Step, 1);
        EXPECT_EQ(f->DataSet(2)->PointCount(), 2);
    }
}

TEST_F(LoaderTest, RowsWithoutTimeOrTemperatureArePassedOver)
{
    TRowSpec noTime = Row("  ");
    TRowSpec noTemp = Row("0.1");
    noTemp.temp = " ";
    auto f = LoadRows({Row("1"), noTime, noTemp, Row("2")});
    ASSERT_EQ(f->DataSetCount(), 1);
    EXPECT_EQ(Elapsed(*f->DataSet(0)), (std::vector<double>{1, 2}));
}

TEST_F(LoaderTest, BlankLinesInTheDataBlockArePassedOver)
{
    QStringList l = StandardFile({Row("1").Text(), "", "   ", Row("2").Text(), Row("1", "3").Text()});
    auto f = Load(l);
    ASSERT_EQ(f->DataSetCount(), 2);
    EXPECT_EQ(f->DataSet(0)->PointCount(), 2);
}

TEST_F(LoaderTest, OnlyTrueIsTrue)
{
    std::vector<std::pair<const char*, bool>> cases = {{"True", true}, {"true", false}, {"TRUE", false},
                                                       {"False", false}, {" True", false}};
    QList<TRowSpec> rows;
    for (std::size_t i = 0; i < cases.size(); ++i) {
        TRowSpec r = Row(QByteArray::number(int(i) + 1).constData());
        r.stablepO2 = r.rangepO2 = r.stableI = QString::fromLatin1(cases[i].first);
        rows << r;
    }
    auto f = LoadRows(rows);
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const TDataPoint& p = f->DataSet(0)->Data()[i];
        EXPECT_EQ(p.pO2RCOK, cases[i].second) << cases[i].first;
        EXPECT_EQ(p.pO2RangeOK, cases[i].second) << cases[i].first;
        EXPECT_EQ(p.IRCOK, cases[i].second) << cases[i].first;
    }
}

TEST_F(LoaderTest, FieldsThatDoNotConvertKeepTheLastValue)
{
    TRowSpec a = Row("1");
    a.pumpI = "2.0E-03";
    a.pO2 = " 1.5 E-02 "; // blanks removed from the cell pO2 only
    TRowSpec b = Row("2");
    b.pumpI = "n/a";
    b.pO2 = "-";
    b.mode = "x";
    auto f = LoadRows({a, b});
    const auto& pts = f->DataSet(0)->Data();
    EXPECT_EQ(pts[0].pO2, static_cast<double>(1.5e-2f));
    EXPECT_EQ(pts[1].PumpI, static_cast<double>(2e-3f));
    EXPECT_EQ(pts[1].pO2, static_cast<double>(1.5e-2f));
    EXPECT_EQ(f->DataSet(0)->Mode, 15);
}

TEST_F(LoaderTest, SetpointFromTheThirdRowAndZeroWhenItDoesNotConvert)
{
    QList<TRowSpec> rows;
    const char* sps[] = {"-1", "-2", "-3", "-4", "-5"};
    for (int i = 0; i < 5; ++i) {
        rows << Row(QByteArray::number(i + 1).constData());
        rows.back().sp = QString::fromLatin1(sps[i]);
    }
    TRowSpec bad = Row("0.5", "3");
    bad.sp = "SP?";
    rows << bad;
    TRowSpec two = Row("0.1", "4");
    two.sp = "-7.5";
    rows << two << Row("0.2", "4");
    rows.back().sp = "-8.5";
    auto f = LoadRows(rows);
    ASSERT_EQ(f->DataSetCount(), 3);
    EXPECT_EQ(f->DataSet(0)->Setpoint, -3);
    EXPECT_EQ(f->DataSet(1)->Setpoint, 0);
    EXPECT_EQ(f->DataSet(2)->Setpoint, -8.5);
}

TEST_F(LoaderTest, TabsAreIgnoredEverywhere)
{
    QStringList l = StandardFile({"1\t.5;15;2;700;0.1;1.0E-03;1.0E-02;x;x;True;True;x;Tr\tue;-2;t;1E-03"});
    const int d = l.indexOf(QString::fromLatin1(WPVDataMarker));
    l[d] = "** DA\tTA *************************************************";
    l[d - 1] = "\t";
    auto f = Load(l);
    ASSERT_EQ(f->DataSetCount(), 1);
    EXPECT_EQ(f->DataSet(0)->Data()[0].ElapsedSinceBeginning, 1.5);
    EXPECT_TRUE(f->DataSet(0)->Data()[0].IRCOK);
    EXPECT_EQ(f->VOrig().Notes, QStringLiteral("First note\r\n"));
}

// A file with none of the three markers is not an instrument file: refused, with the file's
// name and what is missing in the message, and nothing kept.
TEST_F(LoaderTest, FilesWithoutAnyMarkerAreRefused)
{
    QByteArray noise;
    quint32 x = 12345;
    for (int i = 0; i < 20000; ++i) {
        x = x * 1664525u + 1013904223u;
        noise += char(x >> 24);
    }
    const QString marker = QString::fromLatin1(WPVDataMarker);
    const std::vector<std::pair<const char*, QByteArray>> cases = {
        {"empty", QByteArray()},
        {"20 kB of random bytes", noise},
        {"text lines", "a\nb\nc\nd\ne\n"},
        {"markers that are nearly right", (marker.chopped(1) + "\n" + u' ' + marker + "\n** notes\n").toUtf8()},
    };
    for (const auto& [name, bytes] : cases) {
        const QString path = Write(bytes);
        TWPVDataFromFile f;
        try {
            f.OccupyFromFile(path);
            ADD_FAILURE() << name << " was loaded";
        } catch (const EWPVNotDataFile& e) {
            EXPECT_TRUE(e.Message().contains(QStringLiteral("\"%1\"").arg(path))) << e.what();
            EXPECT_TRUE(e.Message().contains(QStringLiteral("not a Tarnwell data file"))) << e.what();
            EXPECT_TRUE(e.Message().contains(QStringLiteral("** DATA"))) << e.what();
        }
        EXPECT_EQ(f.DataSetCount(), 0) << name;
        EXPECT_EQ(f.VOrig(), TVariables()) << name;
    }
}

// Any one marker makes an instrument file; without data rows it has no steps, and that is no
// error.
TEST_F(LoaderTest, AnyMarkerWithoutDataRowsLoadsWithoutSteps)
{
    auto onlyData = Load({"a", QString::fromLatin1(WPVDataMarker), "1", "2", "3"}); // fewer than four lines after it
    EXPECT_EQ(onlyData->DataSetCount(), 0);
    auto onlyNotes = Load({"a", "b", "c", "d", "e", QString::fromLatin1(WPVNotesMarker), " a note "});
    EXPECT_EQ(onlyNotes->DataSetCount(), 0);
    EXPECT_EQ(onlyNotes->VOrig().ExperimentName, QStringLiteral("c"));
    EXPECT_EQ(onlyNotes->VOrig().Notes, QStringLiteral("a note\r\n"));
    auto noRows = Load(StandardFile({}));
    EXPECT_EQ(noRows->DataSetCount(), 0);
    EXPECT_EQ(noRows->VOrig().BS.Value, 3.5f);
}

TEST_F(LoaderTest, NotesBeforeTheVariablesAreReadJustTheSame)
{
    QStringList l = StandardFile({Row("1").Text()});
    const int n = l.indexOf(QString::fromLatin1(WPVNotesMarker));
    l[n] = "First note";
    l[n + 1] = "Second note";
    l.insert(5, QString::fromLatin1(WPVNotesMarker));
    l.insert(6, "Early note");
    auto f = Load(l);
    // Only the markers decide: everything up to the data marker is notes, variables included.
    EXPECT_TRUE(f->VOrig().Notes.startsWith(QStringLiteral("Early note\r\n") + QString::fromLatin1(WPVVariablesMarker)));
    EXPECT_TRUE(f->VOrig().Notes.endsWith(QStringLiteral("Variable 33.5\r\nFirst note\r\nSecond note\r\nSecond note\r\n")));
    // The variables marker moved one line down, and so did its variables.
    EXPECT_EQ(f->VOrig().BS.Value, 3.5f);
}

struct BadFileCase
{
    QStringList rows;
    const char* message;
};

TEST_F(LoaderTest, MalformedRowsFailWithTheirLineAndLeaveNothing)
{
    const int firstRowLine = StandardFile({}).size() + 1; // 1-based
    const std::vector<BadFileCase> cases = {
        {{Row("1").Text(), "2;15;2;700;0.1"}, "has 5 fields; a data row has 16."},
        {{"1;2"}, "has 2 fields; a data row has 16."},
        {{Row("x").Text()}, "the elapsed time \"x\" is not a number."},
    };
    for (const BadFileCase& c : cases) {
        auto file = std::make_unique<TWPVDataFromFile>();
        const QString name = Write(StandardFile(c.rows));
        try {
            file->OccupyFromFile(name);
            ADD_FAILURE() << "no error for " << c.message;
        } catch (const EWPVDataError& e) {
            const int line = firstRowLine + int(c.rows.size()) - 1;
            EXPECT_TRUE(e.Message().startsWith(QStringLiteral("Line %1 of \"%2\"").arg(line).arg(name)))
                << e.what();
            EXPECT_TRUE(e.Message().endsWith(QString::fromLatin1(c.message))) << e.what();
        }
        EXPECT_EQ(file->DataSetCount(), 0);
        EXPECT_EQ(file->VOrig(), TVariables());
    }
}

TEST_F(LoaderTest, UnreadableFileFails)
{
    TWPVDataFromFile f;
    EXPECT_THROW(f.OccupyFromFile(dir.filePath(QStringLiteral("missing.txt"))), EWPVDataError);
    EXPECT_THROW(f.OccupyFromFile(dir.path()), EWPVDataError);
}

// A large file is read in two halves at once; every byte must land in its place, at the seam
// too, and a small file read the plain way must give the same.
TEST_F(LoaderTest, LargeFileIsReadWhole)
{
    for (const qsizetype size : {qsizetype(1000), qsizetype(16 << 20), qsizetype((17 << 20) + 7)}) {
        QByteArray bytes(size, Qt::Uninitialized);
        quint32 x = 12345;
        for (char& c : bytes) {
            x = x * 1664525u + 1013904223u;
            c = char('0' + (x >> 24) % 64);
        }
        const QString name = dir.filePath(QStringLiteral("large.txt"));
        QFile out(name);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ASSERT_EQ(out.write(bytes), size);
        out.close();
        const std::shared_ptr<TWPVText> text = TWPVText::Read(name);
        ASSERT_EQ(text->Size(), std::size_t(size));
        EXPECT_TRUE(text->Bytes() == QByteArrayView(bytes)) << size;
    }
}

TEST_F(LoaderTest, LastLineWithoutTerminator)
{
    // The reader looks for more text after an unterminated last line; the line read so far must
    // survive that look (the sanitizer run catches a stale read of it).
    {
        TWPVDataFromFile f;
        f.OccupyFromFile(Write(QByteArray(WPVNotesMarker) + "\nline 1\n Experiment \nSample\nSaved at noon"));
        EXPECT_EQ(f.VOrig().ExperimentName, QStringLiteral("Experiment"));
        EXPECT_EQ(f.VOrig().SampleName, QStringLiteral("Sample"));
        EXPECT_EQ(f.VOrig().Saved, QStringLiteral("Saved at noon"));
        EXPECT_EQ(f.DataSetCount(), 0);
    }
    {
        // A notes block longer than one read-ahead, ending without a terminator.
        QStringList l = StandardFile({});
        l.erase(l.end() - 4, l.end()); // the data marker and its three lines
        for (int i = 0; i < 20000; ++i)
            l << QStringLiteral("note %1").arg(i);
        TWPVDataFromFile f;
        f.OccupyFromFile(Write(l.join(u'\n').toUtf8()));
        EXPECT_TRUE(f.VOrig().Notes.endsWith(QStringLiteral("note 19998\r\nnote 19999\r\n")));
        EXPECT_EQ(f.VOrig().BS.Value, 3.5f);
    }
    {
        // A data block whose last row has no terminator.
        QStringList l = StandardFile({Row("1").Text(), Row("2").Text()});
        TWPVDataFromFile f;
        f.OccupyFromFile(Write(l.join(u'\n').toUtf8()));
        ASSERT_EQ(f.DataSetCount(), 1);
        EXPECT_EQ(f.DataSet(0)->PointCount(), 2);
    }
}

TEST_F(LoaderTest, Windows1252AndUtf16Files)
{
    QStringList l = StandardFile({Row("1").Text()});
    l[2] = QStringLiteral("Cell T, \u00baC");
    const QString text = l.join(QStringLiteral("\r\n"));
    QByteArray ansi = text.toLatin1();
    QByteArray utf16("\xFF\xFE", 2);
    utf16 += QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    for (const QByteArray& bytes : {ansi, utf16}) {
        TWPVDataFromFile f;
        f.OccupyFromFile(Write(bytes));
        EXPECT_EQ(f.VOrig().ExperimentName, QStringLiteral("Cell T, \u00baC"));
        EXPECT_EQ(f.DataSetCount(), 1);
    }
}

// The encoding is decided for the whole file before any line is decoded: a byte that is not
// UTF-8 anywhere in the file makes every text of it Windows-1252, also the header lines before
// that byte, however far ahead the byte stands.
TEST_F(LoaderTest, OneEncodingForTheWholeFile)
{
    const QByteArray utf8Degree("\xC2\xBA");             // "º" in UTF-8
    const QString asAnsi = QStringLiteral("\u00C2\u00BA"); // the same two bytes read as Windows-1252
    struct TCase
    {
        const char* name;
        bool inNotes; // the odd byte in a late note, else at the end of the last row
    };
    for (const TCase c : {TCase{"in the notes", true}, TCase{"in the data", false}}) {
        QStringList rows;
        for (int i = 0; i < 3; ++i)
            rows << Row(QByteArray::number(i + 1).constData()).Text();
        QStringList l = StandardFile(rows);
        const int n = l.indexOf(QString::fromLatin1(WPVNotesMarker));
        // Enough notes to lie well beyond any read-ahead (more than a megabyte).
        QStringList filler;
        for (int i = 0; i < 30000; ++i)
            filler << QStringLiteral("filler note %1 ").arg(i).repeated(3);
        for (int i = 0; i < filler.size(); ++i)
            l.insert(n + 1 + i, filler[i]);
        QByteArray bytes = l.join(u'\n').toUtf8() + '\n';
        bytes.replace("Experiment A", "Run at 660 " + utf8Degree + "C");
        if (c.inNotes)
            bytes.replace("Second note", "Second \xBA note");
        else
            bytes.insert(bytes.size() - 1, '\xBA'); // at the end of the last row's last field
        TWPVDataFromFile f;
        f.OccupyFromFile(Write(bytes));
        EXPECT_EQ(f.VOrig().ExperimentName, QStringLiteral("Run at 660 ") + asAnsi + u'C') << c.name;
        if (c.inNotes) {
            EXPECT_TRUE(f.VOrig().Notes.endsWith(QStringLiteral("Second \u00BA note\r\n"))) << c.name;
        }
        EXPECT_EQ(f.DataSetCount(), 1) << c.name;
        // The line reader knows the encoding before the first line is asked for.
        TWPVLines lines = TWPVLines::FromFile(Write(bytes));
        EXPECT_EQ(lines.Codec(), TWPVTextCodec::Windows1252) << c.name;
        EXPECT_EQ(WPVTrim(lines.Line(2)), QStringLiteral("Run at 660 ") + asAnsi + u'C') << c.name;
    }
}

} // namespace
