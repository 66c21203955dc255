#include "uilanguage.h"

#include "log/hub8log.h"

#include <QCoreApplication>
#include <QLocale>
#include <QTranslator>

// The embedded translation lives in a static library: the linker keeps it
// only when something registers it. Outside any namespace, as
// Q_INIT_RESOURCE requires.
static void registerTranslations()
{
    Q_INIT_RESOURCE(translations);
}

namespace UiLanguage {

namespace {

Language installed = Language::Chinese;

QTranslator *english()
{
    static QTranslator *translator = nullptr;
    if (!translator) {
        registerTranslations();
        translator = new QTranslator(QCoreApplication::instance());
        if (!translator->load(QStringLiteral(":/i18n/vanto-hub8_en.qm")))
            qCWarning(lcApp) << "the English translation could not be loaded";
    }
    return translator;
}

} // namespace

Language forLocale(const QLocale &locale)
{
    return locale.language() == QLocale::Chinese ? Language::Chinese : Language::English;
}

bool fromName(const QString &name, Language *language)
{
    if (name == QLatin1String("zh"))
        *language = Language::Chinese;
    else if (name == QLatin1String("en"))
        *language = Language::English;
    else
        return false;
    return true;
}

QString name(Language language)
{
    return language == Language::English ? QStringLiteral("en") : QStringLiteral("zh");
}

QCommandLineOption option()
{
    return QCommandLineOption(QStringLiteral("lang"),
                              QStringLiteral("Language of the user interface: zh (Chinese) or en (English). "
                                             "Default: Chinese for a Chinese system locale, else English."),
                              QStringLiteral("zh|en"));
}

bool apply(Language language)
{
    if (language == installed)
        return true;
    if (language == Language::English) {
        QTranslator *translator = english();
        if (translator->isEmpty() || !QCoreApplication::installTranslator(translator))
            return false;
    } else {
        QCoreApplication::removeTranslator(english());
    }
    installed = language;
    qCDebug(lcApp) << "user interface language" << name(language);
    return true;
}

Language current()
{
    return installed;
}

} // namespace UiLanguage
