#pragma once
// Set-up shared by the benchmarks that drive the real window: resources,
// languages, and an empty save folder that the folder picker answers with.
#include "i18n/language_config.h"
#include "resources/resources.h"
#include "ui/folder_picker.h"

#include <QString>
#include <filesystem>

inline std::filesystem::path PrepareWindowBench(const char* saveFolderName)
{
    InitResources();
    i18n::CLanguageConfig::ResetInstance(QStringLiteral(VTR_APP_FOLDER));
    const auto save = std::filesystem::temp_directory_path() / saveFolderName;
    std::filesystem::remove_all(save);
    std::filesystem::create_directories(save);
    ui::SetFolderPicker([save](QWidget*) { return QString::fromStdString(save.string()); });
    return save;
}
