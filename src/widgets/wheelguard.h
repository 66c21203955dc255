#ifndef WHEELGUARD_H
#define WHEELGUARD_H

#include <QObject>

class QCoreApplication;
class QWidget;

// Keeps combo boxes and spin boxes from changing under a wheel that only
// meant to scroll the page. Installed on the application, it gives every
// combo box and spin box strong focus (a click or Tab focuses them, the wheel
// does not) and lets a wheel turn over one of them reach it only while it has
// focus; otherwise the turn goes on to the widgets below it, so a scroll area
// scrolls as if the control were not there.
class WheelGuard : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(WheelGuard)

public:
    explicit WheelGuard(QObject *parent = nullptr);

    // Creates a guard owned by `app` and installs it there.
    static WheelGuard *install(QCoreApplication *app);

    // Whether `object` is a control the guard looks after.
    static bool guards(const QObject *object);

    bool eventFilter(QObject *watched, QEvent *event) override;
};

#endif // WHEELGUARD_H
