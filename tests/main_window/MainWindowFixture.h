#pragma once
// Drives the real main window offscreen, with scripted dialogs.
#include "main_window/frmMain.h"
#include "support/PictureFactory.h"
#include "support/ScriptedDialogs.h"
#include "viewer/AAImageView.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

struct MainWindowFixture {
    ScriptedDialogs dialogs;
    std::unique_ptr<frmMain> window = std::make_unique<frmMain>(dialogs);
    QTemporaryDir dir;

    template <typename T> T* control(const char* name) const {
        T* found = window->findChild<T*>(QString::fromLatin1(name));
        if (!found) qFatal("no control %s", name);
        return found;
    }
    QComboBox* cmbScaleX() const { return control<QComboBox>("cmbScaleX"); }
    QComboBox* cmbScaleY() const { return control<QComboBox>("cmbScaleY"); }
    QCheckBox* chkScaleX() const { return control<QCheckBox>("chkScaleX"); }
    QCheckBox* chkScaleY() const { return control<QCheckBox>("chkScaleY"); }
    QCheckBox* chkAutomatic() const { return control<QCheckBox>("chkAutomatic"); }
    QPushButton* button(const char* name) const { return control<QPushButton>(name); }
    QLineEdit* txtwidth() const { return control<QLineEdit>("txtwidth"); }
    QLineEdit* txtheight() const { return control<QLineEdit>("txtheight"); }
    QLabel* Label1() const { return control<QLabel>("Label1"); }
    AAImageView* original() const { return control<AAImageView>("AAIVOriginal"); }
    AAImageView* resized() const { return control<AAImageView>("AAIVResized"); }
    QAction* action(const char* name) const { return control<QAction>(name); }
    QSize resizedSize() const { return resized()->Picture()->size(); }

    // Writes a picture file into the test folder and opens it through "Load Picture".
    QString writePicture(const QString& name, const QImage& image, const char* format = "JPEG") {
        const QString path = dir.filePath(name);
        factory::writeFile(path, factory::encode(image, format));
        return path;
    }
    void open(const QString& path) {
        dialogs.openAnswers.push_back(path);
        QTest::mouseClick(button("cmdload"), Qt::LeftButton);
    }
    void choose(QComboBox* list, const QString& item) {
        const int index = list->findText(item);
        if (index < 0) qFatal("no item %s", qPrintable(item));
        list->setCurrentIndex(index);
    }
    void click(QAbstractButton* button) { QTest::mouseClick(button, Qt::LeftButton); }
};
