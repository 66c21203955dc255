#ifndef WIDGET_PRODUCTNAME_H
#define WIDGET_PRODUCTNAME_H

#include "description/ioddrecords.h"

#include <QDialog>
#include <QList>
#include <QString>

class QCloseEvent;

namespace Ui {
class widget_productName;
}

// Modal dialog in which the user picks one device variant of a description
// that offers several. Its confirm button is enabled only while a row is
// selected. selectedVariant() stays empty unless a row was confirmed;
// sigClose tells the same as a flag.
class widget_productName : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY(widget_productName)

public:
    explicit widget_productName(QWidget *parent = nullptr);
    ~widget_productName() override;

    // Stores the device identity; its library folder holds the pictures.
    void setDeviceInfo(const deviceInfo &info);
    // Stores the variants and lists them, one row each.
    void setVariants(const QList<variantItem> &variants);
    variantItem selectedVariant() const;

signals:
    void sigClose(bool cancelled);

private slots:
    void slot_pbtnEnterClicked();

public slots:
    // Escape closes the dialog like the title-bar button, so it reports a cancel too.
    void reject() override;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    // The selected row, -1 when none is.
    int chosenRow() const;

    bool m_cancelled = true;
    Ui::widget_productName *ui;
    QString m_picturePath;
    deviceInfo m_deviceInfo;
    variantItem m_selected;
    QList<variantItem> m_variants;
};

#endif // WIDGET_PRODUCTNAME_H
