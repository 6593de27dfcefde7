#pragma once
// The folder dialog of the three folder buttons. A null result means the
// user cancelled.
#include <QString>

#include <functional>

class QWidget;

// Opens at `startFolder` (the dialog's own choice when empty).

namespace ui {

QString PickFolder(QWidget* parent, const QString& startFolder = QString());

// Replaces the dialog, e.g. with a scripted answer in tests; an empty
// function restores the real dialog.
void SetFolderPicker(std::function<QString(QWidget*)> picker);

} // namespace ui
