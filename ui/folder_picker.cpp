#include "ui/folder_picker.h"

#include <QFileDialog>

namespace {

std::function<QString(QWidget*)>& picker()
{
    static std::function<QString(QWidget*)> p;
    return p;
}

} // namespace

QString PickFolder(QWidget* parent)
{
    if (picker())
        return picker()(parent);
    return QFileDialog::getExistingDirectory(parent, QString(), QString(), QFileDialog::ShowDirsOnly);
}

void SetFolderPicker(std::function<QString(QWidget*)> p) { picker() = std::move(p); }
