#include "QvComponent.h"
#include "QvUndoStack.h"
#include "QvVectors.h"

#include <QColor>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QPointer>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

// A chart-like object whose setters push their old value before storing, as the chart
// classes do.
class TUndoProbe : public QObject
{
    Q_OBJECT
    Q_PROPERTY(int IntValue READ IntValue WRITE SetIntValue)
    Q_PROPERTY(double DoubleValue READ DoubleValue WRITE SetDoubleValue)
    Q_PROPERTY(QString Text READ Text WRITE SetText)
    Q_PROPERTY(TMode Mode READ Mode WRITE SetMode)
    Q_PROPERTY(bool Flag READ Flag WRITE SetFlag)
    Q_PROPERTY(QColor Colour READ Colour WRITE SetColour)
    Q_PROPERTY(uint ARGB READ ARGB WRITE SetARGB)
    Q_PROPERTY(QObject* Partner READ Partner WRITE SetPartner)
    Q_PROPERTY(QVariantList Table READ Table WRITE SetTable)
    Q_PROPERTY(int Fragile READ Fragile WRITE SetFragile)
public:
    enum TMode { Normal, Log, LogEE };
    Q_ENUM(TMode)

    Q_INVOKABLE explicit TUndoProbe(QObject* AOwner = nullptr) : QObject(AOwner) {}

    TQvUndoStack* Stack = nullptr;
    int Pushes = 0;
    bool FailOnWrite = false;

    int IntValue() const { return FInt; }
    void SetIntValue(int V) { Set(FInt, V, "IntValue"); }
    double DoubleValue() const { return FDouble; }
    void SetDoubleValue(double V) { Set(FDouble, V, "DoubleValue"); }
    QString Text() const { return FText; }
    void SetText(const QString& V) { Set(FText, V, "Text"); }
    TMode Mode() const { return FMode; }
    void SetMode(TMode V) { Set(FMode, V, "Mode"); }
    bool Flag() const { return FFlag; }
    void SetFlag(bool V) { Set(FFlag, V, "Flag"); }
    QColor Colour() const { return FColour; }
    void SetColour(const QColor& V) { Set(FColour, V, "Colour"); }
    uint ARGB() const { return FARGB; }
    void SetARGB(uint V) { Set(FARGB, V, "ARGB"); }
    QObject* Partner() const { return FPartner; }
    void SetPartner(QObject* V)
    {
        QObject* old = FPartner;
        Set(old, V, "Partner");
        FPartner = V;
    }
    QVariantList Table() const { return FTable; }
    void SetTable(const QVariantList& V) { FTable = V; }
    int Fragile() const { return FFragile; }
    void SetFragile(int V)
    {
        if (FailOnWrite)
            throw std::runtime_error("cannot write Fragile");
        FFragile = V;
    }

private:
    template <class T>
    void Set(T& Field, const T& V, const char* Name)
    {
        if (Field == V)
            return;
        if (Stack) {
            ++Pushes;
            Stack->PushProperty(this, QStringLiteral("Probe %1").arg(QLatin1String(Name)), QLatin1String(Name));
        }
        Field = V;
    }

    int FInt = 0;
    double FDouble = 0;
    QString FText;
    TMode FMode = Normal;
    bool FFlag = false;
    QColor FColour = Qt::black;
    uint FARGB = 0xFF000000u;
    QPointer<QObject> FPartner;
    QVariantList FTable;
    int FFragile = 0;
};

namespace {

std::string ErrorOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const std::exception& e) {
        return e.what();
    }
    return "no error";
}

// Every behavioural test runs with the records in memory and in temporary files.
class UndoStack : public ::testing::TestWithParam<bool>
{
protected:
    void SetUp() override
    {
        Root.setObjectName("UndoTestRoot");
        QvRegisterRoot(&Root);
        Probe = new TUndoProbe(&Root);
        Probe->setObjectName("Probe");
        Stack.SetToMemoryStream(GetParam());
        Stack.SetLimit(20);
        Probe->Stack = &Stack;
    }

    QObject Root;
    TUndoProbe* Probe = nullptr;
    TQvUndoStack Stack;
};

} // namespace

TEST_P(UndoStack, PropertyKindsRoundTrip)
{
    QObject partner(&Root);
    partner.setObjectName("Partner");
    struct Case { const char* Name; QVariant Before, After; };
    const Case cases[] = {
        {"IntValue", 3, -7},
        {"DoubleValue", 0.1, 1e-300},
        {"Text", QString("log pO\\-2\\-"), QString("\u00b0C")},
        {"Mode", QVariant::fromValue(TUndoProbe::LogEE), QVariant::fromValue(TUndoProbe::Log)},
        {"Flag", true, false},
        {"Colour", QColor(10, 20, 30, 40), QColor(Qt::red)},
        {"ARGB", 0x80FF0000u, 0xFF00FF00u},
        {"Partner", QVariant::fromValue<QObject*>(&partner), QVariant::fromValue<QObject*>(nullptr)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        Probe->Stack = nullptr;
        Probe->setProperty(c.Name, c.Before);
        Probe->Stack = &Stack;
        Probe->setProperty(c.Name, c.After);
        EXPECT_EQ(Stack.UndoList().Get(0), QStringLiteral("Probe %1").arg(c.Name));
        Stack.Undo();
        EXPECT_EQ(Probe->property(c.Name), c.Before);
        Stack.Redo();
        EXPECT_EQ(Probe->property(c.Name), c.After);
    }
}

TEST_P(UndoStack, LimitDropsOldestStepsAndKeepsTheRestIntact)
{
    for (int i = 1; i <= 25; ++i)
        Probe->SetIntValue(i);
    EXPECT_EQ(Stack.UndoCount(), 20);
    EXPECT_EQ(Stack.UndoList().Count(), 20);
    // Step by step back: each undo restores the value before its step.
    for (int i = 25; i > 5; --i) {
        Stack.Undo();
        ASSERT_EQ(Probe->IntValue(), i - 1);
    }
    EXPECT_FALSE(Stack.CanUndo());
    EXPECT_EQ(Stack.RedoCount(), 20);
    Stack.Redo(19);
    EXPECT_EQ(Probe->IntValue(), 25);
}

TEST_P(UndoStack, UndoThenPushDropsUndoneStepsAndRedo)
{
    Probe->SetIntValue(1);
    Probe->SetIntValue(2);
    Probe->SetIntValue(3);
    Stack.Undo(1);
    EXPECT_EQ(Probe->IntValue(), 1);
    EXPECT_EQ(Stack.RedoCount(), 2);
    Probe->SetText("new");
    EXPECT_EQ(Stack.RedoCount(), 0);
    EXPECT_FALSE(Stack.CanRedo());
    EXPECT_EQ(Stack.UndoCount(), 2);
    EXPECT_EQ(Stack.UndoList().ToStringList(), (QStringList{"Probe Text", "Probe IntValue"}));
    Stack.Undo();
    EXPECT_EQ(Probe->Text(), "");
    Stack.Undo();
    EXPECT_EQ(Probe->IntValue(), 0);
}

TEST_P(UndoStack, AGroupClosedWithoutKeepingEmptyLeavesNoEmptyStep)
{
    Probe->SetIntValue(1);
    // Nothing recorded inside: no step, the earlier one stays the newest and undoes as before.
    Stack.StartGroup("Probe: Text");
    Probe->SetIntValue(1);
    Stack.StopGroup(false);
    EXPECT_EQ(Stack.UndoCount(), 1);
    EXPECT_EQ(Stack.UndoList().Get(0), "Probe IntValue");
    // Something recorded: one step with the group's comment, undone whole.
    Stack.StartGroup("Probe: both");
    Probe->SetIntValue(2);
    Probe->SetText("two");
    Stack.StopGroup(false);
    EXPECT_EQ(Stack.UndoList().ToStringList(), (QStringList{"Probe: both", "Probe IntValue"}));
    // An empty inner group of a kept group stays part of it.
    Stack.StartGroup("outer");
    Stack.StartGroup("inner");
    Stack.StopGroup(false);
    Probe->SetDoubleValue(1.5);
    Stack.StopGroup(false);
    EXPECT_EQ(Stack.UndoCount(), 3);
    Stack.Undo(1);
    EXPECT_EQ(Probe->IntValue(), 1);
    EXPECT_EQ(Probe->Text(), "");
    EXPECT_EQ(Probe->DoubleValue(), 0);
    Stack.Redo(1);
    EXPECT_EQ(Probe->Text(), "two");
    EXPECT_EQ(Probe->DoubleValue(), 1.5);
}

TEST_P(UndoStack, GroupIsOneStepWithItsComment)
{
    Probe->SetIntValue(1);
    Stack.StartGroup("Axis start end");
    Probe->SetIntValue(2);
    Stack.StartGroup("inner");
    Probe->SetDoubleValue(2.5);
    Stack.StopGroup();
    Probe->SetText("two");
    Stack.StopGroup();
    EXPECT_EQ(Stack.UndoCount(), 2);
    EXPECT_EQ(Stack.UndoList().Get(0), "Axis start end");
    Stack.Undo();
    EXPECT_EQ(Probe->IntValue(), 1);
    EXPECT_EQ(Probe->DoubleValue(), 0);
    EXPECT_EQ(Probe->Text(), "");
    EXPECT_EQ(Stack.RedoList().ToStringList(), QStringList{"Axis start end"});
    Stack.Redo();
    EXPECT_EQ(Probe->IntValue(), 2);
    EXPECT_EQ(Probe->DoubleValue(), 2.5);
    EXPECT_EQ(Probe->Text(), "two");
    EXPECT_EQ(Stack.UndoCount(), 2);
    EXPECT_EQ(Stack.RedoCount(), 0);
}

TEST_P(UndoStack, PushesDuringReplayAreIgnored)
{
    int undone = 0, redone = 0;
    QObject::connect(&Stack, &TQvUndoStack::OnUndo, [&] { ++undone; });
    QObject::connect(&Stack, &TQvUndoStack::OnRedo, [&] { ++redone; });
    Probe->SetIntValue(1);
    Probe->SetFlag(true);
    const int pushes = Probe->Pushes;
    Stack.Undo(0);
    EXPECT_GT(Probe->Pushes, pushes);  // the setter did try to push
    EXPECT_EQ(Stack.UndoCount(), 1);
    EXPECT_EQ(Stack.RedoCount(), 1);
    Stack.Redo(0);
    EXPECT_EQ(Stack.UndoCount(), 2);
    EXPECT_EQ(Stack.RedoCount(), 0);
    EXPECT_EQ(undone, 1);
    EXPECT_EQ(redone, 1);
}

TEST_P(UndoStack, UndoAndRedoToAnIndex)
{
    Probe->SetIntValue(1);
    Probe->SetIntValue(2);
    Stack.Undo(2);  // more than there are: both
    EXPECT_EQ(Probe->IntValue(), 0);
    EXPECT_EQ(Stack.UndoCount(), 0);
    EXPECT_EQ(Stack.RedoCount(), 2);
    Stack.Undo();  // nothing left: no-op
    Stack.Redo(0);
    EXPECT_EQ(Probe->IntValue(), 1);
    Stack.Redo(5);
    EXPECT_EQ(Probe->IntValue(), 2);
}

// A walk of undos and redos of various depths, always compared with the recorded history.
TEST_P(UndoStack, RedoRestoresExactlyWhatUndoReplaced)
{
    std::vector<std::tuple<int, QString, bool>> states{{0, "", false}};
    for (int i = 1; i <= 8; ++i) {
        if (i % 3 == 0) {
            Stack.StartGroup("group");
            Probe->SetIntValue(i);
            Probe->SetText(QString::number(i));
            Probe->SetFlag(!Probe->Flag());
            Stack.StopGroup();
        } else {
            Probe->SetIntValue(i);
        }
        states.emplace_back(Probe->IntValue(), Probe->Text(), Probe->Flag());
    }
    int at = 8;
    const std::pair<char, int> walk[] = {{'u', 2}, {'r', 0}, {'u', 4}, {'r', 1}, {'u', 0}, {'r', 9}, {'u', 9}, {'r', 3}};
    for (auto [op, n] : walk) {
        if (op == 'u') {
            Stack.Undo(n);
            at = std::max(at - n - 1, 0);
        } else {
            Stack.Redo(n);
            at = std::min(at + n + 1, 8);
        }
        SCOPED_TRACE(std::string(1, op) + std::to_string(n));
        EXPECT_EQ(std::make_tuple(Probe->IntValue(), Probe->Text(), Probe->Flag()), states[size_t(at)]);
        EXPECT_EQ(Stack.UndoCount(), at);
        EXPECT_EQ(Stack.RedoCount(), 8 - at);
    }
}

TEST_P(UndoStack, VectorStateRoundTrip)
{
    auto* v = new TQvDoubleVector(&Root);
    v->setObjectName("Data");
    v->AddRange({1.0L, 2.0L, 3.0L});
    v->AddOutlier(2);
    Stack.PushVectorState(v, "Graph series data");
    v->Clear();
    v->AddRange({7.0L, 8.0L});
    Stack.Undo();
    EXPECT_EQ(v->Values(), (QList<double>{1, 2, 3}));
    EXPECT_TRUE(v->IsOutlier(2));
    EXPECT_EQ(v->Maximum(), 2);
    Stack.Redo();
    EXPECT_EQ(v->Values(), (QList<double>{7, 8}));
    EXPECT_FALSE(v->AnyOutliers());
}

TEST_P(UndoStack, ComponentStateWithSubObjects)
{
    auto* style = new TUndoProbe(Probe);
    style->setObjectName("Line");
    Probe->SetIntValue(4);
    style->SetColour(Qt::blue);
    Stack.Clear();
    Stack.PushComponent(Probe, "Series settings");
    Probe->Stack = nullptr;
    Probe->SetIntValue(9);
    Probe->SetMode(TUndoProbe::Log);
    style->SetColour(Qt::green);
    Stack.Undo();
    EXPECT_EQ(Probe->IntValue(), 4);
    EXPECT_EQ(Probe->Mode(), TUndoProbe::Normal);
    EXPECT_EQ(style->Colour(), QColor(Qt::blue));
    Stack.Redo();
    EXPECT_EQ(Probe->IntValue(), 9);
    EXPECT_EQ(Probe->Mode(), TUndoProbe::Log);
    EXPECT_EQ(style->Colour(), QColor(Qt::green));
}

TEST_P(UndoStack, FreeComponentUndoDestroysAndRedoRecreates)
{
    auto* created = new TUndoProbe(&Root);
    created->setObjectName("Legend1");
    created->SetText("legend");
    QPointer<QObject> guard(created);
    Stack.PushFreeComponent(created, "Create legend");
    Stack.Undo();
    EXPECT_TRUE(guard.isNull());
    EXPECT_EQ(QvFindComponent("UndoTestRoot.Legend1"), nullptr);
    Stack.Redo();
    auto* again = qobject_cast<TUndoProbe*>(QvFindComponent("UndoTestRoot.Legend1"));
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->Text(), "legend");
    Stack.Undo();
    EXPECT_EQ(QvFindComponent("UndoTestRoot.Legend1"), nullptr);
}

TEST_P(UndoStack, EditStateRoundTrip)
{
    QWidget form;
    form.setObjectName("EditForm");
    QvRegisterRoot(&form);
    auto* edit = new QLineEdit(&form);
    edit->setObjectName("Edit1");
    edit->setText("12.5");
    Stack.PushEditState(edit, "12.5", 1, 2, "Edit");
    edit->setText("99");
    Stack.Undo();
    EXPECT_EQ(edit->text(), "12.5");
    EXPECT_EQ(edit->selectionStart(), 1);
    EXPECT_EQ(edit->selectedText(), "2.");
    Stack.Redo();
    EXPECT_EQ(edit->text(), "99");
}

TEST_P(UndoStack, UnnamedObjectsAreFoundAgain)
{
    TUndoProbe loose;  // no name, no owner
    loose.Stack = &Stack;
    loose.SetIntValue(5);
    loose.SetText("x");
    Stack.Undo(1);
    EXPECT_EQ(loose.IntValue(), 0);
    EXPECT_EQ(loose.Text(), "");
    Stack.Redo(1);
    EXPECT_EQ(loose.Text(), "x");
    // An unnamed object that went away is skipped, not confused with a newcomer.
    auto* gone = new TUndoProbe;
    gone->Stack = &Stack;
    gone->SetIntValue(3);
    delete gone;
    Stack.Undo();
    EXPECT_EQ(loose.Text(), "x");
    EXPECT_EQ(Stack.RedoCount(), 1);
}

TEST_P(UndoStack, ErrorWhileUndoingClearsTheStack)
{
    Probe->SetIntValue(1);
    Stack.PushProperty(Probe, "fragile", "Fragile");
    Probe->SetIntValue(2);
    Probe->FailOnWrite = true;
    EXPECT_EQ(ErrorOf([&] { Stack.Undo(1); }), "cannot write Fragile");
    EXPECT_EQ(Probe->IntValue(), 1);  // the restored part stays applied
    EXPECT_EQ(Stack.UndoCount(), 0);
    EXPECT_EQ(Stack.RedoCount(), 0);
    EXPECT_FALSE(Stack.Restoring());
    Probe->SetIntValue(3);  // the stack still works
    EXPECT_EQ(Stack.UndoCount(), 1);
}

TEST_P(UndoStack, NothingRecordedWhileDisabledOrLoading)
{
    Stack.SetEnabled(false);
    Probe->SetIntValue(1);
    Stack.StartGroup("ignored");
    Stack.StopGroup();
    Stack.SetEnabled(true);
    Stack.SetLoading(true);
    Probe->SetIntValue(2);
    Stack.SetLoading(false);
    EXPECT_EQ(Stack.UndoCount(), 0);
    Probe->SetIntValue(3);
    Stack.Clear();
    EXPECT_FALSE(Stack.CanUndo());
}

TEST_P(UndoStack, ErrorMessages)
{
    EXPECT_EQ(ErrorOf([&] { Stack.PushProperty(Probe, "c", "NoSuchProperty"); }),
              "Property: \"NoSuchProperty\" not found");
    Probe->SetTable({1, QVariantList{2, 3}});
    EXPECT_EQ(ErrorOf([&] { Stack.PushProperty(Probe, "c", "Table"); }), "Only one dimensional arrays suported");
    Probe->SetTable({1, 2.5, "x"});
    EXPECT_EQ(ErrorOf([&] { Stack.PushProperty(Probe, "c", "Table"); }), "no error");
    TUndoProbe unnamed;
    EXPECT_EQ(ErrorOf([&] { Stack.PushFreeComponent(&unnamed, "c"); }), "Component does not have a name");
    Stack.StartGroup("g");
    Stack.StopGroup();
    EXPECT_EQ(ErrorOf([&] { Stack.StopGroup(); }), "Undo stack has too many StopGroup statements");
    EXPECT_EQ(Stack.UndoCount(), 2);  // the failed pushes left nothing behind
}

// A change that fails half way leaves one step with what it recorded so far; the stack is not
// left grouping, so the next change is a step of its own.
TEST_P(UndoStack, GroupGuardClosesTheGroupWhenTheChangeThrows)
{
    Probe->SetTable({1, QVariantList{2, 3}});  // cannot be recorded
    EXPECT_THROW(
        {
            TQvUndoGroup Group(&Stack, "Broken change");
            Probe->SetIntValue(1);
            Stack.PushProperty(Probe, "c", "Table");
        },
        EQvUndoError);
    EXPECT_EQ(Stack.UndoList().ToStringList(), QStringList{"Broken change"});
    Probe->SetIntValue(2);
    EXPECT_EQ(Stack.UndoList().ToStringList(), (QStringList{"Probe IntValue", "Broken change"}));
    Stack.Undo(0);
    EXPECT_EQ(Probe->IntValue(), 1);
    Stack.Undo(0);
    EXPECT_EQ(Probe->IntValue(), 0);
}

TEST_P(UndoStack, GroupGuardStopsOnceAndToleratesNoStack)
{
    {
        TQvUndoGroup None(nullptr, "nothing");
        None.Stop();
    }
    {
        TQvUndoGroup Group(&Stack, "first");
        Probe->SetIntValue(1);
        Group.Stop();
        Probe->SetIntValue(2);  // after Stop: a step of its own, and no second StopGroup at the end
    }
    EXPECT_EQ(Stack.UndoList().ToStringList(), (QStringList{"Probe IntValue", "first"}));
    // A group opened while nothing is recorded is balanced as well.
    Stack.SetEnabled(false);
    {
        TQvUndoGroup Ignored(&Stack, "ignored");
        Probe->SetIntValue(3);
    }
    Stack.SetEnabled(true);
    Probe->SetIntValue(4);
    Probe->SetIntValue(5);
    EXPECT_EQ(Stack.UndoCount(), 4);
    // The stack going away inside the scope leaves nothing to close.
    auto* Gone = new TQvUndoStack;
    TQvUndoGroup Orphan(Gone, "gone");
    delete Gone;
    Orphan.Stop();
}

INSTANTIATE_TEST_SUITE_P(Streams, UndoStack, ::testing::Values(true, false),
                         [](const ::testing::TestParamInfo<bool>& p) { return p.param ? "Memory" : "TempFiles"; });

TEST(UndoStackFiles, TemporaryFilesAreNamedAfterTheProgramAndDeleted)
{
    // The test program has no extension, so its whole name is kept.
    EXPECT_EQ(TQvUndoStack::TemporaryFileBaseName(), "chart_core_test_undo");
    QStringList names;
    {
        TUndoProbe probe;
        TQvUndoStack stack;
        stack.SetToMemoryStream(false);
        EXPECT_TRUE(stack.TemporaryFileNames().isEmpty());  // created on first use
        probe.Stack = &stack;
        probe.SetIntValue(1);
        names = stack.TemporaryFileNames();
        ASSERT_EQ(names.size(), 3);
        const QString prefix = QDir(QDir::tempPath()).filePath("chart_core_test_undo.QvUndoStack.");
        QList<int> numbers;
        for (const QString& n : names) {
            EXPECT_TRUE(n.startsWith(prefix)) << n.toStdString();
            EXPECT_TRUE(QFileInfo::exists(n));
            numbers << n.mid(prefix.size()).toInt();
        }
        EXPECT_LT(numbers[0], numbers[1]);
        EXPECT_LT(numbers[1], numbers[2]);
        // A second stack takes the next free numbers.
        TQvUndoStack other;
        other.SetToMemoryStream(false);
        other.Clear();
        for (const QString& n : other.TemporaryFileNames())
            EXPECT_FALSE(names.contains(n));
        // Back to memory: the files go at once.
        const QStringList otherNames = other.TemporaryFileNames();
        EXPECT_EQ(otherNames.size(), 3);
        other.SetToMemoryStream(true);
        for (const QString& n : otherNames)
            EXPECT_FALSE(QFileInfo::exists(n));
    }
    for (const QString& n : names)
        EXPECT_FALSE(QFileInfo::exists(n)) << n.toStdString();
}

// An object that has been given an identity (every object an undo record names has one) and is
// destroyed only while the process exits, after the identity table's own static lifetime would
// have ended: a graph held in a static, as a fuzz target or a plug-in holds it. Its destruction
// drops its identity, which must still find the table (a table destroyed before it is a use after
// free that the sanitizer build and valgrind report; the child then fails).
TEST(ObjectIdentityDeathTest, ObjectDestroyedAtExitAfterItsIdentity)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            // Constructed before the table (first use below), so destroyed after it at exit.
            static std::unique_ptr<QObject> late;
            late = std::make_unique<QObject>();
            static std::unique_ptr<QObject> others[64];
            for (auto& o : others) {
                o = std::make_unique<QObject>();
                QvObjectIdentity(o.get());
            }
            const quint64 id = QvObjectIdentity(late.get());
            if (id == 0 || QvFindByIdentity(id) != late.get())
                std::_Exit(2);
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
}

#include "test_undo.moc"
