#include "zipname.h"

#include <QStringList>
#include <QTextCodec>

namespace {
// Longer parts than most file systems take are refused before any write.
constexpr int maxPartBytes = 255;
} // namespace

QString ZipName::decode(const QByteArray &raw, bool utf8Flag, QString *why)
{
    bool ascii = true;
    for (const char c : raw)
        ascii = ascii && uchar(c) < 0x80;
    // With the size given: fromLatin1(QByteArray) would stop at a NUL.
    if (ascii)
        return QString::fromLatin1(raw.constData(), raw.size());
    // Without the flag the names are in some code page nobody says; only
    // names that are valid UTF-8 anyway are taken.
    QTextCodec::ConverterState state(QTextCodec::ConvertInvalidToNull);
    const QString text = QTextCodec::codecForName("UTF-8")->toUnicode(raw.constData(), raw.size(), &state);
    if (state.invalidChars > 0 || state.remainingChars > 0) {
        *why = utf8Flag ? tr("文件名不是有效的UTF-8") : tr("文件名的编码无法识别（不是UTF-8）");
        return QString();
    }
    return text;
}

bool ZipName::check(const QString &name, QString *why)
{
    if (name.isEmpty()) {
        *why = tr("条目没有名称");
        return false;
    }
    if (name.startsWith(QLatin1Char('/'))) {
        *why = tr("绝对路径 \"%1\"").arg(name);
        return false;
    }
    if (name.contains(QLatin1Char('\\'))) {
        *why = tr("名称中有反斜杠 \"%1\"").arg(name);
        return false;
    }
    if (name.size() >= 2 && name.at(1) == QLatin1Char(':')) {
        *why = tr("名称中有盘符 \"%1\"").arg(name);
        return false;
    }
    for (const QChar c : name) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f) {
            *why = tr("名称中有控制字符 \"%1\"").arg(name.toHtmlEscaped());
            return false;
        }
    }
    QStringList parts = name.split(QLatin1Char('/'));
    if (name.endsWith(QLatin1Char('/')))
        parts.removeLast(); // a folder entry
    for (const QString &part : qAsConst(parts)) {
        if (part == QLatin1String("..")) {
            *why = tr("名称指向上级目录 \"%1\"").arg(name);
            return false;
        }
        if (part.isEmpty() || part == QLatin1String(".") || part.toUtf8().size() > maxPartBytes) {
            *why = tr("名称不可用 \"%1\"").arg(name);
            return false;
        }
    }
    return true;
}

QString ZipName::fileName(const QString &name)
{
    return name.section(QLatin1Char('/'), -1);
}

QString ZipName::folder(const QString &name)
{
    const int slash = name.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? QString() : name.left(slash);
}
