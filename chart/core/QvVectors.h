#pragma once
// Numeric vectors of the chart library.
//
// TQvDoubleVector holds the data of every series. A series never owns its vectors: it registers
// itself with the vector (RegisterUser) and the vector tells every registered user about changes
// through the TQvVectorUser interface below. The double vector caches its minimum, maximum,
// their indices, its sum and whether it is strictly ascending; the cache is filled lazily and,
// for appended values, incrementally (only the values appended since the last query are read).
//
// The plain vectors (integer, boolean, single, point) are small growable arrays without owner,
// statistics or users; the series use them for screen points and index maps.

#include "QvComponent.h"
#include "QvIndexedList.h"

#include <QList>
#include <QPointF>
#include <QPointer>
#include <QString>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <vector>

class QIODevice;
class QSettings;
class QXmlStreamReader;
class QXmlStreamWriter;
class TQvCustomDoubleVector;

// The vectors' index error; what() is "i=<index> index out of range".
class EQvListError : public std::out_of_range
{
public:
    explicit EQvListError(const std::string& Msg) : std::out_of_range(Msg) {}
    // Throws "i=%d index out of range" with Index formatted in.
    [[noreturn]] static void RangeError(int Index);
};

// Any other error raised by a vector (e.g. writing through an indexer, a capacity beyond the
// largest vector, storage that cannot be had, a damaged stored record).
class EQvVectorError : public std::runtime_error
{
public:
    explicit EQvVectorError(const std::string& Msg) : std::runtime_error(Msg) {}
};

// The most elements any vector holds (2 GiB of doubles). Counts are 32-bit; keeping well below
// INT32_MAX means that i + 1 and capacity growth can never overflow, and an index beyond this
// is refused at once instead of asking for storage the machine does not have.
constexpr int QvMaxVectorCount = (1 << 28) - 1;

// Capacity that holds n when growing from Capacity in steps of Increment, never beyond
// QvMaxVectorCount (n itself must not exceed it).
inline int QvGrownCapacity(int Capacity, int Increment, int n)
{
    if (n <= Capacity)
        return Capacity;
    const int64_t step = std::max(Increment, 1);
    const int64_t steps = (int64_t(n) - Capacity + step - 1) / step;
    return int(std::min<int64_t>(Capacity + steps * step, QvMaxVectorCount));
}

// ---------------------------------------------------------------------------------------------
// TQvVectorUser: what a double vector calls on the objects that read it (series, and any other
// chart object that wants to hear about data changes). Implement it, then call
// Vector->RegisterUser(this) when taking the vector and Vector->UnregisterUser(this) when
// letting it go. The vector calls its users in registration order. A user that is not a series
// simply refreshes itself in every callback.
//
// The vector does not own its users, and users do not own the vector. When the vector is
// destroyed it calls VectorDestroyed on every user that is still registered (the user must then
// forget its pointer; it need not unregister).
// ---------------------------------------------------------------------------------------------
class TQvVectorUser
{
public:
    virtual ~TQvVectorUser() = default;

    // The cached statistics were reset (values changed in a way that may move the range, or
    // outliers changed): a series restarts its range scan from index 0 (its LastCount is lowered
    // to 0).
    virtual void VectorRangeReset(TQvCustomDoubleVector* Vector) = 0;

    // Values were stored without invalidating the statistics; this includes appended values
    // (Add, SetValue at Count). FromIndex is the index of the first changed or appended value.
    // A function series restarts its range scan; any other series marks its screen points stale
    // (PointsModified). Appended values are found by comparing the vector's Count with what the
    // series has already scanned.
    virtual void VectorPointsChanged(TQvCustomDoubleVector* Vector, int FromIndex) = 0;

    // The vector was emptied by Clear(WithLinkedMarkers). A series whose YData is Vector frees
    // its linked markers when WithLinkedMarkers; then every series calls RangesModified.
    virtual void VectorCleared(TQvCustomDoubleVector* Vector, bool WithLinkedMarkers) = 0;

    // A value was inserted at Idx (the values from Idx on moved up by one). A series whose YData
    // is Vector moves its linked markers (ValueInsertedLinkedMarkers(Idx)).
    virtual void VectorValueInserted(TQvCustomDoubleVector* Vector, int Idx) = 0;

    // The value at Idx was deleted. Called before Count drops, and only when WithLinkedMarkers:
    // a series whose YData is Vector calls DeleteLinkedMarkers(Idx). The range reset follows
    // through VectorRangeReset.
    virtual void VectorValueDeleted(TQvCustomDoubleVector* Vector, int Idx) = 0;

    // The vector is being destroyed: forget it (do not call it back).
    virtual void VectorDestroyed(TQvCustomDoubleVector* Vector) = 0;
};

// ---------------------------------------------------------------------------------------------
// Plain vectors: no owner, no statistics, no users.
// ---------------------------------------------------------------------------------------------
template <class T>
class TQvPlainVector
{
public:
    using value_type = T;

    TQvPlainVector() : TQvPlainVector(0) {}
    // Increment = NewCount when NewCount > 0, else 128; the capacity is Increment slots, count 0.
    // The slots are allocated when the first element is stored: a series holds several of these
    // vectors, and a file of many steps holds many series that never get a point.
    explicit TQvPlainVector(int NewCount)
        : FIncrement(NewCount > 0 ? std::min(NewCount, QvMaxVectorCount) : 128)
    {
        FCapacity = FIncrement;
    }

    int Count() const { return FCount; }
    int Capacity() const { return FCapacity; }
    int Increment() const { return FIncrement; }
    void SetIncrement(int Value)
    {
        if (Value > 0)
            FIncrement = Value;
    }

    // Appends V and returns the new count.
    int Add(const T& V)
    {
        if (FCount >= FCapacity)
            Grow(FCount + 1);
        else if (size_t(FCount) >= FArray.size())
            FArray.resize(static_cast<size_t>(FCapacity));
        FArray[static_cast<size_t>(FCount)] = V;
        return ++FCount;
    }
    // Count becomes 0; the storage is kept.
    void Clear() { FCount = 0; }
    // Removes the element at Idx (those after it move down); indices at or beyond Count are
    // ignored.
    void Delete(int Idx)
    {
        if (Idx < 0 || Idx >= FCount)
            return;
        std::copy(FArray.begin() + Idx + 1, FArray.begin() + FCount, FArray.begin() + Idx);
        --FCount;
    }
    T GetValue(int i) const
    {
        if (i < 0 || i >= FCount)
            EQvListError::RangeError(i);
        return FArray[static_cast<size_t>(i)];
    }
    // Extends Count to i + 1 when needed (growing by the increment), then stores.
    void SetValue(int i, const T& V)
    {
        if (i < 0 || i >= QvMaxVectorCount)
            EQvListError::RangeError(i);
        EnsureCount(i + 1);
        FArray[static_cast<size_t>(i)] = V;
    }
    T operator[](int i) const { return GetValue(i); }

    // Grows the storage in steps of the increment until it holds n; Count becomes n when larger.
    // n beyond the largest vector raises the range error and changes nothing.
    void EnsureCount(int n)
    {
        if (n > QvMaxVectorCount)
            EQvListError::RangeError(n - 1);
        if (n >= FCapacity)
            Grow(n);
        else if (size_t(n) > FArray.size())
            FArray.resize(static_cast<size_t>(FCapacity));
        if (n > FCount)
            FCount = n;
    }

    // Unchecked access for hot loops (i < Count is the caller's business).
    const T* Data() const { return FArray.data(); }
    T* Data() { return FArray.data(); }
    const T* begin() const { return FArray.data(); }
    const T* end() const { return FArray.data() + FCount; }

    // Enumerator: FIndex starts at -1; MoveNext advances while FIndex < Count - 1.
    class TEnum
    {
    public:
        explicit TEnum(const TQvPlainVector* V) : FVector(V) {}
        bool MoveNext()
        {
            if (FIndex < FVector->Count() - 1) {
                ++FIndex;
                return true;
            }
            return false;
        }
        T Current() const { return FVector->GetValue(FIndex); }
    private:
        int FIndex = -1;
        const TQvPlainVector* FVector;
    };
    std::unique_ptr<TEnum> GetEnumerator() const { return std::make_unique<TEnum>(this); }

protected:
    // Storage and count become exactly n (may shrink).
    void ResizeExactly(int n)
    {
        if (n > QvMaxVectorCount)
            EQvListError::RangeError(n - 1);
        if (n < 0)
            n = 0;
        FArray.resize(static_cast<size_t>(n));
        FCapacity = n;
        FCount = n;
    }
    void SetCapacityTo(int n)
    {
        if (n > QvMaxVectorCount)
            EQvListError::RangeError(n - 1);
        FArray.resize(static_cast<size_t>(n));
        FCapacity = n;
        if (FCount > n)
            FCount = n;
    }
    // Linear growth of the reported capacity in increment steps; the underlying std::vector
    // reallocates geometrically, so long runs of appends stay amortised constant time.
    void Grow(int n)
    {
        const int cap = QvGrownCapacity(FCapacity, FIncrement, n);
        FArray.resize(static_cast<size_t>(cap));
        FCapacity = cap;
    }

    int FCount = 0;
    int FCapacity = 0;
    int FIncrement = 128;
    std::vector<T> FArray;
};

class TQvIntegerVector : public TQvPlainVector<int32_t>
{
public:
    using TQvPlainVector::TQvPlainVector;
    // Storage and count become exactly n (may shrink).
    void SetCount(int n) { ResizeExactly(n); }
    // Grows to n when n >= Capacity.
    void SetCapacity(int n)
    {
        if (n >= FCapacity)
            SetCapacityTo(n);
    }
    // Index of the first element equal to V, or -1.
    int IndexOf(int32_t V) const;
};

class TQvBooleanVector : public TQvPlainVector<bool>
{
public:
    using TQvPlainVector::TQvPlainVector;
    void SetCount(int n) { ResizeExactly(n); }
};

class TQvSingleVector : public TQvPlainVector<float>
{
public:
    using TQvPlainVector::TQvPlainVector;
    void SetCount(int n) { ResizeExactly(n); }
    // Grows to n when n > Capacity.
    void SetCapacity(int n)
    {
        if (n > FCapacity)
            SetCapacityTo(n);
    }
};

struct TQvFloatPoint
{
    float X = 0;
    float Y = 0;
    bool operator==(const TQvFloatPoint&) const = default;
    QPointF ToPointF() const { return QPointF(X, Y); }
};

class TQvPointVector : public TQvPlainVector<TQvFloatPoint>
{
public:
    using TQvPlainVector::TQvPlainVector;
    using TQvPointVectorEnum = TEnum;
    // Grows like EnsureCount (never shrinks).
    void SetCount(int n) { EnsureCount(n); }
    // Grows to n when n >= Capacity.
    void SetCapacity(int n)
    {
        if (n >= FCapacity)
            SetCapacityTo(n);
    }
    int Add(float X, float Y) { return TQvPlainVector::Add(TQvFloatPoint{X, Y}); }
    using TQvPlainVector::Add;
    float GetX(int i) const { return GetValue(i).X; }
    float GetY(int i) const { return GetValue(i).Y; }
    void SetX(int i, float X);
    void SetY(int i, float Y);
};

// ---------------------------------------------------------------------------------------------
// TQvCustomDoubleVector: base of the double vector and the indexer.
// ---------------------------------------------------------------------------------------------
class TQvCustomDoubleVector : public TQvComponent
{
    Q_OBJECT
    Q_PROPERTY(int Capacity READ Capacity WRITE SetCapacity)
    Q_PROPERTY(int Increment READ Increment WRITE SetIncrement)
    Q_PROPERTY(int Count READ Count STORED false)
    Q_PROPERTY(bool AnyOutliers READ AnyOutliers STORED false)
    Q_PROPERTY(double Minimum READ Minimum STORED false)
    Q_PROPERTY(double Maximum READ Maximum STORED false)
    Q_PROPERTY(double MinimumIncludingOutliers READ MinimumIncludingOutliers STORED false)
    Q_PROPERTY(double MaximumIncludingOutliers READ MaximumIncludingOutliers STORED false)
    Q_PROPERTY(int MinimumIdx READ MinimumIdx STORED false)
    Q_PROPERTY(int MaximumIdx READ MaximumIdx STORED false)
    Q_PROPERTY(int MinimumIdxIncludingOutliers READ MinimumIdxIncludingOutliers STORED false)
    Q_PROPERTY(int MaximumIdxIncludingOutliers READ MaximumIdxIncludingOutliers STORED false)
    Q_PROPERTY(bool OnlyAscending READ OnlyAscending STORED false)
    Q_PROPERTY(double Sum READ Sum STORED false)
    Q_PROPERTY(double SumIncludingOutliers READ SumIncludingOutliers STORED false)
public:
    // Increment 128, 128 slots, count 0, empty statistics, no outliers, no users.
    explicit TQvCustomDoubleVector(QObject* AOwner = nullptr);
    ~TQvCustomDoubleVector() override;

    // The largest finite double: the minimum of an empty vector (the maximum is its negative).
    static constexpr double MaxDouble = 1.7976931348623157e308;

    virtual int Count() const { return FCount; }
    virtual void UpdateStatistics();
    virtual double Minimum();
    virtual double Maximum();
    virtual double MinimumIncludingOutliers();
    virtual double MaximumIncludingOutliers();
    virtual int MinimumIdx();
    virtual int MaximumIdx();
    virtual int MinimumIdxIncludingOutliers();
    virtual int MaximumIdxIncludingOutliers();
    virtual bool OnlyAscending();
    virtual double Sum();
    virtual double SumIncludingOutliers();
    // Range error when i is negative or not below Count.
    virtual double GetValue(int i) const;
    // Stores n at i, extending Count to i + 1 when needed.
    virtual void SetValue(int i, double n);
    // True when values exist that the statistics have not yet seen.
    virtual bool IsChanged() const { return FLastCount < FCount; }

    double operator[](int i) const { return GetValue(i); }
    // Items: the indexed default property.
    double Items(int i) const { return GetValue(i); }
    void SetItems(int i, double n) { SetValue(i, n); }

    int Capacity() const { return FCapacity; }
    // Takes effect only when Value > Count and differs from the capacity. A capacity beyond
    // QvMaxVectorCount raises EQvVectorError and changes nothing.
    void SetCapacity(int Value);
    // Takes Slots values of storage lent from outside (one block shared by many vectors, such
    // as the views of all steps of a file, so that it can be mapped in huge pages); Keeper keeps
    // the block alive while the vector uses it. The values held are copied in; growing beyond
    // Slots moves them to storage of the vector's own. Refused (false) when Slots cannot hold
    // the values held.
    bool UseStorage(double* Storage, int Slots, std::shared_ptr<void> Keeper);
    int Increment() const { return FIncrement; }
    // Values below 128 are ignored.
    void SetIncrement(int Value);

    // Appends n; returns the new count.
    int Add(double n)
    {
        SetValue(Count(), n);
        return Count();
    }
    // Idx > Count: range error; Idx = Count: Add; else opens a slot at Idx and stores n there.
    int Insert(int Idx, double n);
    // Removes the value at Idx; ignored when Idx >= Count.
    void Delete(int Idx, bool WithLinkedMarkers = true);
    // Empties the vector; the storage is kept.
    void Clear(bool WithLinkedMarkers = true);

    // Outliers: stored and counted, but left out of the plain statistics.
    const TQvIntegerVector& Outliers() const { return *FOutliers; }
    bool AnyOutliers() const { return FAnyOutliers; }
    bool IsOutlier(int Idx) const;
    void AddOutlier(int Idx);
    void RemoveOutlier(int Idx);
    void SetOutlier(int i, bool Value);
    void ClearOutlieres();

    // Users (series and other chart objects reading this vector), in registration order.
    void RegisterUser(TQvVectorUser* User);
    void UnregisterUser(TQvVectorUser* User);
    const QList<TQvVectorUser*>& RelatedSeries() const { return FRelatedSeries.List(); }

    // Empty statistics state; the next getter recomputes everything.
    void ResetStatistics();
    // ResetStatistics, then NotifyRangeReset.
    void StatisticsChanged();
    void NotifyRangeReset();
    void NotifyPointsChanged(int FromIndex);

    // Enumerator: FIndex starts at -1; Current past the end raises the range error.
    class TQvCustomDoubleVectorEnum
    {
    public:
        explicit TQvCustomDoubleVectorEnum(const TQvCustomDoubleVector* V) : FVector(V) {}
        bool MoveNext()
        {
            if (FIndex < FVector->Count() - 1) {
                ++FIndex;
                return true;
            }
            return false;
        }
        double Current() const { return FVector->GetValue(FIndex); }
    private:
        int FIndex = -1;
        const TQvCustomDoubleVector* FVector;
    };
    std::unique_ptr<TQvCustomDoubleVectorEnum> GetEnumerator() const
    {
        return std::make_unique<TQvCustomDoubleVectorEnum>(this);
    }

protected:
    // Grows the storage (capacity in steps of the increment) to hold n; Count becomes n when
    // larger. Slots never written read as 0, unless Overwritten: the caller then writes every
    // slot from the old Count up to n itself, and clearing them first would be wasted.
    void EnsureCount(int n, bool Overwritten = false);
    void ReallocStorage(int NewCapacity);
    void FoldIn(int From, int To);

    int FCount = 0;
    int FCapacity = 0;
    int FIncrement = 128;
    int FLastCount = 0;
    int FMinimumIdx = -1;
    int FMaximumIdx = -1;
    int FMinimumIncludingOutliersIdx = -1;
    int FMaximumIncludingOutliersIdx = -1;
    double* FArray = nullptr;   // FCapacity logical slots; FAllocated physical
    int FAllocated = 0;
    int FHighWater = 0;         // slots [0, FHighWater) have been initialised
    std::shared_ptr<void> FStorageKeeper; // set while FArray is lent storage
    double FMinimum = MaxDouble;
    double FMaximum = -MaxDouble;
    double FMinimumIncludingOutliers = MaxDouble;
    double FMaximumIncludingOutliers = -MaxDouble;
    double FSum = 0;
    double FSumIncludingOutliers = 0;
    bool FOnlyAscending = true;
    bool FAnyOutliers = false;
    std::unique_ptr<TQvIntegerVector> FOutliers;
    TQvIndexedList<TQvVectorUser> FRelatedSeries;
};

// ---------------------------------------------------------------------------------------------
// TQvDoubleVector: the vector the application fills (create without owner, Clear, Add).
// ---------------------------------------------------------------------------------------------
class TQvDoubleVector : public TQvCustomDoubleVector
{
    Q_OBJECT
    Q_PROPERTY(bool PersistentValues READ PersistentValues WRITE SetPersistentValues)
    Q_PROPERTY(QList<double> Values READ Values WRITE SetValues)
public:
    explicit TQvDoubleVector(QObject* AOwner = nullptr);
    ~TQvDoubleVector() override;

    bool PersistentValues() const { return FPersistentValues; }
    void SetPersistentValues(bool Value) { FPersistentValues = Value; }
    // Whether the values are kept with the settings of what shows them (a graph's settings
    // record): with PersistentValues and at least one value.
    bool ValuesStored() const { return FPersistentValues && FCount > 0; }
    // No database binding in this library: always false.
    bool DBData() const { return FDBData; }

    // The storage itself (Count values readable).
    const double* InternalArray() const { return FArray; }
    // Adopts the given values: Count becomes their number, statistics reset.
    void SetInternalArray(const std::vector<double>& Values);

    // All values as a list (used by the undo stack's component state and by persistence).
    QList<double> Values() const;
    void SetValues(const QList<double>& Values);

    // Each grows the vector once, appends the values converted to double, then
    // StatisticsChanged.
    void AddRange(std::initializer_list<long double> Values);
    void AddRange(const double* Values, int N);
    void AddRange(const float* Values, int N);
    void AddRange(const int32_t* Values, int N);
    void AddRange(const std::vector<double>& Values) { AddRange(Values.data(), int(Values.size())); }

    // Stored records. Every reader takes the whole record apart and checks it before the vector
    // changes: a damaged, truncated or foreign record raises EQvVectorError (naming what is
    // wrong) and leaves the vector as it was. Reading costs time and memory in proportion to the
    // record: a count is never trusted for an allocation ahead of the values that back it. The
    // stored capacity is a reserve, restored up to the values read plus ReadReserve slots.
    static constexpr int ReadReserve = 1 << 20;

    // Stream form: qualified name, Increment, Capacity, DBData, values, outliers, a zero byte.
    void WriteTo(QIODevice& Stream) const;
    void ReadFrom(QIODevice& Stream);
    void WriteTo(const QString& FileName) const;
    void ReadFrom(const QString& FileName);
    // XML element "TQvDoubleVector".
    void WriteTo(QXmlStreamWriter& Xml) const;
    void ReadFrom(QXmlStreamReader& Xml);
    // Ini section.
    void WriteTo(QSettings& Ini, const QString& Section) const;
    void ReadFrom(QSettings& Ini, const QString& Section);

private:
    template <class T> void AddRangeT(const T* Values, int N);
    struct TRecord;
    // Replaces the vector's settings, values and outliers with a checked record.
    void Apply(const TRecord& R);

    bool FPersistentValues = false;
    bool FDBData = false;
    bool FUpdateDB = false;
    bool FSetting = false;
};

// ---------------------------------------------------------------------------------------------
// TQvIndexer: stands in for a missing x or y vector; value i is i, count is the reference
// vector's count.
// ---------------------------------------------------------------------------------------------
class TQvIndexer : public TQvCustomDoubleVector
{
    Q_OBJECT
public:
    explicit TQvIndexer(QObject* AOwner = nullptr);
    ~TQvIndexer() override;

    void SetRefVector(TQvCustomDoubleVector* Value);
    TQvCustomDoubleVector* RefVector() const { return FRefVector; }

    int Count() const override;
    void UpdateStatistics() override {}
    double Minimum() override { return 0; }
    double Maximum() override;
    double MinimumIncludingOutliers() override { return Minimum(); }
    double MaximumIncludingOutliers() override { return Maximum(); }
    int MinimumIdx() override;
    int MaximumIdx() override;
    int MinimumIdxIncludingOutliers() override { return MinimumIdx(); }
    int MaximumIdxIncludingOutliers() override { return MaximumIdx(); }
    bool OnlyAscending() override { return true; }
    double Sum() override;
    double SumIncludingOutliers() override { return Sum(); }
    double GetValue(int i) const override;
    // Raises "TQvIndexer is not supposed to set values!".
    void SetValue(int i, double n) override;
    bool IsChanged() const override;

private:
    QPointer<TQvCustomDoubleVector> FRefVector;
};
