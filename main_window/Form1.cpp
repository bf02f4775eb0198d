#include "main_window/Form1.h"

#include "main_window/WindowStyle.h"
#include "ui_Form1.h"

#include <QCloseEvent>
#include <QShortcut>

Form1::Form1(QWidget* parent) : QWidget(parent), ui(std::make_unique<Ui::Form1>()) {
    ui->setupUi(this);
    MakeFixedWindow(*this);
    setFixedSize(size());
    connect(ui->Command1, &QPushButton::clicked, this, &QWidget::hide);
    // Escape does what "Close" does.
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this, &QWidget::hide);
}

Form1::~Form1() = default;

void Form1::closeEvent(QCloseEvent* event) {
    event->accept();
    emit Unloaded();
}
