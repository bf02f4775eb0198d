#include "main_window/frmMain.h"

#include "encoding/cDIBSection.h"
#include "encoding/mIntelJPEGLibrary.h"
#include "engine/KeptMetadata.h"
#include "engine/OutputName.h"
#include "engine/Resize.h"
#include "engine/SaveResized.h"
#include "imaging/Error.h"
#include "imaging/Picture.h"
#include "imaging/Resample.h"
#include "main_window/Form1.h"
#include "main_window/SmoothWork.h"
#include "main_window/StatusLine.h"
#include "main_window/WindowStyle.h"
#include "main_window/modGlobal.h"
#include "platform/Clipboard.h"
#include "platform/FileSystem.h"
#include "platform/MousePointer.h"
#include "platform/PropertyBag.h"
#include "platform/SystemColors.h"
#include "ui_frmMain.h"

#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QLabel>
#include <QLayout>
#include <QLocale>
#include <QMimeData>
#include <QSettings>
#include <QShortcut>
#include <QUrl>
#include <algorithm>
#include <cmath>
#include <new>
#include <utility>

namespace {

const QString StoredLayout = QStringLiteral(":/layout/frmMain.layout");

// A pixel box's text as a whole number of pixels, a fraction dropped.
int pixelsFrom(const QString& text, const QString& what) {
    const QString trimmed = text.trimmed();
    bool ok = false;
    double value = QLocale().toDouble(trimmed, &ok);
    if (!ok) value = QLocale::c().toDouble(trimmed, &ok);
    const QString accepted =
        QStringLiteral("Please type a whole number of pixels from 1 to %1, such as 640.").arg(MaxPictureSide);
    if (!ok || !std::isfinite(value))
        throw QuillonError(QStringLiteral("The %1 “%2” is not a number. %3").arg(what, trimmed, accepted));
    if (value < 1 || value >= MaxPictureSide + 1)
        throw QuillonError(
            QStringLiteral("The %1 %2 is not a size Quillon can make. %3").arg(what, trimmed, accepted));
    return int(std::floor(value));
}

// The message for the error that stopped a command, in the user's words.
QString messageForCurrentError() {
    try {
        throw;
    } catch (const QuillonError& error) {
        return error.message();
    } catch (const std::bad_alloc&) {
        return QStringLiteral("There is not enough memory for this. Try a smaller size or picture.");
    } catch (const std::exception& error) {
        return QStringLiteral("Something went wrong: %1").arg(QString::fromLocal8Bit(error.what()));
    } catch (...) {
        return QStringLiteral("Something went wrong.");
    }
}

// The KB typed in the Fit Under Size dialog.
qint64 fitKilobytes(const QString& typed) {
    const QString text = typed.trimmed();
    bool ok = false;
    const qint64 kilobytes = QLocale().toLongLong(text, &ok);
    if (!ok || kilobytes < 1 || kilobytes * 1024 > MaxFitBytes)
        throw QuillonError(QStringLiteral("“%1” is not a size Quillon can fit under. Please type a whole "
                                          "number of KB from 1 to %2, such as 600.")
                               .arg(text)
                               .arg(MaxFitBytes / 1024));
    return kilobytes;
}

// A side of the Fit Under Size box: 0 when left empty, for no bound that way.
int boxSide(const QString& typed, const QString& what) {
    return typed.trimmed().isEmpty() ? 0 : pixelsFrom(typed, QStringLiteral("largest ") + what);
}

QString boxText(int side) {
    return side > 0 ? QString::number(side) : QStringLiteral("any");
}

QString pixelsText(QSize size) {
    return QStringLiteral("%1 × %2 pixels").arg(size.width()).arg(size.height());
}

// Written through at once: a session ended by a signal, as at logout, keeps the user's choice.
void remember(const QString& key, const QVariant& value) {
    QSettings settings;
    settings.setValue(key, value);
    settings.sync();
}

} // namespace

frmMain::frmMain(Dialogs& dialogs, QWidget* parent)
    : QMainWindow(parent), ui(std::make_unique<Ui::frmMain>()), mDialogs(dialogs) {
    ui->setupUi(this);
    MakeFixedWindow(*this);
    setWindowIcon(QIcon(QStringLiteral(":/icons/quillon.png")));
    ui->centralwidget->setFixedSize(643, 488);
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    ui->Line1->setAutoFillBackground(true);
    QPalette line = ui->Line1->palette();
    line.setColor(QPalette::Window, SystemColor(SystemColorInactiveBorder));
    ui->Line1->setPalette(line);
    mStatus = new StatusLine(ui->statusbar);
    mStatus->setObjectName(QStringLiteral("lblStatus"));
    // The figure can be selected and copied; a click gives it the focus, Tab never does.
    mStatus->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    ui->statusbar->addPermanentWidget(mStatus, 1);
    mMeter = new SizeMeter(this);
    connect(mMeter, &SizeMeter::Measured, this, &frmMain::ShowMeasured);
    mSmooth = new SmoothWork(this);
    connect(mSmooth, &SmoothWork::Made, this,
            [this](const PictureRef& smooth) { Guarded([this, smooth] { ShowSmooth(smooth); }); });
    connect(mSmooth, &SmoothWork::Failed, this, [this](const std::exception_ptr& error) {
        ShowMeasured(mStandIn, -1); // no figure: Save meets the same error
        Guarded([error] { std::rethrow_exception(error); });
    });
    ui->mnuOptionsSmooth->setChecked(QSettings().value(QStringLiteral("smoothResizing"), false).toBool());
    ui->mnuOptionsKeepMetadata->setChecked(
        QSettings().value(QStringLiteral("keepDateAndCamera"), false).toBool());
    setAcceptDrops(true);
    ReadViewerSettings();
    Wire();
    mSettled = CurrentSettings();
    Guarded([this] { Form_Load(); });
}

frmMain::~frmMain() = default;

void frmMain::ReadViewerSettings() {
    const auto bags = ReadStoredLayout(StoredLayout);
    ui->AAIVOriginal->ReadProperties(bags.value(QStringLiteral("AAIVOriginal")));
    ui->AAIVResized->ReadProperties(bags.value(QStringLiteral("AAIVResized")));
}

template <typename Handler> void frmMain::Guarded(Handler&& handler) {
    if (mCommandDepth > 0) { // nested: the failure is the enclosing command's, reported once by it
        try {
            handler();
        } catch (...) {
            if (!mNestedFailure) mNestedFailure = std::current_exception();
        }
        return;
    }
    WindowState before = CurrentState();
    before.settings = mSettled; // a list or box has already changed when its handler runs
    QString message;
    ++mCommandDepth;
    try {
        const BusyPointer busy;
        handler();
        if (mNestedFailure) std::rethrow_exception(std::exchange(mNestedFailure, nullptr));
    } catch (...) {
        message = messageForCurrentError();
    }
    --mCommandDepth;
    if (message.isEmpty()) {
        mSettled = CurrentSettings();
    } else {
        Restore(before);
        mDialogs.MsgBox(message, vbExclamation, ApplicationTitle);
    }
    RefreshStatusLine();
}

// Save and Fit write the smooth picture: the work under way for the quick one shown is waited for, or
// the smooth picture is made now when its work met an error.
void frmMain::FinishStandIn() {
    if (!mStandIn) return;
    PictureRef smooth = mSmooth->Take(mStandIn);
    if (!smooth)
        smooth =
            SmoothResizedPicture(ui->AAIVOriginal->Picture(), mStandIn->size(), ui->picTemp->BackColor());
    ShowSmooth(smooth);
}

// The smooth picture replaces the quick one; a fit's figure, found for the smooth picture, stays.
void frmMain::ShowSmooth(const PictureRef& smooth) {
    const PictureRef standIn = std::exchange(mStandIn, nullptr);
    ui->AAIVResized->SetPicture(smooth);
    if (mStatusPicture == standIn && mStatusLength >= 0) mStatusPicture = smooth;
}

frmMain::Settings frmMain::CurrentSettings() const {
    return {ui->cmbScaleX->currentIndex(), ui->cmbScaleY->currentIndex(), ui->chkScaleX->isChecked(),
            ui->chkScaleY->isChecked(),    ui->chkAutomatic->isChecked(), ui->mnuOptionsSmooth->isChecked()};
}

frmMain::WindowState frmMain::CurrentState() const {
    const bool smoothing = mStandIn && mSmooth->StandIn() == mStandIn;
    return {CurrentSettings(),
            ui->cmbScaleX->isEnabled(),
            ui->cmbScaleY->isEnabled(),
            ui->cmdResize->isEnabled(),
            ui->txtwidth->text(),
            ui->txtheight->text(),
            ui->Label1->text(),
            CDlgFile.FileName,
            ui->AAIVOriginal->Picture(),
            ui->AAIVResized->Picture(),
            mStandIn,
            smoothing};
}

// Puts every control back without running a handler: the program's own changes here are no command.
void frmMain::Restore(const WindowState& state) {
    const QSignalBlocker blockX(ui->cmbScaleX), blockY(ui->cmbScaleY);
    ui->cmbScaleX->setCurrentIndex(state.settings.scaleX);
    ui->cmbScaleY->setCurrentIndex(state.settings.scaleY);
    ui->chkScaleX->setChecked(state.settings.scaleXOn);
    ui->chkScaleY->setChecked(state.settings.scaleYOn);
    ui->chkAutomatic->setChecked(state.settings.automatic);
    ui->mnuOptionsSmooth->setChecked(state.settings.smooth);
    ui->cmbScaleX->setEnabled(state.scaleXEnabled);
    ui->cmbScaleY->setEnabled(state.scaleYEnabled);
    ui->cmdResize->setEnabled(state.resizeEnabled);
    ui->txtwidth->setText(state.width);
    ui->txtheight->setText(state.height);
    ui->Label1->setText(state.sizeText);
    CDlgFile.FileName = state.fileName;
    try {
        if (ui->AAIVOriginal->Picture() != state.original) ui->AAIVOriginal->SetPicture(state.original);
        if (ui->AAIVResized->Picture() != state.resized) ui->AAIVResized->SetPicture(state.resized);
    } catch (...) {
        // Showing a picture that was shown a moment ago needs no new memory of any size; nothing to add.
    }
    mStandIn = state.standIn;
    if (!state.smoothing)
        mSmooth->Stop();
    else if (mSmooth->StandIn() != state.standIn)
        mSmooth->Start(state.original, state.standIn, ui->picTemp->BackColor());
}

void frmMain::Wire() {
    const auto on = [this](auto* sender, auto signal, void (frmMain::*handler)()) {
        connect(sender, signal, this, [this, handler] { Guarded([this, handler] { (this->*handler)(); }); });
    };
    on(ui->cmbScaleX, &QComboBox::currentIndexChanged, &frmMain::cmbScaleX_Click);
    on(ui->cmbScaleY, &QComboBox::currentIndexChanged, &frmMain::cmbScaleY_Click);
    on(ui->chkScaleX, &QCheckBox::clicked, &frmMain::chkScaleX_Click);
    on(ui->chkScaleY, &QCheckBox::clicked, &frmMain::chkScaleY_Click);
    on(ui->chkAutomatic, &QCheckBox::clicked, &frmMain::chkAutomatic_Click);
    on(ui->cmdResize, &QPushButton::clicked, &frmMain::cmdResize_Click);
    on(ui->Command2, &QPushButton::clicked, &frmMain::Command2_Click);
    on(ui->cmdload, &QPushButton::clicked, &frmMain::cmdload_Click);
    on(ui->Command4, &QPushButton::clicked, &frmMain::Command4_Click);
    on(ui->Command3, &QPushButton::clicked, &frmMain::Command3_Click);
    on(ui->Command5, &QPushButton::clicked, &frmMain::Command5_Click);
    on(ui->CMDEND, &QPushButton::clicked, &frmMain::CMDEND_Click);
    on(ui->mnuFileOpen, &QAction::triggered, &frmMain::mnuFileOpen_Click);
    on(ui->mnuFileClose, &QAction::triggered, &frmMain::mnuFileClose_Click);
    on(ui->mnuFileSaveAs, &QAction::triggered, &frmMain::mnuFileSaveAs_Click);
    on(ui->mnuFileExit, &QAction::triggered, &frmMain::mnuFileExit_Click);
    on(ui->mnuHelp, &QAction::triggered, &frmMain::mnuHelp_Click);
    on(ui->mnuFileFitUnderSize, &QAction::triggered, &frmMain::mnuFileFitUnderSize_Click);
    on(ui->mnuOptionsSmooth, &QAction::triggered, &frmMain::mnuOptionsSmooth_Click);
    on(ui->mnuOptionsKeepMetadata, &QAction::triggered, &frmMain::mnuOptionsKeepMetadata_Click);
    on(new QShortcut(QKeySequence::HelpContents, this), &QShortcut::activated, &frmMain::mnuHelp_Click);
}

// ---- start-up, activation, exit, help

void frmMain::Form_Load() {
    InitMainWindow(*this);
}

void frmMain::Form_Activate() {
    ui->AAIVOriginal->ShowDefultPicture();
    ResizeImage();
}

bool frmMain::event(QEvent* event) {
    // The activation steps run at the first showing only: coming back from the help window must not
    // put the default picture in place of the user's.
    if (event->type() == QEvent::WindowActivate && !mActivated) {
        mActivated = true;
        Guarded([this] { Form_Activate(); });
    }
    return QMainWindow::event(event);
}

void frmMain::closeEvent(QCloseEvent* event) {
    // The help window goes with the main window, so that the program ends.
    if (mHelp) mHelp->close();
    mSmooth->Stop(); // the program ends now, not once a smooth picture no one will see is made
    event->accept();
}

QString frmMain::StatusText() const {
    return mStatus->text();
}

void frmMain::OpenAtStart(const QString& path) {
    mActivated = true; // the picture takes the default picture's place for good
    OpenFile(path);
}

// ---- the status line: the length of the JPEG that Save would write now

bool frmMain::PictureIsOpen() const {
    return FileIsOpen() && ui->AAIVOriginal->Picture() != ui->AAIVOriginal->DefultPicture();
}

// Measured away from the user-interface thread; a newer picture supersedes one being measured.
void frmMain::RefreshStatusLine() {
    const PictureRef resized = ui->AAIVResized->Picture();
    if (!PictureIsOpen() || !resized) {
        mStatusPicture.reset();
        mStatusLength = -1;
        mStatus->clear();
        return;
    }
    if (resized == mStatusPicture) return;
    if (resized->size() != mQualityFit.size) mQualityFit = {}; // a new size is saved at 90 again
    mStatusPicture = resized;
    mStatusLength = -1;
    mStatus->setText(QStringLiteral("As a saved JPEG: %1, measuring…").arg(pixelsText(resized->size())));
    if (resized != mSmooth->StandIn()) // a quick picture's smooth one is measured when it comes
        mMeter->Measure(resized, SaveQuality(resized), Metadata(resized));
}

// Nothing is written yet: the words say what the figure will be, not that a save has happened.
void frmMain::ShowMeasured(const PictureRef& picture, qint64 bytes) {
    if (picture != mStatusPicture || mStatusLength >= 0) return; // a save or fit knew it already
    mStatusLength = bytes;
    const int quality = SaveQuality(picture);
    mStatus->Announce(
        QStringLiteral("As a saved JPEG: %1, %2%3")
            .arg(pixelsText(picture->size()),
                 bytes < 0 ? QStringLiteral("too large to measure") : FormatFileSize(double(bytes)),
                 quality == SavedQuality ? QString() : QStringLiteral(", quality %1").arg(quality)));
}

// The background under transparency is taken here, on the user-interface thread, and handed on as a
// value: the size search and the smooth work run beside it and never ask the palette.
ResizeFunction frmMain::Resizer() const {
    const QColor background = ui->picTemp->BackColor();
    if (ui->mnuOptionsSmooth->isChecked())
        return [background](const PictureRef& original, QSize size) {
            return SmoothResizedPicture(original, size, background);
        };
    return [background](const PictureRef& original, QSize size) {
        return ResizedPicture(original, size, background);
    };
}

// The largest size, in the picture's own proportions, whose saved JPEG is at most the length the user
// asks for; applied as "Resize Pixels" applies a size, so that Save writes exactly that.
void frmMain::mnuFileFitUnderSize_Click() {
    if (!PictureIsOpen())
        throw QuillonError(QStringLiteral("There is no opened picture to fit. Open one first with “Load "
                                          "Picture” or File ▸ Open (F3)."));
    const QSettings settings;
    const std::optional<FitRequest> answer =
        mDialogs.AskFit({settings.value(QStringLiteral("fitUnderKB"), 600).toString(),
                         settings.value(QStringLiteral("fitWithinWidth")).toString(),
                         settings.value(QStringLiteral("fitWithinHeight")).toString(), false});
    if (!answer) return; // cancelled
    const qint64 kilobytes = fitKilobytes(answer->kilobytes);
    const QSize box(boxSide(answer->width, QStringLiteral("width")),
                    boxSide(answer->height, QStringLiteral("height")));
    remember(QStringLiteral("fitUnderKB"), kilobytes);
    remember(QStringLiteral("fitWithinWidth"), answer->width.trimmed());
    remember(QStringLiteral("fitWithinHeight"), answer->height.trimmed());
    if (answer->keepPixelSize)
        FitQuality(kilobytes);
    else
        FitSize(kilobytes, box);
}

// The largest size in the picture's proportions, inside the box, whose JPEG stays under the limit.
void frmMain::FitSize(qint64 kilobytes, QSize box) {
    const FitResult fit = FitUnderSize(ui->AAIVOriginal->Picture(), kilobytes * 1024, Resizer(), box,
                                       ui->mnuOptionsKeepMetadata->isChecked());
    if (fit.outcome == FitOutcome::NothingFits)
        throw QuillonError(
            QStringLiteral("Not even a picture 1 pixel wide fits under %1 KB as a JPEG. Please "
                           "choose a larger size.")
                .arg(kilobytes));
    ui->txtwidth->setText(QString::number(fit.size.width()));
    ui->txtheight->setText(QString::number(fit.size.height()));
    RedrawResized(fit.size.width(), fit.size.height());
    EstimateFileSize(false);
    mStatusPicture = ui->AAIVResized->Picture();
    mStatusLength = fit.bytes;
    const QString within =
        box.width() + box.height() == 0
            ? QString()
            : QStringLiteral(" within %1 × %2").arg(boxText(box.width()), boxText(box.height()));
    mStatus->Announce(
        QStringLiteral("Fits under %1 KB%2%3: %4, %5")
            .arg(kilobytes)
            .arg(within)
            .arg(fit.outcome == FitOutcome::KeptAsItIs ? QStringLiteral(" at its own size") : QString())
            .arg(pixelsText(fit.size), FormatFileSize(double(fit.bytes))));
}

// The size the pixel boxes show, kept; the highest quality whose JPEG stays under the limit, which
// Save then writes until the size changes.
void frmMain::FitQuality(qint64 kilobytes) {
    const int width = pixelsFrom(ui->txtwidth->text(), QStringLiteral("width"));
    const int height = pixelsFrom(ui->txtheight->text(), QStringLiteral("height"));
    RedrawResized(width, height);
    EstimateFileSize(false);
    FinishStandIn(); // the quality is measured on the picture Save writes
    const PictureRef resized = ui->AAIVResized->Picture();
    const QualityFit fit = FitQualityUnderSize(resized, kilobytes * 1024, Metadata(resized));
    if (!fit.fits)
        throw QuillonError(
            QStringLiteral("Even at quality %1, the JPEG of %2 takes %3, more than %4 KB. Please "
                           "choose a smaller size or a larger limit.")
                .arg(LowestFitQuality)
                .arg(pixelsText(resized->size()), FormatFileSize(double(fit.bytes)))
                .arg(kilobytes));
    mQualityFit = {ui->AAIVOriginal->Picture(), resized->size(), fit.quality};
    mStatusPicture = resized;
    mStatusLength = fit.bytes;
    mStatus->Announce(QStringLiteral("Fits under %1 KB: %2, %3, quality %4")
                          .arg(kilobytes)
                          .arg(pixelsText(resized->size()), FormatFileSize(double(fit.bytes)))
                          .arg(fit.quality));
}

// Save writes at the fitted quality only while the picture and its size are the ones it was found for.
int frmMain::SaveQuality(const PictureRef& saved) const {
    const bool fitted =
        saved && mQualityFit.original == ui->AAIVOriginal->Picture() && saved->size() == mQualityFit.size;
    return fitted ? mQualityFit.quality : SavedQuality;
}

// From now on the figure is that of a file on disk, and the status line names it.
void frmMain::ShowSaved(const PictureRef& picture, const QString& output, qint64 length) {
    mStatusPicture = picture;
    mStatusLength = length;
    const int quality = SaveQuality(picture);
    mStatus->Announce(
        QStringLiteral("Saved as “%1”: %2, %3%4")
            .arg(QFileInfo(output).fileName(), pixelsText(picture->size()),
                 FormatFileSize(double(mStatusLength)),
                 quality == SavedQuality ? QString() : QStringLiteral(", quality %1").arg(quality)));
}

// The resized picture is made again at its size, the other way; the choice is remembered once that is
// done, so that a failure puts back the setting with the menu.
void frmMain::mnuOptionsSmooth_Click() {
    const PictureRef resized = ui->AAIVResized->Picture();
    if (resized) ui->AAIVResized->SetPicture(Redrawn(ui->AAIVOriginal->Picture(), resized->size()));
    remember(QStringLiteral("smoothResizing"), ui->mnuOptionsSmooth->isChecked());
}

// The figure changes with what the file will carry, so it is measured again.
void frmMain::mnuOptionsKeepMetadata_Click() {
    remember(QStringLiteral("keepDateAndCamera"), ui->mnuOptionsKeepMetadata->isChecked());
    mStatusPicture.reset();
    RefreshStatusLine();
}

// What the JPEG of `resized` carries beside its pixels, as the user chose.
QByteArray frmMain::Metadata(const PictureRef& resized) const {
    return MetadataFor(ui->AAIVOriginal->Picture(), resized->size(), ui->mnuOptionsKeepMetadata->isChecked());
}

// Pictures dropped from a file manager open as if chosen in the Open dialog; anything that is not a
// local file is not taken.
void frmMain::dragEnterEvent(QDragEnterEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (std::any_of(urls.begin(), urls.end(), [](const QUrl& url) { return url.isLocalFile(); }))
        event->acceptProposedAction();
}

void frmMain::dropEvent(QDropEvent* event) {
    QStringList files;
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile()) files.append(url.toLocalFile());
    if (files.isEmpty()) return;
    event->acceptProposedAction();
    OpenFile(files.first());
    if (files.size() > 1 && CDlgFile.FileName == files.first())
        mStatus->Announce(QStringLiteral("Opened the first of %1 dropped files, “%2”: Quillon works on one "
                                         "picture at a time.")
                              .arg(files.size())
                              .arg(QFileInfo(files.first()).fileName()));
}

void frmMain::CMDEND_Click() {
    close();
}
void frmMain::mnuFileExit_Click() {
    CMDEND_Click();
}

void frmMain::mnuHelp_Click() {
    if (mHelpUnloaded) {
        mHelp.reset();
        mHelpUnloaded = false;
    }
    if (!mHelp) {
        mHelp = std::make_unique<Form1>();
        connect(mHelp.get(), &Form1::Unloaded, this, [this] { mHelpUnloaded = true; });
        CentreOnScreen(*mHelp);
    }
    mHelp->show();
    mHelp->raise();
    mHelp->activateWindow();
}

// ---- the resize engine

bool frmMain::AutomaticMode() const {
    return !ui->cmdResize->isEnabled();
}

void frmMain::ResizeImage() {
    const PictureRef original = ui->AAIVOriginal->Picture();
    ui->AAIVResized->SetPicture(Redrawn(original, PercentageSize(original)));
}

// The size the lists and boxes give a picture; refused up front when the result cannot be made or
// saved, so that nothing is drawn that Save could not write.
QSize frmMain::PercentageSize(const PictureRef& original) const {
    // The factors are whole percentages: the product is taken in whole numbers, so that an exact one
    // is never lost to floating point (20 pixels at 15 % give 3). An excluded direction keeps 100 %.
    const auto percent = [](const QComboBox* list, const QCheckBox* box) {
        return box->isChecked() ? int(std::llround(double(GetScaleFactor(list->currentText())) * 100.0))
                                : 100;
    };
    const QSize size = ScaledSize(original->size(), percent(ui->cmbScaleX, ui->chkScaleX),
                                  percent(ui->cmbScaleY, ui->chkScaleY));
    CheckResizedSize(size, QStringLiteral("Choose a smaller percentage."));
    return size;
}

// The whole original picture, stretched to the new size on the work surface. The original itself is
// never changed, and nothing the user sees changes until the result is there. With smooth resizing on,
// this nearest-pixel picture stands in until the smooth one, made beside the user-interface thread,
// replaces it; a newer picture supersedes that work.
PictureRef frmMain::Redrawn(const PictureRef& original, QSize size) {
    ui->picTemp->SetPicture(original);
    ui->picTemp->SetWidth(size.width());
    ui->picTemp->SetHeight(size.height());
    ui->picTemp->PaintPicture(original, 0, 0, ui->picTemp->Width(), ui->picTemp->Height());
    const PictureRef nearest = ui->picTemp->Image();
    mStandIn = ui->mnuOptionsSmooth->isChecked() ? nearest : nullptr;
    if (mStandIn)
        mSmooth->Start(original, mStandIn, ui->picTemp->BackColor());
    else
        mSmooth->Stop();
    return nearest;
}

void frmMain::RedrawResized(int width, int height) {
    ui->AAIVResized->SetPicture(Redrawn(ui->AAIVOriginal->Picture(), {width, height}));
}

void frmMain::cmbScaleX_Click() {
    if (!AutomaticMode()) return;
    ResizeImage();
    if (FileIsOpen()) EstimateFileSize(true);
}

void frmMain::cmbScaleY_Click() {
    cmbScaleX_Click();
}

void frmMain::chkScaleX_Click() {
    ui->cmbScaleX->setEnabled(ui->chkScaleX->isChecked());
    if (AutomaticMode()) ResizeImage();
}

void frmMain::chkScaleY_Click() {
    ui->cmbScaleY->setEnabled(ui->chkScaleY->isChecked());
    if (AutomaticMode()) ResizeImage();
}

void frmMain::chkAutomatic_Click() {
    ui->cmdResize->setEnabled(!ui->cmdResize->isEnabled());
    if (ui->chkAutomatic->isChecked()) ResizeImage();
}

void frmMain::cmdResize_Click() {
    ResizeImage();
    if (FileIsOpen()) EstimateFileSize(false);
}

void frmMain::Command2_Click() {
    // Both sizes are checked before anything changes.
    const int width = pixelsFrom(ui->txtwidth->text(), QStringLiteral("width"));
    const int height = pixelsFrom(ui->txtheight->text(), QStringLiteral("height"));
    RedrawResized(width, height);
    if (FileIsOpen()) EstimateFileSize(false);
}

// ---- the size read-out

// The figure is the length of the resized picture written as an uncompressed 24-bit bitmap. That
// length follows from the picture's size alone, so it is worked out rather than measured on a
// written file: at 300 % of a big photo the file would take most of a gigabyte, written on every
// list choice, and nothing of the user's can be touched by an estimate that writes nothing.
void frmMain::EstimateFileSize(bool refreshPixelFields) {
    const QSize size = ui->AAIVResized->Picture()->size();
    ui->Label1->setText(FormatFileSize(double(BitmapFileLength(size))));
    if (refreshPixelFields) {
        ui->txtwidth->setText(QString::number(size.width()));
        ui->txtheight->setText(QString::number(size.height()));
    }
}

// ---- opening, closing, clearing

void frmMain::cmdload_Click() {
    mnuFileOpen_Click();
}

void frmMain::mnuFileOpen_Click() {
    const QString current = CDlgFile.FileName;
    CDlgFile.FileName = QString();
    CDlgFile.Filter =
        QStringLiteral("Image Files|*.jpg;*.gif;*.bmp|All Pictures|*.jpg;*.jpeg;*.jpe;*.png;*.gif;"
                       "*.bmp;*.webp;*.tif;*.tiff;*.heic;*.heif");
    CDlgFile.FilterIndex = 2; // starts on every format Quillon opens, a phone's HEIC among them
    CDlgFile.DialogTitle = QStringLiteral("Open Image File");
    CDlgFile.ShowOpen(mDialogs);
    // The current file stays current until another one is open: after Cancel, Save still has it.
    const QString chosen = std::exchange(CDlgFile.FileName, current);
    if (!chosen.isEmpty()) OpenPicture(chosen);
}

void frmMain::OpenFile(const QString& path) {
    Guarded([this, path] { OpenPicture(path); });
}

// The new picture and its resized view are both made before either is shown, so that a picture whose
// result cannot be made is not opened at all.
void frmMain::OpenPicture(const QString& path) {
    const PictureRef picture = LoadPicture(path);
    PictureRef resized;
    try {
        resized = Redrawn(picture, PercentageSize(picture));
    } catch (const QuillonError& error) {
        throw QuillonError(QStringLiteral("“%1” was not opened. %2 Then open the picture again.")
                               .arg(QFileInfo(path).fileName(), error.message()));
    }
    CDlgFile.FileName = path;
    ui->AAIVOriginal->SetPicture(picture);
    ui->AAIVResized->SetPicture(resized);
    ui->Label1->setText(FormatFileSize(double(QFileInfo(path).size())));
    ShowPixelSize(*this, path);
}

void frmMain::mnuFileClose_Click() {
    ShowDefaultsAgain();
    ResizeImage();
}

void frmMain::Command4_Click() {
    ShowDefaultsAgain();
    ui->Label1->setText(QStringLiteral("0 KB"));
    ResizeImage();
}

// What "&Close" and "Clear Image" share: the default picture and the start values of the lists and
// the pixel boxes. The list handlers run here, nested, where the selection changes.
void frmMain::ShowDefaultsAgain() {
    ui->AAIVOriginal->ShowDefultPicture();
    ui->cmbScaleX->setCurrentIndex(7);
    ui->cmbScaleY->setCurrentIndex(7);
    ui->txtwidth->setText(QStringLiteral("0"));
    ui->txtheight->setText(QStringLiteral("0"));
}

// ---- saving

void frmMain::Command3_Click() {
    mnuFileSaveAs_Click();
}
void frmMain::mnuFileSaveAs_Click() {
    Command5_Click();
}

void frmMain::Command5_Click() {
    FinishStandIn(); // Save writes the smooth picture
    const QString output = OutputNameFor(CDlgFile.FileName);
    // Without an opened picture there is nothing of the user's to save, and writing the default
    // picture under the last file's output name would replace their earlier output.
    if (output.isEmpty() || ui->AAIVOriginal->Picture() == ui->AAIVOriginal->DefultPicture()) {
        mDialogs.MsgBox(QStringLiteral("There is no opened picture to save. Open one first with “Load "
                                       "Picture” or File ▸ Open (F3), choose its new size, then save."),
                        vbExclamation, ApplicationTitle);
        return;
    }
    const PictureRef saved = ui->AAIVResized->Picture();
    const int quality = SaveQuality(saved);
    const QByteArray app1 = Metadata(saved);
    // The status line's JPEG, when it is of this picture, is the file: it is not encoded again.
    const std::optional<qint64> length =
        SaveResized(mDialogs, saved, output, quality, app1, mMeter->Bytes(saved, quality, app1));
    if (!length) return; // the writer has shown why
    ShowSaved(saved, output, *length);

    mDialogs.InputBox(QStringLiteral("Please copy and Paste this address into the myspace upload box"),
                      QStringLiteral("Path to Your Picture"), output);
    ClipboardSetText(output);
    mDialogs.MsgBox(output +
                        QStringLiteral(" has been saved to your clipboard.  Please paste this address by "
                                       "using Ctrl + V into the MySpace upload box"),
                    vbOKOnly, ApplicationTitle);
}
