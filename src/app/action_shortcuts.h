// Spin boxes claim Ctrl+letter keys for their text field, so the window's
// shortcuts (Ctrl+O, Ctrl+E, ...) did nothing while a spin box had focus.
// This filter lets the Ctrl shortcuts of the window's actions through; plain
// keys stay the box's.
#ifndef ACTION_SHORTCUTS_H
#define ACTION_SHORTCUTS_H

#include <QObject>

class QWidget;

class ActionShortcutsFirst : public QObject {
public:
    // Watches every spin box inside `window` (built by then) for the
    // shortcuts of the window's actions.
    explicit ActionShortcutsFirst(QWidget* window);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* window_;
};

#endif
