#ifndef MAINWINDOW_H
#define MAINWINDOW_H

#include "description/descriptioncache.h"

#include <QHash>
#include <QIcon>
#include <QSize>
#include <QString>
#include <QVector>
#include <QWidget>

#include <cstdint>
#include <functional>

class AdapterPortPage;
class QCloseEvent;
class LibraryIndex;
class LinkReconnector;
class MqttPublishing;
class QLabel;
class QTreeWidgetItem;
class PortPages;
class PortEventLog;
class PortStatusMonitor;

namespace Ui {
class MainWindow;
}

// The one window: the adapter's port tree, the role selector, the tab widget
// with the adapter pages and the pages of the selected port.
//
// Its size and position, the splitter between the tree and the pages, and the
// role are kept in QSettings (group "mainWindow", the organisation and
// application names that main() sets): restored on construction, written when
// the window closes. Without saved geometry it starts at firstStartSize(),
// centred on the screen.
class MainWindow : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY(MainWindow)

public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    // Start-up: the link, the port pages and the adapter pages.
    void initPorts(uint8_t portCount);

    QString roleMenuSet() const { return m_roleMenuSet; }

    // The size at the first start: the parameter table and the ISDU console
    // fit without scrolling, within a 1366 x 768 screen.
    static QSize firstStartSize();
    PortPages *portPages(int port) const;
    PortStatusMonitor *portMonitor() const { return m_portMonitor; }
    PortEventLog *portEvents() const { return m_portEvents; }

    // The IODD library the library dialog and the pages' lookups use
    // (default: IoddLibraryDialog::defaultLibraryDir(), its index kept in
    // DataLocations::libraryIndexFile()); `indexFile` empty: the index is
    // kept in memory only. Before initPorts().
    void setIoddLibraryDir(const QString &dir, const QString &indexFile = QString());
    LibraryIndex *libraryIndex() const { return m_libraryIndex; }

    // The built-in description in the shipped library (DataLocations).
    static QString resolveDefaultIoddPath();

    // The description a click on `port` builds its pages from: the library's
    // newest file for the identity the device reports, as far as the
    // library's index knows it; none when the identity is known but not in
    // the library (and not the built-in device's) or not known.
    QString descriptionFor(int port) const;

public slots:
    void onRoleChanged(int index);
    void onPortClicked(QTreeWidgetItem *item, int column);
    // Opens the IODD library; a confirmed file is loaded for the selected port
    // once the user agreed where its identity differs from the device's.
    void onLibraryClicked();
    // Starts the MQTT publisher after asking where to, or stops it.
    void onMqttClicked();
    void showMqttState();
    // Builds the port's pages from `path` (the identification page when
    // empty), asking for the variant when the file has several. A cancelled
    // variant choice keeps the pages shown and selects their port in the tree
    // again. Returns the chosen variant's name.
    QString showPortPages(const QString &path, uint8_t port);

protected:
    // A switch of language: the forms' texts and every text set here again.
    void changeEvent(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    // Role names and adapter tab titles in the current language; the title.
    void showTexts();
    // "VANTO-HUB8 IO-Link Tool", with the shown port once there is one.
    void showWindowTitle();
    // The shown port's pages with their description's texts in the
    // interface's language.
    void showDescriptionTexts();
    // What is wrong with the shown port's description, on its Basic info page.
    void showDescriptionProblem();
    void applyStyleSheet();
    void restoreSettings();
    // Size, position, splitter and role into the settings (on close).
    void saveSettings() const;
    void showPortStates();
    // The shown port's mode to its Basic info page (its DI and DO views).
    void showPortMode();
    // The tree's lamp picture `name` (":/images/<name>.png").
    QIcon portIcon(const QString &name);
    // Amber or red lamps for ports whose device reports a warning or an error.
    void showDeviceEvents();
    void onPortStatesChanged();
    // The status line: adapter connected, silent, or not connected and being reopened.
    void showLinkStatus();
    void offerLibraryLookup(int port);
    // The library dialog, showing the files of `deviceId` when it is not 0.
    void openLibrary(int port, quint32 deviceId);
    int selectedPort() const;
    // Selects the shown port's item in the tree (none before the first).
    void selectShownPort();
    // The monitor's look at the port clicked last is in: its pages again
    // when the device there is not the one they were made for.
    void onPortRefreshed();
    // Why a port has no pages but its identification page.
    QString noDeviceText(int port) const;
    // The library's index has changed: the shown port's pages again when
    // the lookup now gives another file (not one chosen in the dialog).
    void onLibraryChanged();
    void showLibraryProgress(int done, int total);

    Ui::MainWindow *m_ui;
    PortStatusMonitor *m_portMonitor = nullptr;
    PortEventLog *m_portEvents = nullptr;
    AdapterPortPage *m_adapterPortPage = nullptr;
    LinkReconnector *m_reconnector = nullptr;
    QLabel *m_linkStatus = nullptr;
    QLabel *m_libraryStatus = nullptr;
    MqttPublishing *m_mqtt = nullptr;
    QLabel *m_mqttStatus = nullptr;
    LibraryIndex *m_libraryIndex = nullptr;
    QString m_roleMenuSet;
    QString m_ioddLibraryDir;
    QHash<QString, QIcon> m_portIcons;
    QVector<PortPages *> m_ports;                  // by port index
    DescriptionCache m_descriptions;               // the files pages were last built from, parsed
    QHash<int, QString> m_portDescriptions;        // port -> file its pages are built from
    int m_refreshedPort = -1;                      // the port clicked last, while the monitor looks at it again
    int m_shownPort = -1;                          // the port whose pages are shown, -1 before the first
    bool m_descriptionChosen = false;              // the shown pages' file was chosen in the library dialog
    bool m_awaitingLibrary = false;                // the shown port's pages wait for the library's index
    std::function<QString()> m_descriptionProblem; // what the shown port's Basic info page says about its file
};

#endif // MAINWINDOW_H
