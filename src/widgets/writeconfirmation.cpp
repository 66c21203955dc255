#include "writeconfirmation.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QMessageBox>
#include <QPointer>

namespace WriteConfirmation {

namespace {

bool outputsConfirmedForSession = false;
AskFunction replacedAsk;

bool askWithBox(QWidget *parent, const QString &title, const QString &text, bool offerSkip, bool *skip)
{
    QMessageBox box(QMessageBox::Warning, title, text, QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(QMessageBox::No);
    QPointer<QCheckBox> skipBox;
    if (offerSkip) {
        skipBox = new QCheckBox(QCoreApplication::translate("WriteConfirmation", "本次运行中不再询问输出的写入"));
        box.setCheckBox(skipBox);
    }
    const bool yes = box.exec() == QMessageBox::Yes;
    *skip = yes && skipBox && skipBox->isChecked();
    return yes;
}

} // namespace

bool confirm(QWidget *parent, Kind kind, const QString &port, const QString &device, const QString &what)
{
    const bool output = kind == Kind::Output;
    if (output && outputsConfirmedForSession)
        return true;
    QString title, text;
    switch (kind) {
    case Kind::Output:
        title = QCoreApplication::translate("WriteConfirmation", "写入输出");
        text = QCoreApplication::translate(
            "WriteConfirmation", "将向 %1 上的设备 %2 写入输出：\n%3\n\n连接的执行器可能随即动作。确定写入吗？");
        break;
    case Kind::SystemCommand:
        title = QCoreApplication::translate("WriteConfirmation", "发送系统命令");
        text = QCoreApplication::translate(
            "WriteConfirmation", "将向 %1 上的设备 %2 发送系统命令：\n%3\n\n设备可能复位或丢失设置。确定发送吗？");
        break;
    case Kind::AccessLocks:
        title = QCoreApplication::translate("WriteConfirmation", "更改访问锁");
        text = QCoreApplication::translate(
            "WriteConfirmation",
            "将更改 %1 上的设备 %2 的访问锁：\n%3\n\n锁定后设备会拒绝相应的写入或本地操作，直到再次解锁。确定更改吗？");
        break;
    }
    text =
        text.arg(port, device.isEmpty() ? QCoreApplication::translate("WriteConfirmation", "（未知）") : device, what);
    bool skip = false;
    const bool yes =
        replacedAsk ? replacedAsk(title, text, output, &skip) : askWithBox(parent, title, text, output, &skip);
    if (yes && output && skip)
        outputsConfirmedForSession = true;
    return yes;
}

void setAskFunction(AskFunction ask)
{
    replacedAsk = std::move(ask);
}

void resetSession()
{
    outputsConfirmedForSession = false;
}

} // namespace WriteConfirmation
