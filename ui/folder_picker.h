#pragma once
// The folder dialog of the three folder buttons. A null result means the
// user cancelled.
#include <QString>

#include <functional>

class QWidget;

QString PickFolder(QWidget* parent);

// Replaces the dialog, e.g. with a scripted answer in tests; an empty
// function restores the real dialog.
void SetFolderPicker(std::function<QString(QWidget*)> picker);
