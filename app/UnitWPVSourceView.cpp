#include "UnitWPVSourceView.h"

#include "UnitWPVTexts.h"

#include <QApplication>
#include <QClipboard>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>
#include <cstring>
#include <limits>

namespace {
// Scroll positions are ints: beyond this many lines one scroll step covers several lines.
constexpr qsizetype MaxScrollLines = 1'000'000'000;
} // namespace

TWPVSourceText::TWPVSourceText(const QString& aFileName)
    : TWPVSourceText(TWPVText::Read(aFileName))
{
}

TWPVSourceText::TWPVSourceText(std::shared_ptr<const TWPVText> aText)
    : fText(std::move(aText))
{
    Index();
}

TWPVSourceText::~TWPVSourceText() = default;

QByteArrayView TWPVSourceText::RawLine(qsizetype i) const
{
    if (i < 0 || i >= Count())
        return QByteArrayView();
    const char* end = fText->Data() + fText->Size();
    const char* b = fText->Data() + fStarts[std::size_t(i)];
    return QByteArrayView(b, WPVLineEnd(b, end) - b);
}

QString TWPVSourceText::Line(qsizetype i) const
{
    return fText->Decode(RawLine(i), false);
}

void TWPVSourceText::Index()
{
    const char* data = fText->Data();
    const char* e = data + fText->Size();
    for (const char* p = data; p < e; p = WPVNextLine(WPVLineEnd(p, e), e))
        fStarts.push_back(std::size_t(p - data));
}

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

std::unique_ptr<TWPVSourceText> TWPVSourceView::ReadFile(const QString& aFileName)
{
    return std::make_unique<TWPVSourceText>(aFileName);
}

void TWPVSourceView::AppendFile(const QString& aFileName)
{
    AppendText(ReadFile(aFileName));
}

void TWPVSourceView::AppendText(std::unique_ptr<TWPVSourceText> aText)
{
    if (!aText)
        return;
    TSource source;
    source.Lines = std::move(aText);
    source.Count = source.Lines->Count();
    source.First = fTotal;
    // The widest of the first lines (header and variables) sets the first scroll width; wider
    // lines further down widen it when they are painted.
    for (qsizetype i = 0; i < std::min<qsizetype>(source.Count, 200); ++i)
        fMaxChars = std::max(fMaxChars, SourceLineWidth(source.Lines->RawLine(i)));
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
    return LineText(i, 0, -1);
}

QString TWPVSourceView::LineText(qsizetype i, qsizetype aFrom, qsizetype aCount) const
{
    const TSource* s = SourceOf(i);
    if (!s)
        return QString();
    QString text;
    WriteSourceLine(s->Lines->RawLine(i - s->First), s->Lines->Codec(), [&text](QStringView v) { text += v; }, aFrom,
                    aCount);
    return text;
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
    // Across in characters (the font is fixed-pitch): a line of many megabytes does not fit a
    // scroll range in pixels.
    const int charWidth = std::max(1, QFontMetrics(font()).horizontalAdvance(u'0'));
    const int columns = std::max(1, (viewport()->width() - 8) / charWidth);
    horizontalScrollBar()->setRange(0, int(std::clamp<qsizetype>(fMaxChars - columns, 0, std::numeric_limits<int>::max())));
    horizontalScrollBar()->setPageStep(columns);
    horizontalScrollBar()->setSingleStep(4);
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
    // Only the characters in view are made and drawn.
    const int charWidth = std::max(1, fm.horizontalAdvance(u'0'));
    const qsizetype first = horizontalScrollBar()->value();
    const qsizetype columns = viewport()->width() / charWidth + 2;
    qsizetype widest = fMaxChars;
    for (int r = 0; r < rows && top + r < fTotal; ++r) {
        const TSource* s = SourceOf(top + r);
        widest = std::max(widest, SourceLineWidth(s->Lines->RawLine(top + r - s->First)));
        p.drawText(4, r * lh + fm.ascent(), LineText(top + r, first, columns));
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
