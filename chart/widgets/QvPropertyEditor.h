#pragma once
// A property sheet generated from the Q_PROPERTYs of a chart object.
//
// TQvPropertyEditor lists the writable published properties that the chart classes declare
// (those of classes named TQv...; the properties Qt's own base classes add are left out), one
// editor per property chosen by its type:
//   QString -> line edit (rich captions are edited as their markup text), QStringList -> line
//   edit with the items separated by ";", bool -> check box, enumeration -> combo box with the
//   enumeration's keys (dash styles and point symbols drawn as samples), flags -> a row of check
//   boxes, int -> spin box, float/double -> numeric edit, colour (an unsigned property whose name
//   contains "Color", or a QColor) -> colour button with the colour dialog, references to axes ->
//   combo box of the candidates the owner of the editor offers.
// Style records and other chart components that the object owns (its line, symbol and area
// styles, fonts, gradients, zoom settings) become sub-groups with their own properties.
//
// Every edit writes through QObject::setProperty, so the property's setter records the old value
// on the undo stack and repaints; afterwards PropertyEdited is raised and every editor re-reads
// its property (a setter may clamp the value or change related properties).

#include <QByteArray>
#include <QColor>
#include <QHash>
#include <QList>
#include <QMetaProperty>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <optional>
#include <vector>

class QFormLayout;
class QVBoxLayout;

class TQvPropertyEditor : public QWidget
{
    Q_OBJECT
public:
    explicit TQvPropertyEditor(QWidget* Parent = nullptr);
    ~TQvPropertyEditor() override;

    // Candidates of a reference property (an axis, for example): the objects offered and whether
    // "(none)" may be chosen. Returning no candidates leaves the property out.
    struct TReferenceChoice
    {
        QList<QObject*> Candidates;
        bool AllowNone = false;
    };
    using TReferenceProvider = std::function<TReferenceChoice(QObject* Obj, const QByteArray& PropName)>;
    void SetReferenceProvider(TReferenceProvider Provider) { FReferences = std::move(Provider); }

    // Property and sub-group names left out (of the object and of its sub-objects).
    void SetHiddenNames(const QSet<QByteArray>& Names) { FHidden = Names; }
    const QSet<QByteArray>& HiddenNames() const { return FHidden; }

    // Builds the editors for Target (null: an empty sheet). Rebuilds when called again.
    void SetTarget(QObject* Target);
    QObject* Target() const { return FTarget.data(); }

    // Re-reads every property into its editor. With KeepUserEdits an edit the user is typing
    // into (focused, text changed and not yet taken over) keeps its text: the object changed
    // underneath, the user's value still waits for Enter.
    void Refresh(bool KeepUserEdits = false);

    // How the sheet names its target in undo entries ("Pump: Line color"); the object's name
    // when none is set or it returns an empty text.
    using TObjectNamer = std::function<QString(QObject* Obj)>;
    void SetObjectNamer(TObjectNamer Namer) { FNamer = std::move(Namer); }
    // The undo entry of an edit of the property at Path of the target: "<object>: <label>".
    QString UndoComment(const QString& Path) const;

    // The editor of a property by its path: "Caption", "Line.Color", "CaptionFont.Size".
    QWidget* EditorFor(const QString& Path) const;
    // Paths of all properties that have an editor, in sheet order.
    QStringList Paths() const;

    // Chooses a colour. The default opens QColorDialog; tests install their own picker. An empty
    // result means the user cancelled. An empty function restores the default.
    using TColorPicker = std::function<std::optional<QColor>(const QColor& Initial, QWidget* Parent)>;
    static void SetColorPicker(TColorPicker Picker);

    // Readable label of a property name: "CaptionDistanceAfter" -> "Caption distance after",
    // "AxisThicknes" -> "Axis thickness".
    static QString LabelOf(const QByteArray& PropName);

protected:
    // Editors take the mouse wheel only while they have the focus; otherwise the wheel scrolls
    // the sheet, so that scrolling past a drop-down or a spin box does not change it.
    bool eventFilter(QObject* Watched, QEvent* Event) override;

signals:
    // A value was written through one of the editors.
    void PropertyEdited();

private:
    struct TRow
    {
        QString Path;
        QPointer<QObject> Obj;
        QMetaProperty Prop;
        QWidget* Editor = nullptr;
        std::function<void()> Refresh;
    };

    void Clear();
    void BuildObject(QObject* Obj, const QString& Prefix, QFormLayout* Form, int Depth);
    bool AddRow(QObject* Obj, const QMetaProperty& Prop, const QString& Path, QFormLayout* Form);
    QFormLayout* AddGroup(const QString& Title, QFormLayout* Parent, bool Expanded);
    // Writes Value to the row's property; raises PropertyEdited when the value was written.
    void Write(const TRow& Row, const QVariant& Value);
    void TargetDestroyed();
    void GuardWheel(QWidget* Editor);

    QPointer<QObject> FTarget;
    QMetaObject::Connection FDestroyedConnection;
    QWidget* FBody = nullptr;
    QVBoxLayout* FLayout = nullptr;
    std::vector<TRow> FRows;
    QSet<QByteArray> FHidden;
    TReferenceProvider FReferences;
    TObjectNamer FNamer;
    bool FRefreshing = false;
};
