#pragma once
// The language tables: every text the user sees, looked up by a key of the
// form section "/" name ("MainWnd/Start") in the language file chosen in
// config.ini. Interface thread only.
#include <QString>

#include <map>
#include <vector>

// One language the installation offers: the key (with its leading "/", also
// the base name of its file in Languages) and the name the menu shows.

namespace i18n {

struct LanguageEntry {
    QString key;
    QString name;
};

class CLanguageConfig {
public:
    // The single object, made on the first call from the program folder that
    // QCoreApplication reports and the user's config.ini; the application
    // object must exist by then.
    // Creation is not guarded against concurrent first calls.
    static CLanguageConfig* Instance();
    // Makes Instance() answer from `appFolder` instead, reading the files
    // afresh. For tests that go through Instance().
    static void ResetInstance(const QString& appFolder);

    // Reads config.ini and the chosen language file of `appFolder`, which
    // then also stores the choice.
    explicit CLanguageConfig(const QString& appFolder);
    // The choice is read from and stored in `userConfig`; `appFolder`'s
    // config.ini gives the language list and the language until one is chosen.
    CLanguageConfig(const QString& appFolder, const QString& userConfig);

    // The text for `key`, as stored (a "\n" pair stays two characters); a
    // null QString when the section or the name is absent. Case-sensitive.
    // Keys longer than 63 characters are cut to 63 before the lookup.
    QString GetText(const char* key) const;
    // The languages of config.ini's Languages section, in file order. Read
    // once, at construction.
    const std::vector<LanguageEntry>& GetLanguageList() const;
    // The current language key, for example "/English".
    QString GetCurrentLanguage() const;
    // Stores `key` as the chosen language in the user's config.ini and
    // reloads the texts from what the files then hold. False when the choice
    // could not be stored: the texts then stay those of the old choice.
    bool SetLanguage(const wchar_t* key);
    bool SetLanguage(const QString& key);

    // The user's config.ini, where the chosen language is stored.
    const QString& configPath() const { return m_userConfigPath; }

    void ReadCurrentLanguage();
    void LoadLanguageList();
    void LoadLanguageFile();

private:
    QString m_configPath;      // application folder + "/config.ini"
    QString m_userConfigPath;  // the same file, or the user's own
    QString m_languagesFolder; // application folder + "/Languages/"
    QString m_currentLanguage;
    std::vector<LanguageEntry> m_languageList;
    // Section name to entry name to text; QString orders by UTF-16 units, so
    // lookups are exact and case-sensitive.
    std::map<QString, std::map<QString, QString>> m_texts;
};

// The text for `key` in the current language: the lookup every window and
// dialog makes.
inline QString GuiText(const char* key) { return CLanguageConfig::Instance()->GetText(key); }

} // namespace i18n
