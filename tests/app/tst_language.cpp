// The language of the interface: chosen from the locale or --lang, and switched at run time from the tool bar. After
// a switch every page shown, the adapter pages and the window's own texts speak the new language, pages keep their
// state (pictures, a running read, the console's history), and switching back restores the Chinese texts.

#include "adapterpages/isduconsole.h"
#include "defaultsetup.h"
#include "devicepages/digitalinputpanel.h"
#include "devicepages/eventpage.h"
#include "i18n/uilanguage.h"
#include "params/parameterpage.h"
#include "procdata/processdatainpage.h"
#include "virtualadapter.h"
#include "windowdriver.h"

using WindowDriver::find;

class tst_language : public QObject, WindowDriver::Session
{
    Q_OBJECT
    VirtualAdapter &m_adapter = VirtualAdapter::instance();

    // As the tool bar's language choice does it; the pages get the change from the event loop.
    void switchTo(UiLanguage::Language language)
    {
        find<QComboBox>(window, "cbox_language")->setCurrentIndex(language == UiLanguage::Language::English ? 1 : 0);
        QCOMPARE(UiLanguage::current(), language);
        QCoreApplication::processEvents();
    }
    static QString header(QTableWidget *table, int column) { return table->horizontalHeaderItem(column)->text(); }

    // Texts of the shown pages of Port2 that the code and the forms set, in one list for comparison.
    QStringList port2Texts()
    {
        QStringList texts = tabTexts().mid(0, 3);
        auto *roles = find<QComboBox>(window, "cbox_role");
        texts << roles->itemText(0) << roles->itemText(2) << find<QLabel>(window, "label_linkStatus")->text()
              << tree->topLevelItem(1)->toolTip(0).section('\n', 0, 0) << window->windowTitle();
        auto *parameters = window->findChild<ParameterPage *>();
        texts << find<QPushButton>(parameters, "pbtn_read")->text()
              << find<QPushButton>(parameters, "pbtn_stop")->text()
              << header(find<QTableWidget>(parameters, "table_param"), 0);
        auto *in = window->findChild<ProcessDataInPage *>();
        texts << find<QPushButton>(in, "pbtn_start")->text() << header(find<QTableWidget>(in, "table"), 2);
        texts << header(find<QTableWidget>(window->findChild<EventPage *>(), "tableWidget"), 0);
        texts << find<QPushButton>(tabs->widget(3)->findChild<DigitalInputPanel *>(), "pbtn_read")->text();
        return texts;
    }

private slots:
    void initTestCase() { QDir::setCurrent(QCoreApplication::applicationDirPath()); }
    void init()
    {
        applyDefaultSetup(m_adapter);
        m_adapter.faults().isduLatencyMs = 0;
        UiLanguage::apply(UiLanguage::Language::Chinese);
        QVERIFY(reopen());
    }
    void cleanup()
    {
        closeWindow();
        UiLanguage::apply(UiLanguage::Language::Chinese);
    }

    // Chinese locales (whatever the script or region) get Chinese, every other locale English; --lang takes zh or en.
    void languageFromLocaleAndOption()
    {
        using UiLanguage::Language;
        for (const char *name : {"zh_CN", "zh_TW", "zh_HK", "zh_SG"})
            QVERIFY2(UiLanguage::forLocale(QLocale(QLatin1String(name))) == Language::Chinese, name);
        for (const char *name : {"en_US", "de_DE", "ja_JP", "C"})
            QVERIFY2(UiLanguage::forLocale(QLocale(QLatin1String(name))) == Language::English, name);
        Language chosen = Language::Chinese;
        QVERIFY(UiLanguage::fromName("en", &chosen) && chosen == Language::English);
        QVERIFY(UiLanguage::fromName("zh", &chosen) && chosen == Language::Chinese);
        QVERIFY(!UiLanguage::fromName("EN", &chosen) && !UiLanguage::fromName("fr", &chosen)
                && chosen == Language::Chinese);
    }

    // Port2's pages, the adapter tabs and the window switch to English and back; the title is the same in both.
    void shownPagesSwitchAndSwitchBack()
    {
        QCOMPARE(window->windowTitle(), "VANTO-HUB8 IO-Link Tool");
        chooseVariant(0);
        click(1);
        QWidget *basic = tabs->widget(3);
        // Port2 is in IO-Link mode: its DI view is there, disabled, saying why.
        auto *di = basic->findChild<DigitalInputPanel *>();
        QVERIFY(!di->isEnabled() && di->toolTip().contains("IO-Link"));
        const QStringList chinese = port2Texts();
        // The identity's own labels follow the language too; the cycle time is shown with its unit.
        QCOMPARE(find<QLabel>(basic, "label_7")->text() + " " + find<QLineEdit>(basic, "edit_minCycleTime")->text(),
                 "最小周期时间 5.0 ms");
        auto *wires = find<QTableWidget>(basic, "table_connect");
        QCOMPARE(wires->horizontalHeaderItem(1)->text(), "线色");
        QCOMPARE(chinese,
                 QStringList({"适配器详情", "适配器通信参数", "适配器端口配置", "投产模式", "操作模式", "适配器已连接",
                              "IO-Link 运行", "VANTO-HUB8 IO-Link Tool — Port2", "读（全部）", "停止", "参数", "开始",
                              "值", "报错时间", "开始读取"}));

        switchTo(UiLanguage::Language::English);
        QCOMPARE(port2Texts(),
                 QStringList({"Adapter details", "Communication", "Port configuration", "Specialist", "Observer",
                              "Adapter connected", "IO-Link operate", "VANTO-HUB8 IO-Link Tool — Port2", "Read (all)",
                              "Stop", "Parameter", "Start", "Value", "Raised", "Start reading"}));
        // The form's placeholder did not replace the device's picture; the IODD's own texts stay as they are.
        QCOMPARE(find<QLabel>(basic, "label_log")->pixmap(Qt::ReturnByValue).size(), QSize(160, 90));
        QCOMPARE(find<QLabel>(basic, "label_8")->text(), "Bitrate");
        QCOMPARE(find<QLabel>(basic, "label_7")->text(), "Minimum cycle time");
        QCOMPARE(wires->horizontalHeaderItem(1)->text(), "Wire colour");
        QCOMPARE(find<QLineEdit>(basic, "edit_vendorName")->text(), "Pellamar");
        QVERIFY(di->toolTip().startsWith("The port is not a digital input"));

        switchTo(UiLanguage::Language::Chinese);
        QCOMPARE(port2Texts(), chinese);
        QCOMPARE(find<QLabel>(basic, "label_log")->pixmap(Qt::ReturnByValue).size(), QSize(160, 90));
    }

    // Pages built after a switch start in English; the ISDU console says its history again in the language chosen.
    void consoleHistoryFollowsTheLanguage()
    {
        switchTo(UiLanguage::Language::English);
        click(0); // Port1: no description, the console
        auto *console = tabs->widget(3)->findChild<IsduConsole *>();
        QVERIFY(console);
        auto *operation = find<QComboBox>(console, "cbox_Control");
        QCOMPARE(operation->itemText(3), "Read");
        operation->setCurrentIndex(3);
        find<QSpinBox>(console, "sbox_index")->setValue(16);
        QTest::mouseClick(find<QPushButton>(console, "pbtn_send"), Qt::LeftButton);
        QVERIFY(SimHelpers::linkIdle());
        auto *received = find<QTextEdit>(console, "textEdit_read");
        QVERIFY2(received->toPlainText().contains("Read Port 1 Index 16 Subindex 0 → Succeeded, 13 bytes: 56 61"),
                 qPrintable(received->toPlainText()));
        QCOMPARE(find<QLabel>(console, "label_lastLength")->text(), "Last response length: 13");

        switchTo(UiLanguage::Language::Chinese);
        QVERIFY2(received->toPlainText().contains("读操作 Port 1 Index 16 Subindex 0 → 成功，13 字节：56 61"),
                 qPrintable(received->toPlainText()));
        QCOMPARE(find<QLabel>(console, "label_lastLength")->text(), "上次应答长度：13");
    }
};

QTEST_MAIN(tst_language)
#include "tst_language.moc"
