#pragma once
// Drives the real main window offscreen, with scripted dialogs.
#include "engine/OutputName.h"
#include "engine/Resize.h"
#include "imaging/Resample.h"
#include "main_window/frmMain.h"
#include "main_window/modGlobal.h"
#include "support/PictureFactory.h"
#include "support/ScriptedDialogs.h"
#include "viewer/AAImageView.h"

#include <QtTest>
#include <QtWidgets>

struct MainWindowFixture {
    ScriptedDialogs dialogs;
    std::unique_ptr<frmMain> window = std::make_unique<frmMain>(dialogs);
    QTemporaryDir dir;
    // The options are remembered: each test starts with them off.
    ~MainWindowFixture() {
        window.reset();
        QSettings().remove("smoothResizing");
        QSettings().remove("keepDateAndCamera");
    }

    template <typename T = QPushButton> T* get(const char* name) const {
        T* found = window->findChild<T*>(QString::fromLatin1(name));
        if (!found) qFatal("no control %s", name);
        return found;
    }
    QComboBox* list(char axis) const { return get<QComboBox>(axis == 'x' ? "cmbScaleX" : "cmbScaleY"); }
    QLineEdit* txtwidth() const { return get<QLineEdit>("txtwidth"); }
    QString sizeText() const { return get<QLabel>("Label1")->text(); }
    QString boxes() const { return txtwidth()->text() + 'x' + get<QLineEdit>("txtheight")->text(); }
    AAImageView* original() const { return get<AAImageView>("AAIVOriginal"); }
    AAImageView* resized() const { return get<AAImageView>("AAIVResized"); }
    QSize resizedSize() const { return resized()->Picture()->size(); }
    QString shown() const {
        return QStringLiteral("%1x%2").arg(resizedSize().width()).arg(resizedSize().height());
    }
    QString file() const { return window->CDlgFile.FileName; }
    // The one message shown, none, or how many there were.
    QString message() const {
        if (dialogs.messages.size() > 1) return QString::number(dialogs.messages.size()) + " messages";
        return dialogs.messages.empty() ? QString() : dialogs.messages[0].text;
    }
    // The status line, once a screen reader is known to read the same words.
    QString statusHeard() const {
        QLabel* const status = get<QLabel>("lblStatus");
        const QString heard = QAccessible::queryAccessibleInterface(status)->text(QAccessible::Name);
        return heard == status->text() ? heard : "seen “" + status->text() + "”, heard “" + heard + "”";
    }

    QString writePicture(const QString& name, const QImage& image, const char* format = "BMP") {
        const QString path = dir.filePath(name);
        factory::writeFile(path, factory::encode(image, format));
        return path;
    }
    // Opens a file through "Load Picture"; "64x48" makes a bitmap of that size first.
    QString open(QString path) {
        if (const QStringList wh = path.split('x'); wh.size() == 2 && wh[0].toInt() > 0)
            path = writePicture(path + ".bmp", factory::gradient(wh[0].toInt(), wh[1].toInt()));
        dialogs.openAnswers.push_back(path);
        QTest::mouseClick(get("cmdload"), Qt::LeftButton);
        return path;
    }

    // Presses Save and reads what it wrote beside the opened file.
    QByteArray save() {
        run("click Save");
        return factory::readFile(OutputNameFor(file()));
    }
    // The button or menu item with this caption, its access key left out.
    template <typename T> T* captioned(const QString& caption) const {
        for (T* control : window->findChildren<T*>())
            if (control->text().remove('&') == caption) return control;
        qFatal("no control captioned %s", qPrintable(caption));
    }
    // Runs comma-separated steps in the words of the window's own captions: "open 64x48" (made first),
    // "open nothing" (cancelled), "width 050 %", "pixel height 50", "click Save", "choose Close",
    // "tick Width:", "untick Resize Image Automaticly".
    void run(const QString& steps) {
        for (const QString& step : steps.split(", ", Qt::SkipEmptyParts)) {
            const QString verb = step.section(' ', 0, 0);
            const QString rest = step.section(' ', 1);
            if (verb == "open")
                open(rest == "nothing" ? QString() : rest);
            else if (verb == "width" || verb == "height")
                pick(list(verb == "width" ? 'x' : 'y'), rest);
            else if (verb == "pixel")
                get<QLineEdit>(rest.startsWith("width") ? "txtwidth" : "txtheight")
                    ->setText(rest.section(' ', 1));
            else if (verb == "click")
                QTest::mouseClick(captioned<QAbstractButton>(rest), Qt::LeftButton);
            else if (verb == "choose")
                captioned<QAction>(rest)->trigger();
            else if (verb == "tick" || verb == "untick")
                tick(captioned<QAbstractButton>(rest), verb == "tick");
            else
                qFatal("no such step: %s", qPrintable(step));
        }
    }
    void pick(QComboBox* list, const QString& item) {
        const int index = list->findText(item);
        if (index < 0) qFatal("no list item %s", qPrintable(item));
        list->setCurrentIndex(index);
    }
    void tick(QAbstractButton* box, bool ticked) {
        QTest::mouseClick(box, Qt::LeftButton);
        if (box->isChecked() != ticked) qFatal("%s is not as asked", qPrintable(box->text()));
    }

    // Every control a command may change, and the pictures shown.
    QString state() const {
        QString s = boxes() + '|' + sizeText() + '|' + file() + '|' + list('x')->currentText() +
                    list('y')->currentText();
        for (const char* name :
             {"cmbScaleX", "cmbScaleY", "chkScaleX", "chkScaleY", "chkAutomatic", "cmdResize"})
            s += QString::number(get<QWidget>(name)->isEnabled()) +
                 get<QWidget>(name)->property("checked").toString();
        return s + QString::number(quintptr(original()->Picture().get())) + '|' +
               QString::number(quintptr(resized()->Picture().get()));
    }
};
