#include "ui/folder_picker.h"

#include <QFileDialog>

namespace ui {

namespace {

std::function<QString(QWidget*)>& picker()
{
    static std::function<QString(QWidget*)> p;
    return p;
}

} // namespace

QString PickFolder(QWidget* parent, const QString& startFolder)
{
    if (picker())
        return picker()(parent);
    return QFileDialog::getExistingDirectory(parent, QString(), startFolder, QFileDialog::ShowDirsOnly);
}

void SetFolderPicker(std::function<QString(QWidget*)> p) { picker() = std::move(p); }

} // namespace ui
