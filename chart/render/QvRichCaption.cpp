#include "QvRichCaption.h"

#include "QvComponent.h"
#include "QvFormat.h"

#include <QObject>
#include <QPointer>

#include <algorithm>
#include <charconv>
#include <cmath>

// ---------------------------------------------------------------------------------------------
// Parsing

namespace {

// The argument of "\c[...]" or "\f[...]": from the third character after the backslash at Pos
// up to the next "]" (or the end). Next receives the index after the "]".
QString BracketArgument(const QString& s, int Pos, int& Next)
{
    const int start = Pos + 3;
    if (start > s.size()) {
        Next = s.size();
        return {};
    }
    const int close = s.indexOf(QLatin1Char(']'), start);
    if (close < 0) {
        Next = s.size();
        return s.mid(start);
    }
    Next = close + 1;
    return s.mid(start, close - start);
}

} // namespace

bool QvParseCaptionColor(const QString& Argument, TQvColor& Color)
{
    int a = 255, r = 0, g = 0, b = 0;
    const QStringList parts = Argument.split(QLatin1Char(','));
    for (const QString& rawPart : parts) {
        const QString part = rawPart.trimmed();
        if (part.isEmpty())
            continue;
        const int eq = part.indexOf(QLatin1Char('='));
        if (eq < 0)
            return false;
        const QString key = part.left(eq).trimmed().toUpper();
        const QString value = part.mid(eq + 1).trimmed();
        if (value.isEmpty())
            return false;
        int v = 0;
        for (const QChar c : value) {
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return false;
            v = qMin(v * 10 + (c.unicode() - '0'), 1000);
        }
        v = qMin(v, 255);
        if (key == QLatin1String("A"))
            a = v;
        else if (key == QLatin1String("R"))
            r = v;
        else if (key == QLatin1String("G"))
            g = v;
        else if (key == QLatin1String("B"))
            b = v;
        else
            return false;
    }
    Color = (TQvColor(a) << 24) | (TQvColor(r) << 16) | (TQvColor(g) << 8) | TQvColor(b);
    return true;
}

QString QvCaptionColorArgument(TQvColor Color)
{
    return QStringLiteral("A=%1,R=%2,G=%3,B=%4")
        .arg(Color >> 24)
        .arg((Color >> 16) & 0xFF)
        .arg((Color >> 8) & 0xFF)
        .arg(Color & 0xFF);
}

QVector<TQvRichToken> QvParseRichCaption(const TQvRichCaption& Caption)
{
    QVector<TQvRichToken> tokens;
    QString run;
    auto flush = [&] {
        if (!run.isEmpty()) {
            TQvRichToken t;
            t.Text = run;
            tokens.push_back(t);
            run.clear();
        }
    };
    auto add = [&](TQvRichToken::TKind Kind, const QString& Text = QString(), TQvColor Color = 0,
                   bool Escaped = false) {
        TQvRichToken t;
        t.Kind = Kind;
        t.Text = Text;
        t.Color = Color;
        t.Escaped = Escaped;
        tokens.push_back(t);
    };

    const QString& s = Caption;
    const int n = s.size();
    int i = 0;
    while (i < n) {
        const QChar c = s.at(i);
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            // A carriage return breaks the line; so does a line feed, and CR LF counts once.
            flush();
            add(TQvRichToken::tkLineBreak);
            if (c == QLatin1Char('\r') && i + 1 < n && s.at(i + 1) == QLatin1Char('\n'))
                ++i;
            ++i;
            continue;
        }
        if (c != QLatin1Char('\\')) {
            run += c;
            ++i;
            continue;
        }
        flush();
        if (i + 1 >= n) {
            // A backslash at the very end has nothing to escape and is dropped.
            ++i;
            break;
        }
        const QChar e = s.at(i + 1);
        switch (e.unicode()) {
        case '+':
            add(TQvRichToken::tkSuperscript);
            break;
        case '-':
            add(TQvRichToken::tkSubscript);
            break;
        case 'b':
            add(TQvRichToken::tkBold);
            break;
        case 'i':
            add(TQvRichToken::tkItalic);
            break;
        case 'u':
            add(TQvRichToken::tkUnderline);
            break;
        case 'o':
            add(TQvRichToken::tkStrikeOut);
            break;
        case 'c': {
            int next = 0;
            const QString arg = BracketArgument(s, i, next);
            TQvColor color = 0;
            if (arg.trimmed().isEmpty())
                add(TQvRichToken::tkColorReset);
            else if (QvParseCaptionColor(arg, color))
                add(TQvRichToken::tkColor, QString(), color);
            i = next;
            continue;
        }
        case 'f': {
            int next = 0;
            const QString arg = BracketArgument(s, i, next).trimmed();
            if (arg.isEmpty())
                add(TQvRichToken::tkFontReset);
            else
                add(TQvRichToken::tkFontName, arg);
            i = next;
            continue;
        }
        default:
            // "\\" is a backslash, any other escaped character is itself.
            add(TQvRichToken::tkText, QString(e), 0, true);
            break;
        }
        i += 2;
    }
    flush();
    return tokens;
}

QString QvRichCaptionPlainText(const TQvRichCaption& Caption)
{
    QString out;
    for (const TQvRichToken& t : QvParseRichCaption(Caption)) {
        if (t.Kind == TQvRichToken::tkText)
            out += t.Text;
        else if (t.Kind == TQvRichToken::tkLineBreak)
            out += QLatin1Char('\r');
    }
    return out;
}

// ---------------------------------------------------------------------------------------------
// Variables

namespace {

struct TVariable
{
    QPointer<QObject> Component;
    QString Name;
    QString Description;
    TQvCaptionVariableGetter Getter;
};

QVector<TVariable>& Variables()
{
    // Never destroyed: a component held in a static may end its variables while the process
    // exits, after a table with static lifetime would already be gone.
    static QVector<TVariable>& variables = *new QVector<TVariable>;
    return variables;
}

void PurgeVariables()
{
    auto& vars = Variables();
    vars.erase(std::remove_if(vars.begin(), vars.end(),
                              [](const TVariable& v) { return v.Component.isNull(); }),
               vars.end());
}

// Placeholders inside variables are expanded again; this bounds self-referring variables.
constexpr int MaxExpansionDepth = 8;
// Bounds the nesting of parentheses and signs in expressions.
constexpr int MaxExpressionDepth = 200;

QString Expand(const QString& Caption, const QObject* Context, int Depth);

bool ParseDecimal(const QString& Text, double& Result)
{
    QString s = Text.trimmed();
    const QChar sep = QvDecimalSeparator();
    if (sep != QLatin1Char('.'))
        s.replace(sep, QLatin1Char('.'));
    if (s.startsWith(QLatin1Char('+')))
        s.remove(0, 1);
    if (s.isEmpty())
        return false;
    for (const QChar c : s)
        if (!((c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('.')
              || c == QLatin1Char('-') || c == QLatin1Char('+') || c == QLatin1Char('e')
              || c == QLatin1Char('E')))
            return false;
    const QByteArray b = s.toLatin1();
    double v = 0;
    const auto res = std::from_chars(b.constData(), b.constData() + b.size(), v);
    if (res.ec != std::errc() || res.ptr != b.constData() + b.size() || !std::isfinite(v))
        return false;
    Result = v;
    return true;
}

// Recursive descent over + - * / × ÷ ( ) and unary signs.
class TExpression
{
public:
    TExpression(const QString& Text, const QObject* Context, int Depth)
        : s(Text), ctx(Context), expansionDepth(Depth)
    {
    }

    bool Evaluate(double& Result)
    {
        if (!Sum(Result))
            return false;
        SkipBlanks();
        return pos == s.size() && std::isfinite(Result);
    }

private:
    const QString& s;
    const QObject* ctx;
    int expansionDepth;
    int pos = 0;
    int depth = 0;

    void SkipBlanks()
    {
        while (pos < s.size() && s.at(pos).isSpace())
            ++pos;
    }
    QChar Peek()
    {
        SkipBlanks();
        return pos < s.size() ? s.at(pos) : QChar();
    }
    static bool IsMinus(QChar c) { return c == QLatin1Char('-') || c == QChar(0x2212); }
    static bool IsTimes(QChar c) { return c == QLatin1Char('*') || c == QChar(0x00D7); }
    static bool IsDivide(QChar c) { return c == QLatin1Char('/') || c == QChar(0x00F7); }

    bool Sum(double& v)
    {
        if (!Product(v))
            return false;
        for (;;) {
            const QChar c = Peek();
            if (c != QLatin1Char('+') && !IsMinus(c))
                return true;
            ++pos;
            double r = 0;
            if (!Product(r))
                return false;
            v = c == QLatin1Char('+') ? v + r : v - r;
        }
    }
    bool Product(double& v)
    {
        if (!Unary(v))
            return false;
        for (;;) {
            const QChar c = Peek();
            if (!IsTimes(c) && !IsDivide(c))
                return true;
            ++pos;
            double r = 0;
            if (!Unary(r))
                return false;
            if (IsDivide(c)) {
                if (r == 0)
                    return false;
                v /= r;
            } else {
                v *= r;
            }
        }
    }
    bool Unary(double& v)
    {
        if (++depth > MaxExpressionDepth)
            return false;
        const QChar c = Peek();
        bool ok;
        if (c == QLatin1Char('+') || IsMinus(c)) {
            ++pos;
            ok = Unary(v);
            if (ok && c != QLatin1Char('+'))
                v = -v;
        } else {
            ok = Primary(v);
        }
        --depth;
        return ok;
    }
    bool Primary(double& v)
    {
        const QChar c = Peek();
        if (c == QLatin1Char('(')) {
            ++pos;
            if (!Sum(v) || Peek() != QLatin1Char(')'))
                return false;
            ++pos;
            return true;
        }
        if (c.isDigit() || c == QLatin1Char('.'))
            return Number(v);
        if (c.isLetter() || c == QLatin1Char('_'))
            return Variable(v);
        return false;
    }
    bool Number(double& v)
    {
        const int start = pos;
        while (pos < s.size() && (s.at(pos).isDigit() || s.at(pos) == QLatin1Char('.')))
            ++pos;
        if (pos < s.size() && (s.at(pos) == QLatin1Char('e') || s.at(pos) == QLatin1Char('E'))) {
            int p = pos + 1;
            if (p < s.size() && (s.at(p) == QLatin1Char('+') || s.at(p) == QLatin1Char('-')))
                ++p;
            if (p < s.size() && s.at(p).isDigit()) {
                while (p < s.size() && s.at(p).isDigit())
                    ++p;
                pos = p;
            }
        }
        const QByteArray b = s.mid(start, pos - start).toLatin1();
        const auto res = std::from_chars(b.constData(), b.constData() + b.size(), v);
        return res.ec == std::errc() && res.ptr == b.constData() + b.size();
    }
    bool Variable(double& v)
    {
        const int start = pos;
        while (pos < s.size()
               && (s.at(pos).isLetterOrNumber() || s.at(pos) == QLatin1Char('_')
                   || s.at(pos) == QLatin1Char('.')))
            ++pos;
        QString text;
        if (!QvFindCaptionVariable(s.mid(start, pos - start), ctx, text))
            return false;
        if (expansionDepth >= MaxExpansionDepth)
            return false;
        return ParseDecimal(Expand(text, ctx, expansionDepth + 1), v);
    }
};

bool Evaluate(const QString& Expression, const QObject* Context, int Depth, double& Result)
{
    TExpression e(Expression, Context, Depth);
    return e.Evaluate(Result);
}

// The text of one placeholder's content, or "..." when it yields nothing.
QString Resolve(const QString& Name, const QObject* Context, int Depth)
{
    const QString name = Name.trimmed();
    QString text;
    if (QvFindCaptionVariable(name, Context, text)) {
        if (Depth >= MaxExpansionDepth)
            return QvPlaceholderFailureText();
        text = Expand(text, Context, Depth + 1);
        return text.isEmpty() ? QvPlaceholderFailureText() : text;
    }
    const int semi = name.indexOf(QLatin1Char(';'));
    const QString expression = semi < 0 ? name : name.left(semi);
    const QString format = semi < 0 ? QString() : name.mid(semi + 1).trimmed();
    double v = 0;
    if (expression.trimmed().isEmpty() || !Evaluate(expression, Context, Depth, v))
        return QvPlaceholderFailureText();
    text = format.isEmpty() ? QvFormatGeneral(v) : QvFormatFloat(format, v);
    return text.isEmpty() ? QvPlaceholderFailureText() : text;
}

QString Expand(const QString& Caption, const QObject* Context, int Depth)
{
    if (!Caption.contains(QLatin1String("<%")) && !Caption.contains(QLatin1String("%>%>")))
        return Caption;
    static const QString open = QStringLiteral("<%");
    static const QString close = QStringLiteral("%>");
    QString out;
    const int n = Caption.size();
    int i = 0;
    while (i < n) {
        if (QStringView(Caption).mid(i, 4) == QLatin1String("<%<%")) {
            out += open;
            i += 4;
        } else if (QStringView(Caption).mid(i, 4) == QLatin1String("%>%>")) {
            out += close;
            i += 4;
        } else if (QStringView(Caption).mid(i, 2) == open) {
            const int end = Caption.indexOf(close, i + 2);
            if (end < 0) {
                // An unterminated placeholder stays as it is.
                out += Caption.mid(i);
                break;
            }
            out += Resolve(Caption.mid(i + 2, end - i - 2), Context, Depth);
            i = end + 2;
        } else {
            out += Caption.at(i);
            ++i;
        }
    }
    return out;
}

} // namespace

void QvRegisterCaptionVariable(QObject* Component, const QString& Name, const QString& Description,
                               TQvCaptionVariableGetter Getter)
{
    if (!Component || Name.isEmpty())
        return;
    PurgeVariables();
    for (TVariable& v : Variables()) {
        if (v.Component == Component && v.Name.compare(Name, Qt::CaseInsensitive) == 0) {
            v.Description = Description;
            v.Getter = std::move(Getter);
            return;
        }
    }
    Variables().push_back({Component, Name, Description, std::move(Getter)});
}

void QvUnregisterCaptionVariables(QObject* Component)
{
    auto& vars = Variables();
    vars.erase(std::remove_if(vars.begin(), vars.end(),
                              [Component](const TVariable& v) {
                                  return v.Component.isNull() || v.Component == Component;
                              }),
               vars.end());
}

QVector<TQvCaptionVariableInfo> QvCaptionVariables()
{
    PurgeVariables();
    QVector<TQvCaptionVariableInfo> out;
    for (const TVariable& v : Variables()) {
        const QString owner = QvFullName(v.Component);
        if (!owner.isEmpty())
            out.push_back({owner + QLatin1Char('.') + v.Name, v.Description});
    }
    return out;
}

bool QvFindCaptionVariable(const QString& Key, const QObject* Context, QString& Text)
{
    if (Key.isEmpty())
        return false;
    PurgeVariables();
    QStringList keys;
    const QString context = QvFullName(Context);
    if (!context.isEmpty())
        keys << context + QLatin1Char('.') + Key;
    keys << Key;
    for (const QString& key : keys) {
        for (const TVariable& v : Variables()) {
            const QString owner = QvFullName(v.Component);
            if (owner.isEmpty())
                continue;
            if ((owner + QLatin1Char('.') + v.Name).compare(key, Qt::CaseInsensitive) == 0) {
                Text = v.Getter ? v.Getter() : QString();
                return true;
            }
        }
    }
    return false;
}

bool QvEvaluateCaptionExpression(const QString& Expression, const QObject* Context, double& Result)
{
    return Evaluate(Expression, Context, 0, Result);
}

TQvRichCaption QvExpandCaptionPlaceholders(const TQvRichCaption& Caption, const QObject* Context)
{
    return Expand(Caption, Context, 0);
}
