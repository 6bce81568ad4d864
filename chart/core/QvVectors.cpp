#include "QvVectors.h"

#include <QDataStream>
#include <QFile>
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
    if (i < 0)
        EQvListError::RangeError(i);
    EnsureCount(i + 1);
    FArray[static_cast<size_t>(i)].X = X;
}

void TQvPointVector::SetY(int i, float Y)
{
    if (i < 0)
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
    ReallocStorage(FIncrement);
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

void TQvCustomDoubleVector::ReallocStorage(int NewCapacity)
{
    if (NewCapacity < 0)
        NewCapacity = 0;
    if (FStorageKeeper) {
        // Lent storage: used as long as it holds NewCapacity, never shrunk.
        if (NewCapacity > FAllocated) {
            const int alloc = std::max<int64_t>(NewCapacity, std::min<int64_t>(int64_t(FAllocated) * 2, INT32_MAX));
            void* p = std::malloc(sizeof(double) * static_cast<size_t>(alloc));
            if (!p)
                throw std::bad_alloc();
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
            alloc = std::max<int64_t>(NewCapacity, std::min<int64_t>(int64_t(FAllocated) * 2, INT32_MAX));
        void* p = std::realloc(FArray, sizeof(double) * static_cast<size_t>(std::max(alloc, 1)));
        if (!p)
            throw std::bad_alloc();
        FArray = static_cast<double*>(p);
        FAllocated = alloc;
    }
    FCapacity = NewCapacity;
    FHighWater = std::min(FHighWater, NewCapacity);
}

void TQvCustomDoubleVector::EnsureCount(int n, bool Overwritten)
{
    if (n >= FCapacity) {
        int cap = FCapacity;
        while (cap < n)
            cap += FIncrement;
        ReallocStorage(cap);
    }
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
    if (i < 0)
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
    if (User && !FRelatedSeries.contains(User))
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
    FCount = 0;
    AddRangeT(Values.constData(), static_cast<int>(Values.size()));
    ResetStatistics();
}

template <class T>
void TQvDoubleVector::AddRangeT(const T* Values, int N)
{
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

namespace {

void WriteString(QDataStream& s, const QString& Text)
{
    const QByteArray utf8 = Text.toUtf8();
    s << static_cast<qint32>(utf8.size());
    s.writeRawData(utf8.constData(), static_cast<int>(utf8.size()));
}

QString ReadString(QDataStream& s)
{
    qint32 len = 0;
    s >> len;
    if (len < 0 || len > (1 << 24)) {
        s.setStatus(QDataStream::ReadCorruptData);
        return {};
    }
    QByteArray utf8(len, Qt::Uninitialized);
    if (s.readRawData(utf8.data(), len) != len)
        s.setStatus(QDataStream::ReadPastEnd);
    return QString::fromUtf8(utf8);
}

QString JoinNumbers(const QList<double>& Values)
{
    QStringList parts;
    for (double v : Values)
        parts << QString::number(v, 'g', 17);
    return parts.join(QLatin1Char(' '));
}

} // namespace

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
}

void TQvDoubleVector::ReadFrom(QIODevice& Stream)
{
    QDataStream s(&Stream);
    s.setByteOrder(QDataStream::LittleEndian);
    s.setFloatingPointPrecision(QDataStream::DoublePrecision);
    Clear(true);
    ReadString(s);  // the name it was written under
    qint32 inc = 0, cap = 0, count = 0;
    quint8 db = 0;
    s >> inc >> cap >> db;
    SetIncrement(inc);
    SetCapacity(cap);
    if (db) {
        // No database binding here: the source and field names are skipped.
        ReadString(s);
        ReadString(s);
    } else {
        s >> count;
        if (count < 0 || s.status() != QDataStream::Ok)
            throw EQvVectorError("Invalid vector stream");
        EnsureCount(count);
        for (int i = 0; i < count; ++i)
            s >> FArray[i];
    }
    quint8 any = 0;
    s >> any;
    if (any) {
        qint32 n = 0;
        s >> n;
        for (int k = 0; k < n && s.status() == QDataStream::Ok; ++k) {
            qint32 idx = 0;
            s >> idx;
            AddOutlier(idx);
        }
    }
    quint8 end = 0;
    s >> end;
    if (s.status() != QDataStream::Ok) {
        Clear(true);
        throw EQvVectorError("Invalid vector stream");
    }
    StatisticsChanged();
}

void TQvDoubleVector::WriteTo(const QString& FileName) const
{
    QFile f(FileName);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw EQvVectorError("Cannot create file " + FileName.toStdString());
    WriteTo(static_cast<QIODevice&>(f));
}

void TQvDoubleVector::ReadFrom(const QString& FileName)
{
    QFile f(FileName);
    if (!f.open(QIODevice::ReadOnly))
        throw EQvVectorError("Cannot open file " + FileName.toStdString());
    ReadFrom(static_cast<QIODevice&>(f));
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
    // Positioned anywhere before or at the "TQvDoubleVector" element.
    while (!(Xml.isStartElement() && Xml.name() == QLatin1String("TQvDoubleVector"))) {
        if (Xml.atEnd())
            return;
        Xml.readNext();
    }
    Clear(true);
    std::vector<double> values;
    std::vector<int> outliers;
    while (Xml.readNextStartElement()) {
        const QStringView name = Xml.name();
        if (name == QLatin1String("Increment")) {
            SetIncrement(Xml.readElementText().toInt());
        } else if (name == QLatin1String("Capacity")) {
            SetCapacity(Xml.readElementText().toInt());
        } else if (name == QLatin1String("Values") || name == QLatin1String("Outliers")) {
            const bool isValues = name == QLatin1String("Values");
            while (Xml.readNextStartElement()) {
                if (Xml.name() == QLatin1String("Item")) {
                    const QString t = Xml.readElementText();
                    if (isValues)
                        values.push_back(t.toDouble());
                    else
                        outliers.push_back(t.toInt());
                } else {
                    Xml.skipCurrentElement();
                }
            }
        } else {
            Xml.skipCurrentElement();
        }
    }
    AddRange(values);
    for (int o : outliers)
        AddOutlier(o);
    StatisticsChanged();
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
    Ini.beginGroup(Section);
    Clear(true);
    SetIncrement(Ini.value(QStringLiteral("Increment"), 128).toInt());
    SetCapacity(Ini.value(QStringLiteral("Capacity"), 128).toInt());
    const QString values = Ini.value(QStringLiteral("Values"), QStringLiteral("None")).toString();
    std::vector<double> v;
    if (values != QLatin1String("None"))
        for (const QString& t : values.split(QLatin1Char(' '), Qt::SkipEmptyParts))
            v.push_back(t.toDouble());
    AddRange(v);
    const QString outliers = Ini.value(QStringLiteral("Outliers"), QStringLiteral("None")).toString();
    if (outliers != QLatin1String("None"))
        for (const QString& t : outliers.split(QLatin1Char(' '), Qt::SkipEmptyParts))
            AddOutlier(t.toInt());
    Ini.endGroup();
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
