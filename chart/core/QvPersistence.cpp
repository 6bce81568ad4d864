#include "QvPersistence.h"

#include "QvComponent.h"
#include "QvUndoStack.h"

#include <QColor>
#include <QDataStream>
#include <QFile>
#include <QMetaProperty>
#include <QSaveFile>
#include <QSettings>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <vector>

namespace {

constexpr quint32 Magic = 0x51564d50;   // "QVMP"
constexpr qint32 Version = 1;

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

void QvReadPublished(QObject* O, const QVariantMap& M, const std::function<bool(const QString&)>& Skip,
                     const QMetaObject* Since)
{
    if (!O)
        return;
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
    QString K;
    QVariantMap Map;
    S >> K;
    if (K != Kind)
        throw EQvPersistenceError("Settings record of " + K.toStdString() + ", not of " + Kind.toStdString());
    S >> Map;
    if (S.status() != QDataStream::Ok)
        throw EQvPersistenceError("Damaged settings record of " + Kind.toStdString());
    return Map;
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

QVariantMap ReadGroup(QSettings& Ini)
{
    QVariantMap M;
    for (const QString& K : Ini.childKeys())
        M.insert(K, Ini.value(K));
    for (const QString& G : Ini.childGroups()) {
        Ini.beginGroup(G);
        M.insert(G, ReadGroup(Ini));
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
    Ini.beginGroup(Section);
    QVariantMap M = ReadGroup(Ini);
    Ini.endGroup();
    return M;
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
QVariantMap ReadElements(QXmlStreamReader& Xml)
{
    QVariantMap M;
    while (Xml.readNextStartElement()) {
        const QString Key = Xml.name().toString();
        const QString Type = Xml.attributes().value(QStringLiteral("type")).toString();
        if (Type == QLatin1String("map")) {
            M.insert(Key, ReadElements(Xml));
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
