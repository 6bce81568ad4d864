// libFuzzer target: the caption markup. The input (UTF-8 after one byte of drawing options) is a
// caption with markup and placeholders; it is parsed, expanded, measured and drawn into a small
// image, turned and aligned as the first byte says. Nothing may crash, hang or grow without end.
//
// With TARNWELL_FUZZ_SEEDS=<folder> in the environment the target writes a seed corpus of
// captions into that folder and exits.
#include "QvComponent.h"
#include "QvFont.h"
#include "QvRichCaption.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QObject>
#include <QPainter>

#include <cstdint>
#include <cstdlib>

namespace {

// A named component with caption variables, one of which refers to itself.
QObject* Form()
{
    static QObject* form = [] {
        auto* o = new QObject;
        o->setObjectName(QStringLiteral("Form1"));
        QvRegisterRoot(o);
        QvRegisterCaptionVariable(o, QStringLiteral("Value"), QStringLiteral("a number"),
                                  [] { return QStringLiteral("12.5"); });
        QvRegisterCaptionVariable(o, QStringLiteral("Rich"), QStringLiteral("markup"),
                                  [] { return QStringLiteral("pO\\-2\\- \\c[A=255,R=200]red\\c[]"); });
        QvRegisterCaptionVariable(o, QStringLiteral("Self"), QStringLiteral("refers to itself"),
                                  [] { return QStringLiteral("<%Form1.Self%>!"); });
        return o;
    }();
    return form;
}

const char* const Seeds[] = {
    "log pO\\-2\\-, atm",
    "\\bBold\\b \\iitalic\\i \\uunder\\u \\ostrike\\o",
    "x\\+2\\+ + y\\-i\\-\rsecond line",
    "\\c[A=128,R=255,G=0,B=0]red\\c[] back \\f[DejaVu Serif]serif\\f[]",
    "Value <%Form1.Value%> and <%Form1.Value * 2 + 1;0.00%>",
    "<%Form1.Rich%> <%<% literal %>%> <%Form1.Self%>",
    "\\\\ backslash \\q other",
};

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("QT_QPA_FONTDIR"))
        qputenv("QT_QPA_FONTDIR", "/usr/share/fonts/truetype");
    static QGuiApplication app(*argc, *argv);
    Form();
    if (qEnvironmentVariableIsSet("TARNWELL_FUZZ_SEEDS")) {
        const QString folder = qEnvironmentVariable("TARNWELL_FUZZ_SEEDS");
        QDir().mkpath(folder);
        int n = 0;
        for (const char* s : Seeds) {
            QFile f(QStringLiteral("%1/seed_%2").arg(folder).arg(n));
            if (!f.open(QIODevice::WriteOnly))
                std::abort();
            f.write(QByteArray(1, char(n * 37)) + QByteArray(s));
            ++n;
        }
        std::exit(0);
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const uint8_t options = data[0];
    const TQvRichCaption caption = QString::fromUtf8(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    static TQvFont font;
    (void)QvParseRichCaption(caption);
    (void)QvRichCaptionPlainText(caption);
    const TQvRichCaption expanded = QvExpandCaptionPlaceholders(caption, Form());
    (void)QvParseRichCaption(expanded);
    const QSizeF box = QvMeasureRichCaption(caption, &font, Form());
    if (!(box.width() >= 0) || !(box.height() >= 0))
        std::abort();
    static QImage image(64, 48, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter p(&image);
    const auto align = TQvContentAlignment(options % 9);
    const float angle = float((options / 9) % 4) * 90.0f + ((options & 0x80) ? 30.0f : 0.0f);
    QvDrawRichCaption(p, caption, &font, QPointF(32, 24), align, angle, 0, Form());
    return 0;
}
