#include "app/main_window.h"
#include "app/progress_dialog.h"
#include "app/vb_controls.h"
#include "core/download/download.h"
#include "tests/support/test_env.h"

#include <QAbstractItemView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

class TstLinkControls : public QObject
{
    Q_OBJECT
private slots:
    void parallelGreysTheLineParametersAndKeepsThem()
    {
        Bench bench;
        bench.home.store("BaudRate", "3");
        bench.home.store("Parity", "2");
        bench.home.store("Porta", "10");
        CARICA& w = bench.load();
        const QList<QWidget*> greyed = {w.Baud,      w.Parita,      w.BitDati,   w.BitStop,
                                        w.LabelBaud, w.LabelParita, w.LabelDati, w.LabelStop};
        for (QWidget* c : greyed)
            QVERIFY2(!c->isEnabled(), qPrintable(c->objectName()));
        QVERIFY(w.Porta->isEnabled() && w.LabelPorta->isEnabled());
        w.Porta->setCurrentIndex(1); // COM2, chosen as an assistive technology does: no pick
        for (QWidget* c : greyed)
            QVERIFY2(c->isEnabled(), qPrintable(c->objectName()));
        QCOMPARE(w.Baud->currentText(), QStringLiteral("19200"));
        QCOMPARE(w.Parita->currentText(), QStringLiteral("Dispari"));
    }

    void aCharacterKeyLocksTheBoxAndChangesNothing_data()
    {
        QTest::addColumn<char>("key");
        QTest::addColumn<bool>("listOpen");
        QTest::newRow("a digit") << '9' << false;
        QTest::newRow("a letter") << 'c' << false;
        QTest::newRow("a blank") << ' ' << false;
        QTest::newRow("a digit in the open list") << '9' << true;
        QTest::newRow("another digit in the open list") << '3' << true;
    }
    void aCharacterKeyLocksTheBoxAndChangesNothing()
    {
        QFETCH(char, key);
        QFETCH(bool, listOpen);
        Bench bench;
        CARICA& w = bench.load();
        w.show();
        QCOMPARE(w.Baud->currentText(), QStringLiteral("4800"));
        if (listOpen)
            w.Baud->showPopup();
        QWidget* target = listOpen ? static_cast<QWidget*>(w.Baud->view()) : w.Baud;
        QTest::keyClick(target, key);
        QVERIFY(w.Baud->locked());
        // A locked box ignores the keyboard, but in the list already open arrows and Enter pick.
        QTest::keyClick(target, Qt::Key_Down);
        QTest::keyClick(target, Qt::Key_Return);
        QCOMPARE(w.Baud->currentText(), listOpen ? QStringLiteral("9600") : QStringLiteral("4800"));
        QVERIFY(!w.Parita->locked());
    }

    void arrowKeysInAnUnlockedBoxPickLikeTheList()
    {
        Bench bench;
        bench.home.store("Porta", "9");
        CARICA& w = bench.load();
        QTest::keyClick(w.Porta, Qt::Key_Down);
        QCOMPARE(w.Porta->currentText(), QStringLiteral("LPT1"));
        QVERIFY(!w.Porta->locked());
        QVERIFY(!w.Baud->isEnabled()); // the link reaction ran
        QTest::keyClick(w.Porta, Qt::Key_Up);
        QVERIFY(w.Baud->isEnabled());
    }

    void openingTheListUnlocksUnlessADownloadIsShown()
    {
        Bench bench;
        CARICA& w = bench.load();
        QTest::keyClick(w.Baud, 'x');
        QTest::keyClick(w.BitDati, 'x');
        QVERIFY(w.Baud->locked());
        w.Baud->showPopup();
        QVERIFY(!w.Baud->locked());
        w.Baud->hidePopup();

        // During a download a locked box stays locked; one never locked stays usable.
        w.ShowFile->setText(bench.home.file("F.BIN", patternBytes(4000)));
        bool lockedDuring = false, unlockedDuring = true;
        bench.clock.at(2, [&] {
            w.BitDati->showPopup();
            lockedDuring = w.BitDati->locked();
            w.Parita->showPopup();
            unlockedDuring = !w.Parita->locked();
            w.Parita->hidePopup();
        });
        w.StartTrasm->click();
        QVERIFY(lockedDuring);
        QVERIFY(unlockedDuring);
    }
};

QTEST_MAIN(TstLinkControls)
#include "tst_link_controls.moc"
