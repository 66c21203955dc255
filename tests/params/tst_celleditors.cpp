// The number validator and the cell delegates of the parameter table.

#include "params/lineeditdelegate.h"
#include "widgets/comboboxdelegate.h"
#include "widgets/numbervalidator.h"

#include <QtTest>
#include <QtWidgets>

Q_DECLARE_METATYPE(QValidator::State)

class tst_celleditors : public QObject
{
    Q_OBJECT
    // One row, rebuilt per test; column 2 is edited through the delegate.
    QScopedPointer<QTableWidget> m_table;
    LineEditDelegate *m_delegate = nullptr;
    QScopedPointer<QSignalSpy> m_different;
    QLineEdit *typeInto(const QString &text, int column = 2)
    {
        m_table->editItem(m_table->item(0, column));
        auto *e = m_table->viewport()->findChild<QLineEdit *>();
        if (e) {
            e->clear();
            QTest::keyClicks(e, text);
        }
        return e;
    }

private slots:
    void init()
    {
        m_table.reset(new QTableWidget(1, 3));
        LineEditDelegate::Cell cell;
        cell.column = 2;
        cell.numeric = true;
        cell.allowFraction = true;
        cell.rangeTip = QStringLiteral("min:1.0 max:4000.0 bar");
        // Stands in for the codec's check: at most 4000.
        cell.check = [](const QString &text) {
            return text.toDouble() > 4000 ? QStringLiteral("too high") : QString();
        };
        cell.maxLength = 64;
        m_delegate = new LineEditDelegate(cell, m_table.data());
        m_table->setItemDelegateForRow(0, m_delegate);
        for (int c = 0; c < 3; ++c)
            m_table->setItem(0, c, new QTableWidgetItem(c == 2 ? QStringLiteral("25") : QStringLiteral("cell")));
        m_table->show();
        m_different.reset(new QSignalSpy(m_delegate, &LineEditDelegate::valueEdited));
    }
    // While typing, only what can still become a number is taken; the range is checked on commit.
    void validate_data()
    {
        QTest::addColumn<bool>("fraction");
        QTest::addColumn<QString>("input");
        QTest::addColumn<QValidator::State>("state");
        const auto I = QValidator::Intermediate, A = QValidator::Acceptable, N = QValidator::Invalid;
        QTest::newRow("3 on the way to 3000") << false << "3" << A;
        QTest::newRow("lone sign") << false << "-" << I;
        QTest::newRow("no point in integers") << false << "1.5" << N;
        QTest::newRow("letters") << true << "abc" << N;
        QTest::newRow("exponent on the way") << true << "1e" << I;
        QTest::newRow("exponent") << true << "-1.5e-3" << A;
        QTest::newRow("two points") << true << "1.2.3" << N;
        QTest::newRow("full-width digit") << true << QString(QChar(0xFF11)) << N;
    }
    void validate()
    {
        QFETCH(bool, fraction);
        QFETCH(QString, input);
        NumberValidator v(fraction);
        int pos = input.size();
        QTEST(v.validate(input, pos), "state");
    }
    void editorByType_data()
    {
        QTest::addColumn<bool>("numeric");
        QTest::addColumn<bool>("editable");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("toolTip");
        const QString limits = "min:1.0 max:4000.0 bar";
        QTest::newRow("number: limits in display units") << true << true << "4x2.5"
                                                         << "42.5" << limits;
        QTest::newRow("read-only") << true << false << ""
                                   << "" << limits;
        QTest::newRow("string at most 64") << false << true << QString(70, 's') << QString(64, 's') << "";
    }
    void editorByType()
    {
        QFETCH(bool, numeric);
        QFETCH(bool, editable);
        LineEditDelegate::Cell cell = m_delegate->cell();
        cell.numeric = numeric;
        cell.editable = editable;
        m_delegate->setCell(cell);
        QFETCH(QString, typed);
        QLineEdit *e = typeInto(typed);
        QVERIFY(e && m_delegate->isEditing());
        QCOMPARE(e->focusPolicy() == Qt::NoFocus, !editable);
        QTEST(e->text(), "shown");
        QTEST(numeric ? e->toolTip() : QString(), "toolTip");
    }
    // A refused value is not taken: the cell keeps its old value and the refusal says why.
    void refusedOnCommit()
    {
        QSignalSpy refused(m_delegate, &LineEditDelegate::inputRefused);
        QLineEdit *e = typeInto(QStringLiteral("5000"));
        QTest::keyClick(e, Qt::Key_Return);
        QTRY_COMPARE(refused.count(), 1);
        QCOMPARE(refused.at(0).at(1).toString(), QStringLiteral("too high"));
        QCOMPARE(m_table->item(0, 2)->text(), QStringLiteral("25"));
        QCOMPARE(m_different->count(), 0);
    }
    void commitReportsOnlyChangedText()
    {
        QLineEdit *e = typeInto(QStringLiteral("25"));
        QVERIFY(e);
        QTest::keyClick(e, Qt::Key_Return);
        QTRY_VERIFY(!m_delegate->isEditing()); // the view commits on Return from the event loop
        QCOMPARE(m_different->count(), 0);
        QTRY_VERIFY(!m_table->viewport()->findChild<QLineEdit *>());

        e = typeInto(QStringLiteral("30.5"));
        QTest::keyClick(e, Qt::Key_Return);
        QTRY_COMPARE(m_different->count(), 1);
        QCOMPARE(m_different->at(0).at(0).toString(), QStringLiteral("30.5"));
        QCOMPARE(m_table->item(0, 2)->text(), QStringLiteral("30.5"));
    }
    void clickOutsideCommits()
    {
        LineEditDelegate::Cell cell = m_delegate->cell();
        cell.numeric = false;
        m_delegate->setCell(cell);
        QLineEdit *e = typeInto(QStringLiteral("new"));
        QVERIFY(e);
        QTest::mouseClick(e, Qt::LeftButton, {}, QPoint(2, 2)); // inside: no commit
        QCOMPARE(m_different->count(), 0);
        QTest::mousePress(e, Qt::LeftButton, {}, QPoint(e->width() + 5, 1));
        QCOMPARE(m_different->count(), 1);
        QCOMPARE(m_table->item(0, 2)->text(), QStringLiteral("new"));
    }
    // A choice cell is an item until clicked; the click opens a combo box on the item's
    // choices, a read-only cell never opens (a choice made: tst_parameterview).
    void choiceCellOpensOnClick()
    {
        QTableWidget choices(2, 3);
        ComboBoxDelegate combo(2);
        choices.setItemDelegateForRow(0, &combo);
        choices.setItemDelegateForRow(1, &combo);
        for (int row = 0; row < 2; ++row) {
            choices.setItem(row, 0, new QTableWidgetItem(QStringLiteral("Mode")));
            auto *item = new QTableWidgetItem(QStringLiteral("On"));
            ComboBoxDelegate::setChoices(item, {QStringLiteral("On"), QStringLiteral("Off (kept)")});
            choices.setItem(row, 2, item);
        }
        choices.item(1, 2)->setFlags(choices.item(1, 2)->flags() & ~Qt::ItemIsEditable);
        choices.show();
        QVERIFY(QTest::qWaitForWindowExposed(&choices));
        QVERIFY(!choices.viewport()->findChild<QComboBox *>());
        // The column is sized for the longest choice, not the shown text.
        choices.resizeColumnsToContents();
        QVERIFY(choices.columnWidth(2) > choices.fontMetrics().horizontalAdvance(QStringLiteral("Off (kept)")));

        auto clickCell = [&](int row, int column) {
            QTest::mouseClick(choices.viewport(), Qt::LeftButton, {},
                              choices.visualItemRect(choices.item(row, column)).center());
        };
        clickCell(1, 2);
        clickCell(0, 0);
        QTest::qWait(50);
        QVERIFY(!choices.viewport()->findChild<QComboBox *>());

        clickCell(0, 2);
        QComboBox *box = nullptr;
        QTRY_VERIFY((box = choices.viewport()->findChild<QComboBox *>()) != nullptr);
        QCOMPARE(box->count(), 2);
        QCOMPARE(box->currentText(), QStringLiteral("On"));
        box->hidePopup();
    }
};

QTEST_MAIN(tst_celleditors)
#include "tst_celleditors.moc"
