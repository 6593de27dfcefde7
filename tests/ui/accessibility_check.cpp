#include "accessibility_check.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QAccessibleInterface>
#include <QComboBox>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QStyleOptionComboBox>
#include <QTableView>
#include <QTest>
#include <QWidget>

#include <functional>

namespace a11y {
namespace {

bool isInteractive(QAccessible::Role role)
{
    switch (role) {
    case QAccessible::PushButton:
    case QAccessible::ButtonMenu:
    case QAccessible::ButtonDropDown:
    case QAccessible::CheckBox:
    case QAccessible::RadioButton:
    case QAccessible::ComboBox:
    case QAccessible::EditableText:
    case QAccessible::Slider:
    case QAccessible::SpinBox:
    case QAccessible::Table:
    case QAccessible::List:
    case QAccessible::Tree:
    case QAccessible::PageTab:
        return true;
    default:
        return false;
    }
}

// Calls `visit` for every visible interactive control under `top`; the cells
// of a table and the list of a combo box are its content, not controls.
void forEachControl(QWidget* top, const std::function<void(QAccessibleInterface*)>& visit)
{
    std::function<void(QAccessibleInterface*)> walk = [&](QAccessibleInterface* node) {
        for (int i = 0; i < node->childCount(); ++i) {
            QAccessibleInterface* child = node->child(i);
            if (!child || child->state().invisible)
                continue;
            if (isInteractive(child->role()))
                visit(child);
            else
                walk(child);
        }
    };
    if (QAccessibleInterface* root = QAccessible::queryAccessibleInterface(top))
        walk(root);
}

QString faultOfControl(QAccessibleInterface* control)
{
    const QString where = control->object() && control->object()->isWidgetType()
        ? describe(static_cast<QWidget*>(control->object()))
        : QStringLiteral("a control");
    if (control->text(QAccessible::Name).trimmed().isEmpty())
        return where + QStringLiteral(" has no name");
    if (QAccessibleTableInterface* table = control->tableInterface()) {
        const auto* view = qobject_cast<QTableView*>(control->object());
        for (int c = 0; c < table->columnCount(); ++c) {
            if (view && view->isColumnHidden(c))
                continue;
            if (table->columnDescription(c).trimmed().isEmpty())
                return where + QStringLiteral(" has no header for column %1").arg(c);
        }
    }
    if (control->role() == QAccessible::Slider && !control->valueInterface())
        return where + QStringLiteral(" exposes no value");
    return {};
}

QList<QWidget*> visibleWidgets(QWidget* top)
{
    QList<QWidget*> shown;
    for (QWidget* w : top->findChildren<QWidget*>()) {
        if (w->isVisibleTo(top) && !w->isWindow())
            shown.append(w);
    }
    return shown;
}

QRect rectIn(const QWidget* widget, const QWidget* top)
{
    return QRect(widget->mapTo(top, QPoint(0, 0)), widget->size());
}

// Reading order: along a row (vertical extents overlap) left to right,
// otherwise top to bottom.
bool readsBefore(const QRect& a, const QRect& b)
{
    const bool sameRow = a.top() < b.bottom() && b.top() < a.bottom();
    return sameRow ? a.center().x() < b.center().x() : a.top() < b.top();
}

bool isTabStop(QWidget* w, QWidget* top)
{
    return (w->focusPolicy() & Qt::TabFocus) == Qt::TabFocus && w->isEnabled() && w->isVisibleTo(top)
        && !w->focusProxy() && !w->isWindow();
}

QString fitFault(const QWidget* w, const QString& text, const QSize& need, const QRect& area)
{
    if (need.width() <= area.width() && need.height() <= area.height())
        return {};
    return QStringLiteral("%1: \"%2\" needs %3 x %4, has %5 x %6")
        .arg(describe(w), text)
        .arg(need.width())
        .arg(need.height())
        .arg(area.width())
        .arg(area.height());
}

QRect labelArea(const QLabel* label)
{
    const int m = label->margin();
    return label->contentsRect().adjusted(m, m, -m, -m);
}

// Where a label's text is drawn, in the label's own coordinates.
QRect drawnText(const QLabel* label)
{
    const int flags = int(label->alignment()) | (label->wordWrap() ? Qt::TextWordWrap : 0);
    return label->fontMetrics().boundingRect(labelArea(label), flags, label->text());
}

bool showsText(const QLabel* label) { return !label->text().isEmpty() && label->pixmap().isNull(); }

void checkLabel(QLabel* label, QStringList& faults)
{
    if (!showsText(label))
        return;
    const QString text = label->text();
    const QRect need = drawnText(label);
    const QString fault = fitFault(label, text, need.size(), labelArea(label));
    if (!fault.isEmpty()) {
        faults << fault;
        return;
    }
    // The text, in its parent: it must stay inside the parent and off the
    // widgets beside it (off the text of a label beside it).
    QWidget* parent = label->parentWidget();
    const QRect drawn = need.translated(label->pos());
    if (!parent->rect().contains(drawn)) {
        faults << QStringLiteral("%1: \"%2\" runs out of its parent").arg(describe(label), text);
        return;
    }
    for (QObject* o : parent->children()) {
        auto* sibling = qobject_cast<QWidget*>(o);
        if (!sibling || sibling == label || sibling->isWindow() || !sibling->isVisibleTo(parent))
            continue;
        // A widget placed over the label holds it (a band): not a neighbour.
        if (sibling->geometry().contains(label->geometry()) || label->geometry().contains(sibling->geometry()))
            continue;
        QRect occupied = sibling->geometry();
        if (auto* other = qobject_cast<QLabel*>(sibling)) {
            if (!showsText(other))
                continue;
            occupied = drawnText(other).translated(other->pos());
        }
        if (occupied.intersects(drawn))
            faults << QStringLiteral("%1: \"%2\" runs into %3").arg(describe(label), text, describe(sibling));
    }
}

void checkButton(QAbstractButton* button, QStringList& faults)
{
    const QString text = button->text();
    if (text.isEmpty())
        return;
    const QFontMetrics fm = button->fontMetrics();
    int width = fm.horizontalAdvance(text) + 8;
    if (!button->icon().isNull())
        width += button->iconSize().width() + 4;
    faults << fitFault(button, text, QSize(width, fm.height()), button->rect());
}

void checkCombo(QComboBox* combo, QStringList& faults)
{
    QStyleOptionComboBox option;
    option.initFrom(combo);
    option.editable = combo->isEditable();
    const QRect field =
        combo->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, combo);
    for (int i = 0; i < combo->count(); ++i) {
        int width = combo->fontMetrics().horizontalAdvance(combo->itemText(i));
        if (!combo->itemIcon(i).isNull())
            width += combo->iconSize().width() + 4;
        faults << fitFault(combo, combo->itemText(i), QSize(width, combo->fontMetrics().height()), field);
    }
}

void checkHeader(QHeaderView* header, QStringList& faults)
{
    const int margin = 2 * header->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header);
    for (int section = 0; section < header->count(); ++section) {
        if (header->isSectionHidden(section))
            continue;
        const QString text = header->model()->headerData(section, header->orientation()).toString();
        QFont font = header->font();
        font.setBold(font.bold() || header->highlightSections());
        const QSize need(QFontMetrics(font).horizontalAdvance(text) + margin, QFontMetrics(font).height());
        const QRect area(0, 0, header->sectionSize(section), header->height());
        faults << fitFault(header, text, need, area);
    }
}

} // namespace

QString describe(const QWidget* widget)
{
    QString name = widget->accessibleName();
    if (name.isEmpty()) {
        if (auto* button = qobject_cast<const QAbstractButton*>(widget))
            name = button->text();
        else if (auto* label = qobject_cast<const QLabel*>(widget))
            name = label->text().left(30);
    }
    const QWidget* top = widget->window();
    const QPoint at = widget->mapTo(top, QPoint(0, 0));
    return QStringLiteral("%1 '%2' at (%3, %4)")
        .arg(QString::fromLatin1(widget->metaObject()->className()), name)
        .arg(at.x())
        .arg(at.y());
}

QStringList unnamedControls(QWidget* top)
{
    QStringList faults;
    forEachControl(top, [&](QAccessibleInterface* control) {
        const QString fault = faultOfControl(control);
        if (!fault.isEmpty())
            faults << fault;
    });
    return faults;
}

NameCount countNamed(QWidget* top)
{
    NameCount count;
    forEachControl(top, [&](QAccessibleInterface* control) {
        ++count.controls;
        count.named += !control->text(QAccessible::Name).trimmed().isEmpty();
    });
    return count;
}

QStringList tabOrderProblems(QWidget* top)
{
    QList<QWidget*> stops;
    for (QWidget* w : visibleWidgets(top)) {
        if (isTabStop(w, top))
            stops.append(w);
    }
    if (stops.isEmpty())
        return {};
    // The walk starts where Tab starts in a window without focus: the first
    // stop of the focus chain.
    QWidget* first = top->nextInFocusChain();
    while (first != top && !stops.contains(first))
        first = first->nextInFocusChain();
    if (first == top)
        return {QStringLiteral("no control of the window is in its focus chain")};
    first->setFocus(Qt::TabFocusReason);

    QStringList faults;
    QList<QWidget*> reached{first};
    QWidget* current = first;
    for (qsizetype step = 0; step <= stops.size(); ++step) {
        QTest::keyClick(current, Qt::Key_Tab);
        QWidget* next = top->focusWidget();
        if (next == current) {
            faults << describe(current) + QStringLiteral(" keeps the focus on Tab");
            break;
        }
        if (next == first || !next)
            break;
        if (!readsBefore(rectIn(current, top), rectIn(next, top)))
            faults << QStringLiteral("Tab goes back from %1 to %2").arg(describe(current), describe(next));
        if (reached.contains(next)) {
            faults << QStringLiteral("Tab circles back to %1 without reaching the start").arg(describe(next));
            break;
        }
        reached.append(next);
        current = next;
    }
    for (QWidget* stop : stops) {
        if (!reached.contains(stop))
            faults << describe(stop) + QStringLiteral(" is never reached by Tab");
    }
    return faults;
}

QStringList unmarkedFocus(QWidget* top)
{
    top->activateWindow();
    if (!QTest::qWaitForWindowActive(top))
        return {QStringLiteral("the window did not become active")};
    QStringList faults;
    for (QWidget* w : visibleWidgets(top)) {
        if (!isTabStop(w, top))
            continue;
        w->clearFocus();
        const QImage plain = w->grab().toImage();
        w->setFocus(Qt::TabFocusReason);
        if (!w->hasFocus())
            faults << describe(w) + QStringLiteral(" does not take the focus");
        else if (w->grab().toImage() == plain)
            faults << describe(w) + QStringLiteral(" looks the same with the focus");
    }
    return faults;
}

QStringList textsThatDoNotFit(QWidget* top)
{
    QStringList faults;
    for (QWidget* w : visibleWidgets(top)) {
        if (auto* label = qobject_cast<QLabel*>(w))
            checkLabel(label, faults);
        else if (auto* button = qobject_cast<QAbstractButton*>(w))
            checkButton(button, faults);
        else if (auto* combo = qobject_cast<QComboBox*>(w))
            checkCombo(combo, faults);
        else if (auto* header = qobject_cast<QHeaderView*>(w))
            checkHeader(header, faults);
    }
    faults.removeAll(QString());
    return faults;
}

QStringList blurryImages(QWidget* top)
{
    const qreal ratio = top->devicePixelRatioF();
    QStringList faults;
    for (QWidget* w : visibleWidgets(top)) {
        qreal drawn = ratio;
        if (auto* button = qobject_cast<QAbstractButton*>(w); button && !button->icon().isNull())
            drawn = button->icon().pixmap(button->iconSize(), ratio).devicePixelRatio();
        else if (auto* label = qobject_cast<QLabel*>(w); label && !label->pixmap().isNull())
            drawn = label->pixmap().devicePixelRatio();
        if (drawn < ratio)
            faults << QStringLiteral("%1 is drawn at %2x on a %3x screen").arg(describe(w)).arg(drawn).arg(ratio);
    }
    return faults;
}

} // namespace a11y
