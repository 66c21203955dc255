#include "variantdialog.h"
#include "ui_variantdialog.h"

#include "ioddlibraryfolder.h"
#include "widgets/readonlyitem.h"

#include <QAbstractItemView>
#include <QCloseEvent>
#include <QImage>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPixmap>
#include <QTableWidgetItem>

namespace {

// A label showing the picture squeezed to 30 x 30; empty when the file cannot
// be read.
QLabel *pictureLabel(const QString &path)
{
    auto *label = new QLabel;
    const QImage image(path);
    if (!image.isNull())
        label->setPixmap(QPixmap::fromImage(image.scaled(30, 30, Qt::IgnoreAspectRatio, Qt::FastTransformation)));
    return label;
}

} // namespace

VariantDialog::VariantDialog(QWidget *parent) : QDialog(parent), m_ui(new Ui::VariantDialog)
{
    m_ui->setupUi(this);
    setWindowFlags(Qt::Sheet | Qt::WindowCloseButtonHint);
    setWindowFlags(windowFlags() & ~Qt::WindowMaximizeButtonHint);
    setWindowModality(Qt::ApplicationModal);

    m_ui->table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_ui->table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_ui->table->setColumnCount(4);
    m_ui->table->setHorizontalHeaderLabels({tr("产品ID"), tr("产品名称"), tr("产品图片"), tr("产品Icon")});

    // The view makes its first row current when it gets the focus, without
    // selecting it: only a row the user chose counts.
    m_ui->pbtn_enter->setEnabled(false);
    m_ui->pbtn_enter->setToolTip(tr("请先选择一个设备型号"));
    connect(m_ui->table->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this]() {
        const bool chosen = chosenRow() >= 0;
        m_ui->pbtn_enter->setEnabled(chosen);
        m_ui->pbtn_enter->setToolTip(chosen ? QString() : tr("请先选择一个设备型号"));
    });
    connect(m_ui->pbtn_enter, &QPushButton::clicked, this, &VariantDialog::onConfirmClicked);
}

int VariantDialog::chosenRow() const
{
    const QModelIndexList rows = m_ui->table->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

VariantDialog::~VariantDialog()
{
    delete m_ui;
}

void VariantDialog::setDeviceInfo(const DeviceInfo &info)
{
    m_deviceInfo = info;
    m_picturePath = IoddLibrary::folderPath(info);
}

void VariantDialog::setVariants(const QList<VariantItem> &variants)
{
    m_ui->table->clearSelection(); // a new list is chosen from anew
    const int oldRows = m_ui->table->rowCount();
    for (int i = 0; i <= oldRows; ++i)
        m_ui->table->removeRow(0);

    m_variants = variants;
    m_ui->table->setRowCount(m_variants.size());
    for (int row = 0; row < m_variants.size(); ++row) {
        const VariantItem &v = m_variants.at(row);
        m_ui->table->setItem(row, 0, readOnlyItem(v.productId));
        m_ui->table->setItem(row, 1, readOnlyItem(v.name));
        m_ui->table->setCellWidget(row, 2, pictureLabel(m_picturePath + '/' + v.deviceSymbol));
        m_ui->table->setCellWidget(row, 3, pictureLabel(m_picturePath + '/' + v.deviceIcon));
    }
    m_ui->table->resizeColumnsToContents();
}

VariantItem VariantDialog::selectedVariant() const
{
    return m_selected;
}

void VariantDialog::onConfirmClicked()
{
    const int row = chosenRow();
    if (row < 0)
        return;

    // Rows are matched by product id; with equal ids the first variant wins.
    const QTableWidgetItem *idItem = m_ui->table->item(row, 0);
    const QString productId = idItem ? idItem->text() : QString();
    for (const VariantItem &v : qAsConst(m_variants)) {
        if (v.productId == productId) {
            m_selected = v;
            break;
        }
    }

    m_cancelled = false;
    close();
}

void VariantDialog::reject()
{
    close();
}

void VariantDialog::closeEvent(QCloseEvent *event)
{
    event->accept();
    emit closed(m_cancelled);
}
