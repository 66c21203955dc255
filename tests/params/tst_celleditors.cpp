// Validators and the line-edit delegate of the parameter table.

#include "params/tablelineedit.h"
#include "widgets/mydoublevalidator.h"
#include "widgets/myintvalidator.h"

#include <QtTest>
#include <QtWidgets>

Q_DECLARE_METATYPE(QValidator::State)

class tst_cellEditors : public QObject
{
    Q_OBJECT
    // One row, rebuilt per test; column 2 is edited through the delegate.
    QScopedPointer<QTableWidget> table;
    tableLineEdit *delegate = nullptr;
    QScopedPointer<QSignalSpy> different;
    QLineEdit *typeInto(const QString &text, int column = 2)
    {
        table->editItem(table->item(0, column));
        auto *e = table->viewport()->findChild<QLineEdit *>();
        if (e) {
            e->clear();
            QTest::keyClicks(e, text);
        }
        return e;
    }

private slots:
    void init()
    {
        table.reset(new QTableWidget(1, 3));
        delegate = new tableLineEdit(table.data());
        delegate->column = 2;
        delegate->dataType = QStringLiteral("UIntegerT");
        delegate->upper = 100;
        delegate->displayFormat = QStringLiteral("Dec.1");
        delegate->maxLength = 64;
        table->setItemDelegateForRow(0, delegate);
        for (int c = 0; c < 3; ++c)
            table->setItem(0, c, new QTableWidgetItem(c == 2 ? QStringLiteral("25") : QStringLiteral("cell")));
        table->show();
        different.reset(new QSignalSpy(delegate, &tableLineEdit::sig_dataDifferent));
    }
    void doubleValidate_data()
    {
        QTest::addColumn<double>("bottom");
        QTest::addColumn<double>("top");
        QTest::addColumn<QString>("input");
        QTest::addColumn<QValidator::State>("state");
        const auto I = QValidator::Intermediate, A = QValidator::Acceptable, N = QValidator::Invalid;

        QTest::newRow("12.3") << 0.0 << 100.0 << "12.3" << A;
        QTest::newRow("12.34") << 0.0 << 100.0 << "12.34" << N;
        QTest::newRow("101") << 0.0 << 100.0 << "101" << N;
        QTest::newRow("-5 without negative range") << 0.0 << 100.0 << "-5" << N;
        QTest::newRow("00") << 0.0 << 100.0 << "00" << N;
        QTest::newRow("0.") << 0.0 << 100.0 << "0." << I;
        QTest::newRow("full-width digit") << 0.0 << 100.0 << QString(QChar(0xFF11)) << N;
        QTest::newRow("0.0 outside range") << 5.0 << 10.0 << "0.0" << I; // start texts pass before the range check
        // Negative ranges allow "-" anywhere; the value decides ("5-" counts as 0).
        QTest::newRow("-5 in -10..10") << -10.0 << 10.0 << "-5" << A;
        QTest::newRow("5- in -10..10") << -10.0 << 10.0 << "5-" << A;
    }
    void doubleValidate()
    {
        QFETCH(double, bottom);
        QFETCH(double, top);
        QFETCH(QString, input);
        myDoubleValidator v(bottom, top, 1);
        int pos = input.size();
        QTEST(v.validate(input, pos), "state");
    }
    void fixupAndIntegers()
    {
        // Out-of-range and unparsable text is pulled to the nearest limit as given.
        myDoubleValidator d(0.1, 99.5, 1);
        myIntValidator i;
        i.setRange(-100.4, 100.4);
        const auto fixed = [](const QValidator &v, QString text) {
            v.fixup(text);
            return text;
        };
        QCOMPARE((QStringList{fixed(d, "150"), fixed(d, "-20"), fixed(d, "50"), fixed(d, "x"), fixed(i, "-1000")}),
                 (QStringList{"99.5", "0.1", "50", "0.1", "-100.4"}));

        // The integer range takes the rounded limits; "1.5" has valid characters but is no integer.
        QCOMPARE(i.bottom(), -100);
        const auto check = [&i](QString text) {
            int pos = text.size();
            return i.validate(text, pos);
        };
        QCOMPARE((QList<QValidator::State>{check("-50"), check("1.5"), check("")}),
                 (QList<QValidator::State>{QValidator::Acceptable, QValidator::Invalid, QValidator::Intermediate}));
    }
    void editorByType_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<bool>("editable");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("toolTip");

        const auto row = [](const char *name, const char *type, bool editable, const QString &typed,
                            const QString &shown, const char *toolTip) {
            QTest::newRow(name) << type << editable << typed << shown << toolTip;
        };
        row("UIntegerT one decimal", "UIntegerT", true, "12.34", "12.3", "min:0 max:100");
        row("IntegerT no letters", "IntegerT", true, "4x2", "42", "min:0 max:100");
        row("IntegerT read-only", "IntegerT", false, "", "", "min:0 max:100");
        row("StringT at most 64", "StringT", true, QString(70, 's'), QString(64, 's'), "");
        row("Float32T free text", "Float32T", true, "1e5x", "1e5x", "");
    }
    void editorByType()
    {
        QFETCH(QString, type);
        QFETCH(bool, editable);
        delegate->dataType = type;
        delegate->editable = editable;
        QFETCH(QString, typed);
        QLineEdit *e = typeInto(typed);
        QVERIFY(e && delegate->open);
        QCOMPARE(e->focusPolicy() == Qt::NoFocus, !editable);
        QTEST(e->text(), "shown");
        QTEST(e->toolTip(), "toolTip");
        QCOMPARE(qobject_cast<const myDoubleValidator *>(e->validator()) != nullptr, type.endsWith("IntegerT"));
    }
    void commitReportsOnlyChangedText()
    {
        QLineEdit *e = typeInto(QStringLiteral("25"));
        QVERIFY(e);
        QTest::keyClick(e, Qt::Key_Return);
        QTRY_VERIFY(!delegate->open); // the view commits on Return from the event loop
        QCOMPARE(different->count(), 0);
        QTRY_VERIFY(!table->viewport()->findChild<QLineEdit *>());

        e = typeInto(QStringLiteral("30.5"));
        QTest::keyClick(e, Qt::Key_Return);
        QTRY_COMPARE(different->count(), 1);
        QCOMPARE(different->at(0).at(0).toString(), QStringLiteral("30.5"));
        QCOMPARE(table->item(0, 2)->text(), QStringLiteral("30.5"));
    }
    void clickOutsideCommits()
    {
        delegate->dataType = QStringLiteral("StringT");
        QLineEdit *e = typeInto(QStringLiteral("new"));
        QVERIFY(e);
        QTest::mouseClick(e, Qt::LeftButton, {}, QPoint(2, 2)); // inside: no commit
        delegate->solt_cbxActivated();                          // swallows the next event
        QTest::mousePress(e, Qt::LeftButton, {}, QPoint(-5, -5));
        QCOMPARE(different->count(), 0);
        QTest::mousePress(e, Qt::LeftButton, {}, QPoint(e->width() + 5, 1));
        QCOMPARE(different->count(), 1);
        QCOMPARE(table->item(0, 2)->text(), QStringLiteral("new"));
    }
    void otherColumnsUseBaseEditor()
    {
        QSignalSpy opened(delegate, &tableLineEdit::sig_isopen);
        QLineEdit *e = typeInto(QStringLiteral("renamed"), 0);
        QVERIFY(e && !e->validator());
        QTest::keyClick(e, Qt::Key_Return);
        QTRY_COMPARE(table->item(0, 0)->text(), QStringLiteral("renamed"));
        QCOMPARE(different->count() + opened.count(), 0);
    }
};

QTEST_MAIN(tst_cellEditors)
#include "tst_celleditors.moc"
