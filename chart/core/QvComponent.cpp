#include "QvComponent.h"

#include "QvUndoStack.h"

#include <QHash>
#include <QSet>

namespace {

QList<QObject*>& Roots()
{
    static QList<QObject*> roots;
    return roots;
}

TQvTopLevelProvider& TopLevelProvider()
{
    static TQvTopLevelProvider provider = nullptr;
    return provider;
}

} // namespace

void QvSetTopLevelProvider(TQvTopLevelProvider Provider)
{
    TopLevelProvider() = Provider;
}

QString QvFullName(const QObject* Obj)
{
    if (!Obj)
        return {};
    QStringList parts;
    for (const QObject* o = Obj; o; o = o->parent()) {
        if (o == QCoreApplication::instance())
            break;
        const QString name = o->objectName();
        if (name.isEmpty())
            return {};
        parts.prepend(name);
    }
    return parts.join(QLatin1Char('.'));
}

QObject* QvFindComponent(const QString& FullName)
{
    if (FullName.isEmpty())
        return nullptr;
    const QStringList parts = FullName.split(QLatin1Char('.'));
    QList<QObject*> candidates = Roots();
    if (TopLevelProvider())
        for (QObject* o : TopLevelProvider()())
            if (!candidates.contains(o))
                candidates.append(o);
    for (QObject* root : candidates) {
        if (!root || root->objectName() != parts.first())
            continue;
        QObject* current = root;
        for (int i = 1; i < parts.size() && current; ++i) {
            QObject* next = nullptr;
            for (QObject* child : current->children()) {
                if (child->objectName() == parts.at(i)) {
                    next = child;
                    break;
                }
            }
            current = next;
        }
        if (current)
            return current;
    }
    return nullptr;
}

void QvRegisterRoot(QObject* Root)
{
    if (!Root || Roots().contains(Root))
        return;
    Roots().append(Root);
    QObject::connect(Root, &QObject::destroyed, [Root] { Roots().removeAll(Root); });
}

void QvUnregisterRoot(QObject* Root)
{
    Roots().removeAll(Root);
}

namespace {

struct IdentityRegistry
{
    quint64 Next = 1;
    QHash<QObject*, quint64> ByObject;
    QHash<quint64, QObject*> ById;
};

// Made on first use and never destroyed: objects that hold an identity may be destroyed while
// the process exits, after a static table would already be gone (a graph kept in a static), and
// each of them still drops its identity from the table.
IdentityRegistry& Identities()
{
    static IdentityRegistry* const registry = new IdentityRegistry;
    return *registry;
}

} // namespace

quint64 QvObjectIdentity(QObject* Obj)
{
    if (!Obj)
        return 0;
    IdentityRegistry& r = Identities();
    auto it = r.ByObject.constFind(Obj);
    if (it != r.ByObject.constEnd())
        return it.value();
    const quint64 id = r.Next++;
    r.ByObject.insert(Obj, id);
    r.ById.insert(id, Obj);
    // Dropped when the object goes, so a later object at the same address gets a new number.
    QObject::connect(Obj, &QObject::destroyed, [Obj, id] {
        Identities().ByObject.remove(Obj);
        Identities().ById.remove(id);
    });
    return id;
}

QObject* QvFindByIdentity(quint64 Identity)
{
    return Identities().ById.value(Identity, nullptr);
}

TQvComponent::TQvComponent(QObject* AOwner) : QObject(AOwner) {}

TQvComponent::~TQvComponent() = default;

TQvUndoStack* TQvComponent::GetUndoStack() const
{
    if (auto* owner = qobject_cast<TQvComponent*>(parent()))
        return owner->GetUndoStack();
    return nullptr;
}

void TQvComponent::PushUndoProperty(const char* Description, const char* PropName)
{
    if (FLoading)
        return;
    if (TQvUndoStack* stack = GetUndoStack())
        stack->PushProperty(this, QString::fromLatin1(Description), QString::fromLatin1(PropName));
}
