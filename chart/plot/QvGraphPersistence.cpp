// Graph settings persistence and printing.
#include "QvAxis.h"
#include "QvGraph2D.h"
#include "QvPersistence.h"
#include "QvSeries.h"
#include "QvUndoStack.h"
#include "QvVectors.h"

#include <QPainter>
#include <QPaintDevice>

#include <algorithm>
#include <vector>

namespace {

const QString Kind = QStringLiteral("TQvGraph2D");

} // namespace

// ---- the four forms -----------------------------------------------------------------------------

void TQvCustomGraph::WriteTo(const QString& FileName, bool IncludeValues) const
{
    QvWriteMapFile(FileName, Kind, WriteSettings(IncludeValues));
}

void TQvCustomGraph::ReadFrom(const QString& FileName, bool IncludeValues)
{
    ReadSettings(QvReadMapFile(FileName, Kind), IncludeValues);
}

void TQvCustomGraph::WriteTo(QIODevice& Stream, bool IncludeValues) const
{
    QvWriteMap(Stream, Kind, WriteSettings(IncludeValues));
}

void TQvCustomGraph::ReadFrom(QIODevice& Stream, bool IncludeValues)
{
    ReadSettings(QvReadMap(Stream, Kind), IncludeValues);
}

void TQvCustomGraph::WriteTo(QXmlStreamWriter& Xml, bool IncludeValues) const
{
    QvWriteMap(Xml, Kind, WriteSettings(IncludeValues));
}

void TQvCustomGraph::ReadFrom(QXmlStreamReader& Xml, bool IncludeValues)
{
    ReadSettings(QvReadMap(Xml), IncludeValues);
}

void TQvCustomGraph::WriteTo(QSettings& Ini, const QString& Section, bool IncludeValues) const
{
    QvWriteMap(Ini, Section, WriteSettings(IncludeValues));
}

void TQvCustomGraph::ReadFrom(QSettings& Ini, const QString& Section, bool IncludeValues)
{
    ReadSettings(QvReadMap(Ini, Section), IncludeValues);
}

QVariantMap TQvCustomGraph::WriteSettings(bool) const
{
    QVariantMap M;
    M.insert(QStringLiteral("Graph"), QvWritePublished(this, &QWidget::staticMetaObject));
    return M;
}

void TQvCustomGraph::ReadSettings(const QVariantMap& M, bool)
{
    const bool Was = FLoading;
    FLoading = true;
    try {
        QvAsOneUndoStep(FUndoStack, QStringLiteral("Graph settings read"), [&] {
            QvReadPublished(this, M.value(QStringLiteral("Graph")).toMap(), {}, &QWidget::staticMetaObject);
        });
    } catch (...) {
        FLoading = Was;
        throw;
    }
    FLoading = Was;
    Modified();
}

// ---- TQvGraph2D: axes, series and values -------------------------------------------------------

QVariantMap TQvGraph2D::WriteSettings(bool IncludeValues) const
{
    QVariantMap M = TQvCustomGraph::WriteSettings(IncludeValues);
    QVariantMap Axes;
    for (const TQvAxis* A : AxisChildren())
        if (!A->objectName().isEmpty())
            Axes.insert(A->objectName(), QvWritePublished(A));
    M.insert(QStringLiteral("Axes"), Axes);
    QVariantMap Series, Values;
    for (const TQvSeries* S : RelatedSeries()) {
        if (S->objectName().isEmpty())
            continue;
        Series.insert(S->objectName(), S->WriteProperties());
        if (!IncludeValues)
            continue;
        for (const TQvCustomDoubleVector* V : {S->XData(), S->YData()}) {
            const auto* D = qobject_cast<const TQvDoubleVector*>(V);
            if (!D || D->objectName().isEmpty())
                continue;
            QStringList L;
            L.reserve(D->Count());
            for (int i = 0; i < D->Count(); ++i)
                L << QString::number(D->GetValue(i), 'g', 17);
            Values.insert(QvFullName(D), L);
        }
    }
    M.insert(QStringLiteral("Series"), Series);
    if (IncludeValues)
        M.insert(QStringLiteral("Values"), Values);
    return M;
}

void TQvGraph2D::ReadSettings(const QVariantMap& M, bool IncludeValues)
{
    // Values first (the series' ranges then follow them), checked whole before any is stored.
    std::vector<std::pair<TQvDoubleVector*, std::vector<double>>> NewValues;
    if (IncludeValues) {
        const QVariantMap Values = M.value(QStringLiteral("Values")).toMap();
        for (auto It = Values.constBegin(); It != Values.constEnd(); ++It) {
            auto* D = qobject_cast<TQvDoubleVector*>(QvFindComponent(It.key()));
            if (!D)
                continue;   // not in this program: nothing to fill
            std::vector<double> V;
            const QStringList L = It->toStringList();
            V.reserve(size_t(L.size()));
            for (const QString& T : L) {
                bool Ok = false;
                V.push_back(T.toDouble(&Ok));
                if (!Ok)
                    throw EQvPersistenceError("Invalid value \"" + T.toStdString() + "\" for " + It.key().toStdString());
            }
            NewValues.emplace_back(D, std::move(V));
        }
    }
    const bool Was = FLoading;
    FLoading = true;
    BeginUpdate();
    try {
        QvAsOneUndoStep(FUndoStack, QStringLiteral("Graph settings read"), [&] {
            // The axes exist before the graph's primary axes and the series refer to them.
            const QVariantMap Axes = M.value(QStringLiteral("Axes")).toMap();
            for (auto It = Axes.constBegin(); It != Axes.constEnd(); ++It) {
                TQvAxis* A = nullptr;
                for (TQvAxis* C : AxisChildren())
                    if (C->objectName() == It.key())
                        A = C;
                if (!A) {
                    A = new TQvAxis(this);
                    A->setObjectName(It.key());
                }
                A->ReadSettings(It->toMap(), true);
            }
            QvReadPublished(this, M.value(QStringLiteral("Graph")).toMap(), {}, &QWidget::staticMetaObject);
            for (auto& [D, V] : NewValues) {
                D->Clear();
                D->AddRange(V);
            }
            const QVariantMap Series = M.value(QStringLiteral("Series")).toMap();
            for (TQvSeries* S : RelatedSeries()) {
                const auto It = Series.constFind(S->objectName());
                if (It != Series.constEnd())
                    S->ReadProperties(It->toMap());
            }
        });
    } catch (...) {
        EndUpdate();
        FLoading = Was;
        throw;
    }
    EndUpdate();
    FLoading = Was;
    Modified();
}

// ---- printing -----------------------------------------------------------------------------------

void TQvCustomGraph::PrintTo(QPaintDevice* Device, const QRectF& Rect)
{
    if (!Device || Rect.isEmpty() || width() <= 0 || height() <= 0)
        return;
    const double Scale = std::min(Rect.width() / width(), Rect.height() / height());
    const QPointF Origin(Rect.x() + (Rect.width() - width() * Scale) / 2,
                         Rect.y() + (Rect.height() - height() * Scale) / 2);
    const bool Was = FDoingImage;
    FDoingImage = true;
    {
        QPainter P(Device);
        P.translate(Origin);
        P.scale(Scale, Scale);
        P.setClipRect(QRectF(0, 0, width(), height()));
        PaintGr(P);
    }
    FDoingImage = Was;
}
