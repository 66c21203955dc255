#ifndef UILANGUAGE_H
#define UILANGUAGE_H

#include <QCommandLineOption>
#include <QString>

class QLocale;

// The language of the user interface: Chinese, the texts as the code writes
// them, or English, the translation embedded from translations/. Texts from
// IODD files are taken in the language named by name() where the file has
// them (IoddFile::setTextLanguage), else in its primary language.
namespace UiLanguage {

enum class Language { Chinese, English };

// Chinese for Chinese locales, English for every other.
Language forLocale(const QLocale &locale);
// "zh" or "en", as --lang takes them; false for anything else.
bool fromName(const QString &name, Language *language);
QString name(Language language);

// --lang zh|en: overrides the language of the system locale.
QCommandLineOption option();

// Installs the English translation or removes it. Every widget then gets a
// LanguageChange event and shows its texts again. False when the embedded
// translation cannot be loaded (the interface stays Chinese).
bool apply(Language language);
Language current();

} // namespace UiLanguage

#endif // UILANGUAGE_H
