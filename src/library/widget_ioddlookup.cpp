#include "widget_ioddlookup.h"

#include "log/hub8log.h"
#include "parsevididd.h"
#include "widget_iodd.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

widget_ioddLookup::widget_ioddLookup(QWidget *parent)
    : QWidget(parent),
      m_button(new QPushButton(tr("在IODD库中查找设备"), this)),
      m_status(new QLabel(this)),
      m_libraryDir(widget_IODD::defaultLibraryDir())
{
    m_button->setObjectName(QStringLiteral("pbtn_lookup"));
    m_status->setObjectName(QStringLiteral("label_status"));
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_button);
    layout->addWidget(m_status, 1);

    connect(m_button, &QPushButton::clicked, this, &widget_ioddLookup::slot_lookup);
    setDevice(-1, 0, 0);
}

widget_ioddLookup::~widget_ioddLookup() = default;

void widget_ioddLookup::setDevice(int port, quint16 vendorId, quint32 deviceId)
{
    m_port = port;
    m_vendorId = vendorId;
    m_deviceId = deviceId;
    m_opensLibrary = false;
    m_button->setText(tr("在IODD库中查找设备"));
    const bool known = vendorId != 0 && deviceId != 0;
    m_button->setEnabled(known);
    m_button->setToolTip(known ? QString() : tr("没有可查找的IO-Link设备标识"));
    m_status->setText(known ? QString() : tr("端口没有报告IO-Link设备标识"));
}

QString widget_ioddLookup::statusText() const
{
    return m_status->text();
}

void widget_ioddLookup::showNotFound()
{
    m_opensLibrary = true;
    m_button->setText(tr("打开IODD库…"));
    m_status->setText(
        tr("IODD库中没有 Vendor ID %1 / Device ID %2 的描述文件；可以在库中添加").arg(m_vendorId).arg(m_deviceId));
}

void widget_ioddLookup::slot_lookup()
{
    if (m_vendorId == 0 || m_deviceId == 0)
        return;
    if (m_opensLibrary) {
        emit sigOpenLibrary(m_port, m_deviceId);
        return;
    }

    const ParseVIDDID finder;
    const QString path = finder.findNewestIoddFile(m_vendorId, m_deviceId, m_libraryDir);
    if (path.isEmpty()) {
        m_status->setText(
            tr("IODD库中没有找到 Vendor ID %1 / Device ID %2 的描述文件").arg(m_vendorId).arg(m_deviceId));
        return;
    }
    qCDebug(lcLibrary) << "lookup:" << path;
    m_status->setText(tr("已找到：%1").arg(QFileInfo(path).fileName()));
    emit sigDescriptionFound(m_port, path);
}
