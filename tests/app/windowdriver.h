#ifndef WINDOWDRIVER_H
#define WINDOWDRIVER_H

// The main window on the virtual adapter, driven as a user does: opened on a
// fresh link, ports clicked in the tree, modal dialogs answered once they are
// up. Each step returns once the link has answered what the step asked and
// the library's index has looked at the library.

#include "app/mainwindow.h"
#include "library/libraryindex.h"
#include "library/variantdialog.h"
#include "link/linkhub.h"
#include "simhelpers.h"

#include <QtTest>
#include <QtWidgets>

#include <functional>
#include <memory>

namespace WindowDriver {

template <typename T>
T *find(const QObject *parent, const char *name)
{
    return parent->findChild<T *>(QLatin1String(name));
}

// Waits until the window's library index has looked at the library.
inline void libraryIdle(const MainWindow *window)
{
    if (!QTest::qWaitFor([window] { return !window->libraryIndex()->isBusy(); }, 10000))
        qWarning("the library index is still scanning");
}

// A new window on the adapter as it is set up now; a link that saw an unplug
// stays dead until it is opened again, so the window opens it afresh.
inline MainWindow *open(const QString &libraryDir = QString())
{
    delete LinkHub::instance()->setLink(nullptr);
    auto *window = new MainWindow;
    if (!libraryDir.isEmpty())
        window->setIoddLibraryDir(libraryDir);
    window->initPorts(8);
    window->show();
    SimHelpers::linkIdle();
    libraryIdle(window);
    return window;
}

inline void click(QTreeWidget *tree, int port)
{
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, Qt::NoModifier,
                      tree->visualItemRect(tree->topLevelItem(port)).center());
    SimHelpers::linkIdle();
    if (const auto *window = qobject_cast<MainWindow *>(tree->window()))
        libraryIdle(window);
}

// Hands the next modal widget of type T to `answer` once it is up, unless
// *waiting has been cleared by then.
template <typename T>
void onModal(QObject *context, std::function<void(T *)> answer,
             std::shared_ptr<bool> waiting = std::make_shared<bool>(true))
{
    QTimer::singleShot(20, context, [context, answer, waiting]() {
        if (!*waiting)
            return;
        if (auto *widget = qobject_cast<T *>(QApplication::activeModalWidget()))
            answer(widget);
        else
            onModal<T>(context, answer, waiting);
    });
}

// A test's window with its tabs and port tree, deleted with the test.
struct Session
{
    MainWindow *window = nullptr;
    QTabWidget *tabs = nullptr;
    QTreeWidget *tree = nullptr;

    ~Session() { delete window; }
    // A new window in place of the one before; false when it is not shown.
    bool reopen(const QString &libraryDir = QString())
    {
        delete window;
        window = open(libraryDir);
        tabs = find<QTabWidget>(window, "tabWidget");
        tree = find<QTreeWidget>(window, "treeWidget");
        return QTest::qWaitForWindowExposed(window);
    }
    void closeWindow() { delete std::exchange(window, nullptr); }
    void click(int port) const { WindowDriver::click(tree, port); }
    // Picks `row` in the next variant dialog, or closes it for a row below 0; *seen is set when it came.
    void chooseVariant(int row, bool *seen = nullptr) const
    {
        onModal<VariantDialog>(window, [row, seen](VariantDialog *dialog) {
            if (seen)
                *seen = true;
            if (row < 0)
                return void(dialog->close());
            find<QTableWidget>(dialog, "table")->selectRow(row);
            find<QPushButton>(dialog, "pbtn_enter")->click();
        });
    }
    QStringList tabTexts() const
    {
        QStringList texts;
        for (int i = 0; i < tabs->count(); ++i)
            texts << tabs->tabText(i);
        return texts;
    }
};

} // namespace WindowDriver

#endif // WINDOWDRIVER_H
