#ifndef VARIANTDIALOG_H
#define VARIANTDIALOG_H

#include "description/ioddrecords.h"

#include <QDialog>
#include <QList>
#include <QString>

class QCloseEvent;

namespace Ui {
class VariantDialog;
}

// Modal dialog in which the user picks one device variant of a description
// that offers several. Its confirm button is enabled only while a row is
// selected. selectedVariant() stays empty unless a row was confirmed;
// closed tells the same as a flag.
class VariantDialog : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY(VariantDialog)

public:
    explicit VariantDialog(QWidget *parent = nullptr);
    ~VariantDialog() override;

    // Stores the device identity; its library folder holds the pictures.
    void setDeviceInfo(const DeviceInfo &info);
    // Stores the variants and lists them, one row each.
    void setVariants(const QList<VariantItem> &variants);
    VariantItem selectedVariant() const;

signals:
    void closed(bool cancelled);

private slots:
    void onConfirmClicked();

public slots:
    // Escape closes the dialog like the title-bar button, so it reports a cancel too.
    void reject() override;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    // The selected row, -1 when none is.
    int chosenRow() const;

    bool m_cancelled = true;
    Ui::VariantDialog *m_ui;
    QString m_picturePath;
    DeviceInfo m_deviceInfo;
    VariantItem m_selected;
    QList<VariantItem> m_variants;
};

#endif // VARIANTDIALOG_H
