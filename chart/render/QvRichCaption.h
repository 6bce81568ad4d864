#pragma once
// The caption markup of the chart library: parsing a caption into text runs and style switches,
// expanding its placeholders, and the registry of caption variables.
//
// Markup (a backslash and one character):
//   \+ superscript on/off (ends a subscript first)     \- subscript on/off (ends a superscript)
//   \b bold   \i italic   \u underline   \o strike-out  (each toggles)
//   \\ a backslash
//   \c[A=255,R=0,G=0,B=255]  continue in that ARGB colour; \c[] back to the caption's colour
//   \f[Times New Roman]      continue in that font family; \f[] back to the caption font's family
//   \ followed by any other character: that character as text
//   carriage return (character 13): line break
// Switches last to the end of the caption or until switched again; a line break does not reset
// them. A bracketed argument runs from the third character after the backslash to the next "]".
//
// Placeholders: "<%name%>" is replaced before the caption is measured or drawn; "<%<%" stands for
// a literal "<%" and "%>%>" for a literal "%>". The name is first looked up (case-insensitively)
// among the registered caption variables, whose key is the registering component's full name, a
// "." and the variable name; a variable's text is expanded again. Otherwise the name is an
// arithmetic expression on numbers and variables, optionally followed by ";" and a number format
// (general format without one). A placeholder that yields nothing shows "...".

#include "QvColors.h"

#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>

class QObject;

// The text of every chart caption, with the markup above.
using TQvRichCaption = QString;

// One element of a parsed caption.
struct TQvRichToken
{
    enum TKind {
        tkText,        // Text: a run of plain text (a segment)
        tkLineBreak,
        tkSuperscript, // toggles
        tkSubscript,
        tkBold,
        tkItalic,
        tkUnderline,
        tkStrikeOut,
        tkColor,       // Color: the new ARGB colour
        tkColorReset,  // back to the caption's colour
        tkFontName,    // Text: the new family
        tkFontReset    // back to the base font's family
    };
    TKind Kind = tkText;
    QString Text;
    TQvColor Color = 0;
    // A text run that came from an escape ("\\" or "\x"), measured on its own.
    bool Escaped = false;

    bool operator==(const TQvRichToken& o) const
    {
        return Kind == o.Kind && Text == o.Text && Color == o.Color && Escaped == o.Escaped;
    }
};

// Splits an expanded caption (no placeholders left) into text runs and switches. A colour escape
// whose components are not decimal numbers is left out (the colour stays as it was).
QVector<TQvRichToken> QvParseRichCaption(const TQvRichCaption& Caption);

// The caption without markup (line breaks kept as carriage returns); placeholders are not
// expanded.
QString QvRichCaptionPlainText(const TQvRichCaption& Caption);

// Reads the argument of "\c[...]": "A=", "R=", "G=", "B=" each followed by a decimal number
// (0 to 255; larger values are cut to 255), separated by ","; components left out are 255 for A
// and 0 for R, G and B. False when a component is not a decimal number or the key is unknown.
bool QvParseCaptionColor(const QString& Argument, TQvColor& Color);

// The inverse: "A=255,R=0,G=0,B=255".
QString QvCaptionColorArgument(TQvColor Color);

// ---------------------------------------------------------------------------------------------
// Caption variables

using TQvCaptionVariableGetter = std::function<QString()>;

// Registers a variable of Component under Name (a series registers "Name" and "Caption"). The
// key is computed when looked up, so it follows renames; the registration ends when the
// component is destroyed or unregisters. Registering the same name again replaces the getter.
void QvRegisterCaptionVariable(QObject* Component, const QString& Name, const QString& Description,
                               TQvCaptionVariableGetter Getter);
void QvUnregisterCaptionVariables(QObject* Component);

struct TQvCaptionVariableInfo
{
    QString Key;         // "Form1.Graph1.Series1.Caption"
    QString Description; // "Caption of the series e.g. used in legends"
};

// Every registered variable whose component has a full name, in registration order.
QVector<TQvCaptionVariableInfo> QvCaptionVariables();

// Looks a variable up by key (case-insensitively). Found: true and its text (unexpanded). When
// Context has a full name, "<context>.<Key>" is tried first, so a caption can name its own
// component's variables briefly.
bool QvFindCaptionVariable(const QString& Key, const QObject* Context, QString& Text);

// Evaluates + - * / (also × and ÷), parentheses and unary signs on decimal numbers and on
// variables whose text is a number. False for anything else, including division by zero.
bool QvEvaluateCaptionExpression(const QString& Expression, const QObject* Context, double& Result);

// Replaces every placeholder of Caption (see above). Context is the caption's owner.
TQvRichCaption QvExpandCaptionPlaceholders(const TQvRichCaption& Caption,
                                           const QObject* Context = nullptr);

// The text a placeholder shows when it yields nothing.
inline QString QvPlaceholderFailureText()
{
    return QStringLiteral("...");
}
