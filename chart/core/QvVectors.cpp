#include "QvVectors.h"

#include "QvPersistence.h"

#include <QDataStream>
#include <QFile>
#include <QSaveFile>
#include <QtEndian>
#include <QSettings>
#include <QStringList>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <algorithm>
#include <cstring>
#include <string>

void EQvListError::RangeError(int Index)
{
    throw EQvListError("i=" + std::to_string(Index) + " index out of range");
}

// ---------------------------------------------------------------------------------------------
// Plain vectors
// ---------------------------------------------------------------------------------------------

int TQvIntegerVector::IndexOf(int32_t V) const
{
    for (int i = 0; i < FCount; ++i)
        if (FArray[static_cast<size_t>(i)] == V)
            return i;
    return -1;
}

void TQvPointVector::SetX(int i, float X)
{
    if (i < 0 || i >= QvMaxVectorCount)
        EQvListError::RangeError(i);
    EnsureCount(i + 1);
    FArray[static_cast<size_t>(i)].X = X;
}

void TQvPointVector::SetY(int i, float Y)
{
    if (i < 0 || i >= QvMaxVectorCount)
        EQvListError::RangeError(i);
    EnsureCount(i + 1);
    FArray[static_cast<size_t>(i)].Y = Y;
}

// ---------------------------------------------------------------------------------------------
// TQvCustomDoubleVector
// ---------------------------------------------------------------------------------------------

TQvCustomDoubleVector::TQvCustomDoubleVector(QObject* AOwner)
    : TQvComponent(AOwner), FOutliers(std::make_unique<TQvIntegerVector>())
{
    // The capacity is there from the start; the storage is allocated with the first value (an
    // indexer, and the vectors of steps that are never shown, need none).
    FCapacity = FIncrement;
}

TQvCustomDoubleVector::~TQvCustomDoubleVector()
{
    const QList<TQvVectorUser*> users = FRelatedSeries;
    FRelatedSeries.clear();
    for (TQvVectorUser* u : users)
        u->VectorDestroyed(this);
    if (!FStorageKeeper)
        std::free(FArray);
}

namespace {

[[noreturn]] void NoMemory(int64_t Slots)
{
    throw EQvVectorError("Not enough memory for a vector of " + std::to_string(Slots) + " values");
}

} // namespace

void TQvCustomDoubleVector::ReallocStorage(int NewCapacity)
{
    if (NewCapacity < 0)
        NewCapacity = 0;
    if (NewCapacity > QvMaxVectorCount)
        EQvListError::RangeError(NewCapacity - 1);
    if (FStorageKeeper) {
        // Lent storage: used as long as it holds NewCapacity, never shrunk.
        if (NewCapacity > FAllocated) {
            const int alloc = std::max<int64_t>(NewCapacity, std::min<int64_t>(int64_t(FAllocated) * 2, QvMaxVectorCount));
            void* p = std::malloc(sizeof(double) * static_cast<size_t>(alloc));
            if (!p)
                NoMemory(alloc);
            std::memcpy(p, FArray, sizeof(double) * static_cast<size_t>(FHighWater));
            FArray = static_cast<double*>(p);
            FAllocated = alloc;
            FStorageKeeper.reset();
        }
        FCapacity = NewCapacity;
        FHighWater = std::min(FHighWater, NewCapacity);
        return;
    }
    // The reported capacity grows linearly in increment steps, but the allocation grows
    // geometrically so that millions of appends do not copy the storage over and over.
    if (NewCapacity > FAllocated || NewCapacity < FAllocated / 4) {
        int alloc = NewCapacity;
        if (NewCapacity > FAllocated)
            alloc = std::max<int64_t>(NewCapacity, std::min<int64_t>(int64_t(FAllocated) * 2, QvMaxVectorCount));
        void* p = std::realloc(FArray, sizeof(double) * static_cast<size_t>(std::max(alloc, 1)));
        if (!p)
            NoMemory(alloc);
        FArray = static_cast<double*>(p);
        FAllocated = alloc;
    }
    FCapacity = NewCapacity;
    FHighWater = std::min(FHighWater, NewCapacity);
}

void TQvCustomDoubleVector::EnsureCount(int n, bool Overwritten)
{
    if (n > QvMaxVectorCount)
        EQvListError::RangeError(n - 1);
    if (n >= FCapacity)
        ReallocStorage(QvGrownCapacity(FCapacity, FIncrement, n));
    else if (n > FAllocated)
        ReallocStorage(FCapacity);
    if (n > FCount) {
        // Slots never written read as zero; the caller writes slot n - 1 itself.
        if (!Overwritten && n - 1 > FHighWater)
            std::memset(FArray + FHighWater, 0, sizeof(double) * static_cast<size_t>(n - 1 - FHighWater));
        if (n > FHighWater)
            FHighWater = n;
        FCount = n;
    }
}

bool TQvCustomDoubleVector::UseStorage(double* Storage, int Slots, std::shared_ptr<void> Keeper)
{
    if (!Storage || !Keeper || Slots < FCount)
        return false;
    const int keep = std::min(FHighWater, Slots);
    if (keep > 0)
        std::memcpy(Storage, FArray, sizeof(double) * static_cast<size_t>(keep));
    if (!FStorageKeeper)
        std::free(FArray);
    FArray = Storage;
    FAllocated = Slots;
    FCapacity = Slots;
    FHighWater = keep;
    FStorageKeeper = std::move(Keeper);
    return true;
}

void TQvCustomDoubleVector::SetCapacity(int Value)
{
    if (Value > QvMaxVectorCount)
        throw EQvVectorError("Capacity " + std::to_string(Value) + " is beyond the largest vector ("
                             + std::to_string(QvMaxVectorCount) + " values)");
    if (Value > FCount && Value != FCapacity)
        ReallocStorage(Value);
}

void TQvCustomDoubleVector::SetIncrement(int Value)
{
    if (Value >= 128)
        FIncrement = Value;
}

double TQvCustomDoubleVector::GetValue(int i) const
{
    if (i < 0 || i >= Count())
        EQvListError::RangeError(i);
    return FArray[i];
}

void TQvCustomDoubleVector::SetValue(int i, double n)
{
    if (i < 0 || i >= QvMaxVectorCount)
        EQvListError::RangeError(i);
    const int oldCount = FCount;
    if (i < oldCount) {
        const double old = FArray[i];
        if (old == n)
            return;
        bool reset = true;
        if (i >= FLastCount) {
            reset = false;  // not yet part of the statistics
        } else if (!FAnyOutliers && FOnlyAscending && i != FMinimumIncludingOutliersIdx
                   && i != FMaximumIncludingOutliersIdx && n > FMinimum && n < FMaximum
                   && (i == 0 || FArray[i - 1] < n) && (i + 1 >= FLastCount || n < FArray[i + 1])) {
            // Stays strictly inside the range and keeps the order: adjust the sums in place.
            FSumIncludingOutliers += n - old;
            FSum = FSumIncludingOutliers;
            reset = false;
        }
        FArray[i] = n;
        if (reset)
            StatisticsChanged();
        else
            NotifyPointsChanged(i);
        return;
    }
    EnsureCount(i + 1);
    FArray[i] = n;
    NotifyPointsChanged(i);
}

int TQvCustomDoubleVector::Insert(int Idx, double n)
{
    const int oldCount = Count();
    if (Idx < 0 || Idx > oldCount)
        EQvListError::RangeError(Idx);
    if (Idx == oldCount)
        return Add(n);
    if (oldCount >= QvMaxVectorCount)
        EQvListError::RangeError(oldCount);

    for (int k = 0; k < FOutliers->Count(); ++k) {
        const int o = FOutliers->GetValue(k);
        if (o >= Idx)
            FOutliers->SetValue(k, o + 1);
    }
    EnsureCount(oldCount + 1);
    std::memmove(FArray + Idx + 1, FArray + Idx, sizeof(double) * static_cast<size_t>(oldCount - Idx));
    FArray[Idx] = n;

    if (Idx < FLastCount) {
        if (FLastCount == oldCount && !FAnyOutliers) {
            // All values were folded in and none is an outlier: fold the new one in place.
            auto shift = [Idx](int& x) { if (x >= Idx) ++x; };
            shift(FMinimumIdx);
            shift(FMaximumIdx);
            if (n < FMinimum || (n == FMinimum && Idx < FMinimumIdx)) {
                FMinimum = n;
                FMinimumIdx = Idx;
            }
            if (n > FMaximum || (n == FMaximum && Idx < FMaximumIdx)) {
                FMaximum = n;
                FMaximumIdx = Idx;
            }
            if (FOnlyAscending && !((Idx == 0 || FArray[Idx - 1] < n) && n < FArray[Idx + 1]))
                FOnlyAscending = false;
            FSum += n;
            FMinimumIncludingOutliers = FMinimum;
            FMaximumIncludingOutliers = FMaximum;
            FMinimumIncludingOutliersIdx = FMinimumIdx;
            FMaximumIncludingOutliersIdx = FMaximumIdx;
            FSumIncludingOutliers = FSum;
            FLastCount = FCount;
        } else {
            ResetStatistics();
        }
    }
    NotifyRangeReset();
    const QList<TQvVectorUser*> users = FRelatedSeries;
    for (TQvVectorUser* u : users)
        u->VectorValueInserted(this, Idx);
    return Count();
}

void TQvCustomDoubleVector::Delete(int Idx, bool WithLinkedMarkers)
{
    if (Idx < 0 || Idx >= Count())
        return;
    const double old = FArray[Idx];
    bool wasOutlier = false;
    for (int k = FOutliers->Count() - 1; k >= 0; --k) {
        const int o = FOutliers->GetValue(k);
        if (o == Idx) {
            FOutliers->Delete(k);
            wasOutlier = true;
        } else if (o > Idx) {
            FOutliers->SetValue(k, o - 1);
        }
    }
    const bool hadOutliers = FAnyOutliers;
    FAnyOutliers = FOutliers->Count() > 0;
    std::memmove(FArray + Idx, FArray + Idx + 1, sizeof(double) * static_cast<size_t>(FCount - Idx - 1));
    if (WithLinkedMarkers) {
        const QList<TQvVectorUser*> users = FRelatedSeries;
        for (TQvVectorUser* u : users)
            u->VectorValueDeleted(this, Idx);
    }
    --FCount;

    if (Idx < FLastCount) {
        // Removing a value from a strictly ascending run keeps it ascending; anything else
        // (an extreme, outliers, unordered data that may become ordered) is recomputed.
        if (hadOutliers || wasOutlier || !FOnlyAscending || Idx == FMinimumIncludingOutliersIdx
            || Idx == FMaximumIncludingOutliersIdx) {
            StatisticsChanged();
            return;
        }
        auto shift = [Idx](int& x) { if (x > Idx) --x; };
        shift(FMinimumIdx);
        shift(FMaximumIdx);
        FMinimumIncludingOutliersIdx = FMinimumIdx;
        FMaximumIncludingOutliersIdx = FMaximumIdx;
        FSum -= old;
        FSumIncludingOutliers = FSum;
        --FLastCount;
    }
    NotifyRangeReset();
}

void TQvCustomDoubleVector::Clear(bool WithLinkedMarkers)
{
    FCount = 0;
    FAnyOutliers = false;
    FOutliers->Clear();
    ResetStatistics();
    const QList<TQvVectorUser*> users = FRelatedSeries;
    for (TQvVectorUser* u : users)
        u->VectorCleared(this, WithLinkedMarkers);
}

void TQvCustomDoubleVector::ResetStatistics()
{
    FLastCount = 0;
    FMinimum = FMinimumIncludingOutliers = MaxDouble;
    FMaximum = FMaximumIncludingOutliers = -MaxDouble;
    FMinimumIdx = FMaximumIdx = FMinimumIncludingOutliersIdx = FMaximumIncludingOutliersIdx = -1;
    FSum = FSumIncludingOutliers = 0;
    FOnlyAscending = true;
}

void TQvCustomDoubleVector::StatisticsChanged()
{
    ResetStatistics();
    NotifyRangeReset();
}

void TQvCustomDoubleVector::NotifyRangeReset()
{
    if (FRelatedSeries.isEmpty())
        return;
    const QList<TQvVectorUser*> users = FRelatedSeries;
    for (TQvVectorUser* u : users)
        u->VectorRangeReset(this);
}

void TQvCustomDoubleVector::NotifyPointsChanged(int FromIndex)
{
    if (FRelatedSeries.isEmpty())
        return;
    const QList<TQvVectorUser*> users = FRelatedSeries;
    for (TQvVectorUser* u : users)
        u->VectorPointsChanged(this, FromIndex);
}

void TQvCustomDoubleVector::RegisterUser(TQvVectorUser* User)
{
    FRelatedSeries.append(User);
}

void TQvCustomDoubleVector::UnregisterUser(TQvVectorUser* User)
{
    FRelatedSeries.removeAll(User);
}

void TQvCustomDoubleVector::FoldIn(int From, int To)
{
    if (From >= To)
        return;
    if (!FAnyOutliers) {
        double mn = FMinimum, mx = FMaximum, s = FSum;
        int mni = FMinimumIdx, mxi = FMaximumIdx;
        bool asc = FOnlyAscending;
        const double* a = FArray;
        double prev = From > 0 ? a[From - 1] : 0;
        int i = From;
        if (i == 0) {
            const double v = a[0];
            if (v < mn) { mn = v; mni = 0; }
            if (v > mx) { mx = v; mxi = 0; }
            s += v;
            prev = v;
            i = 1;
        }
        for (; i < To; ++i) {
            const double v = a[i];
            if (v < mn) { mn = v; mni = i; }
            if (v > mx) { mx = v; mxi = i; }
            asc = asc && (v > prev);
            s += v;
            prev = v;
        }
        FMinimum = FMinimumIncludingOutliers = mn;
        FMaximum = FMaximumIncludingOutliers = mx;
        FMinimumIdx = FMinimumIncludingOutliersIdx = mni;
        FMaximumIdx = FMaximumIncludingOutliersIdx = mxi;
        FSum = FSumIncludingOutliers = s;
        FOnlyAscending = asc;
        return;
    }

    std::vector<char> outlier(static_cast<size_t>(To), 0);
    for (int k = 0; k < FOutliers->Count(); ++k) {
        const int o = FOutliers->GetValue(k);
        if (o >= 0 && o < To)
            outlier[static_cast<size_t>(o)] = 1;
    }
    // The previous non-outlier before From, for the ascending test.
    int prevIdx = -1;
    for (int j = From - 1; j >= 0; --j)
        if (!outlier[static_cast<size_t>(j)]) {
            prevIdx = j;
            break;
        }
    for (int i = From; i < To; ++i) {
        const double v = FArray[i];
        if (v < FMinimumIncludingOutliers) { FMinimumIncludingOutliers = v; FMinimumIncludingOutliersIdx = i; }
        if (v > FMaximumIncludingOutliers) { FMaximumIncludingOutliers = v; FMaximumIncludingOutliersIdx = i; }
        FSumIncludingOutliers += v;
        if (outlier[static_cast<size_t>(i)])
            continue;
        if (v < FMinimum) { FMinimum = v; FMinimumIdx = i; }
        if (v > FMaximum) { FMaximum = v; FMaximumIdx = i; }
        if (prevIdx >= 0 && !(v > FArray[prevIdx]))
            FOnlyAscending = false;
        FSum += v;
        prevIdx = i;
    }
}

void TQvCustomDoubleVector::UpdateStatistics()
{
    if (FLastCount < FCount) {
        FoldIn(FLastCount, FCount);
        FLastCount = FCount;
    }
}

#define QV_STAT_GETTER(Type, Name, Field) \
    Type TQvCustomDoubleVector::Name()     \
    {                                      \
        if (IsChanged())                   \
            UpdateStatistics();            \
        return Field;                      \
    }

QV_STAT_GETTER(double, Minimum, FMinimum)
QV_STAT_GETTER(double, Maximum, FMaximum)
QV_STAT_GETTER(double, MinimumIncludingOutliers, FMinimumIncludingOutliers)
QV_STAT_GETTER(double, MaximumIncludingOutliers, FMaximumIncludingOutliers)
QV_STAT_GETTER(int, MinimumIdx, FMinimumIdx)
QV_STAT_GETTER(int, MaximumIdx, FMaximumIdx)
QV_STAT_GETTER(int, MinimumIdxIncludingOutliers, FMinimumIncludingOutliersIdx)
QV_STAT_GETTER(int, MaximumIdxIncludingOutliers, FMaximumIncludingOutliersIdx)
QV_STAT_GETTER(bool, OnlyAscending, FOnlyAscending)
QV_STAT_GETTER(double, Sum, FSum)
QV_STAT_GETTER(double, SumIncludingOutliers, FSumIncludingOutliers)

#undef QV_STAT_GETTER

bool TQvCustomDoubleVector::IsOutlier(int Idx) const
{
    if (!FAnyOutliers)
        return false;
    return FOutliers->IndexOf(Idx) >= 0;
}

void TQvCustomDoubleVector::AddOutlier(int Idx)
{
    if (IsOutlier(Idx))
        return;
    FOutliers->Add(Idx);
    FAnyOutliers = true;
    StatisticsChanged();
}

void TQvCustomDoubleVector::RemoveOutlier(int Idx)
{
    const int k = FOutliers->IndexOf(Idx);
    if (k >= 0)
        FOutliers->Delete(k);
    FAnyOutliers = FOutliers->Count() > 0;
    StatisticsChanged();
}

void TQvCustomDoubleVector::SetOutlier(int i, bool Value)
{
    if (Value == IsOutlier(i))
        return;
    if (Value)
        AddOutlier(i);
    else
        RemoveOutlier(i);
}

void TQvCustomDoubleVector::ClearOutlieres()
{
    if (!FAnyOutliers)
        return;
    FOutliers->Clear();
    FAnyOutliers = false;
    StatisticsChanged();
}

// ---------------------------------------------------------------------------------------------
// TQvDoubleVector
// ---------------------------------------------------------------------------------------------

TQvDoubleVector::TQvDoubleVector(QObject* AOwner) : TQvCustomDoubleVector(AOwner) {}

TQvDoubleVector::~TQvDoubleVector() = default;

void TQvDoubleVector::SetInternalArray(const std::vector<double>& Values)
{
    if (Values.size() > size_t(QvMaxVectorCount))
        EQvListError::RangeError(QvMaxVectorCount);
    const int n = static_cast<int>(Values.size());
    FCount = 0;
    ReallocStorage(n);
    if (n > 0)
        std::memcpy(FArray, Values.data(), sizeof(double) * static_cast<size_t>(n));
    FCount = n;
    FHighWater = n;
    StatisticsChanged();
}

QList<double> TQvDoubleVector::Values() const
{
    QList<double> out;
    out.reserve(FCount);
    for (int i = 0; i < FCount; ++i)
        out.append(FArray[i]);
    return out;
}

void TQvDoubleVector::SetValues(const QList<double>& Values)
{
    if (Values.size() > QvMaxVectorCount)
        EQvListError::RangeError(QvMaxVectorCount);
    FCount = 0;
    AddRangeT(Values.constData(), static_cast<int>(Values.size()));
    ResetStatistics();
}

template <class T>
void TQvDoubleVector::AddRangeT(const T* Values, int N)
{
    if (N > QvMaxVectorCount - FCount)
        EQvListError::RangeError(QvMaxVectorCount);
    if (N > 0) {
        const int from = FCount;
        EnsureCount(from + N, true);
        for (int k = 0; k < N; ++k)
            FArray[from + k] = static_cast<double>(Values[k]);
    }
    // The values already folded in stay valid; the new ones are folded in at the next query.
    NotifyRangeReset();
}

void TQvDoubleVector::AddRange(std::initializer_list<long double> Values)
{
    AddRangeT(Values.begin(), static_cast<int>(Values.size()));
}
void TQvDoubleVector::AddRange(const double* Values, int N) { AddRangeT(Values, N); }
void TQvDoubleVector::AddRange(const float* Values, int N) { AddRangeT(Values, N); }
void TQvDoubleVector::AddRange(const int32_t* Values, int N) { AddRangeT(Values, N); }

// ---- stored records -----------------------------------------------------------------------------

// A record taken apart and checked, ready to be applied.
struct TQvDoubleVector::TRecord
{
    int Increment = 128;
    int Capacity = 128;
    std::vector<double> Values;
    std::vector<int> Outliers;
};

namespace {

[[noreturn]] void Damaged(const std::string& Form, const std::string& What)
{
    throw EQvVectorError("Damaged vector " + Form + ": " + What);
}

[[noreturn]] void Damaged(const std::string& Form, const char* Lead, const char* What)
{
    std::string Message(Lead);
    Message += What;
    Damaged(Form, Message);
}

// The longest name or field text a stream record may hold.
constexpr qint32 MaxRecordString = 1 << 20;
// Values and indices are read in blocks of this many, so a count that the stream does not back
// costs no more than one block.
constexpr int ReadBlock = 1 << 15;

void WriteString(QDataStream& s, const QString& Text)
{
    const QByteArray utf8 = Text.toUtf8();
    s << static_cast<qint32>(utf8.size());
    s.writeRawData(utf8.constData(), static_cast<int>(utf8.size()));
}

QString JoinNumbers(const QList<double>& Values)
{
    QStringList parts;
    for (double v : Values)
        parts << QString::number(v, 'g', 17);
    return parts.join(QLatin1Char(' '));
}

// Reads the stream form field by field; every shortfall raises at once.
class TStreamReader
{
public:
    explicit TStreamReader(QDataStream& S) : s(S) {}

    qint32 Int(const char* What)
    {
        qint32 v = 0;
        s >> v;
        Check(What);
        return v;
    }
    quint8 Byte(const char* What)
    {
        quint8 v = 0;
        s >> v;
        Check(What);
        return v;
    }
    QString String(const char* What)
    {
        const qint32 len = Int(What);
        if (len < 0 || len > MaxRecordString)
            Damaged("stream", std::string(What) + " has the impossible length " + std::to_string(len));
        QByteArray utf8;
        while (utf8.size() < len) {
            const int chunk = std::min<int>(len - int(utf8.size()), ReadBlock);
            const qsizetype at = utf8.size();
            utf8.resize(at + chunk);
            if (s.readRawData(utf8.data() + at, chunk) != chunk)
                Damaged("stream", "it ends inside ", What);
        }
        return QString::fromUtf8(utf8);
    }
    // N little-endian 8-byte doubles (or 4-byte ints) into Out.
    template <class T>
    void Numbers(int N, std::vector<T>& Out, const char* What)
    {
        static_assert(sizeof(T) == 8 || sizeof(T) == 4);
        // A device that knows its size tells at once whether the values are there.
        QIODevice* d = s.device();
        if (d && !d->isSequential() && d->bytesAvailable() < int64_t(N) * int64_t(sizeof(T)))
            Damaged("stream", std::to_string(N) + " " + What + " announced, the stream holds fewer");
        Out.clear();
        Out.reserve(size_t(std::min(N, ReadBlock)));
        std::vector<char> block(size_t(std::min(N, ReadBlock)) * sizeof(T));
        char* buf = block.data();
        for (int done = 0; done < N;) {
            const int n = std::min(N - done, ReadBlock);
            const int bytes = n * int(sizeof(T));
            if (s.readRawData(buf, bytes) != bytes)
                Damaged("stream", std::to_string(N) + " " + What + " announced, the stream ends after fewer");
            for (int k = 0; k < n; ++k) {
                if constexpr (sizeof(T) == 8) {
                    const quint64 u = qFromLittleEndian<quint64>(buf + k * 8);
                    double v;
                    std::memcpy(&v, &u, 8);
                    Out.push_back(v);
                } else {
                    Out.push_back(qFromLittleEndian<qint32>(buf + k * 4));
                }
            }
            done += n;
        }
    }

private:
    void Check(const char* What)
    {
        if (s.status() != QDataStream::Ok)
            Damaged("stream", "it ends before ", What);
    }
    QDataStream& s;
};

// The checks shared by the three forms.
void CheckSettings(const std::string& Form, int64_t Increment, int64_t Capacity)
{
    if (Increment < 0 || Increment > QvMaxVectorCount)
        Damaged(Form, "increment " + std::to_string(Increment) + " is out of range");
    if (Capacity < 0 || Capacity > QvMaxVectorCount)
        Damaged(Form, "capacity " + std::to_string(Capacity) + " is out of range");
}

// Outlier indices must name distinct stored values.
void CheckOutliers(const std::string& Form, const std::vector<int>& Outliers, size_t Count)
{
    std::vector<bool> seen(Outliers.empty() ? 0 : Count, false);
    for (int o : Outliers) {
        if (o < 0 || size_t(o) >= Count)
            Damaged(Form, "outlier index " + std::to_string(o) + " is not one of the " + std::to_string(Count)
                              + " values");
        if (seen[size_t(o)])
            Damaged(Form, "outlier index " + std::to_string(o) + " appears twice");
        seen[size_t(o)] = true;
    }
}

int ToInt(const std::string& Form, const char* Key, const QString& Text)
{
    bool ok = false;
    const int v = Text.trimmed().toInt(&ok);
    if (!ok)
        Damaged(Form, std::string(Key) + " \"" + Text.left(40).toStdString() + "\" is not a whole number");
    return v;
}

double ToDouble(const std::string& Form, const char* Key, QStringView Text)
{
    bool ok = false;
    const double v = Text.trimmed().toDouble(&ok);
    if (!ok)
        Damaged(Form, std::string(Key) + " \"" + Text.left(40).toString().toStdString() + "\" is not a number");
    return v;
}

} // namespace

void TQvDoubleVector::Apply(const TRecord& R)
{
    Clear(true);
    SetIncrement(R.Increment);
    const int n = int(R.Values.size());
    const int cap = int(std::min<int64_t>(R.Capacity, int64_t(n) + ReadReserve));
    if (cap > 0)
        SetCapacity(cap);
    AddRange(R.Values);
    if (!R.Outliers.empty()) {
        for (int o : R.Outliers)
            FOutliers->Add(o);
        FAnyOutliers = true;
    }
    StatisticsChanged();
}

void TQvDoubleVector::WriteTo(QIODevice& Stream) const
{
    QDataStream s(&Stream);
    s.setByteOrder(QDataStream::LittleEndian);
    s.setFloatingPointPrecision(QDataStream::DoublePrecision);
    WriteString(s, QvFullName(this));
    s << static_cast<qint32>(FIncrement) << static_cast<qint32>(FCapacity);
    s << static_cast<quint8>(FDBData ? 1 : 0);
    s << static_cast<qint32>(FCount);
    for (int i = 0; i < FCount; ++i)
        s << FArray[i];
    s << static_cast<quint8>(FAnyOutliers ? 1 : 0);
    if (FAnyOutliers) {
        s << static_cast<qint32>(FOutliers->Count());
        for (int k = 0; k < FOutliers->Count(); ++k)
            s << static_cast<qint32>(FOutliers->GetValue(k));
    }
    s << static_cast<quint8>(0);
    if (s.status() != QDataStream::Ok)
        throw EQvVectorError("Cannot write the vector");
}

void TQvDoubleVector::ReadFrom(QIODevice& Stream)
{
    QDataStream s(&Stream);
    s.setByteOrder(QDataStream::LittleEndian);
    TStreamReader in(s);
    TRecord r;
    in.String("the name");   // the name it was written under
    r.Increment = in.Int("the increment");
    r.Capacity = in.Int("the capacity");
    CheckSettings("stream", r.Increment, r.Capacity);
    const quint8 db = in.Byte("the database flag");
    if (db > 1)
        Damaged("stream", "database flag " + std::to_string(db));
    if (db) {
        // No database binding here: the source and field names are skipped.
        in.String("the data source");
        in.String("the data field");
    } else {
        const qint32 count = in.Int("the count");
        if (count < 0 || count > QvMaxVectorCount)
            Damaged("stream", "count " + std::to_string(count) + " is out of range");
        in.Numbers(count, r.Values, "values");
    }
    const quint8 any = in.Byte("the outlier flag");
    if (any > 1)
        Damaged("stream", "outlier flag " + std::to_string(any));
    if (any) {
        const qint32 n = in.Int("the outlier count");
        if (n < 1 || size_t(n) > r.Values.size())
            Damaged("stream", "outlier count " + std::to_string(n) + " for " + std::to_string(r.Values.size())
                                  + " values");
        in.Numbers(n, r.Outliers, "outlier indices");
        CheckOutliers("stream", r.Outliers, r.Values.size());
    }
    if (in.Byte("the end mark") != 0)
        Damaged("stream", "the end mark is missing");
    Apply(r);
}

void TQvDoubleVector::WriteTo(const QString& FileName) const
{
    // Written beside the target and renamed over it: a failed write leaves the old file whole.
    QSaveFile f(FileName);
    if (!f.open(QIODevice::WriteOnly))
        throw EQvVectorError("Cannot create file " + FileName.toStdString() + ": " + f.errorString().toStdString());
    WriteTo(static_cast<QIODevice&>(f));
    if (!f.commit())
        throw EQvVectorError("Cannot write file " + FileName.toStdString() + ": " + f.errorString().toStdString());
}

void TQvDoubleVector::ReadFrom(const QString& FileName)
{
    QFile f(FileName);
    if (!f.open(QIODevice::ReadOnly))
        throw EQvVectorError("Cannot open file " + FileName.toStdString() + ": " + f.errorString().toStdString());
    try {
        ReadFrom(static_cast<QIODevice&>(f));
    } catch (const EQvVectorError& e) {
        throw EQvVectorError(FileName.toStdString() + ": " + e.what());
    }
}

void TQvDoubleVector::WriteTo(QXmlStreamWriter& Xml) const
{
    Xml.writeStartElement(QStringLiteral("TQvDoubleVector"));
    Xml.writeTextElement(QStringLiteral("Name"), QvFullName(this));
    Xml.writeTextElement(QStringLiteral("Increment"), QString::number(FIncrement));
    Xml.writeTextElement(QStringLiteral("Capacity"), QString::number(FCapacity));
    Xml.writeStartElement(QStringLiteral("Values"));
    Xml.writeTextElement(QStringLiteral("Count"), QString::number(FCount));
    for (int i = 0; i < FCount; ++i)
        Xml.writeTextElement(QStringLiteral("Item"), QString::number(FArray[i], 'g', 17));
    Xml.writeEndElement();
    Xml.writeStartElement(QStringLiteral("Outliers"));
    Xml.writeTextElement(QStringLiteral("Count"), QString::number(FOutliers->Count()));
    for (int k = 0; k < FOutliers->Count(); ++k)
        Xml.writeTextElement(QStringLiteral("Item"), QString::number(FOutliers->GetValue(k)));
    Xml.writeEndElement();
    Xml.writeEndElement();
}

void TQvDoubleVector::ReadFrom(QXmlStreamReader& Xml)
{
    const std::string form = "XML";
    // Positioned anywhere before or at the "TQvDoubleVector" element.
    while (!(Xml.isStartElement() && Xml.name() == QLatin1String("TQvDoubleVector"))) {
        if (Xml.atEnd() || Xml.hasError())
            Damaged(form, Xml.hasError() ? Xml.errorString().toStdString() : "no TQvDoubleVector element");
        Xml.readNext();
    }
    TRecord r;
    int64_t valuesCount = -1, outliersCount = -1;
    bool anyValues = false, anyOutliers = false;
    while (Xml.readNextStartElement()) {
        const QStringView name = Xml.name();
        if (name == QLatin1String("Increment")) {
            r.Increment = ToInt(form, "Increment", Xml.readElementText());
        } else if (name == QLatin1String("Capacity")) {
            r.Capacity = ToInt(form, "Capacity", Xml.readElementText());
        } else if (name == QLatin1String("Values") || name == QLatin1String("Outliers")) {
            const bool isValues = name == QLatin1String("Values");
            if (isValues ? anyValues : anyOutliers)
                Damaged(form, isValues ? "two Values elements" : "two Outliers elements");
            (isValues ? anyValues : anyOutliers) = true;
            while (Xml.readNextStartElement()) {
                if (Xml.name() == QLatin1String("Item")) {
                    const QString t = Xml.readElementText();
                    if (isValues) {
                        if (r.Values.size() >= size_t(QvMaxVectorCount))
                            Damaged(form, "too many values");
                        r.Values.push_back(ToDouble(form, "Item", t));
                    } else {
                        if (r.Outliers.size() >= size_t(QvMaxVectorCount))
                            Damaged(form, "too many outliers");
                        r.Outliers.push_back(ToInt(form, "Outlier", t));
                    }
                } else if (Xml.name() == QLatin1String("Count")) {
                    (isValues ? valuesCount : outliersCount) = ToInt(form, "Count", Xml.readElementText());
                } else {
                    Xml.skipCurrentElement();
                }
            }
        } else {
            Xml.skipCurrentElement();
        }
    }
    if (Xml.hasError())
        Damaged(form, Xml.errorString().toStdString());
    CheckSettings(form, r.Increment, r.Capacity);
    if (valuesCount >= 0 && size_t(valuesCount) != r.Values.size())
        Damaged(form, "Count " + std::to_string(valuesCount) + " but " + std::to_string(r.Values.size()) + " values");
    if (outliersCount >= 0 && size_t(outliersCount) != r.Outliers.size())
        Damaged(form, "outlier Count " + std::to_string(outliersCount) + " but " + std::to_string(r.Outliers.size())
                          + " outliers");
    CheckOutliers(form, r.Outliers, r.Values.size());
    Apply(r);
}

void TQvDoubleVector::WriteTo(QSettings& Ini, const QString& Section) const
{
    Ini.beginGroup(Section);
    Ini.setValue(QStringLiteral("Name"), QvFullName(this));
    Ini.setValue(QStringLiteral("Increment"), FIncrement);
    Ini.setValue(QStringLiteral("Capacity"), FCapacity);
    Ini.setValue(QStringLiteral("FromDatabase"), FDBData);
    Ini.setValue(QStringLiteral("Values"), FCount == 0 ? QStringLiteral("None") : JoinNumbers(Values()));
    QStringList out;
    for (int k = 0; k < FOutliers->Count(); ++k)
        out << QString::number(FOutliers->GetValue(k));
    Ini.setValue(QStringLiteral("Outliers"), out.isEmpty() ? QStringLiteral("None") : out.join(QLatin1Char(' ')));
    Ini.endGroup();
}

void TQvDoubleVector::ReadFrom(QSettings& Ini, const QString& Section)
{
    const std::string form = "INI section " + Section.toStdString();
    try {
        QvCheckIniSection(Ini, Section);
    } catch (const EQvPersistenceError& e) {
        throw EQvVectorError(e.what());
    }
    TRecord r;
    Ini.beginGroup(Section);
    const QVariant inc = Ini.value(QStringLiteral("Increment"), 128);
    const QVariant cap = Ini.value(QStringLiteral("Capacity"), 128);
    const QVariant values = Ini.value(QStringLiteral("Values"), QStringLiteral("None"));
    const QVariant outliers = Ini.value(QStringLiteral("Outliers"), QStringLiteral("None"));
    Ini.endGroup();
    // Text keys only: a list (a value with commas) or a binary value is not what is written.
    auto text = [&](const QVariant& V, const char* Key) {
        if (V.typeId() != QMetaType::QString && V.typeId() != QMetaType::Int)
            Damaged(form, std::string(Key) + " is not a text");
        return V.toString();
    };
    r.Increment = ToInt(form, "Increment", text(inc, "Increment"));
    r.Capacity = ToInt(form, "Capacity", text(cap, "Capacity"));
    CheckSettings(form, r.Increment, r.Capacity);
    const QString v = text(values, "Values");
    if (v != QLatin1String("None")) {
        for (QStringView t : QStringView(v).split(QLatin1Char(' '), Qt::SkipEmptyParts))
            r.Values.push_back(ToDouble(form, "Value", t));
        if (r.Values.size() > size_t(QvMaxVectorCount))
            Damaged(form, "too many values");
    }
    const QString o = text(outliers, "Outliers");
    if (o != QLatin1String("None"))
        for (QStringView t : QStringView(o).split(QLatin1Char(' '), Qt::SkipEmptyParts))
            r.Outliers.push_back(ToInt(form, "Outlier", t.toString()));
    CheckOutliers(form, r.Outliers, r.Values.size());
    Apply(r);
}

// ---------------------------------------------------------------------------------------------
// TQvIndexer
// ---------------------------------------------------------------------------------------------

TQvIndexer::TQvIndexer(QObject* AOwner) : TQvCustomDoubleVector(AOwner) {}

TQvIndexer::~TQvIndexer() = default;

void TQvIndexer::SetRefVector(TQvCustomDoubleVector* Value)
{
    FRefVector = Value;
}

int TQvIndexer::Count() const
{
    return FRefVector ? FRefVector->Count() : 0;
}

double TQvIndexer::Maximum()
{
    return std::max(Count() - 1, 0);
}

int TQvIndexer::MinimumIdx()
{
    return Count() > 0 ? 0 : -1;
}

int TQvIndexer::MaximumIdx()
{
    return Count() > 0 ? Count() - 1 : -1;
}

double TQvIndexer::Sum()
{
    const int n = Count();
    return n > 0 ? (n - 1) / 2.0 * n : 0.0;
}

double TQvIndexer::GetValue(int i) const
{
    if (!FRefVector)
        return 0;
    if (i < 0 || i >= Count())
        EQvListError::RangeError(i);
    return i;
}

void TQvIndexer::SetValue(int, double)
{
    throw EQvVectorError("TQvIndexer is not supposed to set values!");
}

bool TQvIndexer::IsChanged() const
{
    return FRefVector ? FRefVector->IsChanged() : false;
}
