#include "i18n/language_config.h"

#include "settings/ini_file.h"
#include "settings/ini_value.h"
#include "settings/settings_files.h"

#include <QCoreApplication>

#include <memory>
#include <string>

namespace i18n {

namespace {

// The buffers of the language tables, in UTF-16 units with the final NUL.
// Texts beyond them are cut, as the INI functions cut them.
constexpr std::uint32_t kCurrentLanguageChars = 64;
constexpr std::uint32_t kSectionChars = 10240;
constexpr std::uint32_t kSectionNamesChars = 1024;
constexpr int kLanguageLineChars = 128;
constexpr int kSectionNameChars = 256;
constexpr int kTextLineChars = 1024;
constexpr int kKeyChars = 128;
constexpr int kKeyPartChars = 64;

std::unique_ptr<CLanguageConfig>& instanceSlot()
{
    static std::unique_ptr<CLanguageConfig> instance;
    return instance;
}

std::string pathOf(const QString& path) { return path.toUtf8().toStdString(); }

const char16_t* unitsOf(const QString& s) { return reinterpret_cast<const char16_t*>(s.utf16()); }

QString fromUnits(const std::u16string& s) { return QString::fromStdU16String(s); }

// A copy into a work buffer of `chars` units keeps chars - 1 of them.
QString cut(const QString& s, int chars) { return s.left(chars - 1); }

// Splits a line at its first "="; a line without one is both name and text.
std::pair<QString, QString> splitLine(const QString& line)
{
    const qsizetype eq = line.indexOf(u'=');
    if (eq < 0)
        return {line, line};
    return {line.left(eq), line.mid(eq + 1)};
}

std::vector<std::u16string> readSection(const QString& section, const std::string& file)
{
    std::u16string buffer(kSectionChars, u'\0');
    const std::uint32_t count = ini::GetSection(unitsOf(section), buffer.data(), kSectionChars, file);
    return ini::SplitList(buffer.data(), count);
}

} // namespace

CLanguageConfig* CLanguageConfig::Instance()
{
    std::unique_ptr<CLanguageConfig>& instance = instanceSlot();
    if (!instance)
        instance = std::make_unique<CLanguageConfig>(
            QCoreApplication::applicationDirPath(),
            QString::fromStdString(settings::UserFilePath(settings::kConfigFileName)));
    return instance.get();
}

void CLanguageConfig::ResetInstance(const QString& appFolder)
{
    instanceSlot() = std::make_unique<CLanguageConfig>(appFolder);
}

CLanguageConfig::CLanguageConfig(const QString& appFolder)
    : CLanguageConfig(appFolder, appFolder + QStringLiteral("/config.ini"))
{
}

CLanguageConfig::CLanguageConfig(const QString& appFolder, const QString& userConfig)
    : m_configPath(appFolder + QStringLiteral("/config.ini")), m_userConfigPath(userConfig),
      m_languagesFolder(appFolder + QStringLiteral("/Languages") + QStringLiteral("/"))
{
    ReadCurrentLanguage();
    LoadLanguageList();
    LoadLanguageFile();
}

QString CLanguageConfig::GetText(const char* key) const
{
    if (!key)
        return QString();
    const QString wide = cut(QString::fromLocal8Bit(key), kKeyChars);
    QString section = cut(wide, kKeyPartChars);
    QString name;
    const qsizetype slash = section.lastIndexOf(u'/');
    if (slash >= 0) {
        name = cut(section.mid(slash + 1), kKeyPartChars);
        section.truncate(slash);
    }
    const auto found = m_texts.find(section);
    if (found == m_texts.end())
        return QString();
    const auto text = found->second.find(name);
    if (text == found->second.end())
        return QString();
    return text->second;
}

const std::vector<LanguageEntry>& CLanguageConfig::GetLanguageList() const { return m_languageList; }

QString CLanguageConfig::GetCurrentLanguage() const { return m_currentLanguage; }

bool CLanguageConfig::SetLanguage(const wchar_t* key)
{
    return SetLanguage(key ? QString::fromWCharArray(key) : QString());
}

bool CLanguageConfig::SetLanguage(const QString& key)
{
    // A failed write leaves the file's old choice, which the reread then
    // takes: the texts never disagree with what the file holds.
    const std::string file = pathOf(m_userConfigPath);
    const bool stored = settings::PrepareUserFile(file)
        && ini::WriteString(u"DefaultLanguage", u"Default", key.isNull() ? nullptr : unitsOf(key), file);
    ReadCurrentLanguage();
    LoadLanguageFile();
    return stored;
}

void CLanguageConfig::ReadCurrentLanguage()
{
    // Until the user chooses, the installation's choice holds.
    char16_t shipped[kCurrentLanguageChars] = {};
    ini::GetString(u"DefaultLanguage", u"Default", u"/English", shipped, kCurrentLanguageChars, pathOf(m_configPath));
    char16_t buffer[kCurrentLanguageChars] = {};
    const std::uint32_t count = ini::GetString(u"DefaultLanguage", u"Default", shipped, buffer, kCurrentLanguageChars,
                                               pathOf(m_userConfigPath));
    m_currentLanguage = QString::fromUtf16(buffer, count);
}

void CLanguageConfig::LoadLanguageList()
{
    for (const std::u16string& line : readSection(QStringLiteral("Languages"), pathOf(m_configPath))) {
        const auto [key, name] = splitLine(cut(fromUnits(line), kLanguageLineChars));
        m_languageList.push_back(LanguageEntry{key, name});
    }
}

void CLanguageConfig::LoadLanguageFile()
{
    const std::string file = pathOf(m_languagesFolder + m_currentLanguage + QStringLiteral(".ini"));
    m_texts.clear();
    std::u16string names(kSectionNamesChars, u'\0');
    const std::uint32_t count = ini::GetSectionNames(names.data(), kSectionNamesChars, file);
    for (const std::u16string& sectionName : ini::SplitList(names.data(), count)) {
        const QString section = cut(fromUnits(sectionName), kSectionNameChars);
        for (const std::u16string& line : readSection(section, file)) {
            auto [name, text] = splitLine(cut(fromUnits(line), kTextLineChars));
            // emplace keeps an existing entry: the first occurrence wins.
            m_texts[section].emplace(std::move(name), std::move(text));
        }
    }
}

} // namespace i18n
