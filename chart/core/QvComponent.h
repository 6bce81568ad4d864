#pragma once
// The component model of the chart library on top of QObject: owner = QObject parent,
// name = objectName, published properties = Q_PROPERTY, events = signals.
//
// A component's full name is its own name preceded by its owners' names joined with "."
// (the application object is not part of it). Undo records and persisted references store
// full names; QvFindComponent resolves them again.

#include <QObject>
#include <QString>

class TQvUndoStack;

// Full name of Obj, e.g. "FormWPVData.QvGraph2D1.XAxis1". Empty when Obj or any owner in the
// chain has no name.
QString QvFullName(const QObject* Obj);

// Resolves a full name: the first part names a registered root object (or a top-level widget),
// the rest are names of descendants, one level each. Null when nothing matches.
QObject* QvFindComponent(const QString& FullName);

// Roots that QvFindComponent searches besides the application's top-level widgets (a window
// registers itself; tests register their own roots). Unregistered automatically on destruction.
void QvRegisterRoot(QObject* Root);
void QvUnregisterRoot(QObject* Root);
// Where full names may start besides the registered roots: the widget layers install a provider
// of the application's top-level widgets (the first chart widget created does so).
using TQvTopLevelProvider = QList<QObject*> (*)();
void QvSetTopLevelProvider(TQvTopLevelProvider Provider);

// Identity of an object for references that cannot use a full name (the object or one of its
// owners is unnamed): a number handed out once per object and never reused, so a record
// cannot resolve to a different object that later took the same address.
quint64 QvObjectIdentity(QObject* Obj);
// The live object with that identity, or null when it was destroyed (or never existed).
QObject* QvFindByIdentity(quint64 Identity);

// Base of the chart library's components. Knows where its undo stack is (by default the one of
// its owner, if the owner is a component) and whether it is loading (no undo records then).
class TQvComponent : public QObject
{
    Q_OBJECT
public:
    explicit TQvComponent(QObject* AOwner = nullptr);
    ~TQvComponent() override;

    // The undo stack this component records its property changes on, or null.
    virtual TQvUndoStack* GetUndoStack() const;

    bool IsLoading() const { return FLoading; }
    void SetLoading(bool Value) { FLoading = Value; }

    QString FullName() const { return QvFullName(this); }

protected:
    // The setter pattern shared by every published property: does nothing when the value is
    // unchanged; otherwise pushes the old value (by property name) on the undo stack with the
    // given description, then stores the new value. Returns true when the value changed, so the
    // caller can mark its owner modified or request a repaint.
    template <class T, class U>
    bool SetProp(T& Field, const U& Value, const char* Description, const char* PropName)
    {
        if (Field == static_cast<T>(Value))
            return false;
        PushUndoProperty(Description, PropName);
        Field = static_cast<T>(Value);
        return true;
    }

    // Pushes this component's current value of PropName on its undo stack, if any.
    void PushUndoProperty(const char* Description, const char* PropName);

private:
    bool FLoading = false;
};
