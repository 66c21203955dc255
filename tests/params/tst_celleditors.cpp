// Validators and the line-edit delegate of the parameter table.

#include "params/mydoublevalidator.h"
#include "params/myintvalidator.h"
#include "params/tablelineedit.h"

#include <QLineEdit>
#include <QSignalSpy>
#include <QTableWidget>
#include <QtTest>

Q_DECLARE_METATYPE(QValidator::State)

namespace {

// Column 2 of the one row is edited through the delegate.
struct Table
{
    explicit Table(const QString &type, const QString &value)
    {
        delegate = new tableLineEdit(&widget);
        delegate->column = 2;
        delegate->dataType = type;
        delegate->upper = 100;
        delegate->displayFormat = QStringLiteral("Dec.1");
        delegate->maxLength = 64;
        widget.setItemDelegateForRow(0, delegate);
        for (int c = 0; c < 3; ++c)
            widget.setItem(0, c, new QTableWidgetItem(c == 2 ? value : QStringLiteral("cell")));
        widget.show();
    }
    QLineEdit *edit(int column = 2)
    {
        widget.editItem(widget.item(0, column));
        return widget.viewport()->findChild<QLineEdit *>();
    }
    QTableWidget widget { 1, 3 };
    tableLineEdit *delegate;
};

} // namespace

class tst_cellEditors : public QObject
{
    Q_OBJECT

private slots:
    void doubleValidate_data();
    void doubleValidate();
    void fixupAndIntegers();
    void editorByType_data();
    void editorByType();
    void commitReportsOnlyChangedText();
    void clickOutsideCommits();
    void otherColumnsUseBaseEditor();
};

void tst_cellEditors::doubleValidate_data()
{
    QTest::addColumn<double>("bottom");
    QTest::addColumn<double>("top");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<QString>("input");
    QTest::addColumn<QValidator::State>("state");
    const auto I = QValidator::Intermediate, A = QValidator::Acceptable, N = QValidator::Invalid;

    // Range 0..100, display format Dec.1.
    QTest::newRow("12.3") << 0.0 << 100.0 << 1 << "12.3" << A;
    QTest::newRow("12.34") << 0.0 << 100.0 << 1 << "12.34" << N;
    QTest::newRow("101") << 0.0 << 100.0 << 1 << "101" << N;
    QTest::newRow("-5 without negative range") << 0.0 << 100.0 << 1 << "-5" << N;
    QTest::newRow("00") << 0.0 << 100.0 << 1 << "00" << N;
    QTest::newRow("0.") << 0.0 << 100.0 << 1 << "0." << I;
    QTest::newRow("full-width digit") << 0.0 << 100.0 << 1 << QString(QChar(0xFF11)) << N;
    // Start texts are allowed before the range is looked at.
    QTest::newRow("0.0 outside range") << 5.0 << 10.0 << 1 << "0.0" << I;
    // Negative ranges allow "-" anywhere; the value decides ("5-" counts as 0).
    QTest::newRow("-5 in -10..10") << -10.0 << 10.0 << 0 << "-5" << A;
    QTest::newRow("-11 in -10..10") << -10.0 << 10.0 << 0 << "-11" << N;
    QTest::newRow("5- in -10..10") << -10.0 << 10.0 << 0 << "5-" << A;
}

void tst_cellEditors::doubleValidate()
{
    QFETCH(double, bottom);
    QFETCH(double, top);
    QFETCH(int, decimals);
    QFETCH(QString, input);
    myDoubleValidator v;
    v.setRange(bottom, top, decimals);
    int pos = input.size();
    QTEST(v.validate(input, pos), "state");
}

void tst_cellEditors::fixupAndIntegers()
{
    // Out-of-range and unparsable text is pulled to the nearest limit as given.
    myDoubleValidator d(0.1, 99.5, 1);
    myIntValidator i;
    i.setRange(-100.4, 100.4);
    const auto fixed = [](const QValidator &v, QString text) {
        v.fixup(text);
        return text;
    };
    QCOMPARE(fixed(d, "150"), QStringLiteral("99.5"));
    QCOMPARE(fixed(d, "-20"), QStringLiteral("0.1"));
    QCOMPARE(fixed(d, "50"), QStringLiteral("50"));
    QCOMPARE(fixed(d, "x"), QStringLiteral("0.1"));
    QCOMPARE(fixed(i, "-1000"), QStringLiteral("-100.4"));

    // The integer range takes the rounded limits; "1.5" passes the characters
    // but not the integer check.
    QCOMPARE(i.bottom(), -100);
    const auto check = [&i](QString text) {
        int pos = text.size();
        return i.validate(text, pos);
    };
    QCOMPARE(check("-50"), QValidator::Acceptable);
    QCOMPARE(check("1.5"), QValidator::Invalid);
    QCOMPARE(check(""), QValidator::Intermediate);
}

void tst_cellEditors::editorByType_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<bool>("editable");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("toolTip");

    QTest::newRow("UIntegerT one decimal") << "UIntegerT" << true << "12.34" << "12.3" << "min:0 max:100";
    QTest::newRow("IntegerT no letters") << "IntegerT" << true << "4x2" << "42" << "min:0 max:100";
    QTest::newRow("IntegerT read-only") << "IntegerT" << false << "" << "" << "min:0 max:100";
    QTest::newRow("StringT at most 64") << "StringT" << true << QString(70, 's') << QString(64, 's') << "";
    QTest::newRow("Float32T free text") << "Float32T" << true << "1e5x" << "1e5x" << "";
}

void tst_cellEditors::editorByType()
{
    QFETCH(QString, type);
    QFETCH(bool, editable);
    QFETCH(QString, typed);
    Table t(type, QString());
    t.delegate->editable = editable;
    QLineEdit *edit = t.edit();
    QVERIFY(edit && t.delegate->open);
    QCOMPARE(edit->focusPolicy() == Qt::NoFocus, !editable);
    QTest::keyClicks(edit, typed);
    QTEST(edit->text(), "shown");
    QTEST(edit->toolTip(), "toolTip");
    const bool numeric = type.endsWith(QLatin1String("IntegerT"));
    QCOMPARE(qobject_cast<const myDoubleValidator *>(edit->validator()) != nullptr, numeric);
}

void tst_cellEditors::commitReportsOnlyChangedText()
{
    Table t(QStringLiteral("UIntegerT"), QStringLiteral("25"));
    QSignalSpy different(t.delegate, &tableLineEdit::sig_dataDifferent);

    QLineEdit *edit = t.edit();
    QVERIFY(edit);
    edit->clear();
    QTest::keyClicks(edit, QStringLiteral("25"));
    QTest::keyClick(edit, Qt::Key_Return);
    QTRY_VERIFY(!t.delegate->open);   // the view commits on Return from the event loop
    QCOMPARE(different.count(), 0);
    QTRY_VERIFY(!t.widget.viewport()->findChild<QLineEdit *>());

    edit = t.edit();
    edit->clear();
    QTest::keyClicks(edit, QStringLiteral("30.5"));
    QTest::keyClick(edit, Qt::Key_Return);
    QTRY_COMPARE(different.count(), 1);
    QCOMPARE(different.at(0).at(0).toString(), QStringLiteral("30.5"));
    QCOMPARE(t.widget.item(0, 2)->text(), QStringLiteral("30.5"));
}

void tst_cellEditors::clickOutsideCommits()
{
    Table t(QStringLiteral("StringT"), QStringLiteral("old"));
    QSignalSpy different(t.delegate, &tableLineEdit::sig_dataDifferent);
    QLineEdit *edit = t.edit();
    QVERIFY(edit);
    edit->setText(QStringLiteral("new"));

    QTest::mouseClick(edit, Qt::LeftButton, {}, QPoint(2, 2));   // inside: no commit
    t.delegate->solt_cbxActivated();                             // swallows the next event
    QTest::mousePress(edit, Qt::LeftButton, {}, QPoint(-5, -5));
    QCOMPARE(different.count(), 0);

    QTest::mousePress(edit, Qt::LeftButton, {}, QPoint(edit->width() + 5, 1));
    QCOMPARE(different.count(), 1);
    QCOMPARE(t.widget.item(0, 2)->text(), QStringLiteral("new"));
}

void tst_cellEditors::otherColumnsUseBaseEditor()
{
    Table t(QStringLiteral("UIntegerT"), QStringLiteral("25"));
    QSignalSpy different(t.delegate, &tableLineEdit::sig_dataDifferent);
    QSignalSpy opened(t.delegate, &tableLineEdit::sig_isopen);
    QLineEdit *edit = t.edit(0);
    QVERIFY(edit);
    QVERIFY(!edit->validator());
    edit->setText(QStringLiteral("renamed"));
    QTest::keyClick(edit, Qt::Key_Return);
    QTRY_COMPARE(t.widget.item(0, 0)->text(), QStringLiteral("renamed"));
    QCOMPARE(different.count() + opened.count(), 0);
}

QTEST_MAIN(tst_cellEditors)
#include "tst_celleditors.moc"
