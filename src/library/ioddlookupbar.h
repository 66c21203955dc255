#ifndef IODDLOOKUPBAR_H
#define IODDLOOKUPBAR_H

#include <QPointer>
#include <QString>
#include <QWidget>

class LibraryIndex;
class QLabel;
class QPushButton;

// A button and a one-line status for a port page without a description: looks
// the device that the adapter reports on the port up in the IODD library by
// vendor and device id, once the library's index has looked at the folder
// again. A found file is announced with descriptionFound; a miss is told in
// the status line.
class IoddLookupBar : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY(IoddLookupBar)

public:
    explicit IoddLookupBar(QWidget *parent = nullptr);
    ~IoddLookupBar() override;

    // The port (0-based) and the identity its device reported. A vendor id
    // or device id of 0 means no IO-Link device identity is known: the
    // button is disabled and says so.
    void setDevice(int port, quint16 vendorId, quint32 deviceId);

    // The library to search; the button does nothing without one.
    void setLibraryIndex(LibraryIndex *index);

    QString statusText() const;

    // The port's pages were built without a description although the device
    // reported its identity: the line names it, and the button opens the
    // library dialog showing that device's files.
    void showNotFound();

signals:
    void descriptionFound(int port, QString path);
    void libraryRequested(int port, quint32 deviceId);

protected:
    // A switch of language: the button and the line say what they said again.
    void changeEvent(QEvent *event) override;

private slots:
    void onLookupClicked();
    void onIndexIdle();

private:
    // What the line says: the device's identity (or its lack), no file for
    // it (the button opens the library), a lookup that found none, or the
    // file found.
    enum class Shown { Device, NotInLibrary, Looking, LookupMissed, Found };
    void showTexts();

    QPushButton *m_button;
    QLabel *m_status;
    int m_port = -1;
    quint16 m_vendorId = 0;
    quint32 m_deviceId = 0;
    QPointer<LibraryIndex> m_index;
    bool m_looking = false; // a lookup waits for the index's scan
    Shown m_shown = Shown::Device;
    QString m_foundFile;
};

#endif // IODDLOOKUPBAR_H
