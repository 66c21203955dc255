// The English translation against the sources: lupdate extracts every text the code and the forms give tr(), and
// translations/vanto-hub8_en.ts must translate each of them.

#include <QtTest>

#include <QProcess>
#include <QRegularExpression>
#include <QXmlStreamReader>

namespace {

struct Message
{
    QString translation;
    QString type; // "unfinished", "vanished", "obsolete" or empty
};
using Catalogue = QMap<QPair<QString, QString>, Message>; // (context, source) -> message

Catalogue readTs(const QString &path, QString *error)
{
    Catalogue messages;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = file.errorString();
        return messages;
    }
    QXmlStreamReader xml(&file);
    QString context, source;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement())
            continue;
        if (xml.name() == QLatin1String("name")) {
            context = xml.readElementText();
        } else if (xml.name() == QLatin1String("message")) {
            source.clear();
        } else if (xml.name() == QLatin1String("source")) {
            source = xml.readElementText();
        } else if (xml.name() == QLatin1String("translation")) {
            Message message;
            message.type = xml.attributes().value(QLatin1String("type")).toString();
            message.translation = xml.readElementText();
            messages.insert({context, source}, message);
        }
    }
    if (xml.hasError())
        *error = xml.errorString();
    return messages;
}

QString keyText(const QPair<QString, QString> &key)
{
    return key.first + QStringLiteral(": \"") + key.second + QLatin1Char('"');
}

// The %1 .. %99 markers of a text, sorted.
QStringList markers(const QString &text)
{
    QStringList found;
    auto it = QRegularExpression(QStringLiteral("%(\\d{1,2})")).globalMatch(text);
    while (it.hasNext())
        found << it.next().captured(0);
    found.sort();
    return found;
}

const QRegularExpression chinese(QStringLiteral("[\\x{4e00}-\\x{9fff}]"));

} // namespace

class tst_translations : public QObject
{
    Q_OBJECT
    Catalogue m_extracted; // what the sources ask for now
    Catalogue m_committed; // translations/vanto-hub8_en.ts
    QTemporaryDir m_scratch;

private slots:
    void initTestCase()
    {
        const QString lupdate = QStringLiteral(HUB8_LUPDATE);
        if (lupdate.isEmpty() || !QFileInfo(lupdate).isExecutable())
            QSKIP("lupdate (Debian's qttools5-dev-tools) was not found when the build was configured");
        const QString ts = m_scratch.filePath(QStringLiteral("extracted.ts"));
        QProcess run;
        run.start(lupdate,
                  {"-recursive", HUB8_SOURCE_DIR "/src", "-source-language", "zh_CN", "-target-language", "en",
                   "-locations", "none", "-ts", ts});
        QVERIFY(run.waitForFinished(120000));
        QCOMPARE(run.exitCode(), 0);
        // lupdate names the file and line of a tr() it cannot place in a context; such a text is never translated.
        const QString warnings = QString::fromLocal8Bit(run.readAllStandardError());
        QVERIFY2(!warnings.contains(QLatin1String(HUB8_SOURCE_DIR)), qPrintable(warnings));

        QString error;
        m_extracted = readTs(ts, &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        m_committed = readTs(QStringLiteral(HUB8_SOURCE_DIR "/translations/vanto-hub8_en.ts"), &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QVERIFY(m_extracted.size() > 200);
    }

    // Each text of the sources has a finished English translation under its own context, with the same %n markers
    // (a marker lost would leave an argument out, one too many would show "%3") and no Chinese left in it.
    void everySourceTextIsTranslated()
    {
        QStringList faults;
        for (auto it = m_extracted.cbegin(); it != m_extracted.cend(); ++it) {
            const Message m = m_committed.value(it.key());
            if (!m_committed.contains(it.key()))
                faults << QStringLiteral("not in the .ts: ") + keyText(it.key());
            else if (!m.type.isEmpty() || m.translation.trimmed().isEmpty())
                faults << QStringLiteral("not translated: ") + keyText(it.key());
            else if (markers(m.translation) != markers(it.key().second))
                faults << QStringLiteral("markers differ: ") + keyText(it.key()) + QStringLiteral(" -> ")
                        + m.translation;
            else if (m.translation.contains(chinese))
                faults << QStringLiteral("Chinese in the translation: ") + keyText(it.key());
        }
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QLatin1Char('\n'))));
    }

    // A Chinese text written into the code without tr() never reaches the translation. Every Chinese string literal
    // of the sources must therefore be a text lupdate extracted; log lines are not user interface and are left out.
    void noChineseTextBypassesTranslation()
    {
        QSet<QString> sources;
        for (auto it = m_extracted.cbegin(); it != m_extracted.cend(); ++it)
            sources.insert(it.key().second);
        const QRegularExpression literal(QStringLiteral("\"((?:[^\"\\\\]|\\\\.)*)\""));
        const QRegularExpression logLine(QStringLiteral("\\bq(C)?(Debug|Info|Warning|Critical)\\b"));
        QStringList faults;
        QDirIterator files(QStringLiteral(HUB8_SOURCE_DIR "/src"), {QStringLiteral("*.cpp"), QStringLiteral("*.h")},
                           QDir::Files, QDirIterator::Subdirectories);
        while (files.hasNext()) {
            QFile file(files.next());
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
            for (int i = 0; i < lines.size(); ++i) {
                QString line = lines.at(i).trimmed();
                if (line.startsWith(QLatin1String("//")) || line.startsWith(QLatin1Char('*')) || line.contains(logLine))
                    continue;
                auto it = literal.globalMatch(line);
                while (it.hasNext()) {
                    QString text = it.next().captured(1);
                    if (!text.contains(chinese))
                        continue;
                    text.replace(QLatin1String("\\n"), QLatin1String("\n"))
                        .replace(QLatin1String("\\\""), QLatin1String("\""));
                    if (!sources.contains(text))
                        faults << QStringLiteral("%1:%2: \"%3\"").arg(files.fileName()).arg(i + 1).arg(text);
                }
            }
        }
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QLatin1Char('\n'))));
    }
};

QTEST_GUILESS_MAIN(tst_translations)
#include "tst_translations.moc"
