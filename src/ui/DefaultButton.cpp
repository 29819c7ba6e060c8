#include "ui/DefaultButton.h"

#include <QAbstractButton>
#include <QKeyEvent>

namespace talvex::ui {

bool PressDefaultButton(QKeyEvent* event, QAbstractButton* button) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    const auto modifiers = event->modifiers() & ~Qt::KeypadModifier;
    if (!enter || modifiers != Qt::NoModifier || button == nullptr || !button->isEnabled()) {
        return false;
    }
    event->accept();
    button->click();
    return true;
}

}  // namespace talvex::ui
