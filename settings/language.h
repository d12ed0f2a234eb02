// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The language the program speaks to people in. Its texts are written in Chinese; English comes from the
// translation compiled into the program. Keys a script reads (JSON Lines and CSV keys, settings keys,
// lookup keys) are the same in both.
#include <QString>

#include <memory>
#include <optional>

class QTranslator;
class Settings;

enum class Language { Chinese, English };

// "zh" or "en" (a locale name such as zh_CN or en_US.UTF-8 also does); nothing for anything else.
std::optional<Language> languageNamed(const QString& name);
QString languageCode(Language language); // "zh", "en"

// The value of --lang among a program's arguments ("--lang en" or "--lang=en"); empty when not given.
QString languageOption(const QStringList& arguments);

// Which language to speak: --lang (`option`, empty when not given) beats QUILLMARK_LANG, which beats the
// setting (none for the command line, which has no settings of its own); Chinese when none says. A value
// that names no language is a mistake said in `problem`, and Chinese is spoken.
Language chosenLanguage(const QString& option, const Settings* settings, QString* problem = nullptr);

// The program's translation and Qt's own (message box buttons, file dialogs), installed in the running
// application. Installing sends every widget a QEvent::LanguageChange, so a window can change at once.
class Translators
{
public:
    Translators();
    ~Translators();
    Translators(const Translators&) = delete;
    Translators& operator=(const Translators&) = delete;

    // False when the program's own translation could not be loaded (then its Chinese source texts show).
    bool apply(Language language);
    Language language() const { return m_language; }

private:
    std::unique_ptr<QTranslator> m_program;
    std::unique_ptr<QTranslator> m_qt;
    Language m_language = Language::Chinese;
};
