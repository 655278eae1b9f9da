#pragma once
// A push button of our windows: named for tests and screen readers by its caption, and never the
// dialog's default button (Enter in a field must not press it).
#include <QLatin1String>
#include <QPushButton>

inline QPushButton* NamedButton(const QString& caption, const char* name, QWidget* parent) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    button->setAccessibleName(caption);
    button->setAutoDefault(false);
    return button;
}
