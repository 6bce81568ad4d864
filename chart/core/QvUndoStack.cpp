#include "QvUndoStack.h"

#include "QvComponent.h"
#include "QvVectors.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QInputMethodEvent>
#include <QInputMethodQueryEvent>
#include <QMetaProperty>
#include <QScopeGuard>

#include <vector>

// Record layout on a stream (QDataStream, fixed version):
//   comment (QString), kind (qint32), payload.
// Kinds: 0 property, 1 component state, 2 free component, 3 edit state, 4 vector state,
//        5 group start, 6 group stop.
// Instance reference: full name (QString) followed by the object's identity (quint64); the
// name is tried first, the identity resolves unnamed objects.

namespace {

// Text and selection of an edit control. They are read and set through the input-method
// protocol that every Qt text control answers (the text through its "text" property), so that
// the undo stack needs no widget classes. An object that does not answer keeps only its text.
void ReadEditState(QObject* Obj, QString& Text, int& SelStart, int& SelLength)
{
    Text = Obj->property("text").toString();
    SelStart = 0;
    SelLength = 0;
    QInputMethodQueryEvent query(Qt::ImCursorPosition | Qt::ImAnchorPosition);
    QCoreApplication::sendEvent(Obj, &query);
    const QVariant cursor = query.value(Qt::ImCursorPosition);
    const QVariant anchor = query.value(Qt::ImAnchorPosition);
    if (cursor.isValid() && anchor.isValid()) {
        SelStart = qMin(cursor.toInt(), anchor.toInt());
        SelLength = qAbs(cursor.toInt() - anchor.toInt());
    }
}

void WriteEditState(QObject* Obj, const QString& Text, int SelStart, int SelLength)
{
    Obj->setProperty("text", Text);
    // A selection attribute selects [start, start + length) and puts the cursor at its end; with
    // no length it only places the cursor.
    const int start = qMax(0, SelStart);
    const int length = SelLength > 0 ? SelLength : 0;
    QInputMethodEvent select(QString(), {QInputMethodEvent::Attribute(
                                            QInputMethodEvent::Selection, start, length,
                                            QVariant())});
    QCoreApplication::sendEvent(Obj, &select);
}

enum TRecordKind : qint32 {
    KindProperty = 0,
    KindComponent = 1,
    KindFreeComponent = 2,
    KindEditState = 3,
    KindVectorState = 4,
    KindStartGroup = 5,
    KindStopGroup = 6,
};

// Tags in front of an encoded property value.
enum TValueTag : quint8 {
    TagVariant = 0,   // a QVariant that streams itself
    TagObject = 1,    // an instance reference (object-valued property)
    TagText = 2,      // type name + text, for types that only convert to and from text
    TagState = 3,     // nested component state of an owned sub-object
    TagNone = 4,      // nothing usable was recorded; restoring skips it
};

constexpr QDataStream::Version StreamVersion = QDataStream::Qt_6_4;

void WriteInstance(QDataStream& s, QObject* Obj)
{
    s << QvFullName(Obj) << QvObjectIdentity(Obj);
}

QObject* ReadInstance(QDataStream& s)
{
    QString name;
    quint64 id = 0;
    s >> name >> id;
    QObject* obj = name.isEmpty() ? nullptr : QvFindComponent(name);
    if (!obj)
        obj = QvFindByIdentity(id);
    return obj;
}

bool IsNestedList(const QVariant& V)
{
    if (V.metaType().id() != QMetaType::QVariantList)
        return false;
    for (const QVariant& e : V.toList())
        if (e.metaType().id() == QMetaType::QVariantList || e.metaType().id() == QMetaType::QStringList)
            return true;
    return false;
}

void WriteState(QDataStream& s, QObject* Obj);
void ReadState(QDataStream& s, QObject* Obj);

bool StoredInState(const QMetaProperty& p)
{
    return p.isReadable() && p.isWritable() && p.isStored()
        && qstrcmp(p.name(), "objectName") != 0;
}

// Owned sub-object behind an object-valued property: its state is part of the owner's state.
QObject* OwnedSubObject(QObject* Obj, const QMetaProperty& p)
{
    if (!(p.metaType().flags() & QMetaType::PointerToQObject))
        return nullptr;
    QObject* sub = p.read(Obj).value<QObject*>();
    return sub && sub->parent() == Obj ? sub : nullptr;
}

void WriteValue(QDataStream& s, QObject* Obj, const QMetaProperty& p, bool NestOwned)
{
    const QVariant v = p.read(Obj);
    if (p.isEnumType() || p.isFlagType()) {
        s << quint8(TagVariant) << QVariant(v.toInt());
        return;
    }
    if (p.metaType().flags() & QMetaType::PointerToQObject) {
        if (NestOwned) {
            if (QObject* sub = OwnedSubObject(Obj, p)) {
                s << quint8(TagState);
                WriteState(s, sub);
                return;
            }
        }
        s << quint8(TagObject);
        WriteInstance(s, v.value<QObject*>());
        return;
    }
    if (IsNestedList(v))
        throw EQvUndoError("Only one dimensional arrays suported");
    if (v.metaType().hasRegisteredDataStreamOperators() || v.metaType().id() < QMetaType::User) {
        s << quint8(TagVariant) << v;
        return;
    }
    if (v.canConvert<QString>()) {
        s << quint8(TagText) << QByteArray(v.metaType().name()) << v.toString();
        return;
    }
    s << quint8(TagNone);
}

// Reads one encoded value; writes it to property p of Obj when Obj is not null.
void ReadValue(QDataStream& s, QObject* Obj, const QMetaProperty* p)
{
    quint8 tag = TagNone;
    s >> tag;
    QVariant value;
    bool write = true;
    switch (tag) {
    case TagVariant:
        s >> value;
        break;
    case TagObject: {
        QObject* ref = ReadInstance(s);
        if (p)
            value = ref ? QVariant::fromValue(ref) : QVariant(p->metaType());
        break;
    }
    case TagText: {
        QByteArray typeName;
        QString text;
        s >> typeName >> text;
        value = text;
        const QMetaType type = QMetaType::fromName(typeName);
        if (!type.isValid() || !value.convert(type))
            write = false;
        break;
    }
    case TagState: {
        QObject* sub = (Obj && p) ? OwnedSubObject(Obj, *p) : nullptr;
        ReadState(s, sub);
        write = false;
        break;
    }
    case TagNone:
        write = false;
        break;
    default:
        throw EQvUndoError("Undo record is damaged");
    }
    if (write && Obj && p && p->isWritable())
        p->write(Obj, value);
}

// A component's state: every stored, writable Q_PROPERTY in declaration order, then the named
// children that are not widgets (style records and similar sub-objects), recursively.
void WriteState(QDataStream& s, QObject* Obj)
{
    const QMetaObject* mo = Obj->metaObject();
    std::vector<int> props;
    for (int i = 0; i < mo->propertyCount(); ++i)
        if (StoredInState(mo->property(i)))
            props.push_back(i);
    s << qint32(props.size());
    for (int i : props) {
        const QMetaProperty p = mo->property(i);
        s << QByteArray(p.name());
        WriteValue(s, Obj, p, true);
    }
    std::vector<QObject*> children;
    for (QObject* c : Obj->children())
        if (!c->objectName().isEmpty() && !c->isWidgetType())
            children.push_back(c);
    s << qint32(children.size());
    for (QObject* c : children) {
        s << c->objectName();
        WriteState(s, c);
    }
}

void ReadState(QDataStream& s, QObject* Obj)
{
    qint32 n = 0;
    s >> n;
    if (n < 0 || s.status() != QDataStream::Ok)
        throw EQvUndoError("Undo record is damaged");
    for (qint32 k = 0; k < n; ++k) {
        QByteArray name;
        s >> name;
        const int idx = Obj ? Obj->metaObject()->indexOfProperty(name.constData()) : -1;
        if (idx >= 0) {
            const QMetaProperty p = Obj->metaObject()->property(idx);
            ReadValue(s, Obj, &p);
        } else {
            ReadValue(s, nullptr, nullptr);
        }
    }
    s >> n;
    if (n < 0 || s.status() != QDataStream::Ok)
        throw EQvUndoError("Undo record is damaged");
    for (qint32 k = 0; k < n; ++k) {
        QString name;
        s >> name;
        QObject* child = nullptr;
        if (Obj)
            for (QObject* c : Obj->children())
                if (c->objectName() == name && !c->isWidgetType()) {
                    child = c;
                    break;
                }
        ReadState(s, child);
    }
}

// One side of the stack: the byte stream and its record bookkeeping.
struct TSide
{
    QIODevice* Stream = nullptr;
    std::vector<qint64> Positions;   // offset of each record
    std::vector<int> GroupPositions; // index of the first record of each step
    int GroupIdx = -1;               // newest step that can be replayed
    int GroupLevel = 0;
    qint64 LastEndPosition = 0;

    void Reset()
    {
        Positions.clear();
        GroupPositions.clear();
        GroupIdx = -1;
        GroupLevel = 0;
        LastEndPosition = 0;
        Truncate(Stream, 0);
    }

    // Index of the newest record of the replayable steps, -1 when none.
    int CurrentIdx() const
    {
        if (GroupIdx < 0)
            return -1;
        if (GroupIdx + 1 < int(GroupPositions.size()))
            return GroupPositions[size_t(GroupIdx + 1)] - 1;
        return int(Positions.size()) - 1;
    }

    static void Truncate(QIODevice* Dev, qint64 Size)
    {
        if (!Dev)
            return;
        if (auto* b = qobject_cast<QBuffer*>(Dev))
            b->buffer().resize(Size);
        else if (auto* f = qobject_cast<QFile*>(Dev)) {
            f->flush();
            f->resize(Size);
        }
        Dev->seek(0);
    }
};

} // namespace

struct TQvUndoStack::TPrivate
{
    explicit TPrivate(const TQvUndoStack* Owner) : UndoList(Owner), RedoList(Owner, true) {}
    ~TPrivate() { DropStreams(); }

    bool Enabled = true;
    int Limit = 0;
    bool ToMemoryStream = true;
    bool Restoring = false;
    bool Loading = false;
    bool DoRedo = true;
    int IgnoredGroupLevel = 0;   // groups opened while nothing was recorded
    QString CurrentUndoComment;
    QString CurrentInstanceFullName;
    TSide Undo, Redo;
    QIODevice* Scratch = nullptr;
    QStringList FileNames;
    QHash<QByteArray, const QMetaObject*> FreedClasses;  // classes of freed components, by name
    TQvUndoList UndoList;
    TQvRedoList RedoList;

    void CreateStreams()
    {
        if (Undo.Stream)
            return;
        if (ToMemoryStream) {
            for (QIODevice** dev : {&Undo.Stream, &Redo.Stream, &Scratch}) {
                auto* b = new QBuffer;
                b->open(QIODevice::ReadWrite);
                *dev = b;
            }
            return;
        }
        // The first free numbers in the temporary directory: undo, then redo, then scratch.
        const QString base = QDir(QDir::tempPath()).filePath(TQvUndoStack::TemporaryFileBaseName()
                                                             + QStringLiteral(".QvUndoStack."));
        int number = 0;
        for (QIODevice** dev : {&Undo.Stream, &Redo.Stream, &Scratch}) {
            for (;; ++number) {
                const QString name = base + QString::number(number);
                if (QFileInfo::exists(name))
                    continue;
                auto* f = new QFile(name);
                // NewOnly: another process may take the same number between test and create.
                if (f->open(QIODevice::ReadWrite | QIODevice::NewOnly)) {
                    *dev = f;
                    FileNames << name;
                    ++number;
                    break;
                }
                delete f;
                if (number > 100000) {
                    DropStreams();
                    throw EQvUndoError("Cannot create undo stack file " + name.toStdString());
                }
            }
        }
    }

    void DropStreams()
    {
        for (QIODevice** dev : {&Undo.Stream, &Redo.Stream, &Scratch}) {
            if (auto* f = qobject_cast<QFile*>(*dev)) {
                f->close();
                f->remove();
            }
            delete *dev;
            *dev = nullptr;
        }
        FileNames.clear();
        Undo.Positions.clear();
        Undo.GroupPositions.clear();
        Undo.GroupIdx = -1;
        Undo.GroupLevel = 0;
        Undo.LastEndPosition = 0;
        Redo.Positions.clear();
        Redo.GroupPositions.clear();
        Redo.GroupIdx = -1;
        Redo.GroupLevel = 0;
        Redo.LastEndPosition = 0;
    }

    bool Recording() const { return Enabled && !Restoring && !Loading; }

    // Drops the oldest undo step and moves the rest of the stream to its start.
    void DropOldestStep()
    {
        TSide& u = Undo;
        if (u.GroupPositions.empty())
            return;
        const int firstRecord = u.GroupPositions.size() > 1 ? u.GroupPositions[1] : int(u.Positions.size());
        const qint64 base = firstRecord < int(u.Positions.size()) ? u.Positions[size_t(firstRecord)] : u.LastEndPosition;
        const qint64 length = u.LastEndPosition - base;
        // Copy [base, end) through the scratch stream back to the start.
        TSide::Truncate(Scratch, 0);
        u.Stream->seek(base);
        Scratch->write(u.Stream->read(length));
        Scratch->seek(0);
        const QByteArray moved = Scratch->read(length);
        TSide::Truncate(u.Stream, 0);
        u.Stream->seek(0);
        u.Stream->write(moved);
        TSide::Truncate(Scratch, 0);

        u.Positions.erase(u.Positions.begin(), u.Positions.begin() + firstRecord);
        for (qint64& pos : u.Positions)
            pos -= base;
        u.GroupPositions.erase(u.GroupPositions.begin());
        for (int& g : u.GroupPositions)
            g -= firstRecord;
        --u.GroupIdx;
        u.LastEndPosition = length;
    }

    // Starts an undo record: returns the stream to write it to, positioned, or null when
    // nothing is to be recorded. NewLevel is the group level the record opens or closes.
    QDataStream* BeginUndoRecord(QDataStream& s)
    {
        CreateStreams();
        TSide& u = Undo;
        // Steps undone earlier are cut off: their records get overwritten.
        const int current = u.CurrentIdx();
        if (current + 1 < int(u.Positions.size())) {
            u.LastEndPosition = u.Positions[size_t(current + 1)];
            u.Positions.resize(size_t(current + 1));
            u.GroupPositions.resize(size_t(u.GroupIdx + 1));
        }
        // Every push empties the redo side.
        Redo.Reset();
        if (u.GroupLevel == 0) {
            if (Limit > 0 && u.GroupIdx + 1 >= Limit)
                DropOldestStep();
            u.GroupPositions.push_back(int(u.Positions.size()));
            u.GroupIdx = int(u.GroupPositions.size()) - 1;
        }
        u.Positions.push_back(u.LastEndPosition);
        u.Stream->seek(u.LastEndPosition);
        s.setDevice(u.Stream);
        s.setVersion(StreamVersion);
        return &s;
    }

    void EndUndoRecord(QDataStream& s)
    {
        if (s.status() != QDataStream::Ok)
            throw EQvUndoError("Cannot write the undo record");
        if (auto* f = qobject_cast<QFile*>(Undo.Stream))
            f->flush();
        Undo.LastEndPosition = Undo.Stream->pos();
    }

    // Same on the redo side (records written while undoing).
    void BeginRedoRecord(QDataStream& s)
    {
        TSide& r = Redo;
        if (r.GroupLevel == 0) {
            r.GroupPositions.push_back(int(r.Positions.size()));
            r.GroupIdx = int(r.GroupPositions.size()) - 1;
        }
        r.Positions.push_back(r.LastEndPosition);
        r.Stream->seek(r.LastEndPosition);
        s.setDevice(r.Stream);
        s.setVersion(StreamVersion);
    }

    void EndRedoRecord(QDataStream& s)
    {
        if (s.status() != QDataStream::Ok)
            throw EQvUndoError("Cannot write the redo record");
        if (auto* f = qobject_cast<QFile*>(Redo.Stream))
            f->flush();
        Redo.LastEndPosition = Redo.Stream->pos();
    }

    QString CommentOfRecord(const TSide& Side, int RecordIdx) const
    {
        if (!Side.Stream || RecordIdx < 0 || RecordIdx >= int(Side.Positions.size()))
            return {};
        const qint64 keep = Side.Stream->pos();
        Side.Stream->seek(Side.Positions[size_t(RecordIdx)]);
        QDataStream s(Side.Stream);
        s.setVersion(StreamVersion);
        QString comment;
        s >> comment;
        Side.Stream->seek(keep);
        return comment;
    }

    // Replays one record. WriteCounterpart: write what the record will overwrite to the redo
    // side first (used while undoing; redo replays without writing).
    void Replay(TSide& Side, int RecordIdx, bool WriteCounterpart);
};

void TQvUndoStack::TPrivate::Replay(TSide& Side, int RecordIdx, bool WriteCounterpart)
{
    Side.Stream->seek(Side.Positions[size_t(RecordIdx)]);
    QDataStream in(Side.Stream);
    in.setVersion(StreamVersion);
    QString comment;
    qint32 kind = -1;
    in >> comment >> kind;
    if (in.status() != QDataStream::Ok)
        throw EQvUndoError("Undo record is damaged");
    if (Side.GroupLevel == 0 && &Side == &Undo)
        CurrentUndoComment = comment;

    QDataStream out;
    auto beginOut = [&](qint32 OutKind) {
        BeginRedoRecord(out);
        out << comment << OutKind;
    };

    switch (kind) {
    case KindProperty: {
        QObject* obj = ReadInstance(in);
        QByteArray propName;
        in >> propName;
        CurrentInstanceFullName = QvFullName(obj);
        const int idx = obj ? obj->metaObject()->indexOfProperty(propName.constData()) : -1;
        // The counterpart is written even when the object is gone (as an empty record), so
        // that every undone step has its redo step and the step counts stay in step.
        if (WriteCounterpart) {
            beginOut(KindProperty);
            WriteInstance(out, idx >= 0 ? obj : nullptr);
            out << propName;
            if (idx >= 0)
                WriteValue(out, obj, obj->metaObject()->property(idx), false);
            else
                out << quint8(TagNone);
            EndRedoRecord(out);
        }
        if (idx < 0) {
            ReadValue(in, nullptr, nullptr);
            break;
        }
        const QMetaProperty p = obj->metaObject()->property(idx);
        ReadValue(in, obj, &p);
        break;
    }
    case KindComponent: {
        QObject* obj = ReadInstance(in);
        QObject* owner = ReadInstance(in);
        CurrentInstanceFullName = QvFullName(obj);
        if (WriteCounterpart) {
            beginOut(KindComponent);
            WriteInstance(out, obj);
            WriteInstance(out, obj ? obj->parent() : nullptr);
            if (obj)
                WriteState(out, obj);
            else
                out << qint32(0) << qint32(0);
            EndRedoRecord(out);
        }
        if (obj && !obj->parent() && owner && owner != obj)
            obj->setParent(owner);
        ReadState(in, obj);
        break;
    }
    case KindFreeComponent: {
        QString name;
        in >> name;
        CurrentInstanceFullName = name;
        if (&Side == &Redo) {
            // Re-create what the undo destroyed: class, owner and state were saved.
            QByteArray className;
            in >> className;
            QObject* owner = ReadInstance(in);
            const QMetaObject* mo = FreedClasses.value(className, nullptr);
            QObject* obj = mo ? mo->newInstance(Q_ARG(QObject*, owner)) : nullptr;
            if (obj)
                obj->setObjectName(name.section(QLatin1Char('.'), -1));
            ReadState(in, obj);
            break;
        }
        QObject* obj = QvFindComponent(name);
        if (WriteCounterpart) {
            // Redo re-creates the component from its class, owner and state (the class needs
            // a Q_INVOKABLE constructor taking the owner).
            beginOut(KindFreeComponent);
            const QByteArray className = obj ? QByteArray(obj->metaObject()->className()) : QByteArray();
            if (obj)
                FreedClasses.insert(className, obj->metaObject());
            out << name << className;
            WriteInstance(out, obj ? obj->parent() : nullptr);
            if (obj)
                WriteState(out, obj);
            else
                out << qint32(0) << qint32(0);
            EndRedoRecord(out);
        }
        delete obj;
        break;
    }
    case KindEditState: {
        QObject* obj = ReadInstance(in);
        QString caption;
        qint32 selStart = 0, selLength = 0;
        in >> caption >> selStart >> selLength;
        CurrentInstanceFullName = QvFullName(obj);
        if (WriteCounterpart) {
            beginOut(KindEditState);
            WriteInstance(out, obj);
            QString text;
            int start = 0, length = 0;
            if (obj)
                ReadEditState(obj, text, start, length);
            out << text << qint32(start) << qint32(length);
            EndRedoRecord(out);
        }
        if (obj)
            WriteEditState(obj, caption, selStart, selLength);
        break;
    }
    case KindVectorState: {
        QObject* obj = ReadInstance(in);
        QByteArray contents;
        in >> contents;
        CurrentInstanceFullName = QvFullName(obj);
        auto* vector = qobject_cast<TQvDoubleVector*>(obj);
        if (WriteCounterpart) {
            QBuffer current;
            current.open(QIODevice::WriteOnly);
            if (vector)
                vector->WriteTo(static_cast<QIODevice&>(current));
            beginOut(KindVectorState);
            WriteInstance(out, vector);
            out << current.data();
            EndRedoRecord(out);
        }
        if (vector && !contents.isEmpty()) {
            QBuffer saved(&contents);
            saved.open(QIODevice::ReadOnly);
            vector->ReadFrom(static_cast<QIODevice&>(saved));
        }
        break;
    }
    case KindStartGroup:
        // Replayed backwards, a start closes the step: its counterpart is a stop.
        if (WriteCounterpart) {
            beginOut(KindStopGroup);
            EndRedoRecord(out);
            --Redo.GroupLevel;
        }
        break;
    case KindStopGroup:
        if (WriteCounterpart) {
            beginOut(KindStartGroup);
            EndRedoRecord(out);
            ++Redo.GroupLevel;
        }
        break;
    default:
        throw EQvUndoError("Undo record is damaged");
    }
    if (in.status() != QDataStream::Ok)
        throw EQvUndoError("Undo record is damaged");
}

// ---------------------------------------------------------------------------------------------

TQvUndoStack::TQvUndoStack(QObject* AOwner) : QObject(AOwner), d(std::make_unique<TPrivate>(this)) {}

TQvUndoStack::~TQvUndoStack() = default;

bool TQvUndoStack::Enabled() const { return d->Enabled; }
void TQvUndoStack::SetEnabled(bool Value) { d->Enabled = Value; }
int TQvUndoStack::Limit() const { return d->Limit; }
void TQvUndoStack::SetLimit(int Value) { d->Limit = Value; }
bool TQvUndoStack::ToMemoryStream() const { return d->ToMemoryStream; }

void TQvUndoStack::SetToMemoryStream(bool Value)
{
    if (Value == d->ToMemoryStream)
        return;
    // The records live in the old kind of stream: they are dropped with it.
    d->DropStreams();
    d->ToMemoryStream = Value;
}

bool TQvUndoStack::Restoring() const { return d->Restoring; }
bool TQvUndoStack::IsLoading() const { return d->Loading; }
void TQvUndoStack::SetLoading(bool Value) { d->Loading = Value; }
QStringList TQvUndoStack::TemporaryFileNames() const { return d->FileNames; }

QString TQvUndoStack::TemporaryFileBaseName()
{
    // The program file's name without its four-character extension (".exe"). A program
    // without such an extension (the usual case on Linux) keeps its whole name, so that the
    // files do not carry a cut-off program name.
    QString name = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    if (name.isEmpty())
        name = QStringLiteral("QvChart");
    if (name.size() > 4 && name.at(name.size() - 4) == QLatin1Char('.'))
        name.chop(4);
    return name;
}

void TQvUndoStack::Clear()
{
    d->CreateStreams();
    d->Undo.Reset();
    d->Redo.Reset();
    TSide::Truncate(d->Scratch, 0);
    d->IgnoredGroupLevel = 0;
    d->CurrentUndoComment.clear();
}

void TQvUndoStack::Undo(int ToIndex)
{
    if (!d->Enabled || !CanUndo() || d->Restoring)
        return;
    TSide& u = d->Undo;
    const int firstStep = qMax(u.GroupIdx - qMax(ToIndex, 0), 0);
    const int firstRecord = u.GroupPositions[size_t(firstStep)];
    const int lastRecord = u.CurrentIdx();
    d->Restoring = true;
    auto restoring = qScopeGuard([this] { d->Restoring = false; });
    try {
        // Undo and redo records use separate group levels; the redo level is rebuilt by the
        // swapped start/stop records written while replaying backwards.
        d->Redo.GroupLevel = 0;
        for (int k = lastRecord; k >= firstRecord; --k)
            d->Replay(u, k, d->DoRedo);
    } catch (...) {
        // What was restored stays applied; the stack no longer matches it.
        d->Restoring = false;
        Clear();
        throw;
    }
    u.GroupIdx = firstStep - 1;
    d->Redo.GroupLevel = 0;
    restoring.dismiss();
    d->Restoring = false;
    emit OnUndo();
}

void TQvUndoStack::Redo(int ToIndex)
{
    if (!d->Enabled || !CanRedo() || d->Restoring)
        return;
    TSide& r = d->Redo;
    const int firstStep = qMax(r.GroupIdx - qMax(ToIndex, 0), 0);
    const int steps = r.GroupIdx - firstStep + 1;
    const int firstRecord = r.GroupPositions[size_t(firstStep)];
    const int lastRecord = r.CurrentIdx();
    d->Restoring = true;
    auto restoring = qScopeGuard([this] { d->Restoring = false; });
    try {
        for (int k = lastRecord; k >= firstRecord; --k)
            d->Replay(r, k, false);
    } catch (...) {
        d->Restoring = false;
        Clear();
        throw;
    }
    // The redone steps leave the redo side; their undo records are still on the undo stream.
    r.LastEndPosition = r.Positions[size_t(firstRecord)];
    r.Positions.resize(size_t(firstRecord));
    r.GroupPositions.resize(size_t(firstStep));
    r.GroupIdx = firstStep - 1;
    d->Undo.GroupIdx = qMin(d->Undo.GroupIdx + steps, int(d->Undo.GroupPositions.size()) - 1);
    restoring.dismiss();
    d->Restoring = false;
    emit OnRedo();
}

void TQvUndoStack::PushProperty(QObject* Instance, const QString& Comment, const QString& PropName)
{
    if (!d->Recording() || !Instance)
        return;
    const QByteArray name = PropName.toLatin1();
    const int idx = Instance->metaObject()->indexOfProperty(name.constData());
    if (idx < 0)
        throw EQvUndoError(QStringLiteral("Property: \"%1\" not found").arg(PropName).toStdString());
    const QMetaProperty p = Instance->metaObject()->property(idx);
    // Encode first, so that a value that cannot be recorded leaves the stack untouched.
    QByteArray value;
    {
        QDataStream v(&value, QIODevice::WriteOnly);
        v.setVersion(StreamVersion);
        WriteValue(v, Instance, p, false);
    }
    QDataStream s;
    d->BeginUndoRecord(s);
    s << Comment << qint32(KindProperty);
    WriteInstance(s, Instance);
    s << name;
    s.writeRawData(value.constData(), int(value.size()));
    d->EndUndoRecord(s);
}

void TQvUndoStack::PushComponent(QObject* AComponent, const QString& Comment)
{
    if (!d->Recording() || !AComponent)
        return;
    QByteArray state;
    {
        QDataStream v(&state, QIODevice::WriteOnly);
        v.setVersion(StreamVersion);
        WriteState(v, AComponent);
    }
    QDataStream s;
    d->BeginUndoRecord(s);
    s << Comment << qint32(KindComponent);
    WriteInstance(s, AComponent);
    WriteInstance(s, AComponent->parent());
    s.writeRawData(state.constData(), int(state.size()));
    d->EndUndoRecord(s);
}

void TQvUndoStack::PushFreeComponent(QObject* AComponent, const QString& Comment)
{
    if (!d->Recording() || !AComponent)
        return;
    const QString name = QvFullName(AComponent);
    if (name.isEmpty())
        throw EQvUndoError("Component does not have a name");
    QDataStream s;
    d->BeginUndoRecord(s);
    s << Comment << qint32(KindFreeComponent) << name;
    d->EndUndoRecord(s);
}

void TQvUndoStack::PushEditState(QObject* AEdit, const QString& ACaption, int ASelStart, int ASelLength,
                                 const QString& Comment)
{
    if (!d->Recording() || !AEdit)
        return;
    QDataStream s;
    d->BeginUndoRecord(s);
    s << Comment << qint32(KindEditState);
    WriteInstance(s, AEdit);
    s << ACaption << qint32(ASelStart) << qint32(ASelLength);
    d->EndUndoRecord(s);
}

void TQvUndoStack::PushVectorState(TQvCustomDoubleVector* AVector, const QString& Comment)
{
    if (!d->Recording() || !AVector)
        return;
    auto* vector = qobject_cast<TQvDoubleVector*>(AVector);
    if (!vector)
        return;  // an indexer holds no values of its own
    QBuffer contents;
    contents.open(QIODevice::WriteOnly);
    vector->WriteTo(static_cast<QIODevice&>(contents));
    QDataStream s;
    d->BeginUndoRecord(s);
    s << Comment << qint32(KindVectorState);
    WriteInstance(s, vector);
    s << contents.data();
    d->EndUndoRecord(s);
}

void TQvUndoStack::StartGroup(const QString& Comment)
{
    if (!d->Recording()) {
        ++d->IgnoredGroupLevel;
        return;
    }
    if (d->Undo.GroupLevel == 0)
        d->CurrentUndoComment = Comment;
    QDataStream s;
    d->BeginUndoRecord(s);
    s << Comment << qint32(KindStartGroup);
    d->EndUndoRecord(s);
    ++d->Undo.GroupLevel;
}

void TQvUndoStack::StopGroup()
{
    StopGroup(true);
}

void TQvUndoStack::StopGroup(bool KeepEmpty)
{
    if (d->IgnoredGroupLevel > 0) {
        --d->IgnoredGroupLevel;
        return;
    }
    if (d->Undo.GroupLevel <= 0)
        throw EQvUndoError("Undo stack has too many StopGroup statements");
    TSide& g = d->Undo;
    // Unless kept, an outermost group in which nothing was recorded (an edit that changed
    // nothing) leaves no step behind: its start record is taken back.
    if (!KeepEmpty && g.GroupLevel == 1 && !g.GroupPositions.empty() && g.GroupIdx == int(g.GroupPositions.size()) - 1
        && g.GroupPositions.back() == int(g.Positions.size()) - 1) {
        g.LastEndPosition = g.Positions.back();
        g.Positions.pop_back();
        g.GroupPositions.pop_back();
        g.GroupIdx = int(g.GroupPositions.size()) - 1;
        g.GroupLevel = 0;
        return;
    }
    // A group whose start was recorded is closed on the stream even if recording was switched
    // off meanwhile, so the step stays well formed.
    QDataStream s;
    TSide& u = d->Undo;
    u.Positions.push_back(u.LastEndPosition);
    u.Stream->seek(u.LastEndPosition);
    s.setDevice(u.Stream);
    s.setVersion(StreamVersion);
    s << d->CurrentUndoComment << qint32(KindStopGroup);
    d->EndUndoRecord(s);
    --u.GroupLevel;
}

bool TQvUndoStack::CanUndo() const { return d->Undo.GroupIdx >= 0; }
bool TQvUndoStack::CanRedo() const { return d->Redo.GroupIdx >= 0; }
int TQvUndoStack::UndoCount() const { return d->Undo.GroupIdx + 1; }
int TQvUndoStack::RedoCount() const { return d->Redo.GroupIdx + 1; }
const TQvUndoList& TQvUndoStack::UndoList() const { return d->UndoList; }
const TQvRedoList& TQvUndoStack::RedoList() const { return d->RedoList; }

// ---------------------------------------------------------------------------------------------

QString TQvUndoList::Get(int i) const
{
    const auto& side = FRedoSide ? FOwner->d->Redo : FOwner->d->Undo;
    const int step = side.GroupIdx - i;
    if (i < 0 || step < 0)
        return {};
    return FOwner->d->CommentOfRecord(side, side.GroupPositions[size_t(step)]);
}

int TQvUndoList::Count() const { return FRedoSide ? FOwner->RedoCount() : FOwner->UndoCount(); }

QStringList TQvUndoList::ToStringList() const
{
    QStringList out;
    for (int i = 0; i < Count(); ++i)
        out << Get(i);
    return out;
}
