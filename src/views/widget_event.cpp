#include "widget_event.h"
#include "ui_widget_event.h"

#include "log/hub8log.h"
#include "widgets/tablestyle.h"

#include <QHeaderView>
#include <QIcon>
#include <QPixmap>
#include <QTableWidgetItem>

namespace {

const int columnWidths[] = {120, 120, 300, 60};

// The state picture at row height; an unloadable picture gives an empty icon.
QIcon stateIcon(bool isError)
{
    const QPixmap picture(isError ? QStringLiteral(":/Image/tool/err.png") : QStringLiteral(":/Image/tool/ok.png"));
    if (picture.isNull())
        return QIcon();
    return QIcon(picture.scaled(18, 18, Qt::KeepAspectRatio, Qt::SmoothTransformation));
}

} // namespace

widget_event::widget_event(QWidget *parent) : QWidget(parent), ui(new Ui::widget_event)
{
    ui->setupUi(this);

    // The port page's signal names the set by its full type; register that
    // spelling too so queued connections can copy the argument.
    qRegisterMetaType<diagnosisMap>("QMap<uint8_t,widget_event::diagnosisItem*>");

    QTableWidget *table = ui->tableWidget;
    table->setColumnCount(4);
    table->setHorizontalHeaderLabels(
        {QStringLiteral("报错时间"), QStringLiteral("恢复时间"), QStringLiteral("异常"), QStringLiteral("状态")});
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    for (int i = 0; i < 4; ++i)
        table->setColumnWidth(i, columnWidths[i]);
    table->verticalHeader()->setVisible(false);
    table->setStyleSheet(QString::fromLatin1(hub8style::tableStyleSheet));
}

widget_event::~widget_event()
{
    qCDebug(lcViews) << "del:" << this;
    delete ui;
}

void widget_event::onCreateItem(widget_event::diagnosisItem *item)
{
    if (!item)
        return;
    QTableWidget *table = ui->tableWidget;
    const int row = table->rowCount();
    table->insertRow(row);
    table->setItem(row, 0, new QTableWidgetItem(item->errorTime));
    table->setItem(row, 1, new QTableWidgetItem(item->recoveryTime));
    table->setItem(row, 2, new QTableWidgetItem(item->text));
    auto *state = new QTableWidgetItem;
    state->setIcon(stateIcon(item->isError));
    table->setItem(row, 3, state);
}

void widget_event::onDiagnosis(QMap<uint8_t, widget_event::diagnosisItem *> items)
{
    QTableWidget *table = ui->tableWidget;
    for (int row = 0; row < table->rowCount(); ++row) {
        for (int column = 0; column < table->columnCount(); ++column)
            delete table->takeItem(row, column);
    }
    table->setRowCount(0);

    // QMap iterates in ascending key order.
    for (diagnosisItem *item : qAsConst(items))
        onCreateItem(item);
}
