#include "wheelguard.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QEvent>

namespace {

bool hasFocusWithin(const QWidget *widget)
{
    if (widget->hasFocus())
        return true;
    const QWidget *focused = QApplication::focusWidget();
    return focused && widget->isAncestorOf(focused);
}

} // namespace

WheelGuard::WheelGuard(QObject *parent) : QObject(parent) {}

WheelGuard *WheelGuard::install(QCoreApplication *app)
{
    auto *guard = new WheelGuard(app);
    app->installEventFilter(guard);
    return guard;
}

bool WheelGuard::guards(const QObject *object)
{
    return qobject_cast<const QComboBox *>(object) || qobject_cast<const QAbstractSpinBox *>(object);
}

bool WheelGuard::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::Wheel && type != QEvent::Polish)
        return false;
    if (!guards(watched))
        return false;
    auto *widget = static_cast<QWidget *>(watched);
    if (type == QEvent::Polish) {
        // Wheel focus would let the turn itself take focus and then the value.
        if (widget->focusPolicy() == Qt::WheelFocus)
            widget->setFocusPolicy(Qt::StrongFocus);
        return false;
    }
    if (hasFocusWithin(widget))
        return false;
    // Handled here but not accepted: the application hands the turn on to the
    // parent widgets, and the first one that wants it (a scroll area) takes it.
    event->ignore();
    return true;
}
