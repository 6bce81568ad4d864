#include "QvPropertyEditor.h"

#include "QvAxis.h"
#include "QvColors.h"
#include "QvFloatEdit.h"
#include "QvGDI.h"
#include "QvGraph2D.h"
#include "QvFont.h"
#include "QvSeries.h"
#include "QvRichCaption.h"
#include "QvStyles.h"
#include "QvUndoStack.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QScrollBar>
#include <QWheelEvent>

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QFontComboBox>
#include <QFormLayout>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>

#include <climits>
#include <cstring>
#include <exception>

namespace {

TQvPropertyEditor::TColorPicker& ColorPicker()
{
    static TQvPropertyEditor::TColorPicker Picker;
    return Picker;
}

std::optional<QColor> PickColor(const QColor& Initial, QWidget* Parent)
{
    if (ColorPicker())
        return ColorPicker()(Initial, Parent);
    const QColor c = QColorDialog::getColor(Initial, Parent, QStringLiteral("Colour"),
                                            QColorDialog::ShowAlphaChannel);
    if (!c.isValid())
        return std::nullopt;
    return c;
}

// Enumerations and flags travel as their int value; reading and writing go through the bytes of
// the property's own type, which works for registered and unregistered enumerations alike.
int EnumValue(const QVariant& v)
{
    if (v.metaType().sizeOf() == int(sizeof(int))) {
        int i = 0;
        std::memcpy(&i, v.constData(), sizeof(int));
        return i;
    }
    return v.toInt();
}

QVariant EnumVariant(QMetaType Type, int Value)
{
    if (Type.sizeOf() == int(sizeof(int)))
        return QVariant(Type, &Value);
    return QVariant(Value);
}

// Keys of the enumerations that the chart classes publish without registering them.
QList<QPair<QString, int>> UnregisteredEnumKeys(const QByteArray& TypeName)
{
    if (TypeName.endsWith("TQvCaptionAlignment"))
        return {{QStringLiteral("Left"), 0}, {QStringLiteral("Right"), 1}, {QStringLiteral("Center"), 2}};
    if (TypeName.endsWith("TQvContentAlignment")) {
        static const char* Names[] = {"TopLeft", "TopCenter", "TopRight", "MiddleLeft", "MiddleCenter",
                                      "MiddleRight", "BottomLeft", "BottomCenter", "BottomRight"};
        QList<QPair<QString, int>> r;
        for (int i = 0; i < 9; ++i)
            r.append({QString::fromLatin1(Names[i]), i});
        return r;
    }
    return {};
}

// Flag bits of the int properties of fonts.
QList<QPair<QString, int>> IntFlagBits(const QObject* Obj, const QByteArray& PropName)
{
    if (!qobject_cast<const TQvFont*>(Obj))
        return {};
    if (PropName == "Style")
        return {{QStringLiteral("Bold"), QvFontStyle::Bold}, {QStringLiteral("Italic"), QvFontStyle::Italic},
                {QStringLiteral("Underline"), QvFontStyle::Underline},
                {QStringLiteral("Strike out"), QvFontStyle::StrikeOut}};
    if (PropName == "DrawEffects")
        return {{QStringLiteral("Shadow"), QvEffectBit(TQvDrawEffect::Shadow)},
                {QStringLiteral("Outline"), QvEffectBit(TQvDrawEffect::Outline)},
                {QStringLiteral("Lowered"), QvEffectBit(TQvDrawEffect::Lowered)},
                {QStringLiteral("Raised"), QvEffectBit(TQvDrawEffect::Raised)}};
    return {};
}

bool IsColorProperty(const QMetaProperty& Prop)
{
    const int id = Prop.metaType().id();
    if (id == QMetaType::QColor)
        return true;
    return id == QMetaType::UInt && QByteArray(Prop.name()).contains("Color");
}

QColor ColorOf(const QVariant& v)
{
    if (v.metaType().id() == QMetaType::QColor)
        return v.value<QColor>();
    return QvToQColor(TQvColor(v.toUInt()));
}

QVariant ColorVariant(QMetaType Type, const QColor& c)
{
    if (Type.id() == QMetaType::QColor)
        return QVariant::fromValue(c);
    return QVariant::fromValue(uint(QvFromQColor(c)));
}

// A swatch of the colour over a checkerboard, so that translucent colours show as such.
QIcon ColorIcon(const QColor& c)
{
    QPixmap pm(28, 14);
    pm.fill(Qt::white);
    QPainter p(&pm);
    for (int y = 0; y < pm.height(); y += 4)
        for (int x = 0; x < pm.width(); x += 4)
            if (((x + y) / 4) % 2)
                p.fillRect(x, y, 4, 4, QColor(200, 200, 200));
    p.fillRect(pm.rect(), c);
    p.setPen(Qt::black);
    p.drawRect(pm.rect().adjusted(0, 0, -1, -1));
    return QIcon(pm);
}

QIcon DashIcon(int Style)
{
    QPixmap pm(40, 14);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    static const Qt::PenStyle Styles[] = {Qt::SolidLine, Qt::DashLine, Qt::DotLine,
                                          Qt::DashDotLine, Qt::DashDotDotLine, Qt::SolidLine};
    QPen pen(Qt::black, 2, Styles[qBound(0, Style, 5)], Qt::FlatCap);
    p.setPen(pen);
    p.drawLine(2, 7, 38, 7);
    return QIcon(pm);
}

QIcon SymbolIcon(int Symbol)
{
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QvDrawPointSymbol(p, TQvPointSymbol(qBound(0, Symbol, QvPointSymbolCount - 1)), 11, QPointF(8, 8),
                      QPen(Qt::black, 1), QBrush(QColor(0xDC, 0xDC, 0xDC)));
    return QIcon(pm);
}

QString Join(const QStringList& l)
{
    return l.join(QStringLiteral("; "));
}

QStringList Split(const QString& s)
{
    QStringList r;
    for (const QString& part : s.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QString t = part.trimmed();
        if (!t.isEmpty())
            r.append(t);
    }
    return r;
}

QString ReferenceText(const QObject* o)
{
    if (!o)
        return QStringLiteral("(none)");
    if (auto* a = qobject_cast<const TQvAxis*>(o)) {
        // As the graph shows it: the caption's plain text, and where the axis sits.
        QString c = QvRichCaptionPlainText(QvExpandCaptionPlaceholders(a->Caption().trimmed(), a)).simplified();
        if (c.isEmpty())
            c = a->objectName();
        static const char* const Sides[] = {"bottom", "left", "top", "right"};
        return QStringLiteral("%1 (%2)").arg(c, QLatin1String(Sides[qBound(0, int(a->Position()), 3)]));
    }
    return o->objectName();
}

} // namespace

// -------------------------------------------------------------------------------------------------

TQvPropertyEditor::TQvPropertyEditor(QWidget* Parent) : QWidget(Parent)
{
    FLayout = new QVBoxLayout(this);
    FLayout->setContentsMargins(0, 0, 0, 0);
}

TQvPropertyEditor::~TQvPropertyEditor()
{
    disconnect(FDestroyedConnection);
}

void TQvPropertyEditor::SetColorPicker(TColorPicker Picker)
{
    ColorPicker() = std::move(Picker);
}

QString TQvPropertyEditor::LabelOf(const QByteArray& PropName)
{
    const QString n = QString::fromLatin1(PropName);
    QString r;
    for (int i = 0; i < n.size(); ++i) {
        const QChar c = n[i];
        const bool wordStart = i > 0 && c.isUpper() &&
                               (n[i - 1].isLower() || (i + 1 < n.size() && n[i + 1].isLower() && n[i - 1].isUpper()));
        if (wordStart) {
            r += QLatin1Char(' ');
            // Keep acronyms ("XAxis" -> "X axis", "LogEE" stays readable).
            r += (i + 1 < n.size() && n[i + 1].isUpper()) ? c : c.toLower();
        } else {
            r += c;
        }
    }
    // Property names that carry a misspelt word keep it (stored settings use them); the label
    // spells it out.
    static const QRegularExpression Thicknes(QStringLiteral("(hicknes)(?!s)"));
    r.replace(Thicknes, QStringLiteral("hickness"));
    return r;
}

QString TQvPropertyEditor::UndoComment(const QString& Path) const
{
    QStringList words;
    for (const QString& part : Path.split(QLatin1Char('.'), Qt::SkipEmptyParts)) {
        QString w = LabelOf(part.toLatin1());
        // Later parts continue the phrase: "Line" + "Color" -> "Line color" (an acronym such
        // as "X axis" keeps its capital).
        if (!words.isEmpty() && w.size() > 1 && w[1].isLower())
            w[0] = w[0].toLower();
        words << w;
    }
    const QString label = words.join(QLatin1Char(' '));
    QString who = FNamer && FTarget ? FNamer(FTarget) : QString();
    if (who.isEmpty() && FTarget)
        who = FTarget->objectName();
    return who.isEmpty() ? label : QStringLiteral("%1: %2").arg(who, label);
}

void TQvPropertyEditor::GuardWheel(QWidget* Editor)
{
    Editor->setProperty("QvSheetEditor", true);
    QList<QWidget*> all = Editor->findChildren<QWidget*>();
    all.prepend(Editor);
    for (QWidget* w : all) {
        // No focus by wheel: a wheel turn over an editor must not make it the focused one.
        if ((w->focusPolicy() & Qt::WheelFocus) == Qt::WheelFocus)
            w->setFocusPolicy(Qt::StrongFocus);
        w->installEventFilter(this);
    }
}

bool TQvPropertyEditor::eventFilter(QObject* Watched, QEvent* Event)
{
    if (Event->type() != QEvent::Wheel)
        return QWidget::eventFilter(Watched, Event);
    // The row's editor (a combo's line edit or a check box of a flag row is part of it).
    auto* w = qobject_cast<QWidget*>(Watched);
    while (w && !w->property("QvSheetEditor").toBool())
        w = w->parentWidget();
    if (!w)
        return false;
    QWidget* focus = QApplication::focusWidget();
    if (focus && (focus == w || w->isAncestorOf(focus)))
        return false;
    // Not focused: the wheel scrolls the sheet.
    for (QWidget* p = parentWidget(); p; p = p->parentWidget())
        if (auto* area = qobject_cast<QAbstractScrollArea*>(p)) {
            QCoreApplication::sendEvent(area->verticalScrollBar(), Event);
            break;
        }
    return true;
}

void TQvPropertyEditor::Clear()
{
    if (FBody) {
        // Hiding moves the focus away, which lets an edit in progress write its value while its
        // row still exists; afterwards the old editors are cut off before they go.
        FBody->hide();
        for (QWidget* w : FBody->findChildren<QWidget*>())
            disconnect(w, nullptr, this, nullptr);
        FBody->deleteLater();
        FBody = nullptr;
    }
    FRows.clear();
}

void TQvPropertyEditor::SetTarget(QObject* Target)
{
    disconnect(FDestroyedConnection);
    Clear();
    FTarget = Target;
    if (!Target)
        return;
    FDestroyedConnection = connect(Target, &QObject::destroyed, this, &TQvPropertyEditor::TargetDestroyed);
    FBody = new QWidget(this);
    auto* form = new QFormLayout(FBody);
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
    // A row too wide for the sheet puts its editor under its label instead of widening the sheet.
    form->setRowWrapPolicy(QFormLayout::WrapLongRows);
    BuildObject(Target, QString(), form, 0);
    FLayout->addWidget(FBody);
    Refresh();
}

void TQvPropertyEditor::TargetDestroyed()
{
    FTarget = nullptr;
    Clear();
}

QFormLayout* TQvPropertyEditor::AddGroup(const QString& Title, QFormLayout* Parent, bool Expanded)
{
    // A heading button that folds the group, so that nested records (gradients) stay out of the
    // way until wanted.
    auto* head = new QToolButton;
    head->setText(Title);
    head->setCheckable(true);
    head->setChecked(Expanded);
    head->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    head->setArrowType(Expanded ? Qt::DownArrow : Qt::RightArrow);
    head->setAutoRaise(true);
    QFont f = head->font();
    f.setBold(true);
    head->setFont(f);
    auto* frame = new QFrame;
    frame->setFrameShape(QFrame::StyledPanel);
    auto* form = new QFormLayout(frame);
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
    // A row too wide for the sheet puts its editor under its label instead of widening the sheet.
    form->setRowWrapPolicy(QFormLayout::WrapLongRows);
    frame->setVisible(Expanded);
    connect(head, &QToolButton::toggled, frame, [head, frame](bool on) {
        frame->setVisible(on);
        head->setArrowType(on ? Qt::DownArrow : Qt::RightArrow);
    });
    Parent->addRow(head);
    Parent->addRow(frame);
    return form;
}

void TQvPropertyEditor::BuildObject(QObject* Obj, const QString& Prefix, QFormLayout* Form, int Depth)
{
    const QMetaObject* mo = Obj->metaObject();
    // The chart classes' own properties, base class first.
    QList<const QMetaObject*> chain;
    for (const QMetaObject* m = mo; m; m = m->superClass())
        if (QByteArray(m->className()).startsWith("TQv"))
            chain.prepend(m);

    QList<QPair<QString, QObject*>> groups;
    QSet<QObject*> grouped;
    for (const QMetaObject* m : chain) {
        for (int i = m->propertyOffset(); i < m->propertyCount(); ++i) {
            const QMetaProperty p = m->property(i);
            const QByteArray name = p.name();
            if (p.metaType().flags() & QMetaType::PointerToQObject) {
                QObject* sub = p.read(Obj).value<QObject*>();
                // Axes, series and legends are edited on their own pages: a reference to one
                // (the primary axes of a graph) is a choice, not a copy of its whole sheet.
                const bool paged = qobject_cast<TQvAxis*>(sub) || qobject_cast<TQvSeries*>(sub) ||
                                   qobject_cast<TQvGraphLegendBase*>(sub);
                if (sub && sub->parent() == Obj && !paged) {
                    // An owned record: a sub-group (a hidden one is not listed under its object
                    // name either).
                    if (!grouped.contains(sub)) {
                        grouped.insert(sub);
                        if (!FHidden.contains(name))
                            groups.append({QString::fromLatin1(name), sub});
                    }
                    continue;
                }
                if (FHidden.contains(name))
                    continue;
                if (p.isWritable())
                    AddRow(Obj, p, Prefix + QString::fromLatin1(name), Form);
                continue;
            }
            if (!FHidden.contains(name) && p.isWritable())
                AddRow(Obj, p, Prefix + QString::fromLatin1(name), Form);
        }
    }
    // Other chart components the object owns (a series' line, area and symbol styles, a graph's
    // frame and grids); axes and series have their own pages.
    for (QObject* c : Obj->children()) {
        if (grouped.contains(c) || !qobject_cast<TQvComponent*>(c) || c->objectName().isEmpty())
            continue;
        if (qobject_cast<TQvAxis*>(c) || qobject_cast<TQvSeries*>(c) || qobject_cast<TQvGraphLegendBase*>(c))
            continue;
        if (FHidden.contains(c->objectName().toLatin1()))
            continue;
        grouped.insert(c);
        groups.append({c->objectName(), c});
    }
    for (const auto& [title, sub] : groups) {
        if (FHidden.contains(title.toLatin1()))
            continue;
        QFormLayout* f = AddGroup(title, Form, Depth == 0);
        BuildObject(sub, Prefix + title + QLatin1Char('.'), f, Depth + 1);
    }
}

namespace {

TQvUndoStack* StackOf(QObject* Obj)
{
    if (auto* c = qobject_cast<TQvComponent*>(Obj))
        return c->GetUndoStack();
    if (auto* g = qobject_cast<TQvCustomGraph*>(Obj))
        return g->GetUndoStack();
    return nullptr;
}

} // namespace

void TQvPropertyEditor::Write(const TRow& Row, const QVariant& Value)
{
    if (FRefreshing || !Row.Obj)
        return;
    // One edit is one undo step, named after the object and the property, however many
    // records the setter pushes (a font pushes its whole state).
    QPointer<TQvUndoStack> stack = StackOf(Row.Obj);
    const bool group = stack && stack->Enabled() && !stack->Restoring();
    if (group)
        stack->StartGroup(UndoComment(Row.Path));
    try {
        Row.Obj->setProperty(Row.Prop.name(), Value);
    } catch (...) {
        if (group && stack)
            stack->StopGroup(false);
        throw;
    }
    if (group && stack)
        stack->StopGroup(false);
    Refresh();
    emit PropertyEdited();
}

bool TQvPropertyEditor::AddRow(QObject* Obj, const QMetaProperty& Prop, const QString& Path, QFormLayout* Form)
{
    TRow row;
    row.Path = Path;
    row.Obj = Obj;
    row.Prop = Prop;
    const QByteArray name = Prop.name();
    const QMetaType type = Prop.metaType();
    const int id = type.id();
    // Each editor keeps what it showed last, so that leaving an edit unchanged writes nothing
    // (a double shown rounded must not replace the exact value).
    const std::size_t index = FRows.size();
    auto self = this;
    auto rowAt = [self, index]() -> const TRow& {
        static const TRow None;
        return index < self->FRows.size() ? self->FRows[index] : None;
    };

    if (type.flags() & QMetaType::PointerToQObject) {
        if (!FReferences)
            return false;
        const TReferenceChoice choice = FReferences(Obj, name);
        if (choice.Candidates.isEmpty())
            return false;
        auto* combo = new QComboBox;
        QList<QPointer<QObject>> items;
        const bool allowNone = choice.AllowNone;
        if (allowNone)
            items.append(QPointer<QObject>());
        for (QObject* o : choice.Candidates)
            items.append(o);
        for (const QPointer<QObject>& o : items)
            combo->addItem(ReferenceText(o));
        row.Editor = combo;
        row.Refresh = [combo, items, rowAt] {
            const TRow& r = rowAt();
            QObject* cur = r.Obj ? r.Prop.read(r.Obj).value<QObject*>() : nullptr;
            int at = -1;
            for (int i = 0; i < items.size(); ++i)
                if (items[i].data() == cur)
                    at = i;
            combo->setCurrentIndex(at);
        };
        connect(combo, &QComboBox::activated, this, [this, items, allowNone, rowAt](int i) {
            if (i < 0 || i >= items.size())
                return;
            if (!items[i] && !(allowNone && i == 0))
                return;   // the candidate went away
            Write(rowAt(), QVariant::fromValue<QObject*>(items[i].data()));
        });
    } else if (IsColorProperty(Prop)) {
        auto* button = new QPushButton;
        button->setAutoDefault(false);
        auto shown = std::make_shared<QColor>();
        row.Editor = button;
        row.Refresh = [button, shown, rowAt] {
            const TRow& r = rowAt();
            if (!r.Obj)
                return;
            const QVariant v = r.Prop.read(r.Obj);
            *shown = ColorOf(v);
            button->setIcon(ColorIcon(*shown));
            button->setText(QvColorToText(QvFromQColor(*shown)));
        };
        connect(button, &QPushButton::clicked, this, [this, button, shown, rowAt] {
            const std::optional<QColor> c = PickColor(*shown, button);
            if (c && *c != *shown)
                Write(rowAt(), ColorVariant(rowAt().Prop.metaType(), *c));
        });
    } else if (Prop.isEnumType() && Prop.enumerator().isFlag()) {
        const QMetaEnum e = Prop.enumerator();
        auto* box = new QWidget;
        auto* lay = new QHBoxLayout(box);
        lay->setContentsMargins(0, 0, 0, 0);
        QList<QPair<QCheckBox*, int>> checks;
        for (int k = 0; k < e.keyCount(); ++k) {
            auto* cb = new QCheckBox(QString::fromLatin1(e.key(k)));
            lay->addWidget(cb);
            checks.append({cb, e.value(k)});
        }
        lay->addStretch();
        row.Editor = box;
        row.Refresh = [checks, rowAt] {
            const TRow& r = rowAt();
            if (!r.Obj)
                return;
            const int v = EnumValue(r.Prop.read(r.Obj));
            for (const auto& [cb, bit] : checks)
                cb->setChecked((v & bit) == bit && bit != 0);
        };
        for (const auto& [cb, bit] : checks) {
            connect(cb, &QCheckBox::toggled, this, [this, checks, rowAt](bool) {
                int v = 0;
                for (const auto& [c, b] : checks)
                    if (c->isChecked())
                        v |= b;
                Write(rowAt(), EnumVariant(rowAt().Prop.metaType(), v));
            });
        }
    } else if (Prop.isEnumType() || (type.flags() & QMetaType::IsEnumeration)) {
        QList<QPair<QString, int>> keys;
        if (Prop.isEnumType()) {
            const QMetaEnum e = Prop.enumerator();
            for (int k = 0; k < e.keyCount(); ++k)
                keys.append({QString::fromLatin1(e.key(k)), e.value(k)});
        } else {
            keys = UnregisteredEnumKeys(QByteArray(type.name()));
        }
        if (keys.isEmpty())
            return false;
        const QByteArray enumName = Prop.isEnumType() ? QByteArray(Prop.enumerator().enumName()) : QByteArray();
        auto* combo = new QComboBox;
        for (const auto& [key, value] : keys) {
            if (enumName == "TDashStyle")
                combo->addItem(DashIcon(value), key, value);
            else if (enumName == "TQvPointSymbol")
                combo->addItem(SymbolIcon(value), key, value);
            else
                combo->addItem(key, value);
        }
        if (enumName == "TDashStyle")
            combo->setIconSize(QSize(40, 14));
        row.Editor = combo;
        row.Refresh = [combo, rowAt] {
            const TRow& r = rowAt();
            if (!r.Obj)
                return;
            combo->setCurrentIndex(combo->findData(EnumValue(r.Prop.read(r.Obj))));
        };
        connect(combo, &QComboBox::activated, this, [this, combo, rowAt](int i) {
            if (i >= 0)
                Write(rowAt(), EnumVariant(rowAt().Prop.metaType(), combo->itemData(i).toInt()));
        });
    } else if (id == QMetaType::Bool) {
        auto* check = new QCheckBox;
        row.Editor = check;
        row.Refresh = [check, rowAt] {
            const TRow& r = rowAt();
            if (r.Obj)
                check->setChecked(r.Prop.read(r.Obj).toBool());
        };
        connect(check, &QCheckBox::toggled, this, [this, rowAt](bool on) { Write(rowAt(), on); });
    } else if (id == QMetaType::Int && !IntFlagBits(Obj, name).isEmpty()) {
        const auto bits = IntFlagBits(Obj, name);
        auto* box = new QWidget;
        auto* lay = new QHBoxLayout(box);
        lay->setContentsMargins(0, 0, 0, 0);
        QList<QPair<QCheckBox*, int>> checks;
        for (const auto& [label, bit] : bits) {
            auto* cb = new QCheckBox(label);
            lay->addWidget(cb);
            checks.append({cb, bit});
        }
        lay->addStretch();
        row.Editor = box;
        row.Refresh = [checks, rowAt] {
            const TRow& r = rowAt();
            if (!r.Obj)
                return;
            const int v = r.Prop.read(r.Obj).toInt();
            for (const auto& [cb, bit] : checks)
                cb->setChecked(v & bit);
        };
        for (const auto& [cb, bit] : checks) {
            connect(cb, &QCheckBox::toggled, this, [this, checks, rowAt](bool) {
                int v = 0;
                for (const auto& [c, b] : checks)
                    if (c->isChecked())
                        v |= b;
                Write(rowAt(), v);
            });
        }
    } else if (id == QMetaType::Int || id == QMetaType::UInt) {
        auto* spin = new QSpinBox;
        spin->setRange(id == QMetaType::UInt ? 0 : INT_MIN, INT_MAX);
        spin->setKeyboardTracking(false);
        spin->setAccelerated(true);
        row.Editor = spin;
        row.Refresh = [spin, rowAt] {
            const TRow& r = rowAt();
            if (r.Obj)
                spin->setValue(r.Prop.read(r.Obj).toInt());
        };
        connect(spin, &QSpinBox::valueChanged, this, [this, rowAt](int v) {
            const TRow& r = rowAt();
            if (r.Prop.metaType().id() == QMetaType::UInt)
                Write(r, QVariant::fromValue(uint(v)));
            else
                Write(r, v);
        });
    } else if (id == QMetaType::Double || id == QMetaType::Float) {
        auto* edit = new TQvDoubleEdit;
        auto shown = std::make_shared<double>(0);
        row.Editor = edit;
        row.Refresh = [edit, shown, rowAt] {
            const TRow& r = rowAt();
            if (!r.Obj)
                return;
            *shown = r.Prop.read(r.Obj).toDouble();
            edit->SetValue(*shown);
            edit->setModified(false);
        };
        // Enter (which the numeric edit keeps to itself) and leaving the edit take the value.
        auto commit = [this, edit, shown, rowAt] {
            if (edit->Value() != *shown)
                Write(rowAt(), edit->Value());
        };
        connect(edit, &TQvCustomNumberEdit::OnDblClick, this, commit);
        connect(edit, &QLineEdit::editingFinished, this, commit);
    } else if (id == QMetaType::QString || id == QMetaType::QStringList) {
        const bool list = id == QMetaType::QStringList;
        QLineEdit* edit = nullptr;
        if (!list && name == "Name" && qobject_cast<TQvFont*>(Obj)) {
            auto* fonts = new QFontComboBox;
            fonts->setEditable(true);
            edit = fonts->lineEdit();
            row.Editor = fonts;
            connect(fonts, &QComboBox::activated, edit, &QLineEdit::editingFinished);
        } else {
            edit = new QLineEdit;
            row.Editor = edit;
        }
        auto shown = std::make_shared<QString>();
        row.Refresh = [edit, shown, list, rowAt] {
            const TRow& r = rowAt();
            if (!r.Obj)
                return;
            const QVariant v = r.Prop.read(r.Obj);
            *shown = list ? Join(v.toStringList()) : v.toString();
            if (edit->text() != *shown)
                edit->setText(*shown);
            edit->setModified(false);
            edit->setCursorPosition(0);
        };
        connect(edit, &QLineEdit::editingFinished, this, [this, edit, shown, list, rowAt] {
            if (edit->text() == *shown)
                return;
            if (list)
                Write(rowAt(), Split(edit->text()));
            else
                Write(rowAt(), edit->text());
        });
    } else {
        return false;
    }

    row.Editor->setToolTip(QString::fromLatin1(name));
    row.Editor->setObjectName(Path);
    // Drop-downs as wide as the sheet allows, not as wide as their longest entry.
    if (auto* combo = qobject_cast<QComboBox*>(row.Editor)) {
        combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        combo->setMinimumContentsLength(10);
    }
    GuardWheel(row.Editor);
    auto* label = new QLabel(LabelOf(name));
    label->setBuddy(row.Editor);
    label->setToolTip(QString::fromLatin1(name));
    Form->addRow(label, row.Editor);
    FRows.push_back(std::move(row));
    return true;
}

void TQvPropertyEditor::Refresh(bool KeepUserEdits)
{
    if (FRefreshing)
        return;
    FRefreshing = true;
    for (const TRow& r : FRows) {
        if (!r.Obj || !r.Refresh)
            continue;
        if (KeepUserEdits) {
            auto* line = qobject_cast<QLineEdit*>(r.Editor);
            if (!line)
                line = r.Editor->findChild<QLineEdit*>();
            if (line && line->hasFocus() && line->isModified())
                continue;
        }
        // Blocks the editor and its check boxes, so that showing a value writes nothing.
        std::vector<QSignalBlocker> blockers;
        blockers.emplace_back(r.Editor);
        for (QWidget* w : r.Editor->findChildren<QWidget*>())
            blockers.emplace_back(w);
        r.Refresh();
    }
    FRefreshing = false;
}

QWidget* TQvPropertyEditor::EditorFor(const QString& Path) const
{
    for (const TRow& r : FRows)
        if (r.Path == Path)
            return r.Editor;
    return nullptr;
}

QStringList TQvPropertyEditor::Paths() const
{
    QStringList r;
    for (const TRow& r2 : FRows)
        r.append(r2.Path);
    return r;
}
