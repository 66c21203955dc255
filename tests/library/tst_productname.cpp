// The variant dialog: which variant a confirmation picks, when it counts as cancelled, its pictures.

#include "library/widget_productname.h"

#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QWindow>
#include <QtTest>

static QList<variantItem> variants()
{
    return {{"KTX-M12", "KTX", "standard", "a-pic.png", "a-icon.png"},
            {"KTX-M12-ND", "KTX ND", "no display", "b-pic.png", "b-icon.png"},
            {"KTX-M12-ND", "KTX ND2", "second with equal id", "c-pic.png", "c-icon.png"}};
}
static QStringList fields(const variantItem &v)
{
    return {v.productId, v.name, v.description, v.deviceSymbol, v.deviceIcon};
}

static QTableWidget *table(QDialog &d)
{
    return d.findChild<QTableWidget *>(QStringLiteral("table"));
}
static QPushButton *enter(QDialog &d)
{
    return d.findChild<QPushButton *>(QStringLiteral("pbtn_enter"));
}
static QPixmap pixmapAt(QDialog &d, int r, int c)
{
    return qobject_cast<QLabel *>(table(d)->cellWidget(r, c))->pixmap(Qt::ReturnByValue);
}

// Runs exec() with `during` queued; a broken close cannot hang the run.
template <typename F>
static bool execWith(QDialog &d, F during)
{
    bool timedOut = false;
    QTimer::singleShot(0, &d, during);
    QTimer::singleShot(5000, &d, [&] {
        timedOut = true;
        d.hide();
    });
    return d.exec(), !timedOut;
}

class tst_productName : public QObject
{
    Q_OBJECT
private slots:
    void confirmPicksFirstEqualProductId()
    {
        for (int row = 0; row < 3; ++row) {
            widget_productName d;
            d.setVariants({variants().at(1)}); // replaced by the next call
            d.setVariants(variants());
            QCOMPARE(table(d)->rowCount(), 3);
            QSignalSpy closed(&d, &widget_productName::sigClose);
            QVERIFY(execWith(d, [&] {
                table(d)->selectRow(row);
                QTest::mouseClick(enter(d), Qt::LeftButton);
            }));
            QCOMPARE(QList<QVariantList>(closed), QList<QVariantList>({{false}}));
            QCOMPARE(fields(d.selectedVariant()), fields(variants().at(row == 2 ? 1 : row)));
        }
    }

    void enterWithoutCurrentRowDoesNothing()
    {
        widget_productName d;
        d.setVariants(variants());
        QSignalSpy closed(&d, &widget_productName::sigClose);
        d.show();
        table(d)->setCurrentIndex(QModelIndex());
        enter(d)->click();
        d.setVariants({});
        enter(d)->click();
        QVERIFY(d.isVisible() && closed.isEmpty() && d.selectedVariant().productId.isEmpty());
    }

    void closingOrEscapeIsCancelledEvenWithRowSelected()
    {
        for (bool escape : {false, true}) {
            widget_productName d;
            d.setVariants(variants());
            QSignalSpy closed(&d, &widget_productName::sigClose);
            QVERIFY(execWith(d, [&] {
                table(d)->selectRow(1);
                escape ? QTest::keyClick(&d, Qt::Key_Escape)
                       : void(d.windowHandle()->close()); // as the title-bar button does
            }));
            QCOMPARE(QList<QVariantList>(closed), QList<QVariantList>({{true}}));
            QVERIFY(d.selectedVariant().productId.isEmpty());
        }
    }

    void picturesFromLibraryFolder()
    {
        deviceInfo info;
        info.vendorId = "65535", info.deviceId = QString::number(QCoreApplication::applicationPid());
        info.version = "V9.9", info.fileName = "tst-pictures.xml";
        QDir folder(QCoreApplication::applicationDirPath() + "/iodd/65535_" + info.deviceId + "_V9.9_tst-pictures");
        QVERIFY(folder.mkpath("."));
        auto removeFolder = qScopeGuard([&folder] { folder.removeRecursively(); });
        QImage wide(64, 20, QImage::Format_RGB32);
        wide.fill(Qt::red);
        QVERIFY(wide.save(folder.filePath("a-pic.png")));

        widget_productName d;
        d.setDeviceInfo(info);
        d.setVariants(variants());
        QCOMPARE(pixmapAt(d, 0, 2).toImage().pixelColor(15, 15),
                 QColor(Qt::red));                                         // from the folder beside the executable
        QVERIFY(pixmapAt(d, 0, 3).isNull() && pixmapAt(d, 2, 2).isNull()); // missing files: empty labels, rows kept
    }
};

QTEST_MAIN(tst_productName)
#include "tst_productname.moc"
