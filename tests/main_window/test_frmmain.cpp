// The main window: start-up, the resize engine, the size read-out, help and exit.
#include "MainWindowFixture.h"
#include "main_window/Form1.h"
#include "main_window/modGlobal.h"

#include <QDir>
#include <QImageReader>
#include <QMenuBar>
#include <sys/resource.h>

class TestMainWindow : public QObject {
    Q_OBJECT

    // Every control a command may change, and the pictures shown.
    static QString stateOf(const MainWindowFixture& f) {
        const auto on = [](bool value) { return QString::number(value); };
        return QStringList{f.cmbScaleX()->currentText(),
                           f.cmbScaleY()->currentText(),
                           on(f.cmbScaleX()->isEnabled()),
                           on(f.cmbScaleY()->isEnabled()),
                           on(f.chkScaleX()->isChecked()),
                           on(f.chkScaleY()->isChecked()),
                           on(f.chkAutomatic()->isChecked()),
                           on(f.button("cmdResize")->isEnabled()),
                           f.txtwidth()->text(),
                           f.txtheight()->text(),
                           f.Label1()->text(),
                           f.window->CDlgFile.FileName,
                           QString::number(quintptr(f.original()->Picture().get())),
                           QString::number(quintptr(f.resized()->Picture().get()))}
            .join(QLatin1Char('|'));
    }

private slots:
    void startsInItsInitialState() {
        MainWindowFixture f;
        QCOMPARE(f.cmbScaleX()->count(), 15);
        QCOMPARE(f.cmbScaleX()->currentIndex(), 7);
        QCOMPARE(f.cmbScaleY()->currentText(), QStringLiteral("100 %"));
        QVERIFY(f.chkScaleX()->isChecked() && f.chkScaleY()->isChecked() && f.chkAutomatic()->isChecked());
        QVERIFY(!f.button("cmdResize")->isEnabled());
        QVERIFY(f.cmbScaleX()->isEnabled() && f.cmbScaleY()->isEnabled());
        QCOMPARE(f.Label1()->text(), QStringLiteral("0 KB"));
        QCOMPARE(f.txtwidth()->text(), QStringLiteral("0"));
        QCOMPARE(f.txtheight()->text(), QStringLiteral("0"));
        QCOMPARE(f.original()->Picture()->size(), QSize(250, 250));
        QCOMPARE(f.resizedSize(), QSize(250, 250));
        QVERIFY(f.dialogs.messages.empty()); // the first list's handler ran with the second one empty
        QVERIFY(f.window->CDlgFile.FileName.isEmpty());
    }

    void shortcutsAndTextBoxEditingKeys() {
        MainWindowFixture f;
        f.window->show();
        QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
        QCOMPARE(QApplication::focusWidget(), f.cmbScaleX()); // the first stop of the tab order
        f.cmbScaleX()->setFocus();
        QTest::keyClick(f.cmbScaleX(), Qt::Key_F3); // "&Open"
        QCOMPARE(f.dialogs.openRequests.size(), size_t(1));
        // In a text box, Ctrl+A selects its text and Ctrl+X cuts it: neither saves nor exits.
        f.txtwidth()->setText(QStringLiteral("640"));
        f.txtwidth()->setFocus();
        QTest::keyClick(f.txtwidth(), Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(f.txtwidth()->selectedText(), QStringLiteral("640"));
        QTest::keyClick(f.txtwidth(), Qt::Key_X, Qt::ControlModifier);
        QCOMPARE(f.txtwidth()->text(), QString());
        QVERIFY(f.window->isVisible());
        QVERIFY(f.dialogs.messages.empty());
        f.cmbScaleX()->setFocus();
        QTest::keyClick(f.cmbScaleX(), Qt::Key_X, Qt::ControlModifier); // "E&xit"
        QVERIFY(!f.window->isVisible());
    }

    void percentageResize_data() {
        QTest::addColumn<QSize>("picture");
        QTest::addColumn<QString>("x");
        QTest::addColumn<QString>("y");
        QTest::addColumn<bool>("widthTicked");
        QTest::addColumn<bool>("heightTicked");
        QTest::addColumn<QSize>("expected");
        const auto row = [](const char* name, QSize picture, const char* x, const char* y, bool w, bool h,
                            QSize expected) {
            QTest::newRow(name) << picture << QString(x) << QString(y) << w << h << expected;
        };
        row("half", {640, 480}, "050 %", "050 %", true, true, {320, 240});
        row("width excluded", {640, 480}, "025 %", "050 %", false, true, {640, 240});
        row("both excluded", {640, 480}, "300 %", "005 %", false, false, {640, 480});
        row("49.95 rounds down", {333, 333}, "015 %", "015 %", true, true, {49, 49});
        row("exact product kept", {20, 20}, "015 %", "015 %", true, true, {3, 3});
        row("5 % of 30", {30, 30}, "005 %", "005 %", true, true, {1, 1});
        row("never below one pixel", {10, 12}, "005 %", "005 %", true, true, {1, 1});
        row("175 %", {1000, 1000}, "175 %", "175 %", true, true, {1750, 1750});
        row("300 %", {1000, 1000}, "300 %", "300 %", true, true, {3000, 3000});
    }
    void percentageResize() {
        QFETCH(QSize, picture);
        QFETCH(QString, x);
        QFETCH(QString, y);
        QFETCH(bool, widthTicked);
        QFETCH(bool, heightTicked);
        QFETCH(QSize, expected);
        MainWindowFixture f;
        f.open(f.writePicture("p.bmp", factory::gradient(picture.width(), picture.height()), "BMP"));
        if (!widthTicked) f.click(f.chkScaleX());
        if (!heightTicked) f.click(f.chkScaleY());
        f.choose(f.cmbScaleX(), x);
        f.choose(f.cmbScaleY(), y);
        QCOMPARE(f.resizedSize(), expected);
        QCOMPARE(f.cmbScaleX()->isEnabled(), widthTicked);
        QCOMPARE(f.cmbScaleX()->currentText(), x); // an excluded list keeps its selection
        QVERIFY(f.dialogs.messages.empty());
    }

    void manualModeWaitsForResize() {
        MainWindowFixture f;
        f.open(f.writePicture("p.bmp", factory::gradient(640, 480), "BMP"));
        const PictureRef before = f.resized()->Picture();
        f.click(f.chkAutomatic());
        QVERIFY(f.button("cmdResize")->isEnabled());
        QCOMPARE(f.resized()->Picture(), before); // switching to manual mode draws nothing
        f.choose(f.cmbScaleX(), "050 %");
        f.choose(f.cmbScaleY(), "050 %");
        f.click(f.chkScaleX());
        f.click(f.chkScaleX());
        QCOMPARE(f.resized()->Picture(), before);
        const QString sizeText = f.Label1()->text();
        f.click(f.button("cmdResize"));
        QCOMPARE(f.resizedSize(), QSize(320, 240));
        QCOMPARE(f.Label1()->text(), FormatFileSize(54 + 960 * 240)); // the estimate changed the size text...
        QVERIFY(f.Label1()->text() != sizeText);
        QCOMPARE(f.txtwidth()->text(), QStringLiteral("640")); // ...but not the pixel boxes
        f.click(f.chkAutomatic());                             // back to automatic mode: redraws at once
        QVERIFY(!f.button("cmdResize")->isEnabled());
    }

    void checkBoxInAutomaticModeRedrawsWithoutEstimate() {
        MainWindowFixture f;
        f.open(f.writePicture("p.bmp", factory::gradient(640, 480), "BMP"));
        f.choose(f.cmbScaleX(), "050 %");
        const QString sizeText = f.Label1()->text();
        const QString width = f.txtwidth()->text();
        f.click(f.chkScaleX());
        QCOMPARE(f.resizedSize(), QSize(640, 480));
        QCOMPARE(f.Label1()->text(), sizeText);
        QCOMPARE(f.txtwidth()->text(), width);
    }

    void resizePixelsIgnoresListsAndMode_data() {
        QTest::addColumn<bool>("manual");
        QTest::newRow("automatic") << false;
        QTest::newRow("manual") << true;
    }
    void resizePixelsIgnoresListsAndMode() {
        QFETCH(bool, manual);
        MainWindowFixture f;
        f.open(f.writePicture("p.bmp", factory::gradient(640, 480), "BMP"));
        if (manual) f.click(f.chkAutomatic());
        f.choose(f.cmbScaleX(), "300 %");
        f.click(f.chkScaleY());
        f.txtwidth()->setText("100");
        f.txtheight()->setText("50.9");
        f.click(f.button("Command2"));
        QCOMPARE(f.resizedSize(), QSize(100, 50));
        QCOMPARE(f.txtheight()->text(), QStringLiteral("50.9"));
        QCOMPARE(f.Label1()->text(), FormatFileSize(54 + 300 * 50));
    }

    void resizePixelsRefusesBadText_data() {
        QTest::addColumn<QString>("width");
        QTest::addColumn<QString>("height");
        const QList<QStringList> rows{{"", "50"},   {"abc", "50"},   {"100", "0"},
                                      {"-5", "50"}, {"70000", "10"}, {"60000", "60000"}};
        for (const QStringList& row : rows)
            QTest::newRow(qPrintable(row.join(" x "))) << row[0] << row[1];
    }
    void resizePixelsRefusesBadText() {
        QFETCH(QString, width);
        QFETCH(QString, height);
        MainWindowFixture f;
        const PictureRef before = f.resized()->Picture();
        f.txtwidth()->setText(width);
        f.txtheight()->setText(height);
        f.click(f.button("Command2"));
        QCOMPARE(f.dialogs.messages.size(), size_t(1));
        QCOMPARE(f.dialogs.messages[0].style, int(vbExclamation));
        QCOMPARE(f.dialogs.messages[0].title, QStringLiteral("Quillon"));
        QCOMPARE(f.resized()->Picture(), before);
        QCOMPARE(f.txtwidth()->text(), width);
    }

    void aRefusedStepLeavesTheWindowAsItWas_data() {
        QTest::addColumn<QString>("step");
        QTest::addColumn<QSize>("shown"); // what the resized viewer holds, and Save writes
        QTest::newRow("list") << "list" << QSize(5, 30000);
        QTest::newRow("height box") << "height box" << QSize(5, 30000);
        QTest::newRow("automatic box") << "automatic box" << QSize(5, 30000);
        QTest::newRow("Resize") << "Resize" << QSize(5, 30000);
        QTest::newRow("Resize Pixels") << "Resize Pixels" << QSize(5, 30000);
        QTest::newRow("Open") << "Open" << QSize(32, 144);
    }
    void aRefusedStepLeavesTheWindowAsItWas() {
        QFETCH(QString, step);
        QFETCH(QSize, shown);
        MainWindowFixture f;
        // Tripled, 30,000 pixels are longer than a JPEG side can be.
        const QString tall = f.writePicture("tall.bmp", factory::gradient(10, 30000), "BMP");
        f.open(step == "Open" ? f.writePicture("small.bmp", factory::gradient(64, 48), "BMP") : tall);
        f.choose(f.cmbScaleX(), "050 %");
        if (step == "height box") f.click(f.chkScaleY());
        if (step == "automatic box" || step == "Resize") f.click(f.chkAutomatic());
        if (step != "list") f.choose(f.cmbScaleY(), "300 %");
        if (step == "Resize Pixels") f.txtheight()->setText(QStringLiteral("70000"));
        const QString before = stateOf(f);
        f.dialogs.clear();
        if (step == "list") f.choose(f.cmbScaleY(), "300 %");
        if (step == "height box") f.click(f.chkScaleY());
        if (step == "automatic box") f.click(f.chkAutomatic());
        if (step == "Resize") f.click(f.button("cmdResize"));
        if (step == "Resize Pixels") f.click(f.button("Command2"));
        if (step == "Open") f.open(tall);
        QCOMPARE(stateOf(f), before);
        QCOMPARE(f.dialogs.messages.size(), size_t(1));
        const QString warning = f.dialogs.messages[0].text;
        QVERIFY2(warning.contains(step == "Resize Pixels" ? "70000" : "5 × 90000"), qPrintable(warning));
        if (step == "Open")
            QVERIFY2(warning.contains("was not opened") && warning.contains("smaller"), qPrintable(warning));
        QCOMPARE(f.dialogs.askedUnderBusyPointer, 0);
        QVERIFY(!QGuiApplication::overrideCursor());
        QCOMPARE(f.resizedSize(), shown);
        f.click(f.button("Command3"));
        const QString saved = f.dir.filePath(step == "Open" ? "small(QLN).jpg" : "tall(QLN).jpg");
        QCOMPARE(QImageReader(saved).size(), shown);
    }

    void runningOutOfMemoryIsAWarning() {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
        QSKIP("the sanitizers need more address space than the limit leaves");
#endif
        MainWindowFixture f;
        f.original()->SetPicture(Picture::make(factory::gradient(6000, 4000))); // 24 megapixels
        f.choose(f.cmbScaleX(), "300 %");
        const QString before = stateOf(f);
        // About 1.5 GB in all: tripled in both directions the picture needs 864 MB more than that.
        rlimit old{};
        QVERIFY(::getrlimit(RLIMIT_AS, &old) == 0);
        QFile status(QStringLiteral("/proc/self/status"));
        QVERIFY(status.open(QIODevice::ReadOnly));
        rlim_t used = 0;
        for (const QByteArray& line : status.readAll().split('\n'))
            if (line.startsWith("VmSize:")) used = line.mid(7).trimmed().split(' ')[0].toULongLong() * 1024;
        const rlimit tight{used + (rlim_t(500) << 20), old.rlim_max};
        QVERIFY(::setrlimit(RLIMIT_AS, &tight) == 0);
        f.choose(f.cmbScaleY(), "300 %");
        QVERIFY(::setrlimit(RLIMIT_AS, &old) == 0);
        QCOMPARE(f.dialogs.messages.size(), size_t(1));
        QVERIFY2(f.dialogs.messages[0].text.contains("memory"), qPrintable(f.dialogs.messages[0].text));
        QCOMPARE(stateOf(f), before);
    }

    void estimateRefreshesPixelBoxesOnlyAfterAListChoice() {
        MainWindowFixture f;
        const QString userFile = QDir::current().filePath(QStringLiteral("ndc5034.jpg"));
        factory::writeFile(userFile, "the user's own file");
        f.open(f.writePicture("p.bmp", factory::gradient(640, 480), "BMP"));
        f.choose(f.cmbScaleX(), "050 %");
        f.choose(f.cmbScaleY(), "050 %");
        QCOMPARE(f.txtwidth()->text(), QStringLiteral("320"));
        QCOMPARE(f.txtheight()->text(), QStringLiteral("240"));
        QCOMPARE(f.Label1()->text(), FormatFileSize(54 + 960 * 240));
        QCOMPARE(factory::readFile(userFile), QByteArray("the user's own file"));
        QFile::remove(userFile);
    }

    void noEstimateBeforeAFileIsOpened() {
        MainWindowFixture f;
        f.choose(f.cmbScaleX(), "050 %");
        QCOMPARE(f.resizedSize(), QSize(125, 250)); // the default picture is resized all the same
        QCOMPARE(f.Label1()->text(), QStringLiteral("0 KB"));
        QCOMPARE(f.txtwidth()->text(), QStringLiteral("0"));
    }

    void helpIsShownOnceAndHidesOnClose() {
        MainWindowFixture f;
        for (int i = 0; i < 3; ++i)
            f.action("mnuHelp")->trigger();
        Form1* help = f.window->HelpWindow();
        QVERIFY(help && help->isVisible());
        QCOMPARE(help->windowTitle(), QStringLiteral("Help"));
        int helpWindows = 0;
        for (QWidget* w : QApplication::topLevelWidgets())
            helpWindows += qobject_cast<Form1*>(w) ? 1 : 0;
        QCOMPARE(helpWindows, 1);
        help->move(40, 30);
        const QPoint where = help->pos();
        QTest::mouseClick(help->findChild<QPushButton*>("Command1"), Qt::LeftButton);
        QVERIFY(!help->isVisible());
        f.action("mnuHelp")->trigger();
        QCOMPARE(f.window->HelpWindow(), help); // the same window, where it was left
        QCOMPARE(help->pos(), where);
        help->close(); // the close box unloads it
        f.window->show();
        QApplication::setActiveWindow(f.window.get());
        QTest::keyClick(f.window.get(), Qt::Key_F1);
        QVERIFY(f.window->HelpWindow() != nullptr && f.window->HelpWindow()->isVisible());
        QApplication::setActiveWindow(f.window->HelpWindow());
        QTest::keyClick(f.window->HelpWindow(), Qt::Key_Escape);
        QVERIFY(!f.window->HelpWindow()->isVisible());
    }

    void exitClosesEverythingAlsoWithHelpOpen_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("Exit") << "CMDEND";
        QTest::newRow("E&xit") << "mnuFileExit";
        QTest::newRow("close box") << "close";
    }
    void exitClosesEverythingAlsoWithHelpOpen() {
        QFETCH(QString, how);
        MainWindowFixture f;
        f.window->show();
        f.action("mnuHelp")->trigger();
        if (how == "CMDEND")
            f.click(f.button("CMDEND"));
        else if (how == "mnuFileExit")
            f.action("mnuFileExit")->trigger();
        else
            f.window->close();
        QVERIFY(!f.window->isVisible());
        for (QWidget* w : QApplication::topLevelWidgets())
            QVERIFY2(!w->isVisible(), qPrintable(w->objectName()));
    }

    void returningFromHelpKeepsTheUsersPicture() {
        MainWindowFixture f;
        f.window->show();
        QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
        f.open(f.writePicture("p.bmp", factory::gradient(64, 48), "BMP"));
        const PictureRef opened = f.original()->Picture();
        f.action("mnuHelp")->trigger();
        QVERIFY(QTest::qWaitForWindowActive(f.window->HelpWindow()));
        f.window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
        QCOMPARE(f.original()->Picture(), opened);
        QCOMPARE(f.resizedSize(), QSize(64, 48));
    }
};

QTEST_MAIN(TestMainWindow)
#include "test_frmmain.moc"
