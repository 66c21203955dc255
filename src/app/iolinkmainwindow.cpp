#include "iolinkmainwindow.h"
#include "ui_iolinkmainwindow.h"

#include "adapter/adaptercommview.h"
#include "adapter/adapterportview.h"
#include "adapter/adapterview.h"
#include "link/common.h"
#include "link/mymodbus.h"
#include "resources/hub8resources.h"

#include <QFile>

namespace {
constexpr int roleDataRole = Qt::UserRole + 1;
}

IOLinkMainWindow::IOLinkMainWindow(QWidget *parent)
    : QWidget(parent), ui(new Ui::IOLinkMainWindow), m_roleMenuSet(QStringLiteral("SpecialistRoleMenuSet"))
{
    initHub8Resources();
    ui->setupUi(this);
    ui->cbox_role->addItem(tr("投产模式"));
    ui->cbox_role->setItemData(0, QStringLiteral("SpecialistRoleMenuSet"), roleDataRole);
    ui->cbox_role->addItem(tr("维护模式"));
    ui->cbox_role->setItemData(1, QStringLiteral("MaintenanceRoleMenuSet"), roleDataRole);
    ui->cbox_role->addItem(tr("操作模式"));
    ui->cbox_role->setItemData(2, QStringLiteral("ObserverRoleMenuSet"), roleDataRole);
    applyStyleSheet();
}

IOLinkMainWindow::~IOLinkMainWindow()
{
    delete ui;
}

void IOLinkMainWindow::applyStyleSheet()
{
    QFile qss(QStringLiteral(":/qss/green/IOLinkMainWindow.qss"));
    if (!qss.open(QIODevice::ReadOnly))
        return;
    QByteArray content = qss.readAll();
    const int nul = content.indexOf('\0');
    if (nul >= 0)
        content.truncate(nul);
    setStyleSheet(QString::fromUtf8(content));
    qss.close();
}

void IOLinkMainWindow::initPortViews(uint8_t portCount)
{
    Q_UNUSED(portCount)
    common *hub = common::instance();
    connect(hub, &common::sig_openLoading, this, &IOLinkMainWindow::slot_openLoading);

    // One link for the whole run; a second window (tests) reuses it.
    if (!hub->modbus)
        hub->modbus = new myModbus;
    if (!hub->modbus->isOpen())
        hub->modbus->openDevice();

    connect(ui->cbox_role, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &IOLinkMainWindow::slot_comboxCurrentRole);

    ui->tabWidget->addTab(new AdapterView, QStringLiteral("适配器详情"));
    ui->tabWidget->addTab(new AdapterCommView, QStringLiteral("适配器通信参数"));
    ui->tabWidget->addTab(new AdapterPortView, QStringLiteral("适配器端口配置"));
    ui->tabWidget->setCurrentIndex(0);
}

void IOLinkMainWindow::slot_comboxCurrentRole(int nIndex)
{
    m_roleMenuSet = ui->cbox_role->itemData(nIndex, roleDataRole).toString();
}

void IOLinkMainWindow::slot_openLoading(bool isOpen)
{
    Q_UNUSED(isOpen)
}
