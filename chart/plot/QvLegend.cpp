#include "QvLegend.h"

#include "QvGDI.h"
#include "QvPersistence.h"
#include "QvSeries.h"
#include "QvStyles.h"
#include "QvUndoStack.h"

#include <QMetaMethod>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

// -------------------------------------------------------------------------------------------------
// TQvCustomLegend

TQvCustomLegend::TQvCustomLegend(QObject* AOwner) : TQvGraphLegendBase(AOwner)
{
    auto repaint = [this] {
        if (FGraphLink)
            FGraphLink->Invalidate();
    };
    // The defaults are set while loading: building a legend records nothing to undo.
    FFrame = new TQvLineSettings(this, repaint, QStringLiteral("Frame"));
    FFrame->SetLoading(true);
    FFrame->SetColor(QvColors::WindowFrame);
    FFrame->SetLoading(false);
    FBackgroundGradient = new TQvGradientSettings(this, repaint, QStringLiteral("BackgroundGradient"));
    FFont = new TQvFont(this, QStringLiteral("Font"));
    FFont->SetLoading(true);
    FFont->SetName(QStringLiteral("Arial"));
    FFont->SetSize(9);
    FFont->SetLoading(false);
    FFont->SetUndoComment(QStringLiteral("Legend font"));
    FFont->SetNeedsResize([this] { Modified(); });
    FFont->SetNeedsInvalidate(repaint);
    FCaptionFont = new TQvFont(this, QStringLiteral("CaptionFont"));
    FCaptionFont->SetLoading(true);
    FCaptionFont->SetName(QStringLiteral("Arial"));
    FCaptionFont->SetSize(11);
    FCaptionFont->SetStyle(QvFontStyle::Bold);
    FCaptionFont->SetLoading(false);
    FCaptionFont->SetUndoComment(QStringLiteral("Legend caption font"));
    FCaptionFont->SetNeedsResize([this] { Modified(); });
    FCaptionFont->SetNeedsInvalidate(repaint);
    FCaptionRec.Font = FCaptionFont;
    FCaptionRec.Align = TQvContentAlignment::TopCenter;
    FCaptionRec.Owner = this;
    FBounds = QRect(0, 0, 100, 40);
}

TQvCustomLegend::~TQvCustomLegend() = default;

TQvUndoStack* TQvCustomLegend::GetUndoStack() const
{
    if (FUndoStack)
        return FUndoStack;
    if (FGraphLink)
        return FGraphLink->UndoStack();
    return TQvGraphLegendBase::GetUndoStack();
}

void TQvCustomLegend::SetUndoStack(TQvUndoStack* AStack)
{
    FUndoStack = AStack;
    FFrame->SetUndoStack(AStack);
    FBackgroundGradient->SetUndoStack(AStack);
}

void TQvCustomLegend::SetCaptionVisible(bool V) { Set(FCaptionVisible, V, "Legend caption visibility", "CaptionVisible"); }
void TQvCustomLegend::SetDropShadow(bool V) { Set(FDropShadow, V, "Legend drop shadow", "DropShadow"); }
void TQvCustomLegend::SetBorderRaised(bool V) { Set(FBorderRaised, V, "Legend raised border", "BorderRaised"); }
void TQvCustomLegend::SetBorderLowered(bool V) { Set(FBorderLowered, V, "Legend lowered border", "BorderLowered"); }
void TQvCustomLegend::SetColumns(int V) { Set(FColumns, std::max(1, V), "Legend number of columns", "Columns"); }
void TQvCustomLegend::SetRows(int V) { Set(FRows, std::max(1, V), "Legend number of rows", "Rows"); }
void TQvCustomLegend::SetBackColor(TQvColor V) { Set(FBackColor, V, "Legend background color", "BackColor"); }
void TQvCustomLegend::SetCaptionAlignment(TQvCaptionAlignment V) { Set(FCaptionAlignment, V, "Legend caption alignment", "CaptionAlignment"); }
void TQvCustomLegend::SetItemHeight(double V) { Set(FItemHeightSet, V, "Legend item height", "ItemHeight"); }
void TQvCustomLegend::SetCaptionDistanceAfter(double V) { Set(FCaptionDistanceAfter, V, "Legend distance below caption", "CaptionDistanceAfter"); }
void TQvCustomLegend::SetCaptionDistanceBefore(double V) { Set(FCaptionDistanceBefore, V, "Legend distance above caption", "CaptionDistanceBefore"); }
void TQvCustomLegend::SetDistanceItemCaption(double V) { Set(FDistanceItemCaption, V, "Legend distance between item and caption", "DistanceItemCaption"); }
void TQvCustomLegend::SetDistanceBetweenLines(double V) { Set(FDistanceBetweenLines, V, "Legend distance between lines", "DistanceBetweenLines"); }
void TQvCustomLegend::SetDistanceBetweenColumns(double V) { Set(FDistanceBetweenColumns, V, "Legend distance between columns", "DistanceBetweenColumns"); }
void TQvCustomLegend::SetDistanceToBorder(double V) { Set(FDistanceToBorder, V, "Legend distance to border", "DistanceToBorder"); }
void TQvCustomLegend::SetItemWidth(double V) { Set(FItemWidth, V, "Legend item width", "ItemWidth"); }
void TQvCustomLegend::SetCornerRounding(double V) { Set(FCornerRounding, V, "Legend corner rounding", "CornerRounding"); }
void TQvCustomLegend::SetItemsOrder(TQvItemsOrder V) { Set(FItemsOrder, V, "Legend items order", "ItemsOrder"); }

void TQvCustomLegend::SetCaption(const QString& V)
{
    if (FCaptionRec.Caption == V)
        return;
    PushUndoProperty("Legend caption", "Caption");
    FCaptionRec.SetCaption(V);
    FCaptionSet = true;
    Modified();
}

void TQvCustomLegend::SetLeft(int V)
{
    if (FBounds.left() == V)
        return;
    PushUndoProperty("Legend left", "Left");
    FBounds.moveLeft(V);
    if (FGraphLink)
        FGraphLink->Invalidate();
}

void TQvCustomLegend::SetTop(int V)
{
    if (FBounds.top() == V)
        return;
    PushUndoProperty("Legend top", "Top");
    FBounds.moveTop(V);
    if (FGraphLink)
        FGraphLink->Invalidate();
}

void TQvCustomLegend::Modified()
{
    FRecalculate = true;
    if (FGraphLink)
        FGraphLink->Modified();
}

QString TQvCustomLegend::ItemCaption(TQvSeries* S)
{
    QString c = S->Caption();
    emit OnGetLegendItemCaption(this, S, c);
    return c;
}

void TQvCustomLegend::UpdateItemHeight()
{
    double h = FItemHeightSet;
    h = std::max(h, QvMeasureRichCaption(QStringLiteral("M"), FFont).height());
    for (TQvSeries* s : FItems)
        h = std::max<double>(h, s->GetItemHeight());
    FItemHeight = h;
}

void TQvCustomLegend::PreparePaint()
{
    CollectItems();
    UpdateItemHeight();
    const int n = int(FItems.size());
    FLegendCaptions.Clear();
    QVector<QSizeF> sizes;
    for (TQvSeries* s : FItems) {
        TQvRichCaptionRec r;
        r.Font = FFont;
        r.Owner = s;
        r.Align = TQvContentAlignment::MiddleLeft;
        r.FColorOverride = ItemCaptionColor(s);
        r.SetCaption(ItemCaption(s));
        r.Measure();
        sizes.append(r.Size());
        FLegendCaptions.Add(r);
    }
    const double m = FDistanceToBorder;
    double y = m;
    QSizeF capSize;
    if (FCaptionVisible) {
        FCaptionRec.Measure();
        capSize = FCaptionRec.Size();
        y += FCaptionDistanceBefore + capSize.height() + FCaptionDistanceAfter;
    }
    // Grid: row r, column c of every item.
    int rows = 1, cols = 1;
    if (n > 0) {
        if (FItemsOrder == TQvItemsOrder::ByRow) {
            rows = std::clamp(FRows, 1, n);
            // Rows wider than the graph wrap: more rows, until the widest fits or each item has
            // a row of its own.
            const int room = FGraphLink ? FGraphLink->width() : 0;
            while (room > 0 && rows < n && RowLayoutWidth(rows, sizes, 0) > room)
                ++rows;
            cols = (n + rows - 1) / rows;
        } else {
            cols = std::clamp(FColumns, 1, n);
            rows = (n + cols - 1) / cols;
        }
    }
    auto cell = [&](int i, int& r, int& c) {
        if (FItemsOrder == TQvItemsOrder::ByRow) {
            r = i / cols;
            c = i % cols;
        } else {
            c = i / rows;
            r = i % rows;
        }
    };
    QVector<double> rowH(rows, FItemHeight), colW(cols, 0.0);
    for (int i = 0; i < n; ++i) {
        int r, c;
        cell(i, r, c);
        rowH[r] = std::max(rowH[r], sizes[i].height());
        colW[c] = std::max(colW[c], FItemWidth + FDistanceItemCaption + sizes[i].width());
    }
    // ByRow: cells follow each other in their row; ByColumn: columns as wide as their widest cell.
    QVector<double> rowTop(rows);
    double yy = y;
    for (int r = 0; r < rows; ++r) {
        rowTop[r] = yy;
        yy += rowH[r] + (r + 1 < rows ? FDistanceBetweenLines : 0);
    }
    FItemRects.resize(n);
    FCaptionRects.resize(n);
    QVector<double> rowX(rows, m);
    double widest = 0;
    QVector<double> colX(cols, m);
    for (int c = 1; c < cols; ++c)
        colX[c] = colX[c - 1] + colW[c - 1] + FDistanceBetweenColumns;
    for (int i = 0; i < n; ++i) {
        int r, c;
        cell(i, r, c);
        double x;
        if (FItemsOrder == TQvItemsOrder::ByRow) {
            x = rowX[r];
            rowX[r] += FItemWidth + FDistanceItemCaption + sizes[i].width() + FDistanceBetweenColumns;
        } else {
            x = colX[c];
        }
        const double mid = rowTop[r] + rowH[r] / 2;
        FItemRects[i] = QRect(int(std::lround(x)), int(std::lround(mid - FItemHeight / 2)), int(std::lround(FItemWidth)),
                              int(std::lround(FItemHeight)));
        TQvRichCaptionRec& rec = FLegendCaptions[i];
        rec.X = float(x + FItemWidth + FDistanceItemCaption);
        rec.Y = float(mid);
        FCaptionRects[i] = QRectF(rec.X, mid - sizes[i].height() / 2, sizes[i].width(), sizes[i].height());
        widest = std::max(widest, x + FItemWidth + FDistanceItemCaption + sizes[i].width() - m);
    }
    FWidth = int(std::ceil(std::max(widest + 2 * m, capSize.width() + 2 * m)));
    FHeight = int(std::ceil((n > 0 ? yy : y) + m));
    if (FCaptionVisible) {
        FCaptionRec.Y = float(m + FCaptionDistanceBefore);
        switch (FCaptionAlignment) {
        case TQvCaptionAlignment::Left: FCaptionRec.Align = TQvContentAlignment::TopLeft; FCaptionRec.X = float(m); break;
        case TQvCaptionAlignment::Right: FCaptionRec.Align = TQvContentAlignment::TopRight; FCaptionRec.X = float(FWidth - m); break;
        case TQvCaptionAlignment::Center: FCaptionRec.Align = TQvContentAlignment::TopCenter; FCaptionRec.X = float(FWidth / 2.0); break;
        }
    }
    FBounds.setSize(QSize(FWidth, FHeight));
    FRecalculate = false;
}

double TQvCustomLegend::RowLayoutWidth(int Rows, const QVector<QSizeF>& Sizes, double CaptionWidth) const
{
    const int n = int(Sizes.size());
    const int cols = (n + Rows - 1) / Rows;
    double widest = 0;
    for (int first = 0; first < n; first += cols) {
        double w = 0;
        for (int i = first; i < std::min(n, first + cols); ++i)
            w += (i > first ? FDistanceBetweenColumns : 0) + FItemWidth + FDistanceItemCaption + Sizes[i].width();
        widest = std::max(widest, w);
    }
    return std::max(widest, CaptionWidth) + 2 * FDistanceToBorder;
}

int TQvCustomLegend::ItemAt(const QPoint& P) const
{
    for (int i = 0; i < FItemRects.size(); ++i)
        if (FItemRects[i].contains(P) || (i < FCaptionRects.size() && FCaptionRects[i].contains(P)))
            return i;
    return -1;
}

void TQvCustomLegend::DrawItem(QPainter& Gr, int Index)
{
    TQvSeries* s = FItems.value(Index);
    if (!s)
        return;
    const QRectF r = FItemRects[Index];
    Gr.save();
    Gr.setClipRect(r, Qt::IntersectClip);
    bool handled = false;
    emit OnDrawLegendItem(this, s, &Gr, r, handled);
    if (!handled)
        s->DrawMergedItems(Gr, r);
    Gr.restore();
}

void TQvCustomLegend::PaintGr(QPainter& Gr)
{
    if (FRecalculate)
        PreparePaint();
    const double fw = std::max(1.0, double(FFrame->Width()));
    QRectF frame(fw / 2, fw / 2, FWidth - fw, FHeight - fw);
    const bool shadow = FDropShadow && (QvAlpha(FBackColor) >= 200 || FBackgroundGradient->Visible());
    if (shadow)
        frame.adjust(0, 0, -5, -4);
    QPainterPath path;
    if (FCornerRounding > 0)
        path.addRoundedRect(frame, FCornerRounding, FCornerRounding);
    else
        path.addRect(frame);
    Gr.save();
    Gr.setRenderHint(QPainter::Antialiasing, true);
    if (shadow) {
        Gr.setPen(Qt::NoPen);
        Gr.setBrush(QColor(0, 0, 0, 90));
        Gr.drawPath(path.translated(5, 4));
    }
    if (FBackgroundGradient->Visible())
        Gr.fillPath(path, FBackgroundGradient->GetBrush(frame));
    else if (QvAlpha(FBackColor) != 0)
        Gr.fillPath(path, QvToQColor(FBackColor));
    if (FFrame->Visible()) {
        Gr.setPen(FFrame->GetPen(frame));
        Gr.setBrush(Qt::NoBrush);
        Gr.drawPath(path);
    }
    // 3D border: light on the top and left edge, dark on the others (swapped when lowered).
    if (FBorderRaised || FBorderLowered) {
        const QRectF b = frame.adjusted(fw, fw, -fw, -fw);
        const QColor light(255, 255, 255, 220), dark(80, 80, 80, 220);
        const QColor tl = FBorderRaised ? light : dark, br = FBorderRaised ? dark : light;
        Gr.setBrush(Qt::NoBrush);
        Gr.setPen(QPen(tl, 2));
        Gr.drawLine(b.topLeft(), b.topRight());
        Gr.drawLine(b.topLeft(), b.bottomLeft());
        Gr.setPen(QPen(br, 2));
        Gr.drawLine(b.bottomLeft(), b.bottomRight());
        Gr.drawLine(b.topRight(), b.bottomRight());
    }
    Gr.restore();
    if (FCaptionVisible)
        FCaptionRec.Draw(Gr);
    for (int i = 0; i < FItems.size(); ++i) {
        if (!FItems[i]->IncludeInLegend())
            continue;
        DrawItem(Gr, i);
        // The colour may come from the series' style, which changes without a new layout.
        FLegendCaptions[i].FColorOverride = ItemCaptionColor(FItems[i]);
        FLegendCaptions[i].Draw(Gr);
    }
}

// ---- persistence --------------------------------------------------------------------------------

namespace {

const QString LegendKind = QStringLiteral("TQvLegend");

} // namespace

QVariantMap TQvCustomLegend::WriteSettings() const
{
    QVariantMap M = QvWritePublished(this);
    M.insert(QStringLiteral("Visible"), FVisibleLegend);
    M.insert(QStringLiteral("Frame"), QvWritePublished(FFrame));
    M.insert(QStringLiteral("BackgroundGradient"), QvWritePublished(FBackgroundGradient));
    M.insert(QStringLiteral("Font"), QvWritePublished(FFont));
    M.insert(QStringLiteral("CaptionFont"), QvWritePublished(FCaptionFont));
    return M;
}

std::vector<std::pair<QObject*, QVariantMap>> TQvCustomLegend::PartsIn(const QVariantMap& M) const
{
    const std::pair<const char*, QObject*> Parts[] = {{"Frame", FFrame},
                                                      {"BackgroundGradient", FBackgroundGradient},
                                                      {"Font", FFont},
                                                      {"CaptionFont", FCaptionFont}};
    std::vector<std::pair<QObject*, QVariantMap>> Out;
    for (const auto& [Key, Part] : Parts) {
        const QVariant V = M.value(QString::fromLatin1(Key));
        if (V.metaType().id() == QMetaType::QVariantMap)
            Out.emplace_back(Part, V.toMap());
    }
    return Out;
}

void TQvCustomLegend::CheckSettings(const QVariantMap& M) const
{
    QvCheckPublished(this, M);
    for (const auto& [Part, PartMap] : PartsIn(M))
        QvCheckPublished(Part, PartMap);
}

void TQvCustomLegend::ReadSettings(const QVariantMap& M)
{
    // The parts are read after the legend's own settings: all of them are checked first.
    CheckSettings(M);
    QvAsOneUndoStep(GetUndoStack(), QStringLiteral("Legend settings read"), [&] {
        QvReadPublished(this, M);
        for (const auto& [Part, PartMap] : PartsIn(M))
            QvReadPublished(Part, PartMap);
        if (M.contains(QStringLiteral("Visible")))
            SetVisibleLegend(M.value(QStringLiteral("Visible")).toBool());
    });
    Modified();
}

void TQvCustomLegend::WriteTo(QIODevice& Stream) const
{
    QvWriteMap(Stream, LegendKind, WriteSettings());
}

void TQvCustomLegend::ReadFrom(QIODevice& Stream)
{
    ReadSettings(QvReadMap(Stream, LegendKind));
}

void TQvCustomLegend::WriteTo(QXmlStreamWriter& Xml) const
{
    QvWriteMap(Xml, LegendKind, WriteSettings());
}

void TQvCustomLegend::ReadFrom(QXmlStreamReader& Xml)
{
    ReadSettings(QvReadMap(Xml));
}

void TQvCustomLegend::WriteTo(QSettings& Ini, const QString& Section) const
{
    QvWriteMap(Ini, Section, WriteSettings());
}

void TQvCustomLegend::ReadFrom(QSettings& Ini, const QString& Section)
{
    ReadSettings(QvReadMap(Ini, Section));
}

// -------------------------------------------------------------------------------------------------
// TQvLegend

TQvLegend::TQvLegend(QObject* AOwner) : TQvCustomLegend(AOwner)
{
    if (FGraphLink)
        FGraphLink->installEventFilter(this);
}

TQvLegend::~TQvLegend()
{
    if (FGraphLink)
        FGraphLink->removeEventFilter(this);
}

void TQvLegend::SetGraph(TQvGraph2D* AGraph)
{
    if (FGraphLink)
        FGraphLink->removeEventFilter(this);
    if (AGraph && parent() != AGraph)
        setParent(AGraph);
    TQvCustomLegend::SetGraph(AGraph);
    if (AGraph)
        AGraph->installEventFilter(this);
    Modified();
}

void TQvLegend::Modified()
{
    TQvCustomLegend::Modified();
}

void TQvLegend::SetPosition(TQvLegendPosition V)
{
    if (FPosition == V)
        return;
    if (TQvUndoStack* st = GetUndoStack()) {
        TQvUndoGroup Group(st, QStringLiteral("Legend position"));
        for (const char* p : {"Left", "Top", "ItemsOrder", "Position"})
            st->PushProperty(this, QStringLiteral("Legend position"), QString::fromLatin1(p));
    }
    FPosition = V;
    if (V != TQvLegendPosition::FreeFloating) {
        const int p = int(V);
        FItemsOrder = (p == 0 || p == 1 || p == 5 || p == 6) ? TQvItemsOrder::ByRow : TQvItemsOrder::ByColumn;
    }
    Modified();
}

void TQvLegend::SetItemsOrderList(const QStringList& V)
{
    if (FItemsOrderList == V)
        return;
    PushUndoProperty("Legend items order list", "ItemsOrderList");
    FItemsOrderList = V;
    Modified();
}

void TQvLegend::SetLegendCaptionColorFrom(int V)
{
    Set(FLegendCaptionColorFrom, V, "Legend caption colour source", "LegendCaptionColorFrom");
}

TQvColor TQvLegend::ItemCaptionColor(TQvSeries* S) const
{
    if (FLegendCaptionColorFrom == 1)
        return S->Line()->Color();
    if (FLegendCaptionColorFrom == 2)
        return S->PointSymbol()->FillColor();
    return 0;
}

void TQvLegend::CollectItems()
{
    FItems.clear();
    if (!FGraphLink)
        return;
    QList<TQvGraph2D*> graphs{FGraphLink.data()};
    for (TQvGraph2D* g : FGraphLink->ChildGraphs())
        if (g && !graphs.contains(g))
            graphs.append(g);
    QList<TQvSeries*> all;
    for (TQvGraph2D* g : graphs)
        for (TQvSeries* s : g->RelatedSeries())
            if (!all.contains(s))
                all.append(s);
    auto shown = [&](TQvSeries* s) {
        if (!s->IncludeInLegend())
            return false;
        if (s->Visible())
            return true;
        for (TQvSeries* o : all)
            if (o != s && o->Visible() && o->MergeLegendItemWith() == s)
                return true;
        return false;
    };
    // A fixed order first, then every other series.
    for (const QString& name : FItemsOrderList)
        if (!name.isEmpty())
            for (TQvSeries* s : all)
            if ((s->FullName() == name || s->objectName() == name) && s->IncludeInLegend() && !FItems.contains(s))
                FItems.append(s);
    for (TQvSeries* s : all)
        if (shown(s) && !FItems.contains(s))
            FItems.append(s);
}

bool TQvLegend::eventFilter(QObject* Watched, QEvent* Event)
{
    if (Watched != FGraphLink.data() || !IsVisible())
        return false;
    const QEvent::Type t = Event->type();
    if (t != QEvent::MouseButtonPress && t != QEvent::MouseMove && t != QEvent::MouseButtonRelease)
        return false;
    auto* e = static_cast<QMouseEvent*>(Event);
    const QPoint p = e->position().toPoint();
    if (t == QEvent::MouseButtonPress) {
        if (!FBounds.contains(p))
            return false;
        mStartFreeFloating = FPosition == TQvLegendPosition::FreeFloating && (e->button() & FStartMoveKeys);
        FDragStart = p;
        FOldLocation = FBounds.topLeft();
        FMoved = false;
        return true;
    }
    if (t == QEvent::MouseMove) {
        if (!mStartFreeFloating || !(e->buttons() & FStartMoveKeys))
            return false;
        const QPoint d = p - FDragStart;
        if (!FMoved && d.manhattanLength() < 4)
            return true;
        FMoved = true;
        FBounds.moveTopLeft(FOldLocation + d);
        FGraphLink->Invalidate();
        return true;
    }
    // Release: a drag ends as one undoable move; a click on an entry switches its series.
    const bool wasOurs = mStartFreeFloating || FBounds.contains(FDragStart);
    mStartFreeFloating = false;
    if (FMoved) {
        FMoved = false;
        const QPoint now = FBounds.topLeft();
        FBounds.moveTopLeft(FOldLocation);
        if (TQvUndoStack* st = GetUndoStack()) {
            TQvUndoGroup Group(st, QStringLiteral("Legend position"));
            SetLeft(now.x());
            SetTop(now.y());
        } else {
            FBounds.moveTopLeft(now);
        }
        FGraphLink->Invalidate();
        return true;
    }
    if (!wasOurs || !FBounds.contains(p))
        return false;
    const int i = ItemAt(p - FBounds.topLeft());
    if (i >= 0 && e->button() == Qt::LeftButton)
        FItems[i]->SetVisible(!FItems[i]->Visible());
    return true;
}
