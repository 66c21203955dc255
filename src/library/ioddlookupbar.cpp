#include "ioddlookupbar.h"

#include "libraryindex.h"

#include "log/hub8log.h"

#include <QEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

#include <utility>

IoddLookupBar::IoddLookupBar(QWidget *parent)
    : QWidget(parent), m_button(new QPushButton(this)), m_status(new QLabel(this))
{
    m_button->setObjectName(QStringLiteral("pbtn_lookup"));
    m_status->setObjectName(QStringLiteral("label_status"));
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_button);
    layout->addWidget(m_status, 1);

    connect(m_button, &QPushButton::clicked, this, &IoddLookupBar::onLookupClicked);
    setDevice(-1, 0, 0);
}

IoddLookupBar::~IoddLookupBar() = default;

void IoddLookupBar::setLibraryIndex(LibraryIndex *index)
{
    if (m_index)
        disconnect(m_index, nullptr, this, nullptr);
    m_index = index;
    m_looking = false;
    if (index)
        connect(index, &LibraryIndex::idle, this, &IoddLookupBar::onIndexIdle);
}

void IoddLookupBar::setDevice(int port, quint16 vendorId, quint32 deviceId)
{
    m_port = port;
    m_vendorId = vendorId;
    m_deviceId = deviceId;
    m_shown = Shown::Device;
    m_looking = false;
    m_button->setEnabled(vendorId != 0 && deviceId != 0);
    showTexts();
}

void IoddLookupBar::showTexts()
{
    const bool known = m_vendorId != 0 && m_deviceId != 0;
    m_button->setText(m_shown == Shown::NotInLibrary ? tr("打开IODD库…") : tr("在IODD库中查找设备"));
    m_button->setToolTip(known ? QString() : tr("没有可查找的IO-Link设备标识"));
    switch (m_shown) {
    case Shown::Device:
        m_status->setText(known ? QString() : tr("端口没有报告IO-Link设备标识"));
        break;
    case Shown::NotInLibrary:
        m_status->setText(
            tr("IODD库中没有 Vendor ID %1 / Device ID %2 的描述文件；可以在库中添加").arg(m_vendorId).arg(m_deviceId));
        break;
    case Shown::Looking:
        m_status->setText(tr("正在IODD库中查找…"));
        break;
    case Shown::LookupMissed:
        m_status->setText(
            tr("IODD库中没有找到 Vendor ID %1 / Device ID %2 的描述文件").arg(m_vendorId).arg(m_deviceId));
        break;
    case Shown::Found:
        m_status->setText(tr("已找到：%1").arg(m_foundFile));
        break;
    }
}

void IoddLookupBar::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::LanguageChange)
        showTexts();
}

QString IoddLookupBar::statusText() const
{
    return m_status->text();
}

void IoddLookupBar::showNotFound()
{
    m_shown = Shown::NotInLibrary;
    showTexts();
}

void IoddLookupBar::onLookupClicked()
{
    if (m_vendorId == 0 || m_deviceId == 0)
        return;
    if (m_shown == Shown::NotInLibrary) {
        emit libraryRequested(m_port, m_deviceId);
        return;
    }

    if (!m_index || m_looking)
        return;
    // The library as it is now: the index looks at the folder first.
    m_looking = true;
    m_shown = Shown::Looking;
    showTexts();
    m_index->refresh();
}

void IoddLookupBar::onIndexIdle()
{
    if (!std::exchange(m_looking, false))
        return;
    const QString path = m_index->newestFile(m_vendorId, m_deviceId);
    if (path.isEmpty()) {
        m_shown = Shown::LookupMissed;
        showTexts();
        return;
    }
    qCDebug(lcLibrary) << "lookup:" << path;
    m_shown = Shown::Found;
    m_foundFile = QFileInfo(path).fileName();
    showTexts();
    emit descriptionFound(m_port, path);
}
