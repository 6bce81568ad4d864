#pragma once
// Undo stack: records previous property values, component states, edit states and vector
// contents before they change, so that they can be undone and redone step by step.

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QVector>
#include <memory>
#include <stdexcept>

class QIODevice;
class QDataStream;
class TQvCustomDoubleVector;

class TQvUndoStack;

// Errors of the undo stack (a misused group, an unknown property, ...); what() is the message.
class EQvUndoError : public std::runtime_error
{
public:
    explicit EQvUndoError(const std::string& Msg) : std::runtime_error(Msg) {}
};

// Read-only views of the step comments (index 0 = newest step), of the undo side or the redo side.
class TQvUndoList
{
public:
    explicit TQvUndoList(const TQvUndoStack* Owner, bool RedoSide = false) : FOwner(Owner), FRedoSide(RedoSide) {}
    QString Get(int i) const;
    int Count() const;
    QStringList ToStringList() const;
    // Inserting, deleting or clearing through the list does nothing.
    void Clear() {}
private:
    const TQvUndoStack* FOwner;
    bool FRedoSide;
};
using TQvRedoList = TQvUndoList;

class TQvUndoStack : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool Enabled READ Enabled WRITE SetEnabled)
    Q_PROPERTY(int Limit READ Limit WRITE SetLimit)
    Q_PROPERTY(bool ToMemoryStream READ ToMemoryStream WRITE SetToMemoryStream)
public:
    explicit TQvUndoStack(QObject* AOwner = nullptr);
    ~TQvUndoStack() override;

    bool Enabled() const;
    void SetEnabled(bool Value);
    int Limit() const;
    void SetLimit(int Value);
    bool ToMemoryStream() const;
    void SetToMemoryStream(bool Value);

    void Clear();
    // ToIndex 0 = the newest step only, n = the n + 1 newest steps.
    void Undo(int ToIndex = 0);
    void Redo(int ToIndex = 0);

    void PushProperty(QObject* Instance, const QString& Comment, const QString& PropName);
    void PushComponent(QObject* AComponent, const QString& Comment);
    void PushFreeComponent(QObject* AComponent, const QString& Comment);
    void PushEditState(QObject* AEdit, const QString& ACaption, int ASelStart, int ASelLength,
                       const QString& Comment);
    void PushVectorState(TQvCustomDoubleVector* AVector, const QString& Comment);
    void StartGroup(const QString& Comment);
    void StopGroup();
    // KeepEmpty false: an outermost group that recorded nothing is dropped instead of becoming
    // an empty step (an editor that groups each edit uses it, as an edit may change nothing).
    void StopGroup(bool KeepEmpty);

    bool CanUndo() const;
    bool CanRedo() const;
    int UndoCount() const;
    int RedoCount() const;
    const TQvUndoList& UndoList() const;
    const TQvRedoList& RedoList() const;

    // True while Undo or Redo replays records (pushes are ignored then).
    bool Restoring() const;

    // Nothing is recorded while the stack is loading.
    bool IsLoading() const;
    void SetLoading(bool Value);

    // The temporary files in use (undo, redo, scratch) when ToMemoryStream is false and a
    // record or Clear created them; empty otherwise.
    QStringList TemporaryFileNames() const;
    // The first part of the temporary file names: the program file's name without its
    // extension (".QvUndoStack.<n>" follows).
    static QString TemporaryFileBaseName();

signals:
    void OnUndo();
    void OnRedo();

private:
    friend class TQvUndoList;
    struct TPrivate;
    std::unique_ptr<TPrivate> d;
};

// Holds an undo group open for one scope: StartGroup when made, StopGroup at Stop or when the
// scope is left, by return or by exception, so that a failed change never leaves the stack
// folding every later change into its group. A null stack records nothing; a stack destroyed
// inside the scope is simply not closed.
class TQvUndoGroup
{
public:
    TQvUndoGroup(TQvUndoStack* AStack, const QString& Comment) : FStack(AStack)
    {
        if (FStack)
            FStack->StartGroup(Comment);
    }
    ~TQvUndoGroup()
    {
        // Closing may itself fail (a stream that cannot be written); during unwinding that must
        // not end the program, and the first error is the one worth reporting.
        try {
            Stop();
        } catch (...) {
        }
    }
    // Closes the group now; later calls and the destructor do nothing.
    void Stop()
    {
        QPointer<TQvUndoStack> Stack = FStack;
        FStack = nullptr;
        if (Stack)
            Stack->StopGroup();
    }
    TQvUndoGroup(const TQvUndoGroup&) = delete;
    TQvUndoGroup& operator=(const TQvUndoGroup&) = delete;

private:
    QPointer<TQvUndoStack> FStack;
};
