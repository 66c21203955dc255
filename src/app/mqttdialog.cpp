#include "mqttdialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

MqttDialog::MqttDialog(const MqttPublishing::Settings &settings, QWidget *parent) : QDialog(parent)
{
    setWindowTitle(tr("MQTT 发布"));
    const auto edit = [this](const QString &name, const QString &text) {
        auto *e = new QLineEdit(text, this);
        e->setObjectName(name);
        e->setMinimumWidth(360);
        return e;
    };
    m_broker = edit(QStringLiteral("edit_broker"), settings.broker);
    m_broker->setPlaceholderText(QStringLiteral("mqtt://HOST:1883, mqtts://HOST:8883"));
    m_clientId = edit(QStringLiteral("edit_clientId"), settings.clientId);
    m_clientId->setPlaceholderText(tr("适配器序列号"));
    m_topicPrefix = edit(QStringLiteral("edit_topicPrefix"), settings.topicPrefix);
    m_userName = edit(QStringLiteral("edit_userName"), settings.userName);
    m_password = edit(QStringLiteral("edit_password"), settings.password);
    m_password->setEchoMode(QLineEdit::Password);
    m_password->setPlaceholderText(tr("不保存"));
    m_caFile = edit(QStringLiteral("edit_caFile"), settings.caFile);
    m_caFile->setPlaceholderText(tr("系统的 CA（仅 mqtts://）"));
    m_certFile = edit(QStringLiteral("edit_certFile"), settings.certFile);
    m_keyFile = edit(QStringLiteral("edit_keyFile"), settings.keyFile);
    m_allowWrites = new QCheckBox(tr("允许代理写入参数和过程数据输出（经同样的检查并记入写入记录）"), this);
    m_allowWrites->setObjectName(QStringLiteral("check_allowWrites"));
    m_allowWrites->setChecked(settings.allowWrites);

    auto *form = new QFormLayout;
    form->addRow(tr("代理地址"), m_broker);
    form->addRow(tr("客户端 ID"), m_clientId);
    form->addRow(tr("主题前缀"), m_topicPrefix);
    form->addRow(tr("用户名"), m_userName);
    form->addRow(tr("密码"), m_password);
    form->addRow(tr("CA 文件"), m_caFile);
    form->addRow(tr("客户端证书"), m_certFile);
    form->addRow(tr("客户端密钥"), m_keyFile);

    m_problem = new QLabel(this);
    m_problem->setObjectName(QStringLiteral("label_problem"));
    m_problem->setStyleSheet(QStringLiteral("color:#8a1c1c;"));
    m_problem->setWordWrap(true);
    m_problem->hide();

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(tr("开始发布"));
    buttons->button(QDialogButtonBox::Cancel)->setText(tr("取消"));
    connect(buttons, &QDialogButtonBox::accepted, this, &MqttDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &MqttDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_allowWrites);
    layout->addWidget(m_problem);
    layout->addWidget(buttons);
}

MqttPublishing::Settings MqttDialog::settings() const
{
    MqttPublishing::Settings s;
    s.broker = m_broker->text().trimmed();
    s.clientId = m_clientId->text().trimmed();
    s.topicPrefix = m_topicPrefix->text().trimmed();
    s.userName = m_userName->text();
    s.password = m_password->text();
    s.caFile = m_caFile->text().trimmed();
    s.certFile = m_certFile->text().trimmed();
    s.keyFile = m_keyFile->text().trimmed();
    s.allowWrites = m_allowWrites->isChecked();
    return s;
}

void MqttDialog::accept()
{
    const QString problem = MqttPublishing::problemOf(settings());
    m_problem->setText(problem);
    m_problem->setVisible(!problem.isEmpty());
    if (problem.isEmpty())
        QDialog::accept();
}
