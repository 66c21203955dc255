#include "journaldialog.h"

#include "log/wholefile.h"
#include "log/writejournal.h"
#include "widgets/readonlyitem.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

QStringList fieldsOf(const WriteJournal::Record &r)
{
    // A device without ids known (process data, the digital output) goes by the name the page gave.
    const QString device = r.vendorId < 0 ? r.label : QStringLiteral("%1 / %2").arg(r.vendorId).arg(r.deviceId);
    const QString where = r.index < 0 ? QString() : QStringLiteral("%1:%2").arg(r.index).arg(r.subindex);
    return {r.time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
            r.program,
            r.user,
            QStringLiteral("Port%1").arg(r.port),
            device,
            r.serialNumber,
            r.kind,
            where,
            QString::fromLatin1(r.before.toHex(' ')),
            QString::fromLatin1(r.after.toHex(' ')),
            r.outcome};
}

QString csvField(QString text)
{
    if (text.contains(QLatin1Char(',')) || text.contains(QLatin1Char('"')) || text.contains(QLatin1Char('\n')))
        text = QLatin1Char('"') + text.replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
    return text;
}

} // namespace

JournalDialog::JournalDialog(QWidget *parent)
    : QDialog(parent), m_table(new QTableWidget(this)), m_note(new QLabel(this))
{
    setWindowTitle(tr("写入记录"));
    resize(1100, 560);
    m_table->setObjectName(QStringLiteral("table_journal"));
    m_note->setObjectName(QStringLiteral("label_journal"));
    m_note->setTextInteractionFlags(Qt::TextSelectableByMouse);
    const QStringList headers{tr("时间"), tr("程序"), tr("用户"),   tr("端口"),   tr("设备"), tr("序列号"),
                              tr("种类"), tr("索引"), tr("写入前"), tr("写入值"), tr("结果")};
    m_table->setColumnCount(headers.size());
    m_table->setHorizontalHeaderLabels(headers);
    m_table->verticalHeader()->hide();
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->horizontalHeader()->setStretchLastSection(true);

    const QList<WriteJournal::Record> records = WriteJournal::read(maxRows);
    m_table->setRowCount(records.size());
    for (int i = 0; i < records.size(); ++i) {
        const QStringList fields = fieldsOf(records.at(records.size() - 1 - i)); // newest first
        for (int c = 0; c < fields.size(); ++c)
            m_table->setItem(i, c, ::readOnlyItem(fields.at(c)));
    }
    m_table->resizeColumnsToContents();
    m_note->setText(records.isEmpty() ? tr("还没有写入记录：%1").arg(QDir::toNativeSeparators(WriteJournal::path()))
                                      : tr("%1 条记录（最多显示 %2 条），文件：%3")
                                            .arg(records.size())
                                            .arg(maxRows)
                                            .arg(QDir::toNativeSeparators(WriteJournal::path())));

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    QPushButton *exportButton = buttons->addButton(tr("导出…"), QDialogButtonBox::ActionRole);
    exportButton->setObjectName(QStringLiteral("pbtn_export"));
    connect(exportButton, &QPushButton::clicked, this, &JournalDialog::exportCsv);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_table, 1);
    layout->addWidget(m_note);
    layout->addWidget(buttons);

    m_saveFile = [this](const QString &caption, const QString &proposed) {
        return QFileDialog::getSaveFileName(this, caption, proposed, QStringLiteral("CSV (*.csv)"));
    };
}

QByteArray JournalDialog::csvOf(const QList<WriteJournal::Record> &records)
{
    QByteArray out = "time,program,user,port,device,serial number,kind,index,before,after,outcome\n";
    for (const WriteJournal::Record &r : records) {
        QStringList fields;
        for (const QString &f : fieldsOf(r))
            fields << csvField(f);
        out += fields.join(QLatin1Char(',')).toUtf8() + '\n';
    }
    return out;
}

void JournalDialog::exportCsv()
{
    const QString path = m_saveFile(tr("导出写入记录"), QStringLiteral("journal.csv"));
    if (path.isEmpty())
        return;
    QString error;
    if (WholeFile::write(path, csvOf(WriteJournal::read()), &error))
        m_note->setText(tr("已导出到 %1").arg(QDir::toNativeSeparators(path)));
    else
        m_note->setText(tr("无法写入 %1：%2").arg(QDir::toNativeSeparators(path), error));
}
