#include "basicinfopage.h"
#include "ui_basicinfopage.h"
#include "ui_deviceidentityform.h"

#include "adapterpages/isduconsole.h"
#include "codec/parameterset.h"
#include "description/ioddfile.h"
#include "description/ioddrecords.h"
#include "digitalinputpanel.h"
#include "digitaloutputpanel.h"
#include "library/ioddlibraryfolder.h"
#include "library/ioddlookupbar.h"
#include "link/deviceidentification.h"
#include "link/portstatusmonitor.h"
#include "params/parameterpage.h"
#include "protocol/adapterregisters.h"

#include "log/hub8log.h"
#include "widgets/readonlyitem.h"

#include <QDir>
#include <QEvent>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QScrollBar>
#include <QSettings>
#include <QSplitter>
#include <QVBoxLayout>

#include <iterator>

namespace {
// Where the page's splitter is kept (the same for every port's page).
const QString splitterKey = QStringLiteral("portPage/splitter");

// A description gives the minimum cycle time in microseconds: "5000" is
// shown "5.0 ms"; text that is no number as it is.
QString cycleTimeText(const QString &microseconds)
{
    bool ok = false;
    const double us = microseconds.trimmed().toDouble(&ok);
    return ok && us >= 0 ? QStringLiteral("%1 ms").arg(us / 1000.0, 0, 'f', us < 100 ? 2 : 1) : microseconds;
}
} // namespace

BasicInfoPage::BasicInfoPage(QWidget *parent)
    : QWidget(parent), m_ui(new Ui::BasicInfoPage), m_form(new Ui::DeviceIdentityForm)
{
    m_ui->setupUi(this);
    // The identity form is built in place, inside the scroll area: a finished
    // form set into it would be restyled, all of it, under the window's
    // style sheet.
    m_form->setupUi(m_ui->scrollAreaWidgetContents);
    m_form->table_connect->setColumnCount(3);
    showWireHeaders();
    m_form->table_connect->verticalHeader()->setHidden(true);

    // The device's identity scrolls above; the parameter view or the console
    // below keeps the height the user gave it, on every port's page.
    m_ui->splitter_page->setStretchFactor(0, 0);
    m_ui->splitter_page->setStretchFactor(1, 1);
    m_ui->widget_3->hide(); // shown with what it holds
    // Written once the user lets go, not at every step of a drag.
    m_saveSplitter.setSingleShot(true);
    m_saveSplitter.setInterval(400);
    connect(&m_saveSplitter, &QTimer::timeout, this, &BasicInfoPage::saveSplitter);
    connect(m_ui->splitter_page, &QSplitter::splitterMoved, &m_saveSplitter, QOverload<>::of(&QTimer::start));
}

void BasicInfoPage::showEvent(QShowEvent *event)
{
    // Placed when first shown: sizing the splitter lays out the whole page,
    // and a click builds pages that are often not looked at.
    if (!m_splitterPlaced) {
        m_splitterPlaced = true;
        m_ui->splitter_page->setSizes({defaultIdentityHeight, defaultHostHeight});
        m_ui->splitter_page->restoreState(QSettings().value(splitterKey).toByteArray());
    }
    QWidget::showEvent(event);
}

void BasicInfoPage::saveSplitter()
{
    QSettings().setValue(splitterKey, m_ui->splitter_page->saveState());
}

BasicInfoPage::~BasicInfoPage()
{
    if (m_saveSplitter.isActive())
        saveSplitter();
    qCDebug(lcViews) << "del:" << this;
    delete m_form;
    delete m_ui;
}

void BasicInfoPage::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() != QEvent::LanguageChange)
        return;
    // The form's placeholders would replace the pictures, or come back where
    // the description has none.
    QLabel *const pictures[] = {m_form->label_log, m_form->label_device, m_form->label_connect};
    QPixmap shown[std::size(pictures)];
    bool cleared[std::size(pictures)];
    for (size_t i = 0; i < std::size(pictures); ++i) {
        shown[i] = pictures[i]->pixmap(Qt::ReturnByValue);
        cleared[i] = pictures[i]->text().isEmpty();
    }
    m_ui->retranslateUi(this);
    m_form->retranslateUi(m_ui->scrollAreaWidgetContents);
    showWireHeaders();
    if (m_portMode >= 0)
        setPortMode(quint8(m_portMode));
    for (size_t i = 0; i < std::size(pictures); ++i) {
        if (!shown[i].isNull())
            pictures[i]->setPixmap(shown[i]);
        else if (cleared[i])
            pictures[i]->clear();
    }
}

void BasicInfoPage::showWireHeaders()
{
    m_form->table_connect->setHorizontalHeaderLabels({tr("针脚"), tr("线色"), tr("功能")});
}

void BasicInfoPage::setPort(int port)
{
    m_form->panel_di->setPort(unsigned(port));
    m_form->panel_do->setPort(unsigned(port));
}

void BasicInfoPage::setPortMode(quint8 mode)
{
    m_portMode = mode;
    const bool input = mode == AdapterRegisters::ModeDigitalIn, output = mode == AdapterRegisters::ModeDigitalOut;
    const bool ioLink = mode == AdapterRegisters::ModeIoLinkStarting || mode == AdapterRegisters::ModeIoLinkOperate
        || mode == AdapterRegisters::ModeCommunicationLost;
    if (!input && m_form->panel_di->isEnabled())
        m_form->panel_di->stop();
    m_form->panel_di->setEnabled(input);
    m_form->panel_di->setToolTip(input ? QString() : tr("端口不是数字输入（%1）").arg(portModeText(mode)));
    m_form->panel_do->setEnabled(output);
    m_form->panel_do->setToolTip(output ? QString()
                                     : ioLink ? tr("端口处于 IO-Link 模式：设备的输出过程数据在“Out port”页写入")
                                              : tr("端口不是数字输出（%1）").arg(portModeText(mode)));
}

void BasicInfoPage::clearDeviceInfo()
{
    const QList<QLineEdit *> edits{m_form->edit_vendorName,   m_form->edit_vendorID,  m_form->edit_vendorText,
                                   m_form->edit_vendorURL,    m_form->edit_DeviceID,  m_form->edit_IOLinkRevision,
                                   m_form->edit_minCycleTime, m_form->edit_bitrate,   m_form->edit_SIO,
                                   m_form->edit_productName,  m_form->edit_productID, m_form->edit_productText,
                                   m_form->edit_serialNumber};
    for (QLineEdit *e : edits)
        e->setText(QString());
    m_form->label_log->clear();
    m_form->label_device->clear();
    m_form->label_connect->clear();
}

void BasicInfoPage::release()
{
    qDeleteAll(m_ui->widget_3->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly));
    // Nothing below the identity (no device): the identity takes the page.
    m_ui->widget_3->hide();
    m_lookup = nullptr;
    clearDeviceInfo();
    m_form->table_connect->setRowCount(0);
    if (m_problem)
        showDescriptionProblem(QString());
    m_form->panel_di->stop();
    m_form->panel_do->reset();
    m_ui->scrollArea->verticalScrollBar()->setValue(0); // the next identity from its top
}

void BasicInfoPage::showDescriptionProblem(const QString &text)
{
    if (!m_problem) {
        m_problem = new QLabel(this);
        m_problem->setObjectName(QStringLiteral("label_descriptionProblem"));
        m_problem->setWordWrap(true);
        m_problem->setTextInteractionFlags(Qt::TextSelectableByMouse);
        m_problem->setStyleSheet(QStringLiteral("QLabel{color:#8a1c1c;background:#fdecea;padding:4px;}"));
        m_ui->verticalLayout->insertWidget(0, m_problem);
    }
    m_problem->setText(text);
    m_problem->setVisible(!text.isEmpty());
}

QString BasicInfoPage::descriptionProblem() const
{
    return m_problem && m_problem->isVisibleTo(this) ? m_problem->text() : QString();
}

QString BasicInfoPage::libraryFolder(const DeviceInfo &info)
{
    return IoddLibrary::folderPath(info);
}

void BasicInfoPage::showPicture(const QString &folder, const QString &file, QLabel *label, int width, int height)
{
    const QString path = folder + QLatin1Char('/') + file;
    if (!QDir().exists(path))
        return;
    QImage image;
    image.load(path);
    label->setPixmap(QPixmap::fromImage(image.scaled(width, height, Qt::IgnoreAspectRatio, Qt::FastTransformation)));
}

void BasicInfoPage::showDeviceInfo(const DeviceInfo &info)
{
    clearDeviceInfo();
    m_form->edit_vendorName->setText(info.vendorName);
    m_form->edit_vendorID->setText(info.vendorId);
    m_form->edit_vendorText->setText(info.vendorText);
    m_form->edit_vendorURL->setText(info.vendorUrl);
    m_form->edit_DeviceID->setText(info.deviceId);
    m_form->edit_IOLinkRevision->setText(info.iolinkRevision);
    m_form->edit_minCycleTime->setText(cycleTimeText(info.minCycleTime));
    m_form->edit_bitrate->setText(info.bitrate);
    m_form->edit_SIO->setText(info.sioSupported);
    m_form->edit_productName->setText(info.productName);
    m_form->edit_productID->setText(info.productId);
    m_form->edit_productText->setText(info.productText);

    const int rows = info.wireColors.size();
    m_form->table_connect->setRowCount(rows);
    for (int i = 0; i < rows; ++i) {
        m_form->table_connect->setItem(i, 0, new QTableWidgetItem(QString::number(i + 1)));
        m_form->table_connect->setItem(i, 1, readOnlyItem(info.wireColors.at(i)));
        m_form->table_connect->setItem(i, 2, readOnlyItem(info.wireFunctions.value(i)));
    }

    const QString folder = libraryFolder(info);
    showPicture(folder, info.deviceIcon, m_form->label_log, 160, 90);
    showPicture(folder, info.deviceSymbol, m_form->label_device, 160, 160);
    showPicture(folder, info.connectionSymbol, m_form->label_connect, 160, 160);
}

void BasicInfoPage::showDeviceIdentification(const DeviceIdentification &read)
{
    // Only what the device answered: a field it left empty keeps what the
    // port's status said (its ids).
    const auto put = [](QLineEdit *edit, const QString &text) {
        if (!text.isEmpty())
            edit->setText(text);
    };
    if (read.pageRead) {
        put(m_form->edit_vendorID, QString::number(read.page.vendorId));
        put(m_form->edit_DeviceID, QString::number(read.page.deviceId));
        put(m_form->edit_IOLinkRevision, read.revisionText());
        put(m_form->edit_minCycleTime, cycleTimeText(read.page.minCycleTime));
    }
    put(m_form->edit_vendorName, read.vendorName);
    put(m_form->edit_vendorText, read.vendorText);
    put(m_form->edit_productName, read.productName);
    put(m_form->edit_productID, read.productId);
    put(m_form->edit_productText, read.productText);
    put(m_form->edit_serialNumber, read.serialNumber);
}

void BasicInfoPage::placeInHostArea(QWidget *view)
{
    if (!m_ui->widget_3->layout()) {
        auto *layout = new QVBoxLayout(m_ui->widget_3);
        layout->setContentsMargins(0, 0, 0, 0);
    }
    m_ui->widget_3->layout()->addWidget(view);
    m_ui->widget_3->show();
}

ParameterPage *BasicInfoPage::createParameterPage(const QString &roleMenuSet, quint8 port,
                                                  const std::shared_ptr<IoddFile> &description,
                                                  const DeviceInfo &identity)
{
    auto *view = new ParameterPage(m_ui->widget_3);
    view->setPort(port);
    view->setDeviceIdentity(ParameterSet::identityOf(identity, description->readVariants()));
    view->setSystemCommands(description->systemCommands());
    view->setRoleMenuSource([description](const QString &set) { return description->roleMenus(set); });
    view->setRole(roleMenuSet);
    placeInHostArea(view);
    return view;
}

IsduConsole *BasicInfoPage::createIsduConsole(int port)
{
    m_lookup = new IoddLookupBar(m_ui->widget_3);
    placeInHostArea(m_lookup);
    auto *console = new IsduConsole(m_ui->widget_3);
    console->setPortCount(8);
    console->setPort(port);
    placeInHostArea(console);
    return console;
}
