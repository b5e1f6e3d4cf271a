#include "aboutdialog.h"
#include "mainwindow.h"
#include "testdevice.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

class TestAboutDialog : public QObject
{
    Q_OBJECT

private slots:
    void closing_data();
    void closing();
};

void TestAboutDialog::closing_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<int>("result");
    QTest::newRow("Schließen") << "Schließen" << int(QDialog::Accepted);
    QTest::newRow("Enter") << "Enter" << int(QDialog::Accepted);
    QTest::newRow("Escape") << "Escape" << int(QDialog::Rejected);
    QTest::newRow("window closed") << "close" << int(QDialog::Rejected);
}

// Opened from the main window as a user would: whatever closes it, the main window stays as it was.
void TestAboutDialog::closing()
{
    QFETCH(QString, how);
    QFETCH(int, result);
    writeConfig("[Allgemein]\nTitel=Flur\n");
    MainWindow w;
    w.show();

    QStringList labels;
    QSize minimum, maximum;
    int finished = -1;
    whenDialogShown<AboutDialog>([&](AboutDialog *dialog) {
        connect(dialog, &QDialog::finished, [&finished](int r) { finished = r; });
        for (QLabel *label : dialog->findChildren<QLabel *>())
            labels << label->text();
        minimum = dialog->minimumSize();
        maximum = dialog->maximumSize();
        if (how == QLatin1String("Enter"))
            QTest::keyClick(dialog, Qt::Key_Return);
        else if (how == QLatin1String("Escape"))
            QTest::keyClick(dialog, Qt::Key_Escape);
        else if (how == QLatin1String("close"))
            dialog->close();
        else
            dialog->findChild<QPushButton *>()->click();
    });

    buttonWithText(&w, "i")->click();

    QCOMPARE(finished, result);
    QCOMPARE(labels.value(0), QStringLiteral("Quorvel")); // the heading ignores the configured title
    QVERIFY(labels.contains(QStringLiteral("Version 1.0.1")));
    QCOMPARE(minimum, QSize(220, 200));
    QCOMPARE(maximum, QSize(220, 200));
    QCOMPARE(w.windowTitle(), QStringLiteral("Flur"));
    QCOMPARE(w.findChild<QLabel *>("statusLabel")->text(), QStringLiteral("Version 1.0.1"));
}

QTEST_MAIN(TestAboutDialog)
#include "tst_aboutdialog.moc"
