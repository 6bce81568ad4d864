// The window's texts: details table and graphs, parameters in force, step list, source view.
#include "LoaderFixture.h"

#include "QvFormat.h"
#include "UnitStringSpacer.h"
#include "UnitWPVDetails.h"
#include "UnitWPVParameters.h"
#include "UnitWPVTexts.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

class DetailsTest : public ::testing::Test
{
protected:
    void SetUp() override { QvSetFormatSeparators(u'.', u','); }
    void TearDown() override { QvSetFormatSeparators(QChar(), QChar()); }

    // Steps (mode, step, final pO2 via the last points, current, stable) of a file numbered 1.
    struct StepDef { int mode; int step; double pO2; double current; bool stable; };
    std::unique_ptr<TWPVDataFromFile> MakeFile(const std::vector<StepDef>& stepDefs)
    {
        auto f = std::make_unique<TWPVDataFromFile>();
        TVariables v;
        v.FileNumber = 1;
        v.FileName = QStringLiteral("run.txt");
        v.Notes = QStringLiteral("n1\r\nn2\r\n");
        v.BOx.Value = 2.97f;
        v.BS.Value = 2.9f;
        v.nuZero.Value = 0.004f;
        v.Vhpws.Value = 0.01f;
        v.Vgp.Value = 0.005f;
        v.Tl.Value = 25;
        v.RCDuration.Value = 5;
        v.RCThreshold.Value = 0.5f;
        v.FGpO2.Value = 0.21f;
        f->SetVOrig(v);
        f->SetVOver(v);
        f->SetVActiv(v);
        for (const StepDef& sp : stepDefs) {
            auto s = std::make_unique<TWPVDataSet>();
            s->Mode = sp.mode;
            s->Step = sp.step;
            s->Setpoint = sp.step;
            for (int i = 1; i <= 10; ++i) {
                TDataPoint p;
                p.ElapsedSinceBeginning = i;
                p.DataPointDuration = 1;
                p.PumpI = sp.current * (11 - i); // decaying: not all of it is leakage
                p.pO2 = sp.pO2;
                p.TempC = 700;
                p.pO2RCOK = p.pO2RangeOK = p.IRCOK = sp.stable;
                s->AddData(p);
            }
            f->DataSets().push_back(std::move(s));
        }
        UpdateVariables(*f, false, {});
        f->InterSetActions();
        return f;
    }
    static QStringList Cells(const QString& line) { return line.split(QStringLiteral(" ; ")); }
};

TEST_F(DetailsTest, HeaderAndLegendOfTheInitialColumns)
{
    auto f = MakeFile({{15, 1, 0.1, 1e-3, true}});
    const TDetailsPage page = ShowSetData(*f, DetailColumns(), 0);
    ASSERT_GE(page.Lines.size(), 7);
    EXPECT_EQ(page.Lines[0], QStringLiteral("File: run.txt"));
    EXPECT_EQ(page.Lines[1], QStringLiteral("Sets: 1"));
    EXPECT_EQ(page.Lines[2], QStringLiteral("Notes: n1\r\nn2\r\n"));
    EXPECT_EQ(page.Lines[3], QString());
    EXPECT_EQ(page.Lines[4],
              QStringLiteral("FN ; Mode       ; Step ; SP      ; pO2 s      ; St ; dQ         ; dQA        ; "
                             "LeakILast  ; LeakQa     ; LeakQaA    ; dQI        ; dOp        ; dOe        ; "
                             "dO         ; Och        ; dOch       ; r          ; bc         ; bp         ; "
                             "y          ; log|y|     ; "));
    EXPECT_EQ(page.Lines[5], QString());
    EXPECT_EQ(page.Lines[7], QString());
    QStringList legend = page.Lines.mid(8);
    EXPECT_EQ(legend.size(), 20); // 22 shown columns, "Step" and "log|y|" without a legend
    EXPECT_EQ(legend[0], QStringLiteral("        FN = File number, useful in case multiple files are open"));
    EXPECT_EQ(legend[2], QStringLiteral("        SP = Setpoint log(pO2/atm) or Setpoint voltage for PPS [Program, PotentioStatic]"));
    for (const QString& l : legend) {
        EXPECT_FALSE(l.startsWith(QStringLiteral("      Step")));
        EXPECT_FALSE(l.startsWith(QStringLiteral("     Gamma"))) << "hidden column";
    }
    EXPECT_EQ(page.Text().count(u'\r'), 0);
    EXPECT_TRUE(page.Text().startsWith(QStringLiteral("File: run.txt\nSets: 1\nNotes: n1\nn2\n\n\nFN ;")));
    EXPECT_TRUE(page.Text().endsWith(QStringLiteral("\n")));
}

TEST_F(DetailsTest, OxygenContentChainFromTheStartSet)
{
    auto f = MakeFile({{15, 0, 0.2, 0, true}, {15, 1, 0.1, 1e-3, true}, {15, 2, 0.05, 2e-3, false},
                       {15, 3, 0.02, 3e-3, false}, {15, 4, 0.01, 4e-3, true}});
    TColArr cols = DetailColumns();
    const int iMode = DetailColumnIndex(cols, QStringLiteral("Mode"));
    const int ibp = DetailColumnIndex(cols, QStringLiteral("bp"));
    const int iy = DetailColumnIndex(cols, QStringLiteral("y"));
    const int ilogy = DetailColumnIndex(cols, QStringLiteral("log|y|"));
    const int idOch = DetailColumnIndex(cols, QStringLiteral("dOch"));
    const int ir = DetailColumnIndex(cols, QStringLiteral("r"));
    // All initial columns are shown up to log|y|, so a column's position is its index.
    for (int i = 0; i <= ilogy; ++i)
        if (!cols[i].Visible)
            cols[i].Visible = true;

    TDetailsPage s0 = ShowSetData(*f, cols, 0);
    QStringList first = Cells(s0.Lines[6]);
    EXPECT_EQ(first[ibp], QStringLiteral(" 2.970000 "));
    EXPECT_EQ(first[iy], QStringLiteral(" 0.070000 "));
    EXPECT_EQ(first[ilogy], QString(10, u' '));
    EXPECT_EQ(first[idOch], QString(10, u' '));
    EXPECT_EQ(first[ir], QString(10, u' '));
    EXPECT_EQ(first[iMode], QStringLiteral("PIDStep   "));
    // The start set plotted, then stable steps only (step 1, 4); b and y follow the same steps.
    EXPECT_EQ(s0.AlogpO2.size(), 3u);
    EXPECT_EQ(s0.C.size(), 3u);
    EXPECT_EQ(s0.Alogy.size(), 2u); // the start set has a blank log|y| cell
    EXPECT_DOUBLE_EQ(s0.AlogpO2[0], std::log10(0.2));

    // bp carries: bp(k) = bp(k-1) - bc(k).
    const double nu0 = 0.004f;
    double bp = 2.97f;
    for (int k = 1; k < 5; ++k) {
        const TWPVDataSet& s = *f->DataSet(k);
        bp -= (s.ChargeTotal() - s.LeakageChargeAlpha2()) / 2 / 96485 / nu0;
        EXPECT_EQ(Cells(s0.Lines[6 + k])[ibp], FormatFloat(QStringLiteral("0.000000"), bp) + u' ');
    }

    TDetailsPage s2 = ShowSetData(*f, cols, 2);
    EXPECT_EQ(Cells(s2.Lines[6])[ibp], QStringLiteral(" 0.000000 "));
    EXPECT_EQ(Cells(s2.Lines[7])[ibp], QStringLiteral(" 0.000000 "));
    EXPECT_EQ(Cells(s2.Lines[8])[iMode], QStringLiteral("Conditions"));
    EXPECT_EQ(Cells(s2.Lines[8])[ibp], QStringLiteral(" 2.970000 "));
    // Step 2 (the start set, unstable) and step 4 (stable) are plotted; step 3 is not.
    ASSERT_EQ(s2.AlogpO2.size(), 2u);
    EXPECT_DOUBLE_EQ(s2.AlogpO2[1], std::log10(0.01));
}

// Every point of the graphs "log |y|" and "y" stands at its own step's log pO2, although the
// start set has no log|y| point; graph "b" keeps one point per plotted step.
TEST_F(DetailsTest, DetailGraphPointsPairWithTheirOwnStep)
{
    auto f = MakeFile({{15, 0, 0.2, 0, true}, {15, 1, 0.1, 1e-3, true}, {15, 2, 0.05, 2e-3, false},
                       {15, 3, 0.02, 3e-3, true}, {15, 4, 0.01, 4e-3, true}});
    TColArr cols = DetailColumns();
    const int ibp = DetailColumnIndex(cols, QStringLiteral("bp"));
    const int iy = DetailColumnIndex(cols, QStringLiteral("y"));
    const int ilogy = DetailColumnIndex(cols, QStringLiteral("log|y|"));
    // Every column up to log|y| shown: a cell's position is its column's index.
    for (int i = 0; i <= ilogy; ++i)
        cols[i].Visible = true;
    for (int startSet : {0, 1, 3}) {
        SCOPED_TRACE(startSet);
        const TDetailsPage p = ShowSetData(*f, cols, startSet);
        // Table rows by step, the detail points by the step they were taken from.
        std::vector<double> wantX, wantXy, wantY, wantLogy, wantB;
        for (int k = 0; k < f->DataSetCount(); ++k) {
            const TWPVDataSet& s = *f->DataSet(k);
            if (!(s.Step >= startSet && (s.Step == startSet || s.Stable())))
                continue;
            const QStringList cells = Cells(p.Lines[6 + k]);
            wantX.push_back(std::log10(s.FinalpO2()));
            wantB.push_back(cells[ibp].toDouble());
            if (cells[ilogy].trimmed().isEmpty())
                continue;
            wantXy.push_back(std::log10(s.FinalpO2()));
            wantY.push_back(cells[iy].toDouble());
            wantLogy.push_back(cells[ilogy].toDouble());
        }
        ASSERT_EQ(p.AlogpO2, wantX);
        ASSERT_EQ(p.AlogpO2y, wantXy);
        ASSERT_EQ(p.B.size(), wantY.size());
        ASSERT_EQ(p.Alogy.size(), wantLogy.size());
        ASSERT_EQ(p.C.size(), wantB.size());
        for (std::size_t i = 0; i < wantY.size(); ++i) {
            EXPECT_NEAR(p.B[i], wantY[i], 1e-6) << i;
            EXPECT_NEAR(p.Alogy[i], wantLogy[i], 1e-6) << i;
        }
        for (std::size_t i = 0; i < wantB.size(); ++i)
            EXPECT_NEAR(p.C[i], wantB[i], 1e-6) << i;
    }
}

TEST_F(DetailsTest, HiddenColumnsAndGraphs)
{
    auto f = MakeFile({{15, 0, 0.2, 0, true}, {15, 1, 0.1, 1e-3, true}, {15, 2, 0.05, 2e-3, true}});
    TColArr cols = DetailColumns();
    InitColStructure(cols, false, DetailColumnIndex(cols, QStringLiteral("log|y|")));
    TDetailsPage p = ShowSetData(*f, cols, 0);
    EXPECT_TRUE(p.Alogy.empty());
    EXPECT_TRUE(p.B.empty());
    EXPECT_TRUE(p.AlogpO2y.empty());
    EXPECT_EQ(p.C.size(), 3u);
    EXPECT_EQ(p.AlogpO2.size(), 3u);

    InitColStructure(cols, true, -1); // right click: every column hidden
    p = ShowSetData(*f, cols, 0);
    EXPECT_EQ(p.Lines, (QStringList{"File: run.txt", "Sets: 3", "Notes: n1\r\nn2\r\n", "", "", ""}));
    EXPECT_TRUE(p.C.empty());
    EXPECT_EQ(p.AlogpO2.size(), 3u);

    // A click on the focused item toggles that one column; no focused item changes nothing.
    InitColStructure(cols, false, -1);
    InitColStructure(cols, false, 3);
    int shown = 0;
    for (const TColData& c : cols)
        shown += c.Visible;
    EXPECT_EQ(shown, 1);
    EXPECT_TRUE(cols[3].Visible);
}

TEST_F(DetailsTest, GuardedCellsStayInTheirColumns)
{
    auto f = MakeFile({{15, 1, 0.1, 1e-3, false}, {15, 2, 0.05, 2e-3, true}});
    f->DataSet(1)->O_ch = 0; // as with no chamber volume
    TColArr cols = DetailColumns();
    for (TColData& c : cols)
        c.Visible = c.Name == QLatin1String("Gamma") || c.Name == QLatin1String("St") || c.Name == QLatin1String("RCP");
    const TDetailsPage p = ShowSetData(*f, cols, 0);
    EXPECT_EQ(p.Lines[4], QStringLiteral("St ; Gamma      ; RCP  ; "));
    const QString gamma = FormatFloat(QStringLiteral("0.000"), f->DataSet(0)->FinalpO2() / f->DataSet(0)->O_ch);
    EXPECT_EQ(p.Lines[6], QStringLiteral("   ; ") + PadToWidth(10, gamma, false) + QStringLiteral(" ;  0.5 ; "));
    EXPECT_EQ(p.Lines[7], QStringLiteral("X  ;            ;  0.5 ; "));
    EXPECT_EQ(RemoveBlanks(p.Lines[7]), QStringLiteral("X;;0.5;"));
}

TEST_F(DetailsTest, OverridesChangeTheValuesInForceIncludingB0AndBs)
{
    auto f = MakeFile({{15, 0, 0.2, 0, true}, {15, 1, 0.1, 1e-3, true}});
    TOverrideValues o = OverrideValuesFromFile(f->VOrig());
    o.Vgp = 0.5;
    o.BOx = 3.1;
    o.BS = 3.0;
    UpdateVariables(*f, true, o);
    EXPECT_EQ(f->VActiv().Vgp.Value, 0.5f);
    EXPECT_EQ(f->VActiv().RCThreshold.Value, 0.5f); // no edit: the file's own value
    EXPECT_EQ(f->VOver().Vgp.Value, 0.005f);
    for (const auto& s : f->DataSets()) {
        EXPECT_EQ(s->Vgp, static_cast<double>(0.5f));
        EXPECT_EQ(s->RCp(), static_cast<double>(0.5f));
    }
    f->InterSetActions();
    TColArr cols = DetailColumns();
    const TDetailsPage p = ShowSetData(*f, cols, 0);
    const int ibp = 19, iy = 20; // positions among the shown columns
    EXPECT_EQ(Cells(p.Lines[6])[ibp], QStringLiteral(" 3.100000 "));
    EXPECT_EQ(Cells(p.Lines[6])[iy], QStringLiteral(" 0.100000 "));

    UpdateVariables(*f, false, o); // clearing the check box restores the file's values
    EXPECT_EQ(f->VActiv(), f->VOrig());
    EXPECT_EQ(f->DataSet(0)->Vgp, static_cast<double>(0.005f));
}

TEST(OverrideValues, MZeroEditLoadsFromMUZero)
{
    TVariables v;
    v.mUZero.Value = 0.65f;
    v.MZero.Value = 156.2f;
    EXPECT_EQ(OverrideValuesFromFile(v).MZero, static_cast<double>(0.65f));
    TOverrideValues o;
    EXPECT_TRUE(SetOverrideValue(o, QStringLiteral("FGpO2"), 0.1));
    EXPECT_EQ(o.FGpO2, 0.1);
    EXPECT_FALSE(SetOverrideValue(o, QStringLiteral("fgpo2"), 0.1));
}

TEST(StepListText, ModeNameStepAndLogOfFinalpO2)
{
    QvSetFormatSeparators(u'.', u',');
    struct Case { int mode; int step; double pO2; const char* expected; };
    const Case cases[] = {
        {15, 3, 0.001, "FN:1 Mode:PIDStep Step:3 Log(pO2):-3.0"},
        {15, 3, 2, "FN:1 Mode:PIDStep Step:3 Log(pO2): 0.3"},
        {16, 1, 0, "FN:1 Mode:PPS Step:1 Log(pO2): 0.0"},
        {12, 0, -1, "FN:1 Mode:ZeroCurrent Step:0 Log(pO2): 0.0"},
        {23, 0, 1, "FN:1 Mode:23 Step:0 Log(pO2): 0.0"},
        {5, -2, 0.5, "FN:1 Mode:5 Step:-2 Log(pO2):-0.3"},
    };
    for (const Case& c : cases) {
        TWPVDataSet s;
        s.Mode = c.mode;
        s.Step = c.step;
        s.SetFinalpO2(c.pO2);
        EXPECT_EQ(StepListText(1, s), QString::fromLatin1(c.expected));
    }
    QvSetFormatSeparators(QChar(), QChar());
}

TEST(SourceLineText, FieldsPaddedByLineKind)
{
    EXPECT_EQ(SourceLineText(u"a b;c;d;e"), PadToWidth(40, "ab", false) + ' ' + PadToWidth(40, "c", false) + ' '
                                                 + PadToWidth(40, "d", false) + ' ' + PadToWidth(40, "e", false) + ' ');
    EXPECT_EQ(SourceLineText(u"1;2;3;4;abcdefghijklmnopq"),
              QStringLiteral("1               2               3               4               abcdefghijklmno "));
    // An empty line stays empty; a line of blanks is one field, emptied and padded.
    EXPECT_EQ(SourceLineText(u""), QString());
    EXPECT_EQ(SourceLineText(u"  "), QString(15, u' ') + u' ');
    EXPECT_EQ(SourceLineText(u"\tx"), PadToWidth(15, "\tx", false) + ' ');
}

TEST(PadToWidth, LeftAndRightAligned)
{
    EXPECT_EQ(PadToWidth(5, "ab", false), QStringLiteral("ab   "));
    EXPECT_EQ(PadToWidth(5, "ab", true), QStringLiteral("   ab"));
    EXPECT_EQ(PadToWidth(3, "abcdef", false), QStringLiteral("abc"));
    EXPECT_EQ(PadToWidth(3, "abcdef", true), QStringLiteral("def"));
    EXPECT_EQ(PadToWidth(0, "abc", false), QString());
}

} // namespace
