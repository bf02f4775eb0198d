#pragma once
// The help window: three steps and a Close button. "Close" hides it; its close box unloads it.
#include <QWidget>
#include <memory>

namespace Ui {
class Form1;
}

class Form1 : public QWidget {
    Q_OBJECT
public:
    explicit Form1(QWidget* parent = nullptr);
    ~Form1() override;

signals:
    // The close box was used: the window is done with and the next "Help" makes a new one.
    void Unloaded();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    std::unique_ptr<Ui::Form1> ui;
};
