#include "action_shortcuts.h"

#include <QAbstractSpinBox>
#include <QAction>
#include <QKeyEvent>
#include <QKeySequence>
#include <QWidget>

ActionShortcutsFirst::ActionShortcutsFirst(QWidget* window) : QObject(window), window_(window)
{
    for (QAbstractSpinBox* box : window->findChildren<QAbstractSpinBox*>())
        box->installEventFilter(this);
}

bool ActionShortcutsFirst::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::ShortcutOverride)
        return QObject::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    if (!(key->modifiers() & Qt::ControlModifier))
        return false;
    const QKeySequence pressed(key->keyCombination());
    for (const QAction* action : window_->findChildren<QAction*>())
        if (action->isEnabled() && action->shortcuts().contains(pressed))
            return true; // not offered to the box, so the shortcut fires
    return false;
}
