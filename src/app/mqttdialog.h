#ifndef MQTTDIALOG_H
#define MQTTDIALOG_H

#include "mqttpublishing.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;

// Asks where to publish before the window's MQTT publisher starts: broker,
// client id, topic prefix, user and password, TLS files, writes from the
// broker. "开始发布" is taken only with settings that can start.
class MqttDialog : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY(MqttDialog)

public:
    explicit MqttDialog(const MqttPublishing::Settings &settings, QWidget *parent = nullptr);

    MqttPublishing::Settings settings() const;

public slots:
    void accept() override;

private:
    QLineEdit *m_broker;
    QLineEdit *m_clientId;
    QLineEdit *m_topicPrefix;
    QLineEdit *m_userName;
    QLineEdit *m_password;
    QLineEdit *m_caFile;
    QLineEdit *m_certFile;
    QLineEdit *m_keyFile;
    QCheckBox *m_allowWrites;
    QLabel *m_problem;
};

#endif // MQTTDIALOG_H
