#include "UnitWPVSourceView.h"

#include "UnitWPVTexts.h"

#include <QApplication>
#include <QClipboard>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>

namespace {
// Scroll positions are ints: beyond this many lines one scroll step covers several lines.
constexpr qsizetype MaxScrollLines = 1'000'000'000;
} // namespace

TWPVSourceView::TWPVSourceView(QWidget* aParent) : QAbstractScrollArea(aParent)
{
    setFocusPolicy(Qt::StrongFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
    UpdateScrollBars();
}

TWPVSourceView::~TWPVSourceView() = default;

void TWPVSourceView::AppendFile(const QString& aFileName)
{
    TSource source;
    source.Lines = std::make_unique<TWPVLines>(TWPVLines::FromFile(aFileName));
    source.Count = source.Lines->Count();
    source.First = fTotal;
    // The widest of the first lines (header and variables) sets the first scroll width; wider
    // lines further down widen it when they are painted.
    for (qsizetype i = 0; i < std::min<qsizetype>(source.Count, 200); ++i)
        fMaxChars = std::max<int>(fMaxChars, int(SourceLineText(source.Lines->Line(i, false)).size()));
    fTotal += source.Count;
    fSources.push_back(std::move(source));
    UpdateScrollBars();
    viewport()->update();
}

const TWPVSourceView::TSource* TWPVSourceView::SourceOf(qsizetype i) const
{
    auto it = std::upper_bound(fSources.begin(), fSources.end(), i,
                               [](qsizetype v, const TSource& s) { return v < s.First; });
    if (it == fSources.begin())
        return nullptr;
    --it;
    return i < it->First + it->Count ? &*it : nullptr;
}

QString TWPVSourceView::LineText(qsizetype i) const
{
    const TSource* s = SourceOf(i);
    if (!s)
        return QString();
    return SourceLineText(s->Lines->Line(i - s->First, false));
}

QString TWPVSourceView::Text() const
{
    QStringList lines;
    lines.reserve(fTotal);
    for (qsizetype i = 0; i < fTotal; ++i)
        lines << LineText(i);
    return lines.join(u'\n');
}

int TWPVSourceView::LineHeight() const
{
    return std::max(1, QFontMetrics(font()).lineSpacing());
}

qsizetype TWPVSourceView::TopLine() const
{
    const qsizetype perStep = std::max<qsizetype>(1, (fTotal + MaxScrollLines - 1) / MaxScrollLines);
    return qsizetype(verticalScrollBar()->value()) * perStep;
}

void TWPVSourceView::UpdateScrollBars()
{
    const int page = std::max(1, viewport()->height() / LineHeight());
    const qsizetype perStep = std::max<qsizetype>(1, (fTotal + MaxScrollLines - 1) / MaxScrollLines);
    verticalScrollBar()->setRange(0, int(std::max<qsizetype>(0, fTotal - page) / perStep));
    verticalScrollBar()->setPageStep(std::max(1, int(page / perStep)));
    verticalScrollBar()->setSingleStep(1);
    const int charWidth = std::max(1, QFontMetrics(font()).horizontalAdvance(u'0'));
    horizontalScrollBar()->setRange(0, std::max(0, fMaxChars * charWidth + 8 - viewport()->width()));
    horizontalScrollBar()->setPageStep(std::max(1, viewport()->width()));
    horizontalScrollBar()->setSingleStep(charWidth * 4);
}

void TWPVSourceView::paintEvent(QPaintEvent*)
{
    QPainter p(viewport());
    p.setFont(font());
    p.setPen(palette().color(QPalette::Text));
    const int lh = LineHeight();
    const QFontMetrics fm(font());
    const qsizetype top = TopLine();
    const int rows = viewport()->height() / lh + 1;
    const int x = 4 - horizontalScrollBar()->value();
    int widest = fMaxChars;
    for (int r = 0; r < rows && top + r < fTotal; ++r) {
        const QString text = LineText(top + r);
        widest = std::max<int>(widest, int(text.size()));
        p.drawText(x, r * lh + fm.ascent(), text);
    }
    if (widest > fMaxChars) {
        fMaxChars = widest;
        UpdateScrollBars();
    }
}

void TWPVSourceView::resizeEvent(QResizeEvent* e)
{
    QAbstractScrollArea::resizeEvent(e);
    UpdateScrollBars();
}

void TWPVSourceView::changeEvent(QEvent* e)
{
    QAbstractScrollArea::changeEvent(e);
    if (e->type() == QEvent::FontChange)
        UpdateScrollBars();
}

void TWPVSourceView::keyPressEvent(QKeyEvent* e)
{
    QScrollBar* v = verticalScrollBar();
    if (e->matches(QKeySequence::MoveToStartOfDocument))
        v->setValue(v->minimum());
    else if (e->matches(QKeySequence::MoveToEndOfDocument))
        v->setValue(v->maximum());
    else if (e->matches(QKeySequence::Copy)) {
        // Copies the lines in view.
        QStringList lines;
        const int rows = viewport()->height() / LineHeight();
        for (int r = 0; r < rows && TopLine() + r < fTotal; ++r)
            lines << LineText(TopLine() + r);
        QApplication::clipboard()->setText(lines.join(u'\n'));
    } else
        QAbstractScrollArea::keyPressEvent(e);
}
