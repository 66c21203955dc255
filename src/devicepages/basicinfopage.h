#ifndef BASICINFOPAGE_H
#define BASICINFOPAGE_H

#include <QTimer>
#include <QWidget>

#include <memory>

struct DeviceIdentification;
struct DeviceInfo;
class IoddFile;
class IsduConsole;
class IoddLookupBar;
class ParameterPage;

namespace Ui {
class BasicInfoPage;
class DeviceIdentityForm;
} // namespace Ui

// "Basic info" page of a port: who made the device and how it communicates,
// its wiring and pictures, and a host area below for the parameter view or,
// without a description, the ISDU console. A splitter divides the two; where
// the user leaves it is kept in QSettings ("portPage/splitter") for every
// port's page. At first the host area gets most of the height.
class BasicInfoPage : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY(BasicInfoPage)

public:
    explicit BasicInfoPage(QWidget *parent = nullptr);
    ~BasicInfoPage() override;

    // The DI and DO views of the grey panel read and write this port.
    void setPort(int port);
    // The port's mode (AdapterRegisters::PortMode): the DI view works while
    // the port is a digital input, the DO view while it is a digital output;
    // otherwise each is disabled and its tool tip says why.
    void setPortMode(quint8 mode);
    void showDeviceInfo(const DeviceInfo &info);
    // What a device without a description said of itself (read from it).
    void showDeviceIdentification(const DeviceIdentification &read);
    void clearDeviceInfo();
    // Taken off its port, to show another device later: the parameter view
    // or the console goes, and with it the identity, the problem line and
    // the DI/DO panel's state.
    void release();

    // The parameter view of `port` in the host area, with `roleMenuSet`
    // shown; the other role menu sets of the description are built when the
    // user first picks them (the view keeps the description for that).
    // `identity` (the description's identity record) names the device in
    // saved parameter sets.
    ParameterPage *createParameterPage(const QString &roleMenuSet, quint8 port,
                                       const std::shared_ptr<IoddFile> &description, const DeviceInfo &identity);
    // The ISDU console in the host area, its port list preset to `port`.
    // Above it, a line that looks the connected device up in the IODD library.
    IsduConsole *createIsduConsole(int port);
    IoddLookupBar *libraryLookup() const { return m_lookup; }

    // A line at the top of the page saying what is wrong with the device's
    // description file (unreadable, refused, or cut at a limit); empty hides it.
    void showDescriptionProblem(const QString &text);
    QString descriptionProblem() const;

    // Heights the splitter starts from (in this ratio) until the user moves it.
    static constexpr int defaultIdentityHeight = 150;
    static constexpr int defaultHostHeight = 450;

    // The library folder of a description: IoddLibrary::folderPath().
    static QString libraryFolder(const DeviceInfo &info);

protected:
    // A switch of language: the form's texts again, the pictures kept.
    void changeEvent(QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void placeInHostArea(QWidget *view);
    // The connection table's column titles, in the interface's language.
    void showWireHeaders();
    void saveSplitter();
    void showPicture(const QString &folder, const QString &file, class QLabel *label, int width, int height);

    Ui::BasicInfoPage *m_ui;
    Ui::DeviceIdentityForm *m_form; // the identity, the pictures and the DI/DO panel
    bool m_splitterPlaced = false;
    QTimer m_saveSplitter;
    IoddLookupBar *m_lookup = nullptr;
    int m_portMode = -1; // the port's mode last given, -1 before it is known
    class QLabel *m_problem = nullptr;
};

#endif // BASICINFOPAGE_H
