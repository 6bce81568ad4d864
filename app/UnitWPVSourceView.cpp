#include "UnitWPVSourceView.h"

#include "UnitWPVFileNames.h"
#include "UnitWPVMemory.h"
#include "UnitWPVTexts.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStringDecoder>

#include <algorithm>
#include <cstring>

namespace {
// Scroll positions are ints: beyond this many lines one scroll step covers several lines.
constexpr qsizetype MaxScrollLines = 1'000'000'000;
} // namespace

TWPVSourceText::TWPVSourceText(const QString& aFileName)
{
    QFile file;
    const QString failure = WPVOpenFile(file, aFileName, QIODevice::ReadOnly | QIODevice::Unbuffered);
    if (!failure.isEmpty())
        throw EWPVDataError(QStringLiteral("Cannot open file \"%1\": %2").arg(WPVDisplayFileName(aFileName), failure));
    ReadAll(file, aFileName);
    const unsigned char* u = reinterpret_cast<const unsigned char*>(fBytes);
    std::size_t skip = 0;
    bool checkUtf8 = true;
    if (fSize >= 3 && u[0] == 0xEF && u[1] == 0xBB && u[2] == 0xBF) {
        skip = 3;
        checkUtf8 = false;
    } else if (fSize >= 2 && ((u[0] == 0xFF && u[1] == 0xFE) || (u[0] == 0xFE && u[1] == 0xFF))) {
        ConvertUtf16(u[0] == 0xFF);
        checkUtf8 = false;
    }
    // A text object used only for decoding lines in the file's encoding.
    const bool utf8 = !checkUtf8 || WPVIsValidUtf8(fBytes + skip, fSize - skip);
    fDecoder = TWPVLines::FromBytes(utf8 ? QByteArray() : QByteArray("\x80"));
    Index(skip);
}

TWPVSourceText::~TWPVSourceText()
{
    Free();
}

QString TWPVSourceText::Line(qsizetype i) const
{
    if (i < 0 || i >= Count())
        return QString();
    const char* b = fBytes + fStarts[std::size_t(i)];
    const char* e = WPVLineEnd(b, fBytes + fSize);
    return fDecoder.Decode(QByteArrayView(b, e - b), false);
}

void TWPVSourceText::ReadAll(QFile& aFile, const QString& aFileName)
{
    const auto failed = [&] {
        throw EWPVDataError(QStringLiteral("Cannot read file \"%1\": %2").arg(aFileName, aFile.errorString()));
    };
    Reserve(std::size_t(std::max<qint64>(0, aFile.size())));
    for (;;) {
        if (fSize == fCapacity) {
            // Full: the file may have grown since its size was taken.
            char probe = 0;
            const qint64 r = aFile.read(&probe, 1);
            if (r < 0)
                failed();
            if (r == 0)
                return;
            Reserve(std::max<std::size_t>(fCapacity * 2, 4096));
            fBytes[fSize++] = probe;
            continue;
        }
        const qint64 r = aFile.read(fBytes + fSize, qint64(fCapacity - fSize));
        if (r < 0)
            failed();
        if (r == 0)
            return;
        fSize += std::size_t(r);
    }
}

void TWPVSourceText::Reserve(std::size_t aCapacity)
{
    aCapacity = std::max<std::size_t>(aCapacity, 1);
    char* bytes = static_cast<char*>(WPVAllocateLarge(aCapacity));
    if (fSize > 0)
        std::memcpy(bytes, fBytes, fSize);
    const std::size_t size = fSize;
    Free();
    fBytes = bytes;
    fCapacity = aCapacity;
    fSize = size;
}

void TWPVSourceText::Free() noexcept
{
    if (fBytes)
        WPVFreeLarge(fBytes, fCapacity);
    fBytes = nullptr;
    fCapacity = fSize = 0;
}

void TWPVSourceText::ConvertUtf16(bool aLittleEndian)
{
    QStringDecoder decoder(aLittleEndian ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE);
    const QString text = decoder(QByteArrayView(fBytes + 2, qsizetype(fSize - 2)));
    const QByteArray utf8 = text.toUtf8();
    Free();
    Reserve(std::size_t(utf8.size()));
    std::memcpy(fBytes, utf8.constData(), std::size_t(utf8.size()));
    fSize = std::size_t(utf8.size());
}

void TWPVSourceText::Index(std::size_t aFrom)
{
    const char* e = fBytes + fSize;
    const char* p = fBytes + aFrom;
    while (p < e) {
        fStarts.push_back(std::size_t(p - fBytes));
        p = WPVNextLine(WPVLineEnd(p, e), e);
    }
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
        fMaxChars = std::max<int>(fMaxChars, int(SourceLineText(source.Lines->Line(i)).size()));
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
    return SourceLineText(s->Lines->Line(i - s->First));
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
