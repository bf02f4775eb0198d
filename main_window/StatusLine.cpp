#include "main_window/StatusLine.h"

#include <QAccessible>
#include <QAccessibleWidget>

namespace {

class StatusLineAccessible : public QAccessibleWidget {
public:
    explicit StatusLineAccessible(QWidget* line) : QAccessibleWidget(line, QAccessible::Notification) {}
    QString text(QAccessible::Text kind) const override {
        return kind == QAccessible::Name ? static_cast<const QLabel*>(widget())->text()
                                         : QAccessibleWidget::text(kind);
    }
};

QAccessibleInterface* accessibleFor(const QString& className, QObject* object) {
    if (className != QLatin1String("StatusLine") || !object || !object->isWidgetType()) return nullptr;
    return new StatusLineAccessible(static_cast<QWidget*>(object));
}

} // namespace

StatusLine::StatusLine(QWidget* parent) : QLabel(parent) {
    [[maybe_unused]] static const bool installed = (QAccessible::installFactory(accessibleFor), true);
}

// The new text is sent as a name change by the label itself; a notification's being shown is what
// a screen reader speaks without the focus on it.
void StatusLine::Announce(const QString& text) {
    setText(text);
    QAccessibleEvent shown(this, QAccessible::ObjectShow);
    QAccessible::updateAccessibility(&shown);
}
