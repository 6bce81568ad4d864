#include "QvVectors.h"

#include <QBuffer>
#include <QDataStream>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <functional>
#include <random>
#include <set>

namespace {

constexpr double Big = TQvCustomDoubleVector::MaxDouble;

// Statistics computed from scratch, the way the cache must describe the stored values.
struct Fresh
{
    double Min = Big, Max = -Big, MinIncl = Big, MaxIncl = -Big, Sum = 0, SumIncl = 0;
    int MinIdx = -1, MaxIdx = -1, MinInclIdx = -1, MaxInclIdx = -1;
    bool Ascending = true;

    Fresh(const std::vector<double>& V, const std::set<int>& Outliers)
    {
        int prev = -1;
        for (int i = 0; i < int(V.size()); ++i) {
            const double v = V[size_t(i)];
            if (v < MinIncl) { MinIncl = v; MinInclIdx = i; }
            if (v > MaxIncl) { MaxIncl = v; MaxInclIdx = i; }
            SumIncl += v;
            if (Outliers.count(i))
                continue;
            if (v < Min) { Min = v; MinIdx = i; }
            if (v > Max) { Max = v; MaxIdx = i; }
            if (prev >= 0 && !(v > V[size_t(prev)]))
                Ascending = false;
            Sum += v;
            prev = i;
        }
    }
};

void ExpectMatches(TQvCustomDoubleVector& v, const std::vector<double>& model, const std::set<int>& outliers,
                   const std::string& where)
{
    SCOPED_TRACE(where);
    ASSERT_EQ(v.Count(), int(model.size()));
    for (int i = 0; i < v.Count(); ++i)
        ASSERT_EQ(v.GetValue(i), model[size_t(i)]) << "at " << i;
    const Fresh f(model, outliers);
    EXPECT_EQ(v.Minimum(), f.Min);
    EXPECT_EQ(v.Maximum(), f.Max);
    EXPECT_EQ(v.MinimumIdx(), f.MinIdx);
    EXPECT_EQ(v.MaximumIdx(), f.MaxIdx);
    EXPECT_EQ(v.MinimumIncludingOutliers(), f.MinIncl);
    EXPECT_EQ(v.MaximumIncludingOutliers(), f.MaxIncl);
    EXPECT_EQ(v.MinimumIdxIncludingOutliers(), f.MinInclIdx);
    EXPECT_EQ(v.MaximumIdxIncludingOutliers(), f.MaxInclIdx);
    EXPECT_EQ(v.OnlyAscending(), f.Ascending);
    EXPECT_NEAR(v.Sum(), f.Sum, 1e-6 * (1 + std::abs(f.Sum)));
    EXPECT_NEAR(v.SumIncludingOutliers(), f.SumIncl, 1e-6 * (1 + std::abs(f.SumIncl)));
    EXPECT_FALSE(v.IsChanged());
}

std::string RangeMessage(const std::function<void()>& f)
{
    try {
        f();
    } catch (const EQvListError& e) {
        return e.what();
    }
    return "no error";
}

// Records what a vector tells its users.
struct RecordingUser : TQvVectorUser
{
    std::vector<std::string> Events;
    void VectorRangeReset(TQvCustomDoubleVector*) override { Events.push_back("reset"); }
    void VectorPointsChanged(TQvCustomDoubleVector*, int From) override
    {
        Events.push_back("points " + std::to_string(From));
    }
    void VectorCleared(TQvCustomDoubleVector*, bool Linked) override
    {
        Events.push_back(Linked ? "cleared linked" : "cleared");
    }
    void VectorValueInserted(TQvCustomDoubleVector*, int Idx) override
    {
        Events.push_back("inserted " + std::to_string(Idx));
    }
    void VectorValueDeleted(TQvCustomDoubleVector*, int Idx) override
    {
        Events.push_back("deleted " + std::to_string(Idx));
    }
    void VectorDestroyed(TQvCustomDoubleVector*) override { Events.push_back("destroyed"); }
};

} // namespace

TEST(DoubleVector, NewVectorHasEmptyStatistics)
{
    TQvDoubleVector v;
    EXPECT_EQ(v.Count(), 0);
    EXPECT_EQ(v.Capacity(), 128);
    EXPECT_EQ(v.Increment(), 128);
    ExpectMatches(v, {}, {}, "new");
    EXPECT_EQ(v.Minimum(), 1.7976931348623157e308);
    EXPECT_EQ(v.Maximum(), -1.7976931348623157e308);
}

TEST(DoubleVector, CapacityGrowsLinearlyByIncrement)
{
    TQvDoubleVector v;
    for (int i = 0; i < 128; ++i)
        v.Add(i);
    EXPECT_EQ(v.Capacity(), 128);
    v.Add(128);
    EXPECT_EQ(v.Capacity(), 256);
    v.SetIncrement(100);  // below 128: ignored
    EXPECT_EQ(v.Increment(), 128);
    v.SetIncrement(1000);
    for (int i = 0; i < 128; ++i)
        v.Add(i);
    EXPECT_EQ(v.Capacity(), 1256);
    v.SetCapacity(10);  // not above Count: ignored
    EXPECT_EQ(v.Capacity(), 1256);
    v.SetCapacity(300);
    EXPECT_EQ(v.Capacity(), 300);
}

TEST(DoubleVector, HandCases)
{
    struct Case { std::vector<double> Values; int MinIdx, MaxIdx; double Sum; bool Ascending; };
    const Case cases[] = {
        {{1, 3, 3, 5}, 0, 3, 12, false},  // equal neighbours are not ascending
        {{2, 1}, 1, 0, 3, false},
        {{5, 5, 5}, 0, 0, 15, false},     // first index wins among equal extremes
        {{-1, 0, 7.5}, 0, 2, 6.5, true},
        {{4}, 0, 0, 4, true},
    };
    for (const Case& c : cases) {
        TQvDoubleVector v;
        for (double x : c.Values)
            v.Add(x);
        SCOPED_TRACE(c.Values.size());
        EXPECT_EQ(v.MinimumIdx(), c.MinIdx);
        EXPECT_EQ(v.MaximumIdx(), c.MaxIdx);
        EXPECT_EQ(v.Sum(), c.Sum);
        EXPECT_EQ(v.OnlyAscending(), c.Ascending);
    }
}

TEST(DoubleVector, ClearAndRefillIsAscendingAgain)
{
    TQvDoubleVector v;
    v.AddRange({3.0L, 2.0L, 1.0L});
    EXPECT_FALSE(v.OnlyAscending());
    v.Clear();
    EXPECT_EQ(v.Capacity(), 128);
    for (int i = 0; i < 10; ++i)
        v.Add(i * 0.5);
    EXPECT_TRUE(v.OnlyAscending());
    EXPECT_EQ(v.Maximum(), 4.5);
}

TEST(DoubleVector, SetValueBeyondCountExtendsWithZeros)
{
    TQvDoubleVector v;
    v.SetValue(5, 2.5);
    EXPECT_EQ(v.Count(), 6);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(v.GetValue(i), 0);
    EXPECT_EQ(v.Sum(), 2.5);
    // After Clear, the slots keep their old contents (storage is reused, not cleared).
    v.Clear();
    v.SetValue(6, 1);
    EXPECT_EQ(v.GetValue(5), 2.5);
}

TEST(DoubleVector, RangeErrors)
{
    TQvDoubleVector v;
    v.AddRange({1.0L, 2.0L, 3.0L});
    EXPECT_EQ(RangeMessage([&] { v.GetValue(3); }), "i=3 index out of range");
    EXPECT_EQ(RangeMessage([&] { v.GetValue(-1); }), "i=-1 index out of range");
    EXPECT_EQ(RangeMessage([&] { v.Insert(5, 1); }), "i=5 index out of range");
    EXPECT_EQ(RangeMessage([&] { v.SetValue(-2, 1); }), "i=-2 index out of range");
    auto e = v.GetEnumerator();
    int n = 0;
    while (e->MoveNext())
        EXPECT_EQ(e->Current(), ++n);
    EXPECT_EQ(n, 3);
    EXPECT_EQ(RangeMessage([&] { TQvCustomDoubleVector::TQvCustomDoubleVectorEnum(&v).Current(); }),
              "i=-1 index out of range");
    EXPECT_EQ(v.Insert(3, 9), 4);  // at Count: same as Add
    EXPECT_EQ(v.GetValue(3), 9);
    v.Delete(10);                   // beyond the end: ignored
    EXPECT_EQ(v.Count(), 4);
}

TEST(DoubleVector, OutliersLeftOutOfPlainStatistics)
{
    TQvDoubleVector v;
    v.AddRange({10.0L, 50.0L, 1000.0L, 20.0L});
    v.AddOutlier(2);
    EXPECT_TRUE(v.AnyOutliers());
    EXPECT_EQ(v.Maximum(), 50);
    EXPECT_EQ(v.MaximumIdx(), 1);
    EXPECT_EQ(v.MaximumIncludingOutliers(), 1000);
    EXPECT_EQ(v.MaximumIdxIncludingOutliers(), 2);
    EXPECT_EQ(v.Sum(), 80);
    EXPECT_EQ(v.SumIncludingOutliers(), 1080);
    v.Insert(0, 5);
    EXPECT_TRUE(v.IsOutlier(3));
    EXPECT_FALSE(v.IsOutlier(2));
    EXPECT_EQ(v.MaximumIdxIncludingOutliers(), 3);
    v.Delete(3);
    EXPECT_FALSE(v.AnyOutliers());
    EXPECT_EQ(v.Maximum(), 50);
    v.SetOutlier(0, true);
    v.SetOutlier(0, false);
    EXPECT_FALSE(v.AnyOutliers());
}

// Random inserts, deletes, stores (inside and outside the range), appends and outlier marks,
// with statistics read at random moments, always against a fresh computation.
TEST(DoubleVector, RandomEditsKeepStatisticsExact)
{
    std::mt19937 rng(12345);
    for (int round = 0; round < 120; ++round) {
        TQvDoubleVector v;
        std::vector<double> model;
        std::set<int> outliers;
        const bool ascendingData = round % 2 == 0;
        const bool withOutliers = round % 4 >= 2;  // outliers force the slow paths: not always
        for (int step = 0; step < 150; ++step) {
            const int op = int(rng() % 100);
            const int n = int(model.size());
            const double x = ascendingData ? (n ? model.back() + 1 + rng() % 3 : 0.0)
                                           : double(int(rng() % 2000) - 1000) / 8;
            std::string what;
            if (op < 45 || n == 0) {
                v.Add(x);
                model.push_back(x);
                what = "add";
            } else if (op < 60) {
                const int i = int(rng() % (n + 1));
                double y = x;
                if (ascendingData && i > 0 && i < n)  // keeps the order, or repeats a neighbour
                    y = rng() % 2 ? (model[size_t(i - 1)] + model[size_t(i)]) / 2 : model[size_t(i)];
                v.Insert(i, y);
                model.insert(model.begin() + i, y);
                std::set<int> moved;
                for (int o : outliers)
                    moved.insert(o >= i ? o + 1 : o);
                outliers = moved;
                what = "insert";
            } else if (op < 72) {
                const int i = int(rng() % n);
                v.Delete(i);
                model.erase(model.begin() + i);
                std::set<int> moved;
                for (int o : outliers)
                    if (o != i)
                        moved.insert(o > i ? o - 1 : o);
                outliers = moved;
                what = "delete";
            } else if (op < 92) {
                const int i = int(rng() % n);
                // Ascending data mostly stays ascending, so that its in-place paths get used.
                const int r = int(rng() % 20);
                const int kind = !ascendingData ? r % 4 : r < 14 ? 2 : r < 17 ? 3 : r % 2;
                double y = x;
                if (kind == 0)
                    y = -5000 - double(rng() % 10);  // new minimum
                else if (kind == 1)
                    y = 5000 + double(rng() % 10);   // new maximum
                else if (kind == 2 && i > 0 && i + 1 < n)
                    y = (model[size_t(i - 1)] + model[size_t(i + 1)]) / 2;  // keeps the order
                else if (kind == 3 && i + 1 < n)
                    y = model[size_t(i + 1)];  // equals its right neighbour
                v.SetValue(i, y);
                model[size_t(i)] = y;
                what = "set";
            } else if (op < 96 && withOutliers) {
                const int i = int(rng() % n);
                v.AddOutlier(i);
                outliers.insert(i);
                what = "outlier";
            } else {
                if (!outliers.empty()) {
                    const int o = *outliers.begin();
                    v.RemoveOutlier(o);
                    outliers.erase(o);
                }
                what = "unmark";
            }
            if (rng() % 3 == 0)
                ExpectMatches(v, model, outliers, "round " + std::to_string(round) + " step "
                                                      + std::to_string(step) + " after " + what);
            if (HasFatalFailure() || HasFailure())
                return;
        }
        ExpectMatches(v, model, outliers, "end of round");
    }
}

// Single edits of folded, strictly ascending data 0, 1, ..., 9: the cases where the cache is
// adjusted in place rather than recomputed, and their borders.
TEST(DoubleVector, EditsOfFoldedAscendingData)
{
    struct Case { const char* Op; int Idx; double Value; };
    const Case cases[] = {
        {"set", 4, 4.5},  {"set", 4, 5},  {"set", 4, 3},   {"set", 4, 2.5}, {"set", 0, 0.5},
        {"set", 0, -1},   {"set", 9, 8.5}, {"set", 9, 8},  {"set", 9, 20},  {"set", 8, 9},
        {"set", 8, 8.9},  {"set", 5, 100}, {"set", 5, -3}, {"insert", 4, 3.5}, {"insert", 4, 4},
        {"insert", 4, 3}, {"insert", 0, -1}, {"insert", 0, 0}, {"insert", 9, 8.5}, {"insert", 9, 9},
        {"delete", 4, 0}, {"delete", 0, 0}, {"delete", 9, 0},
    };
    for (const Case& c : cases) {
        TQvDoubleVector v;
        std::vector<double> model;
        for (int i = 0; i < 10; ++i) {
            v.Add(i);
            model.push_back(i);
        }
        ASSERT_TRUE(v.OnlyAscending());  // folds everything in
        const std::string op = c.Op;
        if (op == "set") {
            v.SetValue(c.Idx, c.Value);
            model[size_t(c.Idx)] = c.Value;
        } else if (op == "insert") {
            v.Insert(c.Idx, c.Value);
            model.insert(model.begin() + c.Idx, c.Value);
        } else {
            v.Delete(c.Idx);
            model.erase(model.begin() + c.Idx);
        }
        ExpectMatches(v, model, {}, op + " " + std::to_string(c.Idx) + " " + std::to_string(c.Value));
        // Appending after the edit folds on top of the adjusted cache.
        v.Add(5);
        model.push_back(5);
        ExpectMatches(v, model, {}, op + " then append");
    }
}

TEST(DoubleVector, UsersHearAboutChanges)
{
    RecordingUser user;
    {
        TQvDoubleVector v;
        v.RegisterUser(&user);
        v.RegisterUser(&user);  // registered once only
        v.Add(0);  // equal to the never-used slot's zero: still an append that users must see
        v.Add(2);
        v.SetValue(1, 2);  // unchanged: nobody is told
        v.Insert(0, 1);
        v.Delete(1, true);
        v.Clear(true);
        v.UnregisterUser(&user);
        v.Add(1);
        v.RegisterUser(&user);
    }
    const std::vector<std::string> expected = {"points 0", "points 1", "reset", "inserted 0",
                                               "deleted 1", "reset", "cleared linked", "destroyed"};
    EXPECT_EQ(user.Events, expected);
}

namespace {

// A user that notes, in one shared log, that it was told, and may act on the vector meanwhile.
struct OrderUser : TQvVectorUser
{
    int Id = 0;
    std::vector<int>* Log = nullptr;
    std::function<void()> OnTold;
    void Told()
    {
        Log->push_back(Id);
        if (OnTold)
            OnTold();
    }
    void VectorRangeReset(TQvCustomDoubleVector*) override {}
    void VectorPointsChanged(TQvCustomDoubleVector*, int) override { Told(); }
    void VectorCleared(TQvCustomDoubleVector*, bool) override {}
    void VectorValueInserted(TQvCustomDoubleVector*, int) override {}
    void VectorValueDeleted(TQvCustomDoubleVector*, int) override {}
    void VectorDestroyed(TQvCustomDoubleVector*) override {}
};

} // namespace

// Random attaching and detaching of many users (enough to squeeze the holes of removed ones out
// many times) against a plain list: the vector tells exactly the registered users, in the order
// they registered, after every batch.
TEST(DoubleVector, UsersStayInRegistrationOrderThroughManyAttachesAndDetaches)
{
    constexpr int N = 600;
    std::vector<int> log;
    std::vector<OrderUser> users(N);
    for (int i = 0; i < N; ++i) {
        users[size_t(i)].Id = i;
        users[size_t(i)].Log = &log;
    }
    TQvDoubleVector v;
    std::vector<int> model;
    std::mt19937 rng(7);
    for (int batch = 0; batch < 40; ++batch) {
        const int ops = 1 + int(rng() % 400);
        for (int k = 0; k < ops; ++k) {
            const int id = int(rng() % N);
            const bool attach = rng() % 3 != 0;
            if (attach) {
                v.RegisterUser(&users[size_t(id)]);
                if (std::find(model.begin(), model.end(), id) == model.end())
                    model.push_back(id);
            } else {
                v.UnregisterUser(&users[size_t(id)]);
                model.erase(std::remove(model.begin(), model.end(), id), model.end());
            }
        }
        v.UnregisterUser(nullptr);
        v.RegisterUser(nullptr);
        log.clear();
        v.Add(double(batch));
        ASSERT_EQ(log, model) << "batch " << batch;
        ASSERT_EQ(v.RelatedSeries().size(), qsizetype(model.size()));
        for (size_t i = 0; i < model.size(); ++i)
            ASSERT_EQ(v.RelatedSeries()[qsizetype(i)], &users[size_t(model[i])]) << "batch " << batch << " at " << i;
    }
}

// Users that detach themselves, detach another or attach a new user while being told: the round
// in progress tells the users registered when it began, the next round the ones registered then.
TEST(DoubleVector, UsersChangingTheListWhileBeingTold)
{
    std::vector<int> log;
    std::vector<OrderUser> users(5);
    for (int i = 0; i < 5; ++i) {
        users[size_t(i)].Id = i;
        users[size_t(i)].Log = &log;
    }
    TQvDoubleVector v;
    for (int i = 0; i < 4; ++i)
        v.RegisterUser(&users[size_t(i)]);
    users[1].OnTold = [&] { v.UnregisterUser(&users[1]); };
    users[2].OnTold = [&] { v.UnregisterUser(&users[0]); v.RegisterUser(&users[4]); v.RegisterUser(&users[0]); };
    v.Add(1);
    EXPECT_EQ(log, (std::vector<int>{0, 1, 2, 3}));
    for (OrderUser& u : users)
        u.OnTold = nullptr;
    log.clear();
    v.Add(2);
    EXPECT_EQ(log, (std::vector<int>{2, 3, 4, 0}));
}

TEST(DoubleVector, AddRangeAndInternalArray)
{
    TQvDoubleVector v;
    const float f[] = {1.5f, 2.5f};
    const int32_t n[] = {7, -3};
    const double d[] = {0.25};
    v.AddRange(f, 2);
    v.AddRange(n, 2);
    v.AddRange(d, 1);
    v.AddRange({1e300L});
    EXPECT_EQ(v.Values(), (QList<double>{1.5, 2.5, 7, -3, 0.25, 1e300}));
    EXPECT_EQ(v.MinimumIdx(), 3);
    v.SetInternalArray({3, 4});
    EXPECT_EQ(v.Count(), 2);
    EXPECT_EQ(v.InternalArray()[1], 4);
    EXPECT_EQ(v.Minimum(), 3);
    EXPECT_TRUE(v.OnlyAscending());
}

TEST(DoubleVector, LentStorage)
{
    auto block = std::make_shared<std::vector<double>>(10, -1.0);
    std::weak_ptr<std::vector<double>> alive = block;
    {
        TQvDoubleVector v;
        v.AddRange({1.0L, 2.0L, 3.0L});
        // Too small for the values held: refused, nothing changes.
        EXPECT_FALSE(v.UseStorage(block->data(), 2, block));
        EXPECT_TRUE(v.UseStorage(block->data(), 6, block));
        EXPECT_EQ(v.InternalArray(), block->data());
        EXPECT_EQ(v.Values(), (QList<double>{1, 2, 3}));
        // Appends fill the lent storage in place, the statistics follow.
        v.AddRange({4.0L, -5.0L, 6.0L});
        EXPECT_EQ(v.InternalArray(), block->data());
        EXPECT_EQ((*block)[4], -5);
        EXPECT_EQ((*block)[6], -1); // beyond the part lent
        EXPECT_EQ(v.Minimum(), -5);
        // Clearing keeps the storage; growing beyond it moves the values out.
        v.Clear();
        v.AddRange({7.0L, 8.0L});
        EXPECT_EQ(v.InternalArray(), block->data());
        v.AddRange({9.0L, 10.0L, 11.0L, 12.0L, 13.0L});
        EXPECT_NE(v.InternalArray(), block->data());
        EXPECT_EQ(v.Values(), (QList<double>{7, 8, 9, 10, 11, 12, 13}));
        EXPECT_EQ((*block)[6], -1);
        block.reset();
        EXPECT_TRUE(alive.expired()); // released when the vector moved out
    }
    // A vector that still uses the block keeps it alive until it is destroyed.
    block = std::make_shared<std::vector<double>>(4, 0.0);
    alive = block;
    {
        TQvDoubleVector v;
        v.UseStorage(block->data(), 4, block);
        v.Add(2.5);
        block.reset();
        EXPECT_FALSE(alive.expired());
        EXPECT_EQ(v.GetValue(0), 2.5);
    }
    EXPECT_TRUE(alive.expired());
}

TEST(DoubleVector, PersistenceRoundTrips)
{
    QTemporaryDir dir;
    for (const char* form : {"stream", "file", "xml", "ini"}) {
        SCOPED_TRACE(form);
        TQvDoubleVector a;
        a.SetIncrement(256);
        a.AddRange({1.0L, -2.5L, 1e-300L, 4.0L});
        a.AddOutlier(1);
        TQvDoubleVector b;
        b.Add(99);
        const QString form_(QString::fromLatin1(form));
        if (form_ == "stream") {
            QBuffer buf;
            buf.open(QIODevice::ReadWrite);
            a.WriteTo(static_cast<QIODevice&>(buf));
            buf.seek(0);
            b.ReadFrom(static_cast<QIODevice&>(buf));
        } else if (form_ == "file") {
            a.WriteTo(dir.filePath("v.bin"));
            b.ReadFrom(dir.filePath("v.bin"));
        } else if (form_ == "xml") {
            QString text;
            QXmlStreamWriter w(&text);
            a.WriteTo(w);
            QXmlStreamReader r(text);
            b.ReadFrom(r);
        } else {
            QSettings ini(dir.filePath("v.ini"), QSettings::IniFormat);
            a.WriteTo(ini, "Vector");
            b.ReadFrom(ini, "Vector");
        }
        EXPECT_EQ(b.Values(), a.Values());
        EXPECT_EQ(b.Increment(), 256);
        EXPECT_TRUE(b.IsOutlier(1));
        EXPECT_EQ(b.Minimum(), 1e-300);
        EXPECT_EQ(b.Sum(), a.Sum());
    }
}

TEST(DoubleVector, DamagedStreamIsRejected)
{
    TQvDoubleVector a;
    a.AddRange({1.0L, 2.0L});
    QBuffer buf;
    buf.open(QIODevice::ReadWrite);
    a.WriteTo(static_cast<QIODevice&>(buf));
    buf.buffer().chop(6);
    buf.seek(0);
    TQvDoubleVector b;
    EXPECT_THROW(b.ReadFrom(static_cast<QIODevice&>(buf)), EQvVectorError);
    EXPECT_EQ(b.Count(), 0);
}

TEST(Indexer, FollowsItsReferenceVector)
{
    TQvIndexer ix;
    EXPECT_EQ(ix.Count(), 0);
    EXPECT_EQ(ix.Maximum(), 0);
    EXPECT_EQ(ix.MaximumIdx(), -1);
    EXPECT_EQ(ix.GetValue(3), 0);
    {
        TQvDoubleVector v;
        ix.SetRefVector(&v);
        EXPECT_EQ(ix.MaximumIdx(), -1);
        v.AddRange({9.0L, 8.0L, 7.0L, 6.0L, 5.0L});
        EXPECT_EQ(ix.Count(), 5);
        for (int i = 0; i < 5; ++i)
            EXPECT_EQ(ix.GetValue(i), i);
        EXPECT_EQ(ix.Maximum(), 4);
        EXPECT_EQ(ix.MaximumIdx(), 4);
        EXPECT_EQ(ix.MinimumIdx(), 0);
        EXPECT_EQ(ix.Sum(), 10);
        EXPECT_TRUE(ix.OnlyAscending());
        EXPECT_EQ(RangeMessage([&] { ix.GetValue(5); }), "i=5 index out of range");
    }
    EXPECT_EQ(ix.Count(), 0);  // the reference vector is gone
    try {
        ix.Add(1);
        FAIL();
    } catch (const EQvVectorError& e) {
        EXPECT_STREQ(e.what(), "TQvIndexer is not supposed to set values!");
    }
}

TEST(PlainVectors, CountCapacityAndDelete)
{
    TQvIntegerVector iv;
    EXPECT_EQ(iv.Capacity(), 128);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(iv.Add(i * 10), i + 1);
    iv.Delete(1);
    iv.Delete(99);
    EXPECT_EQ(iv.Count(), 4);
    EXPECT_EQ(iv.GetValue(1), 20);
    iv.SetCount(2);  // shrinks storage and count exactly
    EXPECT_EQ(iv.Count(), 2);
    EXPECT_EQ(iv.Capacity(), 2);
    EXPECT_EQ(RangeMessage([&] { iv.GetValue(2); }), "i=2 index out of range");
    iv.SetValue(4, 7);
    EXPECT_EQ(iv.Count(), 5);
    EXPECT_EQ(iv.Capacity(), 130);  // grows by the increment

    TQvSingleVector sv(10);
    EXPECT_EQ(sv.Increment(), 10);
    EXPECT_EQ(sv.Capacity(), 10);
    sv.SetCapacity(10);  // only grows when larger
    EXPECT_EQ(sv.Capacity(), 10);
    sv.SetCapacity(11);
    EXPECT_EQ(sv.Capacity(), 11);

    TQvPointVector pv;
    pv.SetCount(3);
    pv.SetCount(1);  // never shrinks
    EXPECT_EQ(pv.Count(), 3);
    pv.SetX(1, 2.5f);
    pv.SetY(1, -1.f);
    pv.Add(4.f, 5.f);
    EXPECT_EQ(pv.GetX(1), 2.5f);
    EXPECT_EQ(pv.GetY(3), 5.f);
    auto e = pv.GetEnumerator();
    int n = 0;
    while (e->MoveNext())
        ++n;
    EXPECT_EQ(n, 4);

    TQvBooleanVector bv;
    bv.Add(true);
    bv.Clear();
    EXPECT_EQ(bv.Count(), 0);
    EXPECT_EQ(bv.Capacity(), 128);
}

// ---- indices, counts and stored records beyond what memory or the record holds ---------------

namespace {

// What a test can see of a vector: values, settings and outliers.
struct Snapshot
{
    QList<double> Values;
    int Increment, Capacity;
    std::vector<int> Outliers;
    explicit Snapshot(const TQvDoubleVector& v)
        : Values(v.Values()), Increment(v.Increment()), Capacity(v.Capacity())
    {
        for (int k = 0; k < v.Outliers().Count(); ++k)
            Outliers.push_back(v.Outliers().GetValue(k));
    }
    bool operator==(const Snapshot&) const = default;
};

void Prepare(TQvDoubleVector& v)
{
    v.SetIncrement(200);
    v.AddRange({5.0L, 6.0L, 7.0L});
    v.AddOutlier(2);
}

QByteArray StreamRecord(const TQvDoubleVector& v)
{
    QBuffer buf;
    buf.open(QIODevice::WriteOnly);
    v.WriteTo(static_cast<QIODevice&>(buf));
    return buf.data();
}

// Peak resident memory of this process in MB.
long PeakMB()
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong() / 1024;
    return 0;
}

// A stream record by hand: name, increment, capacity, database flag, count, values, outlier
// flag, outlier count and indices, end mark.
QByteArray HandRecord(qint32 Increment, qint32 Capacity, qint32 Count, int ValuesPresent, quint8 AnyOutliers = 0,
                      qint32 OutlierCount = 0, std::vector<qint32> Outliers = {}, quint8 End = 0)
{
    QByteArray b;
    QDataStream s(&b, QIODevice::WriteOnly);
    s.setByteOrder(QDataStream::LittleEndian);
    s << qint32(1);
    s.writeRawData("v", 1);
    s << Increment << Capacity << quint8(0) << Count;
    for (int i = 0; i < ValuesPresent; ++i)
        s << double(i);
    s << AnyOutliers;
    if (AnyOutliers) {
        s << OutlierCount;
        for (qint32 o : Outliers)
            s << o;
    }
    s << End;
    return b;
}

} // namespace

// Indices that no vector can hold are refused at once with the index error, and the vector is
// as it was (INT_MAX used to write out of bounds, INT_MAX - 1 to loop for ever while growing).
TEST(DoubleVector, IndicesBeyondTheLargestVectorAreRefusedAtOnce)
{
    const int huge[] = {INT_MAX, INT_MAX - 1, INT_MAX - 127, QvMaxVectorCount, QvMaxVectorCount + 1};
    for (int i : huge) {
        SCOPED_TRACE(i);
        TQvDoubleVector v;
        Prepare(v);
        const Snapshot before(v);
        EXPECT_EQ(RangeMessage([&] { v.SetValue(i, 1); }), "i=" + std::to_string(i) + " index out of range");
        EXPECT_EQ(RangeMessage([&] { v.Insert(i, 1); }), "i=" + std::to_string(i) + " index out of range");
        EXPECT_THROW(v.SetCapacity(i + (i < INT_MAX)), EQvVectorError);
        EXPECT_TRUE(Snapshot(v) == before);
        // Plain vectors alike.
        TQvIntegerVector iv;
        iv.Add(4);
        EXPECT_THROW(iv.SetValue(i, 1), EQvListError);
        EXPECT_THROW(iv.SetCount(i + (i < INT_MAX)), EQvListError);
        TQvPointVector pv;
        EXPECT_THROW(pv.SetX(i, 1), EQvListError);
        EXPECT_THROW(pv.SetCount(i + (i < INT_MAX)), EQvListError);
        TQvSingleVector sv;
        EXPECT_THROW(sv.SetCapacity(i + (i < INT_MAX)), EQvListError);
        EXPECT_EQ(iv.Count(), 1);
        EXPECT_EQ(pv.Count(), 0);
    }
    // Growth near the limit (where adding the increment used to overflow) stops at the limit.
    EXPECT_EQ(QvGrownCapacity(128, QvMaxVectorCount, 129), QvMaxVectorCount);
    EXPECT_EQ(QvGrownCapacity(QvMaxVectorCount - 10, 128, QvMaxVectorCount), QvMaxVectorCount);
    EXPECT_EQ(QvGrownCapacity(INT_MAX - 200, INT_MAX, INT_MAX - 100), QvMaxVectorCount);
}

// Stream records whose counts the stream does not back fail at once, without reserving storage
// for the announced count, and leave the vector unchanged; also on a sequential device, where
// the size is not known ahead.
TEST(DoubleVector, StreamCountsBeyondTheRecordFailAtOnce)
{
    struct Case
    {
        const char* Name;
        QByteArray Record;
    };
    const Case cases[] = {
        {"count INT32_MAX", HandRecord(128, 128, INT32_MAX, 3)},
        {"count 200 M", HandRecord(128, 128, 200'000'000, 3)},
        {"count negative", HandRecord(128, 128, -1, 0)},
        {"capacity INT32_MAX", HandRecord(128, INT32_MAX, 2, 2)},
        {"increment INT32_MAX", HandRecord(INT32_MAX, 128, 2, 2)},
        {"outlier count INT32_MAX", HandRecord(128, 128, 2, 2, 1, INT32_MAX, {0})},
        {"outlier beyond the values", HandRecord(128, 128, 2, 2, 1, 1, {2})},
        {"negative outlier", HandRecord(128, 128, 2, 2, 1, 1, {-1})},
        {"outlier twice", HandRecord(128, 128, 2, 2, 1, 2, {1, 1})},
        {"end mark missing", HandRecord(128, 128, 2, 2, 0, 0, {}, 7)},
    };
    const long peak = PeakMB();
    for (const Case& c : cases) {
        for (bool sequential : {false, true}) {
            SCOPED_TRACE(std::string(c.Name) + (sequential ? " sequential" : ""));
            TQvDoubleVector v;
            Prepare(v);
            const Snapshot before(v);
            QByteArray data = c.Record;
            QBuffer buf(&data);
            buf.open(QIODevice::ReadOnly);
            // A pipe-like device: reads what it has, does not know its size.
            struct Pipe : QIODevice
            {
                QBuffer* In;
                explicit Pipe(QBuffer* B) : In(B) { open(QIODevice::ReadOnly); }
                bool isSequential() const override { return true; }
                qint64 readData(char* d, qint64 n) override { return In->read(d, n); }
                qint64 writeData(const char*, qint64) override { return -1; }
            } pipe(&buf);
            QIODevice& dev = sequential ? static_cast<QIODevice&>(pipe) : static_cast<QIODevice&>(buf);
            try {
                v.ReadFrom(dev);
                ADD_FAILURE() << "accepted";
            } catch (const EQvVectorError& e) {
                EXPECT_TRUE(std::string(e.what()).rfind("Damaged vector stream: ", 0) == 0) << e.what();
            }
            EXPECT_TRUE(Snapshot(v) == before);
        }
    }
    // 200 M announced doubles would be 1.6 GB; nothing near that was taken.
    EXPECT_LT(PeakMB() - peak, 100);
}

// Every truncation of a valid record, in the stream and XML forms, is refused and changes
// nothing; so are records with text where numbers belong.
TEST(DoubleVector, TruncatedOrGarbledRecordsChangeNothing)
{
    TQvDoubleVector a;
    a.AddRange({1.5L, -2.0L, 3.25L, 4.0L});
    a.AddOutlier(3);
    a.AddOutlier(0);
    const QByteArray record = StreamRecord(a);
    for (qsizetype n = 0; n < record.size(); ++n) {
        SCOPED_TRACE(n);
        TQvDoubleVector v;
        Prepare(v);
        const Snapshot before(v);
        QByteArray part = record.left(n);
        QBuffer buf(&part);
        buf.open(QIODevice::ReadOnly);
        EXPECT_THROW(v.ReadFrom(static_cast<QIODevice&>(buf)), EQvVectorError);
        EXPECT_TRUE(Snapshot(v) == before);
    }

    QString xml;
    {
        QXmlStreamWriter w(&xml);
        a.WriteTo(w);
    }
    for (qsizetype n = 0; n < xml.size(); n += 3) {
        SCOPED_TRACE(n);
        TQvDoubleVector v;
        Prepare(v);
        const Snapshot before(v);
        QXmlStreamReader r(xml.left(n));
        EXPECT_THROW(v.ReadFrom(r), EQvVectorError);
        EXPECT_TRUE(Snapshot(v) == before);
    }
    const std::pair<const char*, const char*> edits[] = {
        {"<Item>-2</Item>", "<Item>minus two</Item>"},
        {"<Count>4</Count>", "<Count>5</Count>"},
        {"<Increment>128</Increment>", "<Increment>x</Increment>"},
        {"<Capacity>128</Capacity>", "<Capacity>2147483647</Capacity>"},
        {"<Item>0</Item></Outliers>", "<Item>4</Item></Outliers>"},
    };
    for (const auto& [from, to] : edits) {
        SCOPED_TRACE(to);
        QString bad = xml;
        ASSERT_TRUE(bad.contains(QLatin1String(from)));
        bad.replace(QLatin1String(from), QLatin1String(to));
        TQvDoubleVector v;
        Prepare(v);
        const Snapshot before(v);
        QXmlStreamReader r(bad);
        EXPECT_THROW(v.ReadFrom(r), EQvVectorError);
        EXPECT_TRUE(Snapshot(v) == before);
    }

    QTemporaryDir dir;
    const std::pair<const char*, const char*> iniEdits[] = {
        {"Values", "1 2 three"}, {"Values", "1,2"}, {"Outliers", "5"}, {"Outliers", "1  1"},
        {"Increment", "-5"},    {"Capacity", "2147483647"},
    };
    for (const auto& [key, value] : iniEdits) {
        SCOPED_TRACE(std::string(key) + "=" + value);
        const QString path = dir.filePath(QStringLiteral("v.ini"));
        QFile::remove(path);
        {
            QSettings ini(path, QSettings::IniFormat);
            a.WriteTo(ini, QStringLiteral("Vector"));
        }
        {
            // Edited as text, the way a damaged file would read.
            QFile f(path);
            ASSERT_TRUE(f.open(QIODevice::ReadOnly));
            QList<QByteArray> lines = f.readAll().split('\n');
            f.close();
            for (QByteArray& line : lines)
                if (line.startsWith(QByteArray(key) + '='))
                    line = QByteArray(key) + '=' + value;
            ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            f.write(lines.join('\n'));
        }
        QSettings ini(path, QSettings::IniFormat);
        TQvDoubleVector v;
        Prepare(v);
        const Snapshot before(v);
        EXPECT_THROW(v.ReadFrom(ini, QStringLiteral("Vector")), EQvVectorError);
        EXPECT_TRUE(Snapshot(v) == before);
    }
}

// Many outliers come back in their order, and the stored capacity reserves no more than the
// values read plus ReadReserve.
TEST(DoubleVector, LargeRecordsReadInOnePass)
{
    TQvDoubleVector a;
    std::vector<double> values(200'000);
    for (size_t i = 0; i < values.size(); ++i)
        values[i] = double(i % 1000);
    a.AddRange(values);
    for (int i = 0; i < 20'000; i += 2)
        a.AddOutlier(i);
    const QByteArray record = StreamRecord(a);
    TQvDoubleVector b;
    QBuffer buf;
    buf.setData(record);
    buf.open(QIODevice::ReadOnly);
    b.ReadFrom(static_cast<QIODevice&>(buf));
    EXPECT_EQ(b.Count(), 200'000);
    EXPECT_EQ(b.Outliers().Count(), 10'000);
    EXPECT_EQ(b.Outliers().GetValue(9'999), 19'998);
    EXPECT_FALSE(b.IsOutlier(19'999));
    EXPECT_EQ(b.SumIncludingOutliers(), a.SumIncludingOutliers());
    EXPECT_EQ(b.Sum(), a.Sum());

    QByteArray reserve = HandRecord(128, QvMaxVectorCount, 2, 2);
    QBuffer rb(&reserve);
    rb.open(QIODevice::ReadOnly);
    TQvDoubleVector c;
    c.ReadFrom(static_cast<QIODevice&>(rb));
    EXPECT_EQ(c.Count(), 2);
    EXPECT_EQ(c.Capacity(), 2 + TQvDoubleVector::ReadReserve);
}
