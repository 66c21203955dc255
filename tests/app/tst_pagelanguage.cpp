// A device's pages speak the interface's language where its description has it: a switch from the tool bar renames
// the shown parameter rows and process data in place, keeping what was typed and not yet written.

#include "defaultsetup.h"
#include "i18n/uilanguage.h"
#include "params/lineeditdelegate.h"
#include "params/parameterpage.h"
#include "procdata/processdatainpage.h"
#include "testhelpers.h"
#include "virtualadapter.h"
#include "windowdriver.h"

using WindowDriver::find;

class tst_pagelanguage : public QObject, WindowDriver::Session
{
    Q_OBJECT

    void switchTo(UiLanguage::Language language)
    {
        find<QComboBox>(window, "cbox_language")->setCurrentIndex(language == UiLanguage::Language::English ? 1 : 0);
        QCOMPARE(UiLanguage::current(), language);
        QCoreApplication::processEvents();
    }
    static QStringList column(QTableWidget *table, int column)
    {
        QStringList texts;
        for (int row = 0; row < table->rowCount(); ++row)
            texts << (table->item(row, column) ? table->item(row, column)->text() : QString());
        return texts;
    }
    // The first row whose name holds `name` and whose value is typed into.
    static int editableRow(QTableWidget *table, const QString &name)
    {
        for (int row = 0; row < table->rowCount(); ++row) {
            if (table->item(row, 0)->text().contains(name) && table->item(row, 2)
                && (table->item(row, 2)->flags() & Qt::ItemIsEditable)
                && qobject_cast<LineEditDelegate *>(table->itemDelegateForRow(row)))
                return row;
        }
        return -1;
    }

private slots:
    void initTestCase() { QDir::setCurrent(QCoreApplication::applicationDirPath()); }
    void init()
    {
        if (!TestHelpers::corpusPresent())
            QSKIP("the IODD corpus is not there");
        applyDefaultSetup(VirtualAdapter::instance());
        UiLanguage::apply(UiLanguage::Language::Chinese);
        QVERIFY(reopen());
    }
    void cleanup()
    {
        closeWindow();
        UiLanguage::apply(UiLanguage::Language::Chinese);
    }

    void switchRenamesShownPagesKeepingEdits()
    {
        window->showPortPages(TestHelpers::corpusDir()
                                  + "/40-iolc-03-internallang/IO-Link-03-InternalLangDevice-20240824-IODD1.1.xml",
                              1);
        auto *page = window->findChild<ParameterPage *>();
        QVERIFY(page);
        auto *table = find<QTableWidget>(page, "table_param");
        auto *inTable = find<QTableWidget>(window->findChild<ProcessDataInPage *>(), "table");
        QVERIFY(column(table, 0).join('|').contains("样本参数"));
        QCOMPARE(inTable->item(0, 1)->text(), "过程数据 输入");

        const int row = editableRow(table, "样本参数");
        QVERIFY(row >= 0);
        emit qobject_cast<LineEditDelegate *>(table->itemDelegateForRow(row))->valueEdited("1234");
        QCOMPARE(page->unwrittenEdits(), 1);

        switchTo(UiLanguage::Language::English);
        QCOMPARE(window->findChild<ParameterPage *>(), page);
        const QString english = column(table, 0).join('|');
        QVERIFY2(english.contains("Example Parameter") && english.contains("General Settings")
                     && !english.contains("样本参数"),
                 qPrintable(english));
        QCOMPARE(inTable->item(0, 1)->text(), "PD Input");
        QCOMPARE(page->unwrittenEdits(), 1);
        const int same = editableRow(table, "Example Parameter");
        QVERIFY(same >= 0 && table->item(same, 2)->text().contains("1234"));

        switchTo(UiLanguage::Language::Chinese);
        QVERIFY(column(table, 0).join('|').contains("样本参数"));
        QCOMPARE(inTable->item(0, 1)->text(), "过程数据 输入");
        QCOMPARE(page->unwrittenEdits(), 1);
    }
};

QTEST_MAIN(tst_pagelanguage)
#include "tst_pagelanguage.moc"
