#pragma once
// Legends: a list of the series of one graph, each entry a small sample of the series' look
// (drawn by the series) followed by its caption, optionally under a legend caption, in a grid of
// rows and columns inside a frame with optional background, gradient, rounded corners, drop
// shadow and raised or lowered border. A legend docks at one of ten positions next to the graph
// or its drawing area (the graph's layout pass places it) or floats freely, dragged with the
// start-move mouse button. A click on an entry switches that series' visibility (undoable).

#include "QvGraph2D.h"
#include "QvFont.h"

#include <QList>
#include <QPointer>
#include <QStringList>
#include <QVariantMap>
#include <QVector>

#include <utility>
#include <vector>

class QIODevice;
class QSettings;
class QXmlStreamReader;
class QXmlStreamWriter;
class TQvSeries;

enum class TQvItemsOrder { ByColumn = 0, ByRow = 1 };

class TQvCustomLegend : public TQvGraphLegendBase
{
    Q_OBJECT
    Q_PROPERTY(bool CaptionVisible READ CaptionVisible WRITE SetCaptionVisible)
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(bool DropShadow READ DropShadow WRITE SetDropShadow)
    Q_PROPERTY(bool BorderRaised READ BorderRaised WRITE SetBorderRaised)
    Q_PROPERTY(bool BorderLowered READ BorderLowered WRITE SetBorderLowered)
    Q_PROPERTY(int Columns READ Columns WRITE SetColumns)
    Q_PROPERTY(int Rows READ Rows WRITE SetRows)
    Q_PROPERTY(uint BackColor READ BackColor WRITE SetBackColor)
    Q_PROPERTY(int CaptionAlignment READ CaptionAlignmentInt WRITE SetCaptionAlignmentInt)
    Q_PROPERTY(double ItemHeight READ ItemHeightSet WRITE SetItemHeight)
    Q_PROPERTY(double CaptionDistanceAfter READ CaptionDistanceAfter WRITE SetCaptionDistanceAfter)
    Q_PROPERTY(double CaptionDistanceBefore READ CaptionDistanceBefore WRITE SetCaptionDistanceBefore)
    Q_PROPERTY(double DistanceItemCaption READ DistanceItemCaption WRITE SetDistanceItemCaption)
    Q_PROPERTY(double DistanceBetweenLines READ DistanceBetweenLines WRITE SetDistanceBetweenLines)
    Q_PROPERTY(double DistanceBetweenColumns READ DistanceBetweenColumns WRITE SetDistanceBetweenColumns)
    Q_PROPERTY(double DistanceToBorder READ DistanceToBorder WRITE SetDistanceToBorder)
    Q_PROPERTY(double ItemWidth READ ItemWidth WRITE SetItemWidth)
    Q_PROPERTY(double CornerRounding READ CornerRounding WRITE SetCornerRounding)
    Q_PROPERTY(int ItemsOrder READ ItemsOrderInt WRITE SetItemsOrderInt)
    Q_PROPERTY(int Left READ Left WRITE SetLeft)
    Q_PROPERTY(int Top READ Top WRITE SetTop)
public:
    explicit TQvCustomLegend(QObject* AOwner = nullptr);
    ~TQvCustomLegend() override;

    TQvUndoStack* GetUndoStack() const override;
    void SetUndoStack(TQvUndoStack* AStack) override;

    bool CaptionVisible() const { return FCaptionVisible; }
    void SetCaptionVisible(bool V);
    QString Caption() const { return FCaptionRec.Caption; }
    void SetCaption(const QString& V);
    bool DropShadow() const { return FDropShadow; }
    void SetDropShadow(bool V);
    bool BorderRaised() const { return FBorderRaised; }
    void SetBorderRaised(bool V);
    bool BorderLowered() const { return FBorderLowered; }
    void SetBorderLowered(bool V);
    int Columns() const { return FColumns; }
    void SetColumns(int V);
    int Rows() const { return FRows; }
    void SetRows(int V);
    TQvColor BackColor() const { return FBackColor; }
    void SetBackColor(TQvColor V);
    TQvCaptionAlignment CaptionAlignment() const { return FCaptionAlignment; }
    void SetCaptionAlignment(TQvCaptionAlignment V);
    // Effective item height (after layout) and the requested one.
    double ItemHeight() const { return FItemHeight; }
    double ItemHeightSet() const { return FItemHeightSet; }
    void SetItemHeight(double V);
    double CaptionDistanceAfter() const { return FCaptionDistanceAfter; }
    void SetCaptionDistanceAfter(double V);
    double CaptionDistanceBefore() const { return FCaptionDistanceBefore; }
    void SetCaptionDistanceBefore(double V);
    double DistanceItemCaption() const { return FDistanceItemCaption; }
    void SetDistanceItemCaption(double V);
    double DistanceBetweenLines() const { return FDistanceBetweenLines; }
    void SetDistanceBetweenLines(double V);
    double DistanceBetweenColumns() const { return FDistanceBetweenColumns; }
    void SetDistanceBetweenColumns(double V);
    double DistanceToBorder() const { return FDistanceToBorder; }
    void SetDistanceToBorder(double V);
    double ItemWidth() const { return FItemWidth; }
    void SetItemWidth(double V);
    double CornerRounding() const { return FCornerRounding; }
    void SetCornerRounding(double V);
    TQvItemsOrder ItemsOrder() const { return FItemsOrder; }
    void SetItemsOrder(TQvItemsOrder V);
    int Left() const { return FBounds.left(); }
    void SetLeft(int V);
    int Top() const { return FBounds.top(); }
    void SetTop(int V);
    int Width() const { return FWidth; }
    int Height() const { return FHeight; }

    TQvLineSettings* Frame() const { return FFrame; }
    TQvGradientSettings* BackgroundGradient() const { return FBackgroundGradient; }
    TQvFont* Font() const { return FFont; }
    TQvFont* CaptionFont() const { return FCaptionFont; }

    // The series shown, their sample rectangles and caption anchors (legend coordinates).
    const QList<TQvSeries*>& Items() const { return FItems; }
    const QVector<QRect>& ItemRects() const { return FItemRects; }
    const TQvRichCaptionRecVector& LegendCaptions() const { return FLegendCaptions; }
    // Index of the item whose sample or caption contains P (legend coordinates), or -1.
    int ItemAt(const QPoint& P) const;

    virtual void UpdateItemHeight();
    virtual void CollectItems() {}
    virtual void DrawItem(QPainter& Gr, int Index);
    // Layout stale; the graph lays out again.
    virtual void Modified();
    void PreparePaint() override;
    void PaintGr(QPainter& Gr) override;
    void SeriesChanged() override { Modified(); }

    // Stored settings: the stored properties, "Visible", and "Frame", "BackgroundGradient",
    // "Font" and "CaptionFont" as nested maps. Reading applies the keys present, as one undo
    // step; a damaged or foreign record raises EQvPersistenceError before anything changes.
    virtual QVariantMap WriteSettings() const;
    virtual void ReadSettings(const QVariantMap& M);
    // Raises EQvPersistenceError for what ReadSettings would refuse, changing nothing.
    void CheckSettings(const QVariantMap& M) const;
    void WriteTo(QIODevice& Stream) const;
    void ReadFrom(QIODevice& Stream);
    void WriteTo(QXmlStreamWriter& Xml) const;
    void ReadFrom(QXmlStreamReader& Xml);
    void WriteTo(QSettings& Ini, const QString& Section) const;
    void ReadFrom(QSettings& Ini, const QString& Section);

signals:
    // Custom drawing of an item's sample: set Handled to replace the series' own drawing.
    void OnDrawLegendItem(TQvCustomLegend* Sender, TQvSeries* Series, QPainter* Gr, const QRectF& Rect, bool& Handled);
    // Custom item caption: may change Caption.
    void OnGetLegendItemCaption(TQvCustomLegend* Sender, TQvSeries* Series, QString& Caption);

protected:
    template <class T, class U>
    bool Set(T& Field, const U& Value, const char* Description, const char* PropName)
    {
        if (!SetProp(Field, Value, Description, PropName))
            return false;
        Modified();
        return true;
    }
    // Caption of an item: the series' caption or what the event makes of it.
    QString ItemCaption(TQvSeries* S);
    // Width of the widest row when the items are laid out by row in Rows rows (margins and
    // caption included).
    double RowLayoutWidth(int Rows, const QVector<QSizeF>& Sizes, double CaptionWidth) const;
    virtual TQvColor ItemCaptionColor(TQvSeries* S) const { return 0; }

    QPointer<TQvUndoStack> FUndoStack;
    bool FCaptionVisible = false;
    bool FDropShadow = false;
    bool FSetting = false;
    bool FRecalculate = true;
    bool FBorderRaised = false;
    bool FBorderLowered = false;
    bool FCaptionSet = false;
    int FHeight = 0;
    int FWidth = 0;
    int FColumns = 1;
    int FRows = 1;
    TQvLineSettings* FFrame = nullptr;
    TQvColor FBackColor = QvColors::Transparent;
    TQvRichCaptionRec FCaptionRec;
    TQvFont* FCaptionFont = nullptr;
    TQvFont* FFont = nullptr;
    TQvCaptionAlignment FCaptionAlignment = TQvCaptionAlignment::Center;
    TQvGradientSettings* FBackgroundGradient = nullptr;
    double FItemHeight = 0;
    double FItemHeightSet = 0;
    double FCaptionDistanceAfter = 0;
    double FCaptionDistanceBefore = 0;
    double FDistanceItemCaption = 4;
    double FDistanceBetweenLines = 3;
    double FDistanceBetweenColumns = 10;
    double FDistanceToBorder = 8;
    double FItemWidth = 80;
    double FCornerRounding = 0;
    TQvItemsOrder FItemsOrder = TQvItemsOrder::ByColumn;
    QList<TQvSeries*> FItems;
    QVector<QRect> FItemRects;
    QVector<QRectF> FCaptionRects;
    TQvRichCaptionRecVector FLegendCaptions;

private:
    // The owned parts that M gives settings for ("Frame", "BackgroundGradient", "Font",
    // "CaptionFont" as nested maps), each with its map.
    std::vector<std::pair<QObject*, QVariantMap>> PartsIn(const QVariantMap& M) const;
    int CaptionAlignmentInt() const { return int(FCaptionAlignment); }
    void SetCaptionAlignmentInt(int V) { SetCaptionAlignment(TQvCaptionAlignment(V)); }
    int ItemsOrderInt() const { return int(FItemsOrder); }
    void SetItemsOrderInt(int V) { SetItemsOrder(TQvItemsOrder(V)); }
};

class TQvLegend : public TQvCustomLegend
{
    Q_OBJECT
    Q_PROPERTY(int Position READ PositionInt WRITE SetPositionInt)
    Q_PROPERTY(QStringList ItemsOrderList READ ItemsOrderList WRITE SetItemsOrderList)
    Q_PROPERTY(int LegendCaptionColorFrom READ LegendCaptionColorFrom WRITE SetLegendCaptionColorFrom)
public:
    explicit TQvLegend(QObject* AOwner = nullptr);
    ~TQvLegend() override;

    // Attaching to a graph makes the legend one of its children (the graph paints it).
    void SetGraph(TQvGraph2D* AGraph) override;

    TQvLegendPosition Position() const { return FPosition; }
    void SetPosition(TQvLegendPosition V);
    TQvLegendPosition DockPosition() const override { return FPosition; }
    QStringList ItemsOrderList() const { return FItemsOrderList; }
    void SetItemsOrderList(const QStringList& V);
    // Item caption colour: 0 the font's, 1 the series' line colour, 2 its symbol colour.
    int LegendCaptionColorFrom() const { return FLegendCaptionColorFrom; }
    void SetLegendCaptionColorFrom(int V);
    Qt::MouseButtons StartMoveKeys() const { return FStartMoveKeys; }
    void SetStartMoveKeys(Qt::MouseButtons V) { FStartMoveKeys = V; }

    void CollectItems() override;
    void Modified() override;

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;
    TQvColor ItemCaptionColor(TQvSeries* S) const override;

private:
    int PositionInt() const { return int(FPosition); }
    void SetPositionInt(int V) { SetPosition(TQvLegendPosition(V)); }

    QStringList FItemsOrderList;
    int FLegendCaptionColorFrom = 0;
    TQvLegendPosition FPosition = TQvLegendPosition::FreeFloating;
    Qt::MouseButtons FStartMoveKeys = Qt::LeftButton;
    bool mStartFreeFloating = false;
    QPoint FOldLocation;
    QPoint FDragStart;
    bool FMoved = false;
};
