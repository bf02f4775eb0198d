#pragma once
// The label in the window's status bar. A screen reader reads its text as its name, and it is a
// notification in the status bar, so that a reader such as Orca says each figure as it comes.
#include <QLabel>

class StatusLine : public QLabel {
    Q_OBJECT
public:
    explicit StatusLine(QWidget* parent);
    // Shows the text and has a screen reader say it, as it would a notification being shown.
    void Announce(const QString& text);
};
