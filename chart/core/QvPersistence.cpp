#include "QvPersistence.h"

#include "QvComponent.h"
#include "QvUndoStack.h"

#include <QColor>
#include <QDataStream>
#include <QFile>
#include <QMetaProperty>
#include <QSaveFile>
#include <QSettings>
#include <QtEndian>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <cctype>
#include <cmath>
#include <vector>

namespace {

constexpr quint32 Magic = 0x51564d50;   // "QVMP"
constexpr qint32 Version = 1;
// Nested maps (sub-objects' settings) go a few levels deep; a record nested deeper is damaged.
constexpr int MaxMapDepth = 32;

bool IsObjectProperty(const QMetaProperty& P)
{
    return P.metaType().flags().testFlag(QMetaType::PointerToQObject);
}

} // namespace

QVariantMap QvWritePublished(const QObject* O, const QMetaObject* Since)
{
    QVariantMap M;
    if (!O)
        return M;
    const QMetaObject* Meta = O->metaObject();
    for (int i = Since ? Since->propertyCount() : 0; i < Meta->propertyCount(); ++i) {
        const QMetaProperty P = Meta->property(i);
        const QString Name = QString::fromLatin1(P.name());
        if (!P.isReadable() || !P.isStored() || Name == QLatin1String("objectName"))
            continue;
        const QVariant V = P.read(O);
        if (IsObjectProperty(P)) {
            const QObject* Sub = V.value<QObject*>();
            if (!Sub)
                M.insert(Name, QString());
            else if (Sub->parent() == O)
                M.insert(Name, QvWritePublished(Sub));   // owned: its settings nest
            else
                M.insert(Name, QvFullName(Sub));         // a reference: by name
            continue;
        }
        if (!P.isWritable())
            continue;
        if (P.isEnumType())
            M.insert(Name, V.toInt());
        else if (V.metaType().id() == QMetaType::Float)
            M.insert(Name, double(V.toFloat()));
        else
            M.insert(Name, V);
    }
    return M;
}

namespace {

// Applies one key; false when the property's setter refused the value.
bool ApplyOne(QObject* O, const QMetaProperty& P, const QVariant& V, std::string& Error)
{
    try {
        if (IsObjectProperty(P)) {
            if (V.metaType().id() == QMetaType::QVariantMap) {
                QObject* Sub = P.read(O).value<QObject*>();
                if (Sub && Sub->parent() == O)
                    QvReadPublished(Sub, V.toMap());
            } else if (P.isWritable()) {
                const QString Ref = V.toString();
                QObject* Target = Ref.isEmpty() ? nullptr : QvFindComponent(Ref);
                // A reference to a component that does not exist here is left as it is.
                if (Ref.isEmpty() || Target)
                    P.write(O, QVariant::fromValue(Target));
            }
            return true;
        }
        if (!P.isWritable())
            return true;
        QVariant T = V;
        if (P.isEnumType()) {
            bool Ok = false;
            const int E = V.toInt(&Ok);
            if (!Ok)
                return true;
            T = QVariant(E);
        } else if (T.metaType() != P.metaType() && !T.convert(P.metaType())) {
            return true;   // a value of the wrong kind is skipped, the property keeps its own
        }
        P.write(O, T);
        return true;
    } catch (const std::exception& E) {
        Error = E.what();
        return false;
    }
}

} // namespace

namespace {

// Values no setter may see: an enumeration value that names no enumerator (drawing code indexes
// tables with them) or a number that is not finite, here or in an owned sub-object's map.
void CheckPublished(const QObject* O, const QVariantMap& M, const QMetaObject* Since, int Depth)
{
    if (Depth > MaxMapDepth)
        throw EQvPersistenceError("Settings nested deeper than " + std::to_string(MaxMapDepth));
    const QMetaObject* Meta = O->metaObject();
    for (int i = Since ? Since->propertyCount() : 0; i < Meta->propertyCount(); ++i) {
        const QMetaProperty P = Meta->property(i);
        const auto It = M.constFind(QString::fromLatin1(P.name()));
        if (It == M.constEnd())
            continue;
        if (IsObjectProperty(P)) {
            if (It->metaType().id() == QMetaType::QVariantMap) {
                const QObject* Sub = P.read(O).value<QObject*>();
                if (Sub && Sub->parent() == O)
                    CheckPublished(Sub, It->toMap(), &QObject::staticMetaObject, Depth + 1);
            }
            continue;
        }
        if (!P.isWritable())
            continue;
        if (P.isEnumType()) {
            bool Ok = false;
            const int E = It->toInt(&Ok);
            const QMetaEnum En = P.enumerator();
            if (Ok && !En.isFlag() && !En.valueToKey(E))
                throw EQvPersistenceError("Settings value " + std::to_string(E) + " of " + P.name()
                                          + " is not one of " + En.name());
        } else if (P.metaType().id() == QMetaType::Double || P.metaType().id() == QMetaType::Float) {
            bool Ok = false;
            const double D = It->toDouble(&Ok);
            if (Ok && !std::isfinite(D))
                throw EQvPersistenceError(std::string("Settings value of ") + P.name() + " is not a finite number");
        }
    }
}

} // namespace

void QvCheckPublished(const QObject* O, const QVariantMap& M, const QMetaObject* Since)
{
    if (O)
        CheckPublished(O, M, Since, 0);
}

void QvReadPublished(QObject* O, const QVariantMap& M, const std::function<bool(const QString&)>& Skip,
                     const QMetaObject* Since)
{
    if (!O)
        return;
    CheckPublished(O, M, Since, 0);
    // A setter may refuse a value that only conflicts with another one not yet read (two
    // settings that must differ, say): such keys are tried again once after all the others.
    std::vector<int> Refused;
    std::string Error;
    const QMetaObject* Meta = O->metaObject();
    for (int Round = 0; Round < 2; ++Round) {
        std::vector<int> Again;
        const int First = Since ? Since->propertyCount() : 0;
        const int N = Round == 0 ? Meta->propertyCount() - First : int(Refused.size());
        for (int k = 0; k < N; ++k) {
            const int i = Round == 0 ? First + k : Refused[size_t(k)];
            const QMetaProperty P = Meta->property(i);
            const QString Name = QString::fromLatin1(P.name());
            const auto It = M.constFind(Name);
            if (It == M.constEnd() || Name == QLatin1String("objectName") || (Skip && Skip(Name)))
                continue;
            if (!ApplyOne(O, P, *It, Error))
                Again.push_back(i);
        }
        Refused = std::move(Again);
        if (Refused.empty())
            return;
    }
    throw EQvPersistenceError(Error);
}

// ---- binary stream and file -----------------------------------------------------------------

void QvWriteMap(QIODevice& Stream, const QString& Kind, const QVariantMap& M)
{
    QDataStream S(&Stream);
    S.setVersion(QDataStream::Qt_6_0);
    S << Magic << Version << Kind << M;
    if (S.status() != QDataStream::Ok)
        throw EQvPersistenceError("Cannot write " + Kind.toStdString() + " settings");
}

// ---- reading a binary map -----------------------------------------------------------------------
//
// QDataStream's own readers trust the counts they read: a list reserves room for the count
// before a single element is there (a damaged count of 4 G asks for tens of gigabytes), nested
// maps recurse without limit, and a variant may hold any registered type, images included. The
// records are therefore read here, in the same format, with only the types a settings map holds,
// a depth limit, and counts checked against what the stream can still hold.

namespace {

constexpr int ReadChunk = 1 << 16;

class TMapReader
{
public:
    TMapReader(QDataStream& S, std::string What) : s(S), FWhat(std::move(What)) {}

    // One variant, as QSettings stores it in an INI value ("@Variant(...)", Qt 4.0 format).
    QVariant OldValue() { return Value(0); }

    QVariantMap Map(int Depth)
    {
        if (Depth > MaxMapDepth)
            Fail("maps nested deeper than " + std::to_string(MaxMapDepth));
        const quint32 n = Count(9);   // a key and a value take at least 4 + 5 bytes
        QVariantMap M;
        for (quint32 i = 0; i < n; ++i) {
            const QString Key = String();
            M.insert(Key, Value(Depth));
        }
        return M;
    }

    QString String()
    {
        quint32 bytes = 0;
        s >> bytes;
        Check();
        if (bytes == 0xFFFFFFFFu)
            return QString();
        if (bytes % 2 != 0)
            Fail("a text of an odd byte length");
        Available(bytes);
        QString T;
        const qsizetype chars = qsizetype(bytes / 2);
        while (T.size() < chars) {
            const qsizetype chunk = std::min<qsizetype>(chars - T.size(), ReadChunk);
            const qsizetype at = T.size();
            T.resize(at + chunk);
            if (s.readRawData(reinterpret_cast<char*>(T.data() + at), int(chunk * 2)) != int(chunk * 2))
                Fail("it ends inside a text");
        }
        if (s.byteOrder() == QDataStream::BigEndian)
            for (QChar& c : T)
                c = QChar(qFromBigEndian(c.unicode()));
        else
            for (QChar& c : T)
                c = QChar(qFromLittleEndian(c.unicode()));
        return T;
    }

    [[noreturn]] void Fail(const std::string& Why)
    {
        throw EQvPersistenceError("Damaged settings record of " + FWhat + ": " + Why);
    }

private:
    QVariant Value(int Depth)
    {
        quint32 Type = 0;
        qint8 IsNull = 0;
        s >> Type;
        if (s.version() >= QDataStream::Qt_4_2)
            s >> IsNull;
        Check();
        if (s.version() < QDataStream::Qt_5_0 && Type == 67)
            Type = QMetaType::QColor;   // the colour's number before Qt 5
        if (s.version() < QDataStream::Qt_5_0 && Type == 127)
            Type = QMetaType::User;     // the user-type mark before Qt 5
        if (Type == QMetaType::User)
            return Enumeration();
        switch (Type) {
        case QMetaType::Bool: { qint8 v; s >> v; Check(); return bool(v); }
        case QMetaType::Int: { qint32 v; s >> v; Check(); return v; }
        case QMetaType::UInt: { quint32 v; s >> v; Check(); return v; }
        case QMetaType::LongLong: { qint64 v; s >> v; Check(); return v; }
        case QMetaType::ULongLong: { quint64 v; s >> v; Check(); return v; }
        case QMetaType::Double: { double v; s >> v; Check(); return v; }
        case QMetaType::Float: { float v; s >> v; Check(); return v; }
        case QMetaType::QString: return String();
        case QMetaType::QStringList: {
            const quint32 n = Count(4);
            QStringList L;
            for (quint32 i = 0; i < n; ++i)
                L << String();
            return L;
        }
        case QMetaType::QVariantList: {
            if (Depth + 1 > MaxMapDepth)
                Fail("lists nested deeper than " + std::to_string(MaxMapDepth));
            const quint32 n = Count(5);
            QVariantList L;
            for (quint32 i = 0; i < n; ++i)
                L << Value(Depth + 1);
            return L;
        }
        case QMetaType::QVariantMap: return Map(Depth + 1);
        case QMetaType::QColor: { QColor c; s >> c; Check(); return c; }
        default:
            Fail("a value of type " + std::to_string(Type) + ", which settings do not hold");
        }
    }

    // A value of a registered enumeration (a property whose enumeration is not published as
    // such is written under its type's name): its number, as an int. Other named types are
    // refused.
    QVariant Enumeration()
    {
        quint32 Len = 0;
        s >> Len;
        Check();
        if (Len == 0 || Len > 256)
            Fail("a type name of length " + std::to_string(Len));
        QByteArray Name(qsizetype(Len), Qt::Uninitialized);
        if (s.readRawData(Name.data(), int(Len)) != int(Len))
            Fail("it ends inside a type name");
        if (Name.endsWith('\0'))
            Name.chop(1);
        const QMetaType T = QMetaType::fromName(Name);
        if (!T.isValid() || !(T.flags() & QMetaType::IsEnumeration))
            Fail("a value of type " + Name.left(80).toStdString() + ", which settings do not hold");
        switch (T.sizeOf()) {
        case 1: { quint8 v; s >> v; Check(); return int(qint8(v)); }
        case 2: { quint16 v; s >> v; Check(); return int(qint16(v)); }
        case 4: { quint32 v; s >> v; Check(); return int(qint32(v)); }
        case 8: { quint64 v; s >> v; Check(); return qlonglong(v); }
        default: Fail("an enumeration of an unusual size");
        }
    }

    // A count of elements that take at least MinBytes each.
    quint32 Count(int MinBytes)
    {
        quint32 n = 0;
        s >> n;
        Check();
        Available(qint64(n) * MinBytes);
        return n;
    }
    void Available(qint64 Bytes)
    {
        QIODevice* d = s.device();
        if (d && !d->isSequential() && d->bytesAvailable() < Bytes)
            Fail("it announces more than it holds");
    }
    void Check()
    {
        if (s.status() != QDataStream::Ok)
            Fail("it ends too early");
    }

    QDataStream& s;
    std::string FWhat;
};

} // namespace

// ---- INI values that QSettings would decode with QDataStream's readers ----------------------------
//
// QSettings turns an INI value "@Variant(...)" into a variant with QDataStream's own readers,
// with the dangers named above. Before any value of a section is read, the section's lines are
// looked at in the file itself, and each such value is decoded here first with the restricted
// reader; a value that does not pass makes the record damaged.

namespace {

// The bytes of an escaped INI value as QSettings unescapes them; false for a form that QSettings
// never writes for a variant (a list, a comment, a continued line).
bool UnescapeIniValue(const QByteArray& Raw, QByteArray& Out)
{
    QByteArray v = Raw.trimmed();
    if (v.size() >= 2 && v.startsWith('"') && v.endsWith('"'))
        v = v.mid(1, v.size() - 2);
    else if (v.contains(',') || v.contains(';'))
        return false;
    Out.clear();
    for (qsizetype i = 0; i < v.size(); ++i) {
        const char c = v[i];
        // QSettings writes these escaped; raw, they would be decoded otherwise than here.
        if (c == '"' || uchar(c) < 0x20 || uchar(c) >= 0x80)
            return false;
        if (c != '\\') {
            Out.append(c);
            continue;
        }
        if (++i >= v.size())
            return false;
        const char e = v[i];
        // Digits after "\x" (hexadecimal) or "\0".."\7" (octal), folded into one character
        // the way QSettings does (it keeps 16 bits; Latin-1 turns anything above 0xFF into "?").
        auto number = [&](unsigned Base) {
            qsizetype j = Base == 16 ? i + 1 : i;
            const qsizetype first = j;
            quint32 value = 0;
            for (; j < v.size(); ++j) {
                const char ch = char(std::tolower(uchar(v[j])));
                const int d = ch >= '0' && ch <= '9' ? ch - '0' : (ch >= 'a' && ch <= 'f' ? ch - 'a' + 10 : -1);
                if (d < 0 || unsigned(d) >= Base)
                    break;
                value = value * Base + unsigned(d);
            }
            if (j == first)
                return false;
            const quint16 unit = quint16(value);
            Out.append(unit > 0xFF ? '?' : char(unit));
            i = j - 1;
            return true;
        };
        switch (e) {
        case 'a': Out.append('\a'); break;
        case 'b': Out.append('\b'); break;
        case 'f': Out.append('\f'); break;
        case 'n': Out.append('\n'); break;
        case 'r': Out.append('\r'); break;
        case 't': Out.append('\t'); break;
        case 'v': Out.append('\v'); break;
        case '"': case '\'': case '?': case '\\': Out.append(e); break;
        case 'x':
            if (!number(16))
                return false;
            break;
        default:
            if (e >= '0' && e <= '7') {
                if (!number(8))
                    return false;
                break;
            }
            return false;
        }
    }
    return true;
}

} // namespace

void QvCheckIniSection(QSettings& Ini, const QString& Section)
{
    if (Ini.format() != QSettings::IniFormat || Ini.fileName().isEmpty())
        return;
    QFile F(Ini.fileName());
    if (!F.open(QIODevice::ReadOnly))
        return;   // nothing stored yet: QSettings reads nothing either
    const std::string What = "INI section " + Section.left(80).toStdString();
    const QByteArray Group = Section.toUtf8();
    QByteArray Current;
    while (!F.atEnd()) {
        const QByteArray Line = F.readLine().trimmed();
        if (Line.startsWith('[')) {
            Current = Line.mid(1, Line.indexOf(']') - 1);
            continue;
        }
        const qsizetype Eq = Line.indexOf('=');
        if (Eq < 0)
            continue;
        // Values of other sections are not read. The section's keys live under its header, under
        // headers of its sub-groups, or in the general section with the group as a key prefix.
        const bool General = Current.isEmpty() || Current.compare("General", Qt::CaseInsensitive) == 0;
        QByteArray Key = Line.left(Eq).trimmed();
        Key.replace('\\', '/');
        const bool Ours = Current.compare(Group, Qt::CaseInsensitive) == 0 || Current.contains('%')
            || Current.toLower().startsWith(Group.toLower() + '/')
            || (General && (Key.toLower().startsWith(Group.toLower() + '/') || Key.contains('%')));
        if (!Ours)
            continue;
        const QByteArray Raw = Line.mid(Eq + 1);
        QByteArray Bytes;
        if (!UnescapeIniValue(Raw, Bytes)) {
            // A list, or a form no writer of ours makes: harmless unless it may hide an "@".
            if (Raw.contains('@') || Raw.contains('\\'))
                throw EQvPersistenceError("Damaged settings record of " + What + ": a value in an unexpected form");
            continue;
        }
        if (!Bytes.startsWith('@'))
            continue;
        if (!Bytes.startsWith("@Variant("))
            continue;   // the other "@" forms (texts, byte arrays, rectangles) are read safely
        if (!Bytes.endsWith(')'))
            throw EQvPersistenceError("Damaged settings record of " + What + ": an unterminated binary value");
        QByteArray Payload = Bytes.mid(9, Bytes.size() - 10);
        QDataStream S(&Payload, QIODevice::ReadOnly);
        S.setVersion(QDataStream::Qt_4_0);
        TMapReader R(S, What);
        R.OldValue();
    }
}

QVariantMap QvReadVariantMap(QDataStream& S, const QString& What)
{
    TMapReader R(S, What.toStdString());
    return R.Map(0);
}

QVariantMap QvReadMap(QIODevice& Stream, const QString& Kind)
{
    QDataStream S(&Stream);
    S.setVersion(QDataStream::Qt_6_0);
    quint32 M = 0;
    qint32 V = 0;
    S >> M >> V;
    if (S.status() != QDataStream::Ok || M != Magic)
        throw EQvPersistenceError("Not a settings record of " + Kind.toStdString());
    if (V != Version)
        throw EQvPersistenceError("Settings record version " + std::to_string(V) + " is not supported");
    TMapReader R(S, Kind.toStdString());
    const QString K = R.String();
    if (K != Kind)
        throw EQvPersistenceError("Settings record of " + K.left(80).toStdString() + ", not of " + Kind.toStdString());
    return R.Map(0);
}

void QvWriteMapFile(const QString& FileName, const QString& Kind, const QVariantMap& M)
{
    // Written beside the target and renamed over it: a failed write leaves the old file whole.
    QSaveFile F(FileName);
    if (!F.open(QIODevice::WriteOnly))
        throw EQvPersistenceError("Cannot create file " + FileName.toStdString());
    QvWriteMap(F, Kind, M);
    if (!F.commit())
        throw EQvPersistenceError("Cannot write file " + FileName.toStdString());
}

QVariantMap QvReadMapFile(const QString& FileName, const QString& Kind)
{
    QFile F(FileName);
    if (!F.open(QIODevice::ReadOnly))
        throw EQvPersistenceError("Cannot open file " + FileName.toStdString());
    return QvReadMap(F, Kind);
}

// ---- INI ----------------------------------------------------------------------------------------

namespace {

void WriteGroup(QSettings& Ini, const QVariantMap& M)
{
    for (auto It = M.constBegin(); It != M.constEnd(); ++It) {
        if (It->metaType().id() == QMetaType::QVariantMap) {
            Ini.beginGroup(It.key());
            WriteGroup(Ini, It->toMap());
            Ini.endGroup();
        } else {
            Ini.setValue(It.key(), *It);
        }
    }
}

QVariantMap ReadGroup(QSettings& Ini, int Depth = 0)
{
    if (Depth > MaxMapDepth)
        throw EQvPersistenceError("Damaged settings INI: groups nested deeper than " + std::to_string(MaxMapDepth));
    QVariantMap M;
    for (const QString& K : Ini.childKeys())
        M.insert(K, Ini.value(K));
    for (const QString& G : Ini.childGroups()) {
        Ini.beginGroup(G);
        try {
            M.insert(G, ReadGroup(Ini, Depth + 1));
        } catch (...) {
            Ini.endGroup();
            throw;
        }
        Ini.endGroup();
    }
    return M;
}

} // namespace

void QvWriteMap(QSettings& Ini, const QString& Section, const QVariantMap& M)
{
    Ini.beginGroup(Section);
    Ini.remove(QString());   // nothing of an earlier, larger record stays behind
    WriteGroup(Ini, M);
    Ini.endGroup();
}

QVariantMap QvReadMap(QSettings& Ini, const QString& Section)
{
    QvCheckIniSection(Ini, Section);
    Ini.beginGroup(Section);
    try {
        QVariantMap M = ReadGroup(Ini);
        Ini.endGroup();
        return M;
    } catch (...) {
        Ini.endGroup();
        throw;
    }
}

// ---- XML ----------------------------------------------------------------------------------------

namespace {

QString TypeName(const QVariant& V)
{
    switch (V.metaType().id()) {
    case QMetaType::Bool: return QStringLiteral("bool");
    case QMetaType::Int: return QStringLiteral("int");
    case QMetaType::UInt: return QStringLiteral("uint");
    case QMetaType::LongLong: return QStringLiteral("int64");
    case QMetaType::ULongLong: return QStringLiteral("uint64");
    case QMetaType::Double:
    case QMetaType::Float: return QStringLiteral("double");
    case QMetaType::QStringList: return QStringLiteral("stringlist");
    case QMetaType::QColor: return QStringLiteral("color");
    case QMetaType::QVariantMap: return QStringLiteral("map");
    default: return QStringLiteral("string");
    }
}

void WriteElements(QXmlStreamWriter& Xml, const QVariantMap& M)
{
    for (auto It = M.constBegin(); It != M.constEnd(); ++It) {
        const QString Type = TypeName(*It);
        Xml.writeStartElement(It.key());
        Xml.writeAttribute(QStringLiteral("type"), Type);
        if (Type == QLatin1String("map")) {
            WriteElements(Xml, It->toMap());
        } else if (Type == QLatin1String("stringlist")) {
            for (const QString& S : It->toStringList())
                Xml.writeTextElement(QStringLiteral("item"), S);
        } else if (Type == QLatin1String("double")) {
            Xml.writeCharacters(QString::number(It->toDouble(), 'g', 17));
        } else if (Type == QLatin1String("color")) {
            Xml.writeCharacters(It->value<QColor>().name(QColor::HexArgb));
        } else {
            Xml.writeCharacters(It->toString());
        }
        Xml.writeEndElement();
    }
}

QVariant TypedValue(const QString& Type, const QString& Text)
{
    if (Type == QLatin1String("bool"))
        return Text == QLatin1String("true");
    if (Type == QLatin1String("int"))
        return Text.toInt();
    if (Type == QLatin1String("uint"))
        return Text.toUInt();
    if (Type == QLatin1String("int64"))
        return Text.toLongLong();
    if (Type == QLatin1String("uint64"))
        return Text.toULongLong();
    if (Type == QLatin1String("double"))
        return Text.toDouble();
    if (Type == QLatin1String("color"))
        return QColor::fromString(Text);
    return Text;
}

// Reads the children of the current element up to its end.
QVariantMap ReadElements(QXmlStreamReader& Xml, int Depth = 0)
{
    if (Depth > MaxMapDepth)
        throw EQvPersistenceError("Damaged settings XML: maps nested deeper than " + std::to_string(MaxMapDepth));
    QVariantMap M;
    while (Xml.readNextStartElement()) {
        const QString Key = Xml.name().toString();
        const QString Type = Xml.attributes().value(QStringLiteral("type")).toString();
        if (Type == QLatin1String("map")) {
            M.insert(Key, ReadElements(Xml, Depth + 1));
        } else if (Type == QLatin1String("stringlist")) {
            QStringList L;
            while (Xml.readNextStartElement())
                L << Xml.readElementText();
            M.insert(Key, L);
        } else {
            M.insert(Key, TypedValue(Type, Xml.readElementText()));
        }
    }
    return M;
}

} // namespace

void QvWriteMap(QXmlStreamWriter& Xml, const QString& Tag, const QVariantMap& M)
{
    Xml.writeStartElement(Tag);
    WriteElements(Xml, M);
    Xml.writeEndElement();
}

QVariantMap QvReadMap(QXmlStreamReader& Xml)
{
    if (Xml.tokenType() != QXmlStreamReader::StartElement && !Xml.readNextStartElement())
        throw EQvPersistenceError("No settings element in the XML");
    QVariantMap M = ReadElements(Xml);
    if (Xml.hasError())
        throw EQvPersistenceError("Damaged settings XML: " + Xml.errorString().toStdString());
    return M;
}

void QvAsOneUndoStep(TQvUndoStack* Undo, const QString& Comment, const std::function<void()>& Body)
{
    TQvUndoGroup Group(Undo, Comment);
    Body();
}
