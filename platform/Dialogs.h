#pragma once
// The modal dialogs the program shows: the Open dialog, message boxes and input boxes. The program
// uses QtDialogs; tests use a scripted stand-in that answers and records what it was shown.
#include <QString>
#include <optional>

inline const QString ApplicationTitle = QStringLiteral("Quillon");

enum MsgBoxStyle : int {
    vbOKOnly = 0,
    vbExclamation = 48,
};
inline constexpr int vbOK = 1;

struct OpenDialogRequest {
    QString title;
    QString filter;        // in the Qt form: "Image Files (*.jpg *.gif *.bmp)"
    QString initialFolder; // where the dialog opens
    QString initialFilter; // the entry of `filter` it starts on; empty for the first
};

// The Fit Under Size dialog's boxes, as typed: the KB, an optional largest width and height (empty: no
// bound that way), and whether to keep the pixel size and lower the quality instead.
struct FitRequest {
    QString kilobytes;
    QString width;
    QString height;
    bool keepPixelSize = false;
};

// Every dialog shows the normal pointer while it waits for the user, even in the middle of busy work.
class Dialogs {
public:
    virtual ~Dialogs() = default;
    // The chosen path, or the empty text when the user cancels.
    QString ShowOpen(const OpenDialogRequest& request);
    // Style 0 (OK only, no icon) or 48 (warning icon, OK only). Returns vbOK.
    int MsgBox(const QString& text, int style = vbOKOnly, const QString& title = ApplicationTitle);
    // The text in the box when the user leaves it, or the empty text on Cancel.
    QString InputBox(const QString& prompt, const QString& title, const QString& defaultText);
    // The boxes as the user leaves them on OK, or nothing on Cancel; `initial` fills them.
    std::optional<FitRequest> AskFit(const FitRequest& initial);

protected:
    virtual QString AskForFile(const OpenDialogRequest& request) = 0;
    virtual int ShowMessage(const QString& text, int style, const QString& title) = 0;
    virtual QString AskForText(const QString& prompt, const QString& title, const QString& defaultText) = 0;
    virtual std::optional<FitRequest> AskForFit(const FitRequest& initial) = 0;
};
