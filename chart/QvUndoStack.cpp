#include "QvUndoStack.h"

#include "QvVectors.h"

struct TQvUndoStack::TPrivate
{
    explicit TPrivate(const TQvUndoStack* Owner) : UndoList(Owner), RedoList(Owner) {}
    bool Enabled = true;
    int Limit = 0;
    bool ToMemoryStream = true;
    bool Restoring = false;
    TQvUndoList UndoList;
    TQvRedoList RedoList;
};

TQvUndoStack::TQvUndoStack(QObject* AOwner) : QObject(AOwner), d(std::make_unique<TPrivate>(this)) {}
TQvUndoStack::~TQvUndoStack() = default;
bool TQvUndoStack::Enabled() const { return d->Enabled; }
void TQvUndoStack::SetEnabled(bool Value) { d->Enabled = Value; }
int TQvUndoStack::Limit() const { return d->Limit; }
void TQvUndoStack::SetLimit(int Value) { d->Limit = Value; }
bool TQvUndoStack::ToMemoryStream() const { return d->ToMemoryStream; }
void TQvUndoStack::SetToMemoryStream(bool Value) { d->ToMemoryStream = Value; }
void TQvUndoStack::Clear() {}
void TQvUndoStack::Undo(int) {}
void TQvUndoStack::Redo(int) {}
void TQvUndoStack::PushProperty(QObject*, const QString&, const QString&) {}
void TQvUndoStack::PushComponent(QObject*, const QString&) {}
void TQvUndoStack::PushFreeComponent(QObject*, const QString&) {}
void TQvUndoStack::PushEditState(QObject*, const QString&, int, int, const QString&) {}
void TQvUndoStack::PushVectorState(TQvCustomDoubleVector*, const QString&) {}
void TQvUndoStack::StartGroup(const QString&) {}
void TQvUndoStack::StopGroup() {}
bool TQvUndoStack::CanUndo() const { return false; }
bool TQvUndoStack::CanRedo() const { return false; }
int TQvUndoStack::UndoCount() const { return 0; }
int TQvUndoStack::RedoCount() const { return 0; }
const TQvUndoList& TQvUndoStack::UndoList() const { return d->UndoList; }
const TQvRedoList& TQvUndoStack::RedoList() const { return d->RedoList; }
bool TQvUndoStack::Restoring() const { return d->Restoring; }

QString TQvUndoList::Get(int) const { return {}; }
int TQvUndoList::Count() const { return 0; }
QStringList TQvUndoList::ToStringList() const { return {}; }
QString TQvRedoList::Get(int) const { return {}; }
int TQvRedoList::Count() const { return 0; }
QStringList TQvRedoList::ToStringList() const { return {}; }
