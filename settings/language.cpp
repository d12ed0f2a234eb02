// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/language.h"

#include "settings/settings.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QStringList>
#include <QTranslator>

using namespace Qt::Literals::StringLiterals;

std::optional<Language> languageNamed(const QString& name)
{
    // LANG-style names carry a territory and an encoding: zh_CN.UTF-8, en_GB@euro.
    const QString language = name.trimmed().toLower().section(u'.', 0, 0).section(u'@', 0, 0).section(u'_', 0, 0);
    if (language == u"zh"_s)
        return Language::Chinese;
    if (language == u"en"_s)
        return Language::English;
    return std::nullopt;
}

QString languageCode(Language language)
{
    return language == Language::English ? u"en"_s : u"zh"_s;
}

QString languageOption(const QStringList& arguments)
{
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        if (arguments.at(i) == u"--lang"_s)
            return i + 1 < arguments.size() ? arguments.at(i + 1) : QString();
        if (arguments.at(i).startsWith(u"--lang="_s))
            return arguments.at(i).mid(7);
    }
    return {};
}

Language chosenLanguage(const QString& option, const Settings* settings, QString* problem)
{
    const auto named = [problem](const QString& value, const QString& where) {
        const std::optional<Language> language = languageNamed(value);
        if (!language && problem)
            *problem = QCoreApplication::translate("Language", "%1 的值“%2”不是 zh 或 en，仍用中文").arg(where, value);
        return language;
    };
    if (!option.isEmpty())
        return named(option, u"--lang"_s).value_or(Language::Chinese);
    const QString variable = qEnvironmentVariable("QUILLMARK_LANG");
    if (!variable.isEmpty())
        return named(variable, u"QUILLMARK_LANG"_s).value_or(Language::Chinese);
    return settings ? settings->language() : Language::Chinese;
}

Translators::Translators() = default;

Translators::~Translators()
{
    for (const auto& translator : {m_program.get(), m_qt.get()}) {
        if (translator)
            QCoreApplication::removeTranslator(translator);
    }
}

bool Translators::apply(Language language)
{
    // The old pair goes first, so a text looked up in between comes out in Chinese rather than in a mix.
    for (auto* slot : {&m_program, &m_qt}) {
        if (*slot)
            QCoreApplication::removeTranslator(slot->get());
        slot->reset();
    }
    m_language = language;
    bool loaded = true;
    if (language == Language::English) {
        auto program = std::make_unique<QTranslator>();
        loaded = program->load(u":/i18n/seo-quillmark_en.qm"_s);
        if (loaded) {
            QCoreApplication::installTranslator(program.get());
            m_program = std::move(program);
        }
    }
    // Qt's own texts are English in Qt itself; Chinese needs its translation, which may not be installed.
    if (language == Language::Chinese) {
        auto qt = std::make_unique<QTranslator>();
        if (qt->load(QLocale(QLocale::Chinese, QLocale::China), u"qt"_s, u"_"_s,
                QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
            QCoreApplication::installTranslator(qt.get());
            m_qt = std::move(qt);
        }
    }
    return loaded;
}
