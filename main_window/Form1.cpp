#include "main_window/Form1.h"

#include "main_window/WindowStyle.h"
#include "ui_Form1.h"

#include <QCloseEvent>

Form1::Form1(QWidget* parent) : QWidget(parent), ui(std::make_unique<Ui::Form1>()) {
    ui->setupUi(this);
    MakeFixedWindow(*this);
    setFixedSize(size());
    connect(ui->Command1, &QPushButton::clicked, this, &QWidget::hide);
}

Form1::~Form1() = default;

void Form1::closeEvent(QCloseEvent* event) {
    event->accept();
    emit Unloaded();
}
