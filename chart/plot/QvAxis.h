#pragma once
// One scale of a graph: TQvAxis decides the shown value range (automatic from the data of the
// series bound to it, or fixed), the scaling, the tick and label positions and texts, the axis
// caption, the value <-> pixel mapping and its own zoom history.
//
// An axis is a lightweight child of its TQvGraph2D (a QObject child, no window of its own) with
// bounds inside the graph's client area; the graph paints it translated to those bounds. Several
// axes may share a side: the first axis child on a side lies nearest the data. All axes of a
// graph are laid out together by one pass (QvAxisLayout.h) that also fixes the drawing area.
//
// The arithmetic (rounding, steps, ticks, labels, transforms) lives in QvAxisMath.h; the axis
// keeps one TQvScale and feeds it from its properties.

#include "QvAxisMath.h"
#include "QvColors.h"
#include "QvChartTypes.h"
#include "QvComponent.h"
#include "QvFont.h"
#include "QvSeriesList.h"

#include <QFont>
#include <QHash>
#include <QList>
#include <QPointer>
#include <QRect>
#include <QFont>
#include <QPointF>
#include <QStringList>
#include <QVector>

#include <vector>

class QIODevice;
class QPainter;
class QSettings;
class QXmlStreamReader;
class QXmlStreamWriter;
class TQvSeries;
class TQvAxis;
class TQvGraph2D;

// The arrow head at the far end of the axis line. Lengths below 0.00001 are stored as 0.00001;
// any change makes the axis lay out again (the layout keeps 3 x PointLength free beyond it).
class TQvAxisArrow : public TQvComponent
{
    Q_OBJECT
    Q_PROPERTY(bool Visible READ Visible WRITE SetVisible)
    Q_PROPERTY(float PointLength READ PointLength WRITE SetPointLength)
    Q_PROPERTY(float InnerLength READ InnerLength WRITE SetInnerLength)
    Q_PROPERTY(float PointHeight READ PointHeight WRITE SetPointHeight)
public:
    explicit TQvAxisArrow(TQvAxis* AOwner);

    bool Visible() const { return FVisible; }
    void SetVisible(bool Value);
    float PointLength() const { return FPointLength; }
    void SetPointLength(float Value);
    float InnerLength() const { return FInnerLength; }
    void SetInnerLength(float Value);
    float PointHeight() const { return FPointHeight; }
    void SetPointHeight(float Value);

private:
    void Changed();
    bool FVisible = false;
    float FPointLength = 7;
    float FInnerLength = 5;
    float FPointHeight = 3;
};

// Arguments of OnGetScaleLabel: the label's value and its text, which the handler may rewrite.
struct TQvScaleLabelArgs
{
    double Value = 0;
    QString Caption;
};

// A label or caption placed by the axis: its text, anchor (inside the axis' bounds), alignment,
// angle and measured size. Measured once per layout; painting only draws.
struct TQvAxisTextRec
{
    QString Text;
    QPointF At;
    TQvContentAlignment Align = TQvContentAlignment::MiddleCenter;
    float Angle = 0;
    QSizeF Size;         // unrotated
    QSizeF Extent;       // rotated bounding size (w', h')
    float TickPixel = 0; // along-axis position of the tick it belongs to
    // Layout of a plain label, kept between paints: the text, label font and device resolution
    // it was made for, the font it is drawn in, the box corner from the anchor and the baseline
    // start in the box (as the caption drawing places them).
    mutable QString StaticText;
    mutable QFont StaticFont;
    mutable int StaticDpi = -1;
    mutable QFont DrawFont;
    mutable QPointF BoxCorner;
    mutable QPointF Baseline;
};

class TQvAxis : public TQvComponent
{
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(TQvCaptionAlignment CaptionAlignment READ CaptionAlignment WRITE SetCaptionAlignment)
    Q_PROPERTY(uint CaptionColor READ CaptionColor WRITE SetCaptionColor)
    Q_PROPERTY(TQvFont* CaptionFont READ CaptionFont WRITE SetCaptionFont)
    Q_PROPERTY(bool CaptionVisible READ CaptionVisible WRITE SetCaptionVisible)
    Q_PROPERTY(bool CaptionHorizontalOnVerticalAxis READ CaptionHorizontalOnVerticalAxis WRITE SetCaptionHorizontalOnVerticalAxis)
    Q_PROPERTY(float CaptionDistanceAfter READ CaptionDistanceAfter WRITE SetCaptionDistanceAfter)
    Q_PROPERTY(float CaptionDistanceBefore READ CaptionDistanceBefore WRITE SetCaptionDistanceBefore)
    Q_PROPERTY(float DistanceNumbersCaption READ DistanceNumbersCaption WRITE SetDistanceNumbersCaption STORED false)
    Q_PROPERTY(float DistanceToBorder READ DistanceToBorder WRITE SetDistanceToBorder STORED false)
    Q_PROPERTY(TQvFont* Font READ Font WRITE SetFont)
    Q_PROPERTY(uint NumbersColor READ NumbersColor WRITE SetNumbersColor)
    Q_PROPERTY(bool NumbersVisible READ NumbersVisible WRITE SetNumbersVisible)
    Q_PROPERTY(uint ForeColor READ ForeColor WRITE SetForeColor)
    Q_PROPERTY(uint MajorTickColor READ MajorTickColor WRITE SetMajorTickColor)
    Q_PROPERTY(uint TickColor READ TickColor WRITE SetTickColor)
    Q_PROPERTY(float AxisThicknes READ AxisThicknes WRITE SetAxisThicknes)
    Q_PROPERTY(float MajorTickThicknes READ MajorTickThicknes WRITE SetMajorTickThicknes)
    Q_PROPERTY(float TickThicknes READ TickThicknes WRITE SetTickThicknes)
    Q_PROPERTY(float MajorTickLength READ MajorTickLength WRITE SetMajorTickLength)
    Q_PROPERTY(float TickLength READ TickLength WRITE SetTickLength)
    Q_PROPERTY(bool TicksPointToData READ TicksPointToData WRITE SetTicksPointToData)
    Q_PROPERTY(QvAxisTypes::TQvAxisPosition Position READ Position WRITE SetPosition)
    Q_PROPERTY(bool Twisted READ Twisted WRITE SetTwisted)
    Q_PROPERTY(QvAxisTypes::TQvAxisScaling Scaling READ Scaling WRITE SetScaling)
    Q_PROPERTY(double LogToNormalScalingLevel READ LogToNormalScalingLevel WRITE SetLogToNormalScalingLevel)
    Q_PROPERTY(double Start READ Start WRITE SetStart)
    Q_PROPERTY(double Stop READ Stop WRITE SetStop)
    Q_PROPERTY(QvAxisTypes::TQvAxisEnd StartEnd READ StartEnd WRITE SetStartEnd)
    Q_PROPERTY(QvAxisTypes::TQvAxisEnd StopEnd READ StopEnd WRITE SetStopEnd)
    Q_PROPERTY(QvAxisTypes::TQvAxisEndRounding EndRounding READ EndRounding WRITE SetEndRounding)
    Q_PROPERTY(double MovingSlitWidth READ MovingSlitWidth WRITE SetMovingSlitWidth)
    Q_PROPERTY(double MovingSlitIncrement READ MovingSlitIncrement WRITE SetMovingSlitIncrement)
    Q_PROPERTY(bool AutoTickParts READ AutoTickParts WRITE SetAutoTickParts)
    Q_PROPERTY(double LabelPart READ LabelPart WRITE SetLabelPart)
    Q_PROPERTY(double MajorTickPart READ MajorTickPart WRITE SetMajorTickPart)
    Q_PROPERTY(double TickPart READ TickPart WRITE SetTickPart)
    Q_PROPERTY(float LabelDistanceFactor READ LabelDistanceFactor WRITE SetLabelDistanceFactor)
    Q_PROPERTY(QvAxisTypes::TQvMajorGridMode MajorGridMode READ MajorGridMode WRITE SetMajorGridMode)
    Q_PROPERTY(int ExtraDigits READ ExtraDigits WRITE SetExtraDigits)
    Q_PROPERTY(double MaxForExtraExponent READ MaxForExtraExponent WRITE SetMaxForExtraExponent)
    Q_PROPERTY(double MinForExtraExponent READ MinForExtraExponent WRITE SetMinForExtraExponent)
    Q_PROPERTY(float DistanceValuesAxis READ DistanceValuesAxis WRITE SetDistanceValuesAxis)
    Q_PROPERTY(float DistanceAxisLabels READ DistanceAxisLabels WRITE SetDistanceAxisLabels)
    Q_PROPERTY(float DistanceAxisExtraExponent READ DistanceAxisExtraExponent WRITE SetDistanceAxisExtraExponent)
    Q_PROPERTY(float RubricsAngle READ RubricsAngle WRITE SetRubricsAngle)
    Q_PROPERTY(QStringList Rubrics READ Rubrics WRITE SetRubrics)
    Q_PROPERTY(QString RubricsField READ RubricsField WRITE SetRubricsField)
    Q_PROPERTY(TQvAxisArrow* ArrowPoint READ ArrowPoint)
    Q_PROPERTY(bool IsSlaveAxis READ IsSlaveAxis WRITE SetIsSlaveAxis)
    Q_PROPERTY(QObject* MasterAxis READ MasterAxisObject WRITE SetMasterAxisObject)
    Q_PROPERTY(double SlaveSlope READ SlaveSlope WRITE SetSlaveSlope)
    Q_PROPERTY(double SlaveOffset READ SlaveOffset WRITE SetSlaveOffset)
    Q_PROPERTY(bool Visible READ Visible WRITE SetVisible)

public:
    // Created with a graph as owner, the axis is one of its axis children.
    explicit TQvAxis(QObject* AOwner = nullptr);
    ~TQvAxis() override;

    // The graph's undo stack (the axis records on the stack of its parent graph).
    TQvUndoStack* GetUndoStack() const override;
    TQvGraph2D* Graph() const;

    // ---- published properties (defaults in the comments)
    QString Caption() const { return FCaption; }                       // ""
    void SetCaption(const QString& Value);
    TQvCaptionAlignment CaptionAlignment() const { return FCaptionAlignment; } // Center
    void SetCaptionAlignment(TQvCaptionAlignment Value);
    // The caption's colour is the fill colour of CaptionFont (one colour, two ways to set it).
    TQvColor CaptionColor() const { return FCaptionFont->FillColor(); } // DarkRed
    void SetCaptionColor(TQvColor Value);
    TQvFont* CaptionFont() const { return FCaptionFont; }              // Times New Roman 14 bold
    // Copies Value's settings into the caption font, as one undo step.
    void SetCaptionFont(TQvFont* Value);
    bool CaptionVisible() const { return FCaptionVisible; }            // true
    void SetCaptionVisible(bool Value);
    bool CaptionHorizontalOnVerticalAxis() const { return FCaptionHorizontalOnVerticalAxis; } // false
    void SetCaptionHorizontalOnVerticalAxis(bool Value);
    float CaptionDistanceAfter() const { return FCaptionDistanceAfter; }   // 0
    void SetCaptionDistanceAfter(float Value);
    float CaptionDistanceBefore() const { return FCaptionDistanceBefore; } // 0
    void SetCaptionDistanceBefore(float Value);
    // Gap between labels and caption: CaptionDistanceBefore for Bottom and Right axes,
    // CaptionDistanceAfter for Left and Top.
    float DistanceNumbersCaption() const;
    void SetDistanceNumbersCaption(float Value);
    // Gap between caption and outer edge: the other one of the two.
    float DistanceToBorder() const;
    void SetDistanceToBorder(float Value);
    TQvFont* Font() const { return FFont; }                            // Arial 12 bold
    // Copies Value's settings into the labels' font, as one undo step.
    void SetFont(TQvFont* Value);
    // The labels' colour is the fill colour of Font.
    TQvColor NumbersColor() const { return FFont->FillColor(); }        // DarkBlue
    void SetNumbersColor(TQvColor Value);
    bool NumbersVisible() const { return FNumbersVisible; }            // true
    void SetNumbersVisible(bool Value);
    TQvColor ForeColor() const { return FForeColor; }                  // Black
    void SetForeColor(TQvColor Value);
    TQvColor MajorTickColor() const { return FMajorTickColor; }        // = ForeColor
    void SetMajorTickColor(TQvColor Value);
    TQvColor TickColor() const { return FTickColor; }                  // = ForeColor
    void SetTickColor(TQvColor Value);
    float AxisThicknes() const { return FAxisThicknes; }               // 1
    void SetAxisThicknes(float Value);
    float MajorTickThicknes() const { return FMajorTickThicknes; }     // 1
    void SetMajorTickThicknes(float Value);
    float TickThicknes() const { return FTickThicknes; }               // 1
    void SetTickThicknes(float Value);
    float MajorTickLength() const { return FMajorTickLength; }         // 10
    void SetMajorTickLength(float Value);
    float TickLength() const { return FTickLength; }                   // 6
    void SetTickLength(float Value);
    bool TicksPointToData() const { return FTicksPointToData; }        // false
    void SetTicksPointToData(bool Value);
    TQvAxisPosition Position() const { return FScale.Position; }       // Bottom
    void SetPosition(TQvAxisPosition Value);
    bool Twisted() const { return FScale.Twisted; }                    // false
    void SetTwisted(bool Value);
    TQvAxisScaling Scaling() const { return FScale.Scaling; }          // Normal
    void SetScaling(TQvAxisScaling Value);
    double LogToNormalScalingLevel() const { return FScale.LogToNormalScalingLevel; } // 0
    void SetLogToNormalScalingLevel(double Value);
    double Start() const { return FScale.Start; }                      // 0
    void SetStart(double Value);
    double Stop() const { return FScale.Stop; }                        // 10
    void SetStop(double Value);
    TQvAxisEnd StartEnd() const { return FScale.StartEnd; }            // AutoRange
    void SetStartEnd(TQvAxisEnd Value);
    TQvAxisEnd StopEnd() const { return FScale.StopEnd; }              // AutoRange
    void SetStopEnd(TQvAxisEnd Value);
    TQvAxisEndRounding EndRounding() const { return FScale.EndRounding; } // RndToMajorZoomToMinor
    void SetEndRounding(TQvAxisEndRounding Value);
    double MovingSlitWidth() const { return FMovingSlitWidth; }        // 0
    void SetMovingSlitWidth(double Value);
    double MovingSlitIncrement() const { return FMovingSlitIncrement; } // 0
    void SetMovingSlitIncrement(double Value);
    bool AutoTickParts() const { return FScale.AutoTickParts; }        // true
    void SetAutoTickParts(bool Value);
    double LabelPart() const { return FScale.LabelPart; }
    void SetLabelPart(double Value);
    double MajorTickPart() const { return FScale.MajorTickPart; }
    void SetMajorTickPart(double Value);
    double TickPart() const { return FScale.TickPart; }
    void SetTickPart(double Value);
    float LabelDistanceFactor() const { return float(FScale.LabelDistanceFactor); } // 1
    void SetLabelDistanceFactor(float Value);
    TQvMajorGridMode MajorGridMode() const { return FScale.MajorGridMode; } // AtLabel
    void SetMajorGridMode(TQvMajorGridMode Value);
    int ExtraDigits() const { return FScale.ExtraDigits; }             // 0
    void SetExtraDigits(int Value);
    double MaxForExtraExponent() const { return FScale.MaxForExtraExponent; } // 1000
    void SetMaxForExtraExponent(double Value);
    double MinForExtraExponent() const { return FScale.MinForExtraExponent; } // 0.001
    void SetMinForExtraExponent(double Value);
    float DistanceValuesAxis() const { return FDistanceValuesAxis; }   // 0
    void SetDistanceValuesAxis(float Value);
    float DistanceAxisLabels() const { return FDistanceAxisLabels; }   // 0
    void SetDistanceAxisLabels(float Value);
    float DistanceAxisExtraExponent() const { return FDistanceAxisExtraExponent; } // 10
    void SetDistanceAxisExtraExponent(float Value);
    float RubricsAngle() const { return float(FScale.RubricsAngle); }  // 0 degrees
    void SetRubricsAngle(float Value);
    QStringList Rubrics() const { return FScale.Rubrics; }
    void SetRubrics(const QStringList& Value);
    QString RubricsField() const { return FRubricsField; }
    void SetRubricsField(const QString& Value);
    TQvAxisArrow* ArrowPoint() const { return FArrowPoint; }           // invisible, 7 / 5 / 3
    bool IsSlaveAxis() const { return FIsSlaveAxis; }                  // false
    void SetIsSlaveAxis(bool Value);
    TQvAxis* MasterAxis() const { return FMasterAxis.data(); }          // none
    void SetMasterAxis(TQvAxis* Value);
    double SlaveSlope() const { return FSlaveSlope; }                  // 1
    void SetSlaveSlope(double Value);
    double SlaveOffset() const { return FSlaveOffset; }                // 0
    void SetSlaveOffset(double Value);
    bool Visible() const { return FVisible; }                          // true
    void SetVisible(bool Value);

    // ---- bounds inside the graph's client area (set by the layout)
    QRect Bounds() const { return FBounds; }
    int Left() const { return FBounds.left(); }
    int Top() const { return FBounds.top(); }
    int Width() const { return FBounds.width(); }
    int Height() const { return FBounds.height(); }

    // ---- run-time state
    bool Horizontal() const { return FScale.Horizontal(); }
    bool HasLogScaling() const { return FScale.HasLogScaling; }
    double NormalizeConst() const { return FScale.NormalizeConst; }
    double ValuesStart() const { return FScale.ValuesStart; }
    double ValuesStop() const { return FScale.ValuesStop; }
    double LogStart() const { return FScale.LogStart; }
    double LogStop() const { return FScale.LogStop; }
    int RangeExponent() const { return FScale.RangeExponent; }
    int MaxExponent() const { return FScale.MaxExponent; }
    bool AdditionalExponent() const { return FScale.AdditionalExponent; }
    // Scale length and the position of the scale start inside the axis' bounds (AxLeft for
    // horizontal axes, AxTop for vertical ones); across the axis the position of its line.
    float AxLength() const { return FScale.AxLength; }
    float AxLeft() const { return FScale.AxLeft; }
    float AxTop() const { return FScale.AxTop; }
    float MaxNumberLabelWidth() const { return FMaxNumberLabelWidth; }
    float MaxNumberLabelHeight() const { return FMaxNumberLabelHeight; }
    const TQvScale& Scale() const { return FScale; }

    // Tick pixel positions (along the axis, graph client coordinates) and per tick whether it is
    // major and whether a major grid line belongs there.
    const QVector<float>& Ticks() const { return FTicks; }
    const QVector<bool>& MajorTick() const { return FMajorTick; }
    const QVector<bool>& MajoGridrTick() const { return FMajorGridTick; }
    const QVector<bool>& MajorGridTick() const { return FMajorGridTick; }
    const std::vector<TQvAxisTextRec>& Labels() const { return FAxLabels; }
    const TQvAxisTextRec& CaptionRec() const { return FCaptionRec; }
    const TQvAxisTextRec& ExtraExponentRec() const { return FExtraExponentRec; }
    bool HasCaption() const { return FCaptionVisible && !FCaption.trimmed().isEmpty(); }
    bool HasExtraExponent() const { return !FExtraExponentRec.Text.isEmpty(); }
    // On a horizontal axis whose last two labels leave too little room between them, the common
    // exponent stands beyond the labels instead (the axis is that much thicker).
    bool ExtraExponentBeyondLabels() const { return FExtraExponentBeyondLabels; }

    // ---- layout and ticks
    // Lays out every axis of the parent graph and its drawing area (nothing without a graph).
    void Calculate();
    // Ticks and labels for the current range, AxLeft, AxTop and AxLength.
    void CalculateTicks();
    // Repairs and rounds a range (in/out) and chooses the steps.
    void RoundEnds(double& AStart, double& AStop);
    double RoundEnd(double Value, bool Up, bool Major) const;
    // True when the current range has been rounded since the last change.
    bool ValuesRounded() const { return FValuesRounded; }
    bool NeedsRecalculate() const { return FRecalculate; }

    // ---- persistence of the settings (every stored property; owned fonts nested). The range is
    // always written and read back only WithRange. Reading is one undo step.
    void WriteTo(const QString& FileName) const;
    void ReadFrom(const QString& FileName, bool WithRange = true);
    void WriteTo(QIODevice& Stream) const;
    void ReadFrom(QIODevice& Stream, bool WithRange = true);
    void WriteTo(QXmlStreamWriter& Xml) const;
    void ReadFrom(QXmlStreamReader& Xml, bool WithRange = true);
    void WriteTo(QSettings& Ini, const QString& Section) const;
    void ReadFrom(QSettings& Ini, const QString& Section, bool WithRange = true);
    // Applies a settings map as the ReadFrom forms do (also used by the graph's persistence).
    void ReadSettings(const QVariantMap& M, bool WithRange);

    // ---- transforms
    float NumberToWorld(double Value) const { return QvNumberToWorld(FScale, Value); }
    double WorldToNumber(double Pixel) const { return QvWorldToNumber(FScale, Pixel); }
    double MajorIncrement() const { return QvMajorIncrement(FScale); }
    double MinorIncrement() const { return QvMinorIncrement(FScale); }

    // ---- range
    // Needs recalculation; repaints the graph.
    void Modified();
    // The data changed: clears the zoom history and recomputes the automatic range at the next
    // GetNewRanges.
    void RangeModified();
    // Recomputes the automatic range when RangeModified asked for it.
    void GetNewRanges();
    // On resize: puts the last automatic range back into each AutoRange end and recalculates.
    void CheckResize();
    // Sets the range without zoom history and marks the axis modified.
    void SetStartStop(double AStart, double AStop);
    // True when the axis shows less than the data range of its series.
    bool IsClipped() const;
    // Whether the scroll bar of this axis' orientation is wanted: the axis is zoomed (its view
    // is narrower than its full range) and the view hides data. Values of 0 or below on a
    // logarithmic axis are never shown, so they are not hidden data; ends that end rounding
    // left a hair inside the data are not either.
    bool HidesDataWhileZoomed() const;
    bool RedoRangePending() const { return FRedoRange; }

    // ---- zoom history
    void ZoomIn(double NewStart, double NewStop);
    void ZoomBack();
    void RedoZoom();
    void ZoomToStage(int Stage);
    void ZoomClearBuffer();
    bool CanZoomBack() const { return !FLastZoomStart.isEmpty(); }
    int ZoomStage() const { return FZoomIdx; }
    int ZoomBufferSize() const { return FLastZoomStart.size(); }
    // The unzoomed range (stage 0), or the current range without history.
    double ScrollStart() const;
    double ScrollStop() const;

    // ---- series bound to the axis
    void AddSeries(TQvSeries* Series);
    void RemoveSeries(TQvSeries* Series);
    const QList<TQvSeries*>& RelatedSeries() const { return FRelatedSeries.List(); }
    // Pixels the bound series need beyond the scale end on Border (0 while clipped).
    double SeriesExtraSpace(TQvAxisPosition Border) const;

    // ---- painting (Gr translated to the axis' top-left corner)
    void PaintGr(QPainter& Gr);
    // Re-measures the caption and lays out again.
    void ParseCaption();
    QString ToString() const;

signals:
    void OnGetScaleLabel(TQvAxis* Sender, TQvScaleLabelArgs& Args);
    void OnGetTicks(TQvAxis* Sender);
    void OnCalculated(TQvAxis* Sender);

protected:
    void connectNotify(const QMetaMethod& Signal) override;
    void disconnectNotify(const QMetaMethod& Signal) override;

private:
    friend class TQvAxisArrow;

    // ---- the layout pass's protocol: only TQvAxisLayout places the axis and its scale.
    friend class TQvAxisLayout;
    void SetBounds(const QRect& R);
    void SetAxLength(float Value) { FScale.AxLength = Value; }
    void SetAxLeft(float Value) { FScale.AxLeft = Value; }
    void SetAxTop(float Value) { FScale.AxTop = Value; }
    void ClearRecalculate() { FRecalculate = false; }
    // The layout tells the axis its length along the graph; a new length re-rounds the
    // automatic range (the step choice depends on it).
    void LengthChanged(int Avail);
    // Rounds the current range in place (the layout's first step).
    void RoundCurrentRange();
    // Copies the range (and, with slope 1 and offset 0, the steps) from the master axis.
    void FollowMaster();
    // Removes the label and tick lying within 0.1 pixel of Pixel (axes crossing at the origin).
    void RemoveTickAt(float Pixel);
    void RemoveFirstLabel();
    // A centred caption of an axis that the other axis crosses (axes through the origin) would
    // sit on that axis' line: it moves to the scale end farther from the crossing at CrossPixel.
    void CaptionToScaleEnd(float CrossPixel);
    // Moves labels, caption and exponent by Delta across the axis.
    void ShiftAcross(float Delta);

    // Reads the property values the arithmetic needs into FScale.
    void SyncScale();
    double SmallestPositiveBelow(double Limit) const;
    void MeasureTexts();
    void PlaceCaption();
    void SetStopEndPart(TQvAxisEnd Value);
    bool Designing() const { return false; }
    QObject* MasterAxisObject() const;
    void SetMasterAxisObject(QObject* Value);
    void Repaint();
    void FontResized();

    // Settings not in FScale.
    QString FCaption;
    TQvCaptionAlignment FCaptionAlignment = TQvCaptionAlignment::Center;
    TQvFont* FCaptionFont = nullptr;
    bool FCaptionVisible = true;
    bool FCaptionHorizontalOnVerticalAxis = false;
    float FCaptionDistanceAfter = 0;
    float FCaptionDistanceBefore = 0;
    TQvFont* FFont = nullptr;
    bool FNumbersVisible = true;
    TQvColor FForeColor = 0xFF000000;
    TQvColor FMajorTickColor = 0xFF000000;
    TQvColor FTickColor = 0xFF000000;
    float FAxisThicknes = 1;
    float FMajorTickThicknes = 1;
    float FTickThicknes = 1;
    float FMajorTickLength = 10;
    float FTickLength = 6;
    bool FTicksPointToData = false;
    double FMovingSlitWidth = 0;
    double FMovingSlitIncrement = 0;
    float FDistanceValuesAxis = 0;
    float FDistanceAxisLabels = 0;
    float FDistanceAxisExtraExponent = 10;
    QString FRubricsField;
    TQvAxisArrow* FArrowPoint = nullptr;
    bool FIsSlaveAxis = false;
    QPointer<TQvAxis> FMasterAxis;
    double FSlaveSlope = 1;
    double FSlaveOffset = 0;
    bool FVisible = true;
    QRect FBounds;

    // Run-time state.
    TQvScale FScale;
    double FInitialStart = 0;
    double FInitialStop = 10;
    double FLastStart = 0;
    double FLastStop = 10;
    float FMaxNumberLabelWidth = 0;
    float FMaxNumberLabelHeight = 0;
    TQvTickList FTickList;
    QVector<float> FTicks;
    QVector<bool> FMajorTick;
    QVector<bool> FMajorGridTick;
    std::vector<TQvAxisTextRec> FAxLabels;
    TQvAxisTextRec FCaptionRec;
    TQvAxisTextRec FExtraExponentRec;
    bool FExtraExponentBeyondLabels = false;
    QVector<double> FLastZoomStart;
    QVector<double> FLastZoomStop;
    int FZoomIdx = 0;
    TQvSeriesList FRelatedSeries;
    bool FRecalculate = true;
    bool FValuesRounded = false;
    bool FRedoRange = false;
    bool FDestroying = false;
    // Set while Modified tells the graph (whose Modified marks its first axis in turn).
    bool FInModified = false;
    bool FHasLabelHandler = false;
    int FLastAvail = -1;
    // Measured label sizes by text: label texts repeat between layouts (same range, new size).
    QHash<QString, QSizeF> FLabelSizeCache;
    QSizeF FCaptionSize;
    bool FCaptionMeasured = false;
    int FCaptionEnd = 0;   // 0: by CaptionAlignment; -1 / 1: as left / right alignment (crossed axis)
};
