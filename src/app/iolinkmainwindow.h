#ifndef IOLINKMAINWINDOW_H
#define IOLINKMAINWINDOW_H

#include <QString>
#include <QWidget>

#include <cstdint>

class QTreeWidgetItem;

namespace Ui {
class IOLinkMainWindow;
}

// The one window: the adapter's port tree, the role selector, the tab widget
// with the adapter pages and the pages of the selected port.
class IOLinkMainWindow : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY(IOLinkMainWindow)

public:
    explicit IOLinkMainWindow(QWidget *parent = nullptr);
    ~IOLinkMainWindow() override;

    // Start-up: the link, the port holders and the adapter pages.
    void initPortViews(uint8_t portCount);

    QString roleMenuSet() const { return m_roleMenuSet; }

public slots:
    void slot_comboxCurrentRole(int nIndex);
    void slot_openLoading(bool isOpen);

private:
    void applyStyleSheet();

    Ui::IOLinkMainWindow *ui;
    QString m_roleMenuSet;
};

#endif // IOLINKMAINWINDOW_H
