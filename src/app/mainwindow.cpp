#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "i18n/uilanguage.h"
#include "journaldialog.h"
#include "mqttdialog.h"
#include "mqttpublishing.h"
#include "portdeviceidentity.h"

#include "adapterpages/adaptercommpage.h"
#include "adapterpages/adapterdetailspage.h"
#include "adapterpages/adapterportpage.h"
#include "description/builtindescription.h"
#include "description/datalocations.h"
#include "description/ioddfile.h"
#include "devicepages/basicinfopage.h"
#include "library/ioddlibrarydialog.h"
#include "library/ioddlookupbar.h"
#include "library/libraryindex.h"
#include "library/variantdialog.h"
#include "link/adapterlink.h"
#include "link/linkhub.h"
#include "link/linkreconnector.h"
#include "link/linkreply.h"
#include "link/portstatusmonitor.h"
#include "log/hub8log.h"
#include "params/parameterpage.h"
#include "port/porteventlog.h"
#include "port/portpages.h"
#include "procdata/processdatainpage.h"
#include "procdata/processdataoutpage.h"
#include "protocol/adapterregisters.h"
#include "resources/hub8resources.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QIcon>
#include <QLabel>
#include <QScreen>
#include <QScrollArea>
#include <QSettings>
#include <QSignalBlocker>
#include <QTimer>
#include <QTreeWidget>

#include <utility>

#include <iterator>
#include <memory>

namespace {
constexpr int roleDataRole = Qt::UserRole + 1;
const QString geometryKey = QStringLiteral("mainWindow/geometry");
const QString splitterKey = QStringLiteral("mainWindow/splitter");
const QString roleKey = QStringLiteral("mainWindow/role");
} // namespace

QString MainWindow::resolveDefaultIoddPath()
{
    return DataLocations::builtinDescriptionPath(); // missing: the pages come out empty
}

MainWindow::MainWindow(QWidget *parent)
    : QWidget(parent),
      m_ui(new Ui::MainWindow),
      m_roleMenuSet(QStringLiteral("SpecialistRoleMenuSet")),
      m_ioddLibraryDir(IoddLibraryDialog::defaultLibraryDir())
{
    setIoddLibraryDir(m_ioddLibraryDir, DataLocations::libraryIndexFile(m_ioddLibraryDir));
    initHub8Resources();
    // The style sheet first: the form's widgets are made under it, instead of
    // being made and then restyled, all of them.
    applyStyleSheet();
    m_ui->setupUi(this);
    // Named in the current language by showTexts().
    for (const char *set : {"SpecialistRoleMenuSet", "MaintenanceRoleMenuSet", "ObserverRoleMenuSet"}) {
        m_ui->cbox_role->addItem(QString());
        m_ui->cbox_role->setItemData(m_ui->cbox_role->count() - 1, QLatin1String(set), roleDataRole);
    }
    showTexts();
    m_ui->cbox_language->setCurrentIndex(UiLanguage::current() == UiLanguage::Language::English ? 1 : 0);
    connect(m_ui->treeWidget, &QTreeWidget::itemClicked, this, &MainWindow::onPortClicked);
    connect(m_ui->pbtn_library, &QPushButton::clicked, this, &MainWindow::onLibraryClicked);
    connect(m_ui->pbtn_journal, &QPushButton::clicked, this, [this] {
        JournalDialog dialog(this);
        dialog.exec();
    });
    m_mqtt = new MqttPublishing(
        [this](quint16 vendorId, quint32 deviceId) {
            return m_libraryIndex ? m_libraryIndex->newestFile(vendorId, deviceId) : QString();
        },
        this);
    m_mqttStatus = new QLabel(m_ui->widget_tool);
    m_mqttStatus->setObjectName(QStringLiteral("label_mqttStatus"));
    m_mqttStatus->setStyleSheet(QStringLiteral("color: white; margin-left: 8px;"));
    m_mqttStatus->setMaximumWidth(420);
    m_mqttStatus->setMinimumWidth(1); // a narrow window cuts the state, never the buttons
    m_ui->horizontalLayout->insertWidget(m_ui->horizontalLayout->indexOf(m_ui->pbtn_mqtt) + 1, m_mqttStatus);
    m_mqttStatus->hide();
    connect(m_ui->pbtn_mqtt, &QPushButton::clicked, this, &MainWindow::onMqttClicked);
    connect(m_mqtt, &MqttPublishing::stateChanged, this, &MainWindow::showMqttState);
    connect(m_ui->cbox_language, QOverload<int>::of(&QComboBox::currentIndexChanged), this, [this](int index) {
        if (UiLanguage::apply(index == 1 ? UiLanguage::Language::English : UiLanguage::Language::Chinese))
            return;
        // The translation did not load: the box goes back to the language shown.
        const QSignalBlocker quiet(m_ui->cbox_language);
        m_ui->cbox_language->setCurrentIndex(UiLanguage::current() == UiLanguage::Language::English ? 1 : 0);
    });
    // The tree keeps its width when the window grows.
    m_ui->splitter->setStretchFactor(0, 0);
    m_ui->splitter->setStretchFactor(1, 1);
    m_ui->splitter->setSizes({m_ui->treeWidget->minimumWidth() + 20, width()});
    restoreSettings();
}

void MainWindow::setIoddLibraryDir(const QString &dir, const QString &indexFile)
{
    m_ioddLibraryDir = dir;
    delete m_libraryIndex;
    m_libraryIndex = new LibraryIndex(dir, indexFile, this);
    connect(m_libraryIndex, &LibraryIndex::changed, this, &MainWindow::onLibraryChanged);
    connect(m_libraryIndex, &LibraryIndex::progress, this, &MainWindow::showLibraryProgress);
    connect(m_libraryIndex, &LibraryIndex::idle, this, [this] { showLibraryProgress(0, 0); });
}

void MainWindow::showLibraryProgress(int done, int total)
{
    // Shown only while it has something to say: it would widen the tool bar.
    if (!m_libraryStatus)
        return;
    m_libraryStatus->setText(done < total ? tr("正在建立IODD库索引：%1/%2").arg(done).arg(total) : QString());
    m_libraryStatus->setVisible(done < total);
}

void MainWindow::onLibraryChanged()
{
    const int port = m_shownPort;
    if (port < 0 || m_descriptionChosen)
        return;
    // Not under a dialog (the library's, a variant choice): looked at again once it has closed.
    if (QApplication::activeModalWidget()) {
        QTimer::singleShot(250, this, &MainWindow::onLibraryChanged);
        return;
    }
    const QString path = descriptionFor(port);
    if (path == m_portDescriptions.value(port) && !m_awaitingLibrary)
        return;
    // Edits typed for the device that was there are not dropped unasked.
    if (ParameterPage *page = m_ui->tabWidget->findChild<ParameterPage *>(); page && page->unwrittenEdits() > 0)
        return;
    showPortPages(path, uint8_t(port));
}

QSize MainWindow::firstStartSize()
{
    return QSize(1280, 680);
}

void MainWindow::restoreSettings()
{
    const QSettings settings;
    const int role = m_ui->cbox_role->findData(settings.value(roleKey).toString(), roleDataRole);
    if (role >= 0) {
        m_ui->cbox_role->setCurrentIndex(role);
        m_roleMenuSet = m_ui->cbox_role->itemData(role, roleDataRole).toString();
    }
    m_ui->splitter->restoreState(settings.value(splitterKey).toByteArray());
    if (restoreGeometry(settings.value(geometryKey).toByteArray()))
        return;
    const QScreen *screen = QGuiApplication::primaryScreen();
    const QRect available = screen ? screen->availableGeometry() : QRect(QPoint(0, 0), firstStartSize());
    resize(firstStartSize().boundedTo(available.size()));
    move(available.center() - rect().center());
}

void MainWindow::saveSettings() const
{
    QSettings settings;
    settings.setValue(geometryKey, saveGeometry());
    settings.setValue(splitterKey, m_ui->splitter->saveState());
    settings.setValue(roleKey, m_roleMenuSet);
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    saveSettings();
    QWidget::closeEvent(event);
    if (!event->isAccepted())
        return;
    // Nothing reaches the adapter once the window is closed: the queued jobs
    // are dropped and the one in flight ends at its next step.
    if (m_portMonitor)
        m_portMonitor->stop();
    if (LinkHub *hub = LinkHub::instance(); hub && hub->link())
        hub->link()->shutdown();
}

MainWindow::~MainWindow()
{
    delete m_ui;
}

void MainWindow::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() != QEvent::LanguageChange)
        return;
    m_ui->retranslateUi(this);
    showTexts();
    showLinkStatus();
    showPortStates();
    if (m_portEvents)
        m_portEvents->retranslate(); // the event pages show them again
    showDescriptionProblem();
    showDescriptionTexts();
}

void MainWindow::showDescriptionTexts()
{
    const QString path = m_shownPort >= 0 ? m_portDescriptions.value(m_shownPort) : QString();
    PortPages *holder = m_shownPort >= 0 ? portPages(m_shownPort) : nullptr;
    if (path.isEmpty() || !holder)
        return;
    bool readable = false;
    const std::shared_ptr<IoddFile> description =
        m_descriptions.load(path, UiLanguage::name(UiLanguage::current()), &readable);
    if (readable)
        holder->showTexts(description);
}

void MainWindow::showDescriptionProblem()
{
    if (auto *page = qobject_cast<BasicInfoPage *>(m_ui->tabWidget->widget(PortPages::adapterTabCount));
        page && m_descriptionProblem)
        page->showDescriptionProblem(m_descriptionProblem());
}

void MainWindow::showTexts()
{
    const QString roles[] = {tr("投产模式"), tr("维护模式"), tr("操作模式")};
    for (int i = 0; i < m_ui->cbox_role->count() && i < int(std::size(roles)); ++i)
        m_ui->cbox_role->setItemText(i, roles[i]);
    const QString adapterTabs[] = {tr("适配器详情"), tr("适配器通信参数"), tr("适配器端口配置")};
    for (int i = 0; i < PortPages::adapterTabCount && i < m_ui->tabWidget->count(); ++i)
        m_ui->tabWidget->setTabText(i, adapterTabs[i]);
    showWindowTitle();
}

void MainWindow::showWindowTitle()
{
    // The product's name, the same in every language.
    const QString title = QStringLiteral("VANTO-HUB8 IO-Link Tool");
    setWindowTitle(m_shownPort < 0 ? title : title + QStringLiteral(" — Port%1").arg(m_shownPort + 1));
}

void MainWindow::applyStyleSheet()
{
    // Every window of the tool writes in 13-pixel type. It is the
    // application's font rather than a style sheet rule for every widget:
    // such a rule restyles each widget as it is polished, and a combo box
    // builds its drop-down list for that, long before anyone opens it.
    QFont font = QApplication::font();
    if (font.pixelSize() != 13) {
        font.setPixelSize(13);
        QApplication::setFont(font);
    }
    QFile qss(QStringLiteral(":/qss/green/mainwindow.qss"));
    if (!qss.open(QIODevice::ReadOnly))
        return;
    QByteArray content = qss.readAll();
    const int nul = content.indexOf('\0');
    if (nul >= 0)
        content.truncate(nul);
    setStyleSheet(QString::fromUtf8(content));
    qss.close();
}

void MainWindow::initPorts(uint8_t portCount)
{
    LinkHub *hub = LinkHub::instance();

    // One link for the whole run; a second window (tests) reuses it unless
    // the first one's closing shut it down.
    if (!hub->link() || hub->link()->isShutDown())
        delete hub->setLink(new AdapterLink);
    if (!hub->link()->isOpen()) {
        LinkReply *open = hub->link()->openDevice(this);
        connect(open, &LinkReply::finished, open, &QObject::deleteLater);
    }

    connect(m_ui->cbox_role, QOverload<int>::of(&QComboBox::currentIndexChanged), this, &MainWindow::onRoleChanged);

    for (uint8_t i = 0; i < portCount; ++i) {
        auto *pages = new PortPages(i, this);
        pages->setPortTabWidget(m_ui->tabWidget);
        m_ports.append(pages);
    }

    auto *details = new AdapterDetailsPage;
    auto *comm = new AdapterCommPage;
    comm->setPageTimings({ParameterPage::singleItemReadWaitMs, ParameterPage::recordReadWaitMs,
                          ParameterPage::singleItemWriteWaitMs, ParameterPage::recordWriteWaitMs,
                          ProcessDataInPage::pollIntervalMs, ProcessDataOutPage::settleMs});
    m_adapterPortPage = new AdapterPortPage;
    // Scrolled where the window is lower than their forms (small screens).
    const auto scrolled = [](QWidget *page) {
        auto *area = new QScrollArea;
        area->setFrameShape(QFrame::NoFrame);
        area->setWidgetResizable(true);
        area->setWidget(page);
        return area;
    };
    m_ui->tabWidget->addTab(scrolled(details), QString());
    m_ui->tabWidget->addTab(scrolled(comm), QString());
    m_ui->tabWidget->addTab(scrolled(m_adapterPortPage), QString());
    showTexts();
    m_ui->tabWidget->setCurrentIndex(0);

    m_portMonitor = new PortStatusMonitor(this);
    m_mqtt->setPortMonitor(m_portMonitor);
    details->setPortMonitor(m_portMonitor);
    m_adapterPortPage->setPortMonitor(m_portMonitor);
    m_portEvents = new PortEventLog(portCount, this);
    connect(m_portMonitor, &PortStatusMonitor::statesChanged, this, &MainWindow::onPortStatesChanged);
    connect(m_portMonitor, &PortStatusMonitor::pollFinished, this, &MainWindow::onPortRefreshed);
    connect(m_portEvents, &PortEventLog::eventsChanged, this, [this](int port) {
        if (PortPages *holder = portPages(port))
            holder->showDiagnosis(m_portEvents->events(port));
    });
    for (uint8_t i = 0; i < portCount; ++i)
        portPages(i)->setEventLog(m_portEvents);
    connect(m_portEvents, &PortEventLog::eventsChanged, this, &MainWindow::showPortStates);
    m_linkStatus = new QLabel(m_ui->widget_tool);
    m_linkStatus->setObjectName(QStringLiteral("label_linkStatus"));
    m_linkStatus->setStyleSheet(QStringLiteral("color: white; margin-left: 12px;"));
    m_linkStatus->setMinimumWidth(1); // the tool bar fits an 800-pixel screen
    m_ui->horizontalLayout->insertWidget(2, m_linkStatus);
    m_libraryStatus = new QLabel(m_ui->widget_tool);
    m_libraryStatus->setObjectName(QStringLiteral("label_libraryStatus"));
    m_libraryStatus->setStyleSheet(QStringLiteral("color: white; margin-left: 12px;"));
    m_ui->horizontalLayout->insertWidget(3, m_libraryStatus);
    m_libraryStatus->hide();
    m_reconnector = new LinkReconnector(hub->link(), this);
    connect(hub->link(), &AdapterLink::connectionChanged, this, &MainWindow::showLinkStatus);
    // Queued: the poll runs once the reconnect has returned.
    connect(m_reconnector, &LinkReconnector::reconnected, m_portMonitor, &PortStatusMonitor::poll,
            Qt::QueuedConnection);

    // The library's index is brought up to date off this thread; the pages
    // of a port clicked before it is in follow once it is.
    m_libraryIndex->refresh();

    // The tree shows the ports at once; their events wait for the first answer.
    m_portMonitor->poll();
    showPortStates();
    showLinkStatus();
    m_portMonitor->start();
}

void MainWindow::onPortStatesChanged()
{
    showPortMode();
    showPortStates();
    showLinkStatus();
    m_portEvents->update(m_portMonitor->adapterAnswers(), m_portMonitor->states());
}

void MainWindow::showPortMode()
{
    auto *page = qobject_cast<BasicInfoPage *>(m_ui->tabWidget->widget(PortPages::adapterTabCount));
    if (page && m_shownPort >= 0 && m_portMonitor)
        page->setPortMode(m_portMonitor->states().value(m_shownPort).mode);
}

void MainWindow::showLinkStatus()
{
    if (!m_linkStatus)
        return;
    const AdapterLink *link = LinkHub::instance() ? LinkHub::instance()->link() : nullptr;
    if (link && !link->isKnown())
        m_linkStatus->clear(); // opening: said once the adapter has answered or not
    else if (link && !link->isConnected() && !link->lockHolder().isEmpty())
        m_linkStatus->setText(tr("适配器正被另一个程序使用（%1），正在重新连接…").arg(link->lockHolder()));
    else if (!link || !link->isConnected())
        m_linkStatus->setText(tr("适配器未连接，正在重新连接…"));
    else if (m_portMonitor && !m_portMonitor->adapterAnswers())
        m_linkStatus->setText(tr("适配器无应答"));
    else
        m_linkStatus->setText(tr("适配器已连接"));
}

PortPages *MainWindow::portPages(int port) const
{
    return m_ports.value(port);
}

QIcon MainWindow::portIcon(const QString &name)
{
    // Each loaded once: a new QIcon per refresh would leave its scaled
    // pictures in Qt's pixmap cache at every port click.
    auto found = m_portIcons.find(name);
    if (found == m_portIcons.end())
        found = m_portIcons.insert(name, QIcon(QStringLiteral(":/images/%1.png").arg(name)));
    return found.value();
}

void MainWindow::showPortStates()
{
    static const char *const icons[] = {"port_off", "port_di", "port_do", "port_starting", "port_operate", "port_lost"};
    const bool answers = m_portMonitor && m_portMonitor->adapterAnswers();
    for (int p = 0; p < m_ui->treeWidget->topLevelItemCount(); ++p) {
        QTreeWidgetItem *item = m_ui->treeWidget->topLevelItem(p);
        if (!answers) {
            item->setIcon(0, portIcon(QStringLiteral("port_off")));
            item->setToolTip(0, tr("适配器未连接"));
            continue;
        }
        const PortState s = m_portMonitor->states().value(p);
        // A port without a device in operate, when the adapter does not report modes: grey.
        const char *icon = size_t(s.mode) < std::size(icons) ? icons[s.mode] : icons[0];
        item->setIcon(0, portIcon(QLatin1String(icon)));
        QString tip = portModeText(s.mode);
        if (s.vendorId != 0 || s.deviceId != 0)
            tip += QStringLiteral("\nVendor ID %1, Device ID %2").arg(s.vendorId).arg(s.deviceId);
        if (m_portDescriptions.contains(p)) {
            const QString file = m_portDescriptions.value(p);
            tip += QLatin1Char('\n')
                + (file.isEmpty() ? tr("没有描述文件") : tr("描述文件：%1").arg(QFileInfo(file).fileName()));
        }
        item->setToolTip(0, tip);
    }
    showDeviceEvents();
}

void MainWindow::showDeviceEvents()
{
    if (!m_portEvents || !m_portMonitor || !m_portMonitor->adapterAnswers())
        return;
    for (int p = 0; p < m_ui->treeWidget->topLevelItemCount(); ++p) {
        const PortEventLog::Severity severity = m_portEvents->deviceSeverity(p);
        if (severity == PortEventLog::Severity::None
            || m_portMonitor->states().value(p).mode != AdapterRegisters::ModeIoLinkOperate)
            continue;
        QTreeWidgetItem *item = m_ui->treeWidget->topLevelItem(p);
        const bool error = severity == PortEventLog::Severity::Error;
        item->setIcon(0, portIcon(error ? QStringLiteral("port_error") : QStringLiteral("port_warning")));
        item->setToolTip(0, item->toolTip(0) + QLatin1Char('\n') + m_portEvents->deviceSummary(p));
    }
}

void MainWindow::offerLibraryLookup(int port)
{
    auto *page = qobject_cast<BasicInfoPage *>(m_ui->tabWidget->widget(PortPages::adapterTabCount));
    IoddLookupBar *lookup = page ? page->libraryLookup() : nullptr;
    if (!lookup)
        return;
    const PortState state = m_portMonitor ? m_portMonitor->states().value(port) : PortState();
    lookup->setLibraryIndex(m_libraryIndex);
    lookup->setDevice(port, state.vendorId, state.deviceId);
    if (state.vendorId != 0 && state.deviceId != 0 && m_libraryIndex->isKnown()
        && m_libraryIndex->newestFile(state.vendorId, state.deviceId).isEmpty())
        lookup->showNotFound();
    connect(lookup, &IoddLookupBar::libraryRequested, this,
            [this](int atPort, quint32 deviceId) { openLibrary(atPort, deviceId); });
    // Queued: loading the file rebuilds the page that holds the lookup line.
    connect(
        lookup, &IoddLookupBar::descriptionFound, this,
        [this](int foundPort, const QString &file) { showPortPages(file, uint8_t(foundPort)); }, Qt::QueuedConnection);
}

int MainWindow::selectedPort() const
{
    // The selection, not the current item: the tree makes its first item
    // current on its own as soon as it gets the focus.
    const QList<QTreeWidgetItem *> items = m_ui->treeWidget->selectedItems();
    return items.isEmpty() ? -1 : m_ui->treeWidget->indexOfTopLevelItem(items.first());
}

QString MainWindow::descriptionFor(int port) const
{
    // Pages come from the identity the device reported; without one there
    // is no device to make them for.
    const PortState s = m_portMonitor ? m_portMonitor->states().value(port) : PortState();
    if (s.vendorId == 0 || s.deviceId == 0)
        return QString();
    const QString found = m_libraryIndex->newestFile(s.vendorId, s.deviceId);
    if (!found.isEmpty())
        return found;
    if (s.vendorId == BuiltinDescription::vendorId && s.deviceId == BuiltinDescription::deviceId)
        return resolveDefaultIoddPath();
    qCDebug(lcApp) << "no description for vendor" << s.vendorId << "device" << s.deviceId << "on port" << port;
    return QString();
}

QString MainWindow::noDeviceText(int port) const
{
    const AdapterLink *link = LinkHub::instance() ? LinkHub::instance()->link() : nullptr;
    if (!link || !link->isConnected() || !m_portMonitor || !m_portMonitor->adapterAnswers())
        return tr("适配器未应答，端口上的设备未知");
    return tr("端口上没有可识别的 IO-Link 设备（%1）").arg(portModeText(m_portMonitor->states().value(port).mode));
}

void MainWindow::onMqttClicked()
{
    if (m_mqtt->isRunning()) {
        m_mqtt->stop();
        showMqttState();
        return;
    }
    MqttPublishing::Settings settings = MqttPublishing::loadSettings();
    MqttDialog dialog(settings, this);
    if (dialog.exec() == QDialog::Accepted) {
        settings = dialog.settings();
        MqttPublishing::saveSettings(settings);
        m_mqtt->start(settings);
    }
    showMqttState();
}

void MainWindow::showMqttState()
{
    const QSignalBlocker quiet(m_ui->pbtn_mqtt);
    m_ui->pbtn_mqtt->setChecked(m_mqtt->isRunning());
    const QString text = m_mqtt->stateText();
    const QFontMetrics metrics(m_mqttStatus->font());
    m_mqttStatus->setText(metrics.elidedText(text, Qt::ElideRight, m_mqttStatus->maximumWidth() - 12));
    m_mqttStatus->setToolTip(text);
    m_mqttStatus->setVisible(!text.isEmpty());
}

void MainWindow::onLibraryClicked()
{
    openLibrary(selectedPort(), 0);
}

void MainWindow::openLibrary(int port, quint32 deviceId)
{
    IoddLibraryDialog dialog(m_libraryIndex, this);
    if (deviceId != 0)
        dialog.searchDevice(deviceId);
    if (port < 0)
        dialog.setConfirmEnabled(false, tr("请先在左侧选择一个端口"));
    else
        dialog.setDeviceCheck(port, [this, port](std::function<void(const DeviceIdentity &)> done) {
            learnPortDevice(m_portMonitor, port, this, std::move(done));
        });
    connect(&dialog, &IoddLibraryDialog::fileChosen, this, [this, port](const QString &file) {
        // Loaded once the dialog has closed, the way a port click loads its file.
        QTimer::singleShot(0, this, [this, port, file]() {
            showPortPages(file, uint8_t(port));
            // Kept until the port is clicked again: the index's changes leave it alone.
            m_descriptionChosen = m_shownPort == port && m_portDescriptions.value(port) == file;
        });
    });
    dialog.exec();
}

void MainWindow::onPortClicked(QTreeWidgetItem *item, int column)
{
    Q_UNUSED(column)
    const int i = m_ui->treeWidget->indexOfTopLevelItem(item);
    qCDebug(lcApp) << i;
    if (i < 0)
        return;
    // Edits not yet written are only dropped when the user says so.
    if (ParameterPage *page = m_ui->tabWidget->findChild<ParameterPage *>(); page && !page->confirmDiscard()) {
        selectShownPort();
        return;
    }
    // The pages come at once from what the monitor knows; its fresh look at
    // the port follows and changes them if the device turned out to be
    // another (onPortRefreshed). While the adapter is silent the monitor's
    // own schedule looks for it.
    if (m_portMonitor && !m_portMonitor->adapterSilent()) {
        m_portMonitor->refreshPort(i);
        if (m_portMonitor->isPolling())
            m_refreshedPort = i;
    }
    // The library as it is now, in the background: a file added or changed
    // since its last look changes the pages when the scan is in.
    m_libraryIndex->refresh();
    m_descriptionChosen = false;
    showPortPages(descriptionFor(i), uint8_t(i));
    if (m_shownPort != i)
        return; // the variant choice was cancelled: the previous port stays
    if (m_adapterPortPage)
        m_adapterPortPage->setPort(i);
}

void MainWindow::onPortRefreshed()
{
    const int port = std::exchange(m_refreshedPort, -1);
    // Not while a dialog of the last click (a variant choice) is open.
    if (port < 0 || port != m_shownPort || QApplication::activeModalWidget())
        return;
    const QString path = descriptionFor(port);
    if (path == m_portDescriptions.value(port))
        return;
    // Edits typed for the device that was there are not dropped unasked.
    if (ParameterPage *page = m_ui->tabWidget->findChild<ParameterPage *>(); page && page->unwrittenEdits() > 0)
        return;
    showPortPages(path, uint8_t(port));
}

void MainWindow::selectShownPort()
{
    QTreeWidgetItem *item = m_shownPort >= 0 ? m_ui->treeWidget->topLevelItem(m_shownPort) : nullptr;
    if (item) {
        m_ui->treeWidget->setCurrentItem(item);
    } else {
        m_ui->treeWidget->clearSelection();
        m_ui->treeWidget->setCurrentItem(nullptr);
    }
}

QString MainWindow::showPortPages(const QString &path, uint8_t port)
{
    // One parse gives identity and pages; a file clicked again is not read again.
    bool readable = false;
    const std::shared_ptr<IoddFile> loaded = path.isEmpty()
        ? std::make_shared<IoddFile>()
        : m_descriptions.load(path, UiLanguage::name(UiLanguage::current()), &readable);
    IoddFile &description = *loaded;
    const QList<VariantItem> variants = description.readVariants();
    const DeviceInfo identity = description.readDeviceInfo();

    if (path.isEmpty()) {
        if (PortPages *holder = portPages(port)) {
            // A device without a description gets the ISDU console; a port
            // without a known device gets only the identification page,
            // which says why.
            const PortState state = m_portMonitor ? m_portMonitor->states().value(port) : PortState();
            const bool device = state.vendorId != 0 && state.deviceId != 0;
            holder->createPages(m_roleMenuSet, identity, loaded, true, device);
            m_shownPort = port;
            m_descriptionChosen = false;
            m_descriptionProblem = nullptr;
            m_awaitingLibrary = device && !m_libraryIndex->isKnown();
            if (!device)
                m_descriptionProblem = [this, port] { return noDeviceText(port); };
            else if (m_awaitingLibrary)
                m_descriptionProblem = [] { return tr("正在建立IODD库索引，找到描述文件后页面随即更新"); };
            showWindowTitle();
            m_portDescriptions.insert(port, path);
            showPortStates();
            showDescriptionProblem();
            showPortMode();
            offerLibraryLookup(port);
        }
        return QString();
    }

    VariantItem variant;
    if (variants.size() >= 2) {
        VariantDialog dialog(this);
        bool cancelled = false;
        connect(&dialog, &VariantDialog::closed, this, [&cancelled](bool c) { cancelled = c; });
        dialog.setDeviceInfo(identity);
        dialog.setVariants(variants);
        dialog.exec();
        if (cancelled) {
            selectShownPort();
            return QString();
        }
        variant = dialog.selectedVariant();
    } else if (variants.size() == 1) {
        variant = variants.first();
    }

    PortPages *holder = portPages(port);
    if (!holder)
        return QString();
    holder->createPages(m_roleMenuSet, identity, loaded, false);
    m_shownPort = port;
    m_awaitingLibrary = false;
    m_descriptionChosen = false;
    showWindowTitle();
    m_portDescriptions.insert(port, path);
    showPortStates();
    // A file that could not be read, was refused or was cut at a limit still
    // gives the pages that fit; the Basic info page says what happened.
    // Kept as a function of the language, to be said again after a switch.
    const QString error = description.errorString();
    // The note is taken when shown: another role's menus, built when first
    // picked, may reach a limit later.
    const std::weak_ptr<IoddFile> built = loaded;
    m_descriptionProblem = [readable, path, error, built]() {
        const std::shared_ptr<IoddFile> description = built.lock();
        const QString truncated = description ? description->truncatedNote() : QString();
        if (!readable)
            return tr("描述文件无法打开：%1").arg(QDir::toNativeSeparators(path));
        if (!error.isEmpty())
            return tr("描述文件无法读取（%1）：%2").arg(QFileInfo(path).fileName(), error);
        if (!truncated.isEmpty())
            return tr("描述文件超出限制，只显示了部分内容：%1").arg(truncated);
        return QString();
    };
    showDescriptionProblem();
    showPortMode();
    if (m_portEvents)
        holder->showDiagnosis(m_portEvents->events(port));
    return variant.name;
}

void MainWindow::onRoleChanged(int index)
{
    // The shown port's parameters follow the role at once, unless that would
    // drop edits the user wants to keep.
    ParameterPage *page = m_ui->tabWidget->findChild<ParameterPage *>();
    if (page && !page->confirmDiscard()) {
        const QSignalBlocker quiet(m_ui->cbox_role);
        m_ui->cbox_role->setCurrentIndex(m_ui->cbox_role->findData(m_roleMenuSet, roleDataRole));
        return;
    }
    m_roleMenuSet = m_ui->cbox_role->itemData(index, roleDataRole).toString();
    if (page) {
        page->setRole(m_roleMenuSet);
        showDescriptionProblem();
    }
}
