// The captions section of the chart sheet: rich captions that show the markup at work
// (sub- and superscripts, rotation, colour escapes, line breaks, bold and italic, font changes,
// placeholders, alignment and the draw effects). Each caption is drawn with a thin grey frame
// around its measured box and a red dot on its anchor, so that measuring can be checked by eye.

#include "QvFont.h"
#include "SheetSections.h"

#include <QPainter>
#include <QRectF>

namespace {

void Show(QPainter& p, TQvRichCaptionRec& rec, const QString& caption, QPointF at,
          TQvContentAlignment align = TQvContentAlignment::TopLeft, float angle = 0)
{
    rec.SetCaption(caption);
    rec.X = float(at.x());
    rec.Y = float(at.y());
    rec.Align = align;
    rec.Angle = angle;
    rec.Measure(p.device());

    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.translate(at);
    p.rotate(-angle);
    p.setPen(QPen(QColor(190, 190, 190), 0));
    p.setBrush(Qt::NoBrush);
    p.drawRect(rec.UnrotatedBox());
    p.restore();

    rec.Draw(p);

    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(220, 0, 0));
    p.drawEllipse(at, 2, 2);
    p.restore();
}

void Label(QPainter& p, QPointF at, const QString& text)
{
    p.save();
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPointSizeF(7);
    p.setFont(f);
    p.setPen(QColor(110, 110, 110));
    p.drawText(at, text);
    p.restore();
}

void Heading(QPainter& p, QPointF at, const QString& text)
{
    p.save();
    QFont f = p.font();
    f.setPointSizeF(11);
    f.setBold(true);
    p.setFont(f);
    p.setPen(Qt::black);
    p.drawText(at, text);
    p.restore();
}

} // namespace

void DrawCaptionsSection(QPainter& p, const QRectF& area)
{
    p.save();
    p.setClipRect(area);
    p.translate(area.topLeft());
    const double w = area.width();

    TQvFont font;
    font.SetName(QStringLiteral("Arial"));
    font.SetSize(12);
    TQvRichCaptionRec rec;
    rec.Font = &font;

    // Registered variable for the placeholder demonstration.
    QObject form;
    form.setObjectName(QStringLiteral("Sheet"));
    auto* series = new QObject(&form);
    series->setObjectName(QStringLiteral("Series1"));
    QvRegisterCaptionVariable(series, QStringLiteral("Caption"),
                              QStringLiteral("Caption of the series e.g. used in legends"),
                              [] { return QStringLiteral("pO\\-2\\- of step 3"); });

    Heading(p, {20, 14}, QStringLiteral("Rich captions (measured box in grey, anchor in red)"));
    double y = 24;
    const double col2 = w * 0.5;
    Label(p, {20, y + 8}, QStringLiteral("subscript, axis caption"));
    Show(p, rec, QStringLiteral("log pO\\-2\\-"), {20, y + 12});
    Show(p, rec, QStringLiteral("Cell pO\\-2\\-, log(pO\\-2\\-/atm)"), {122, y + 12});
    y += 44;
    Label(p, {20, y + 8}, QStringLiteral("superscript, bold, italic, underline, strike-out"));
    Show(p, rec, QStringLiteral("x\\+2\\+ + y\\+-1/4\\+  \\bbold\\b \\iitalic\\i \\uunder\\u \\ostrike\\o"), {20, y + 12});
    y += 44;
    Label(p, {20, y + 8}, QStringLiteral("colour escapes, font change"));
    Show(p, rec,
         QStringLiteral("\\c[A=255,R=0,G=0,B=255]blue\\c[] \\c[A=255,R=200,G=0,B=0]red\\c[] "
                        "\\c[A=110,R=0,G=140,B=0]translucent green\\c[] \\f[Times New Roman]Times\\f[] Arial"),
         {20, y + 12});
    y += 44;
    Label(p, {20, y + 8}, QStringLiteral("three lines, centred (TopCenter), bold across a break"));
    Show(p, rec, QStringLiteral("I\\-pump\\- / A\r\\bnet current\rafter leakage\\b"), {col2 * 0.5, y + 12},
         TQvContentAlignment::TopCenter);
    Label(p, {col2, y + 8}, QStringLiteral("placeholders"));
    Show(p, rec,
         QStringLiteral("<%Sheet.Series1.Caption%>; 2\\+10\\+ = <%2*512;#,##0%>; <%<%lit%>%>; <%nothing%>"),
         {col2, y + 12});
    y += 80;

    // Rotations and alignments about their anchors.
    Label(p, {20, y + 8}, QStringLiteral("rotated 90 (MiddleCenter), 45 (MiddleLeft), 270 (TopCenter)"));
    const double ry = y + 12;
    Show(p, rec, QStringLiteral("Cell pO\\-2\\-, log(pO\\-2\\-/atm)"), {40, ry + 100},
         TQvContentAlignment::MiddleCenter, 90);
    Show(p, rec, QStringLiteral("45\\+o\\+ MiddleLeft"), {80, ry + 170}, TQvContentAlignment::MiddleLeft, 45);
    Show(p, rec, QStringLiteral("I / mA"), {240, ry + 100}, TQvContentAlignment::TopCenter, 270);

    // The draw effects.
    const double ex = col2;
    Label(p, {ex, y + 8}, QStringLiteral("draw effects: none, Shadow, Outline, Lowered, Raised"));
    const TQvDrawEffects effects[] = {0, QvEffectBit(TQvDrawEffect::Shadow), QvEffectBit(TQvDrawEffect::Outline),
                                      QvEffectBit(TQvDrawEffect::Lowered), QvEffectBit(TQvDrawEffect::Raised)};
    TQvFont big;
    big.SetName(QStringLiteral("Arial"));
    big.SetSize(18);
    big.SetStyle(QvFontStyle::Bold);
    big.SetFillColor(0xFF2050A0);
    TQvRichCaptionRec er;
    er.Font = &big;
    double ey = y + 14;
    for (TQvDrawEffects e : effects) {
        big.SetDrawEffects(e);
        p.fillRect(QRectF(ex, ey, w - ex - 8, 32), QColor(200, 200, 200));
        Show(p, er, QStringLiteral("Effect pO\\-2\\-"), {ex + 6, ey + 2});
        ey += 36;
    }

    // A gradient fill.
    big.SetDrawEffects(0);
    big.Gradient()->SetVisible(true);
    big.Gradient()->SetFirstColor(0xFFC00000);
    big.Gradient()->SetMiddleColor(0xFFE0A000);
    big.Gradient()->SetLastColor(0xFF0040C0);
    Label(p, {ex, ey + 8}, QStringLiteral("gradient fill"));
    Show(p, er, QStringLiteral("Gradient caption"), {ex + 6, ey + 12});

    p.restore();
}
