#pragma once
// The main window: every control of the workflow, its handlers, and the resize engine.
//
// Shared state lives in the controls: the current file is CDlgFile.FileName (empty until a file is
// opened), automatic mode is the disabled state of cmdResize, the resize settings are the lists,
// check boxes and pixel boxes, and the pictures are those of the two viewers and of picTemp.
#include "engine/FitUnderSize.h"
#include "engine/SizeMeter.h"
#include "imaging/Picture.h"
#include "platform/CommonDialog.h"
#include "platform/Dialogs.h"

#include <QMainWindow>
#include <exception>
#include <memory>

namespace Ui {
class frmMain;
}
class Form1;
class SmoothWork;
class StatusLine;

class frmMain : public QMainWindow {
    Q_OBJECT
public:
    // Creates the window with its controls and viewers and runs the start-up procedure.
    explicit frmMain(Dialogs& dialogs, QWidget* parent = nullptr);
    ~frmMain() override;

    Ui::frmMain& controls() { return *ui; }
    Form1* HelpWindow() const { return mHelpUnloaded ? nullptr : mHelp.get(); }

    CommonDialog CDlgFile;

    // Redraws the resized view from the original picture at the current percentage settings.
    void ResizeImage();
    // Opens the picture file at `path` as if it had been chosen in the Open dialog.
    void OpenFile(const QString& path);
    // The same for a file named when the program starts: it takes the default picture's place.
    void OpenAtStart(const QString& path);

    // Handlers, one per control event; a handler may run another's directly.
    void cmbScaleX_Click();
    void cmbScaleY_Click();
    void chkScaleX_Click();
    void chkScaleY_Click();
    void chkAutomatic_Click();
    void cmdResize_Click();
    void Command2_Click();
    void mnuFileOpen_Click();
    void cmdload_Click();
    void mnuFileClose_Click();
    void Command4_Click();
    void Command3_Click();
    void mnuFileSaveAs_Click();
    void Command5_Click();
    void CMDEND_Click();
    void mnuFileExit_Click();
    void mnuHelp_Click();
    void mnuFileFitUnderSize_Click();
    void mnuOptionsSmooth_Click();
    void mnuOptionsKeepMetadata_Click();
    void Form_Load();
    void Form_Activate();

    // The status line below the window's controls, and the length it shows of what Save writes now
    // (-1 while none is known).
    QString StatusText() const;
    qint64 StatusLength() const { return mStatusLength; }

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // What a command may change, so that a command that fails can leave the window as it was.
    struct Settings {
        int scaleX = -1, scaleY = -1;
        bool scaleXOn = true, scaleYOn = true, automatic = true, smooth = false;
        bool operator==(const Settings&) const = default;
    };
    struct WindowState {
        Settings settings;
        bool scaleXEnabled, scaleYEnabled, resizeEnabled;
        QString width, height, sizeText, fileName;
        PictureRef original, resized;
        PictureRef standIn; // the resized view's quick picture while smooth resizing is on
        bool smoothing;     // its smooth picture is being made
    };
    Settings CurrentSettings() const;
    WindowState CurrentState() const;
    void Restore(const WindowState& state);

    void EstimateFileSize(bool refreshPixelFields);
    QSize PercentageSize(const PictureRef& original) const;
    PictureRef Redrawn(const PictureRef& original, QSize size);
    void RedrawResized(int width, int height);
    void OpenPicture(const QString& path);
    bool PictureIsOpen() const;
    ResizeFunction Resizer() const;
    void RefreshStatusLine();
    void ShowMeasured(const PictureRef& picture, qint64 bytes);
    void ShowSaved(const PictureRef& picture, const QString& output, qint64 length);
    void FitSize(qint64 kilobytes, QSize box);
    void FitQuality(qint64 kilobytes);
    int SaveQuality(const PictureRef& saved) const;
    QByteArray Metadata(const PictureRef& resized) const;
    void ShowDefaultsAgain();
    void ReadViewerSettings();
    void Wire();
    bool FileIsOpen() const { return !CDlgFile.FileName.isEmpty(); }
    bool AutomaticMode() const;
    // Runs a handler as one command: it completes, or the window is put back as it was before it and
    // the error that stopped it is shown in a warning box; the program goes on. A handler run by the
    // program's own list selection belongs to the command that made the selection.
    template <typename Handler> void Guarded(Handler&& handler);
    void FinishStandIn();
    void ShowSmooth(const PictureRef& smooth);

    // The quality a fit found for the pixel size it kept: Save writes at it while the picture and size stay.
    struct QualityFitted {
        PictureRef original;
        QSize size;
        int quality = SavedQuality;
    } mQualityFit;
    std::unique_ptr<Ui::frmMain> ui;
    StatusLine* mStatus = nullptr; // permanent: screen readers hear it, messages do not replace it
    SizeMeter* mMeter = nullptr;
    SmoothWork* mSmooth = nullptr;
    PictureRef mStandIn;       // the quick picture shown until its smooth picture replaces it
    PictureRef mStatusPicture; // the picture the status line is about
    qint64 mStatusLength = -1;
    Dialogs& mDialogs;
    std::unique_ptr<Form1> mHelp;
    bool mHelpUnloaded = false;
    bool mActivated = false;
    int mCommandDepth = 0;
    std::exception_ptr mNestedFailure;
    Settings mSettled; // the lists and boxes as the last command that completed left them
};
