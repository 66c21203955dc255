#include "ioddindex.h"

#include <QDomNodeList>

#include <atomic>

namespace {

std::atomic<bool> indexEnabled{true};

const QString idAttribute = QStringLiteral("id");

// Calls f for every child element named `child` of every element named
// `collection`, in document order.
template <typename F>
void forEachChild(const QDomElement &root, const QString &collection, const QString &child, F f)
{
    const QDomNodeList list = root.elementsByTagName(collection);
    for (int c = 0; c < list.count(); ++c) {
        for (QDomElement e = list.item(c).firstChildElement(); !e.isNull(); e = e.nextSiblingElement()) {
            if (child.isEmpty() || e.nodeName() == child) {
                if (!f(e))
                    return;
            }
        }
    }
}

} // namespace

void IoddIndex::setEnabled(bool on)
{
    indexEnabled = on;
}

bool IoddIndex::enabled()
{
    return indexEnabled;
}

void IoddIndex::reset(const QDomElement &root)
{
    *this = IoddIndex();
    m_root = root;
}

QString IoddIndex::text(const QString &textId, const QString &language)
{
    const QString langAttr = QStringLiteral("xml:lang");
    if (!enabled()) {
        QString result;
        bool found = false;
        forEachChild(m_root, QStringLiteral("ExternalTextCollection"), QString(), [&](const QDomElement &block) {
            if (block.attribute(langAttr) != language)
                return true;
            for (QDomElement t = block.firstChildElement(); !t.isNull(); t = t.nextSiblingElement()) {
                if (t.attribute(idAttribute) == textId) {
                    result = t.attribute(QStringLiteral("value"));
                    found = true;
                    return false;
                }
            }
            return true;
        });
        return found ? result : m_addedTexts.value(language).value(textId);
    }
    if (!m_textsBuilt) {
        m_textsBuilt = true;
        forEachChild(m_root, QStringLiteral("ExternalTextCollection"), QString(), [&](const QDomElement &block) {
            QHash<QString, QString> &texts = m_texts[block.attribute(langAttr)];
            for (QDomElement t = block.firstChildElement(); !t.isNull(); t = t.nextSiblingElement()) {
                const QString id = t.attribute(idAttribute);
                if (!texts.contains(id))
                    texts.insert(id, t.attribute(QStringLiteral("value")));
            }
            return true;
        });
    }
    const auto own = m_texts.constFind(language);
    if (own != m_texts.constEnd()) {
        const auto found = own->constFind(textId);
        if (found != own->constEnd())
            return found.value();
    }
    return m_addedTexts.value(language).value(textId);
}

void IoddIndex::addTexts(const QString &language, const QHash<QString, QString> &texts)
{
    QHash<QString, QString> &added = m_addedTexts[language];
    for (auto it = texts.constBegin(); it != texts.constEnd(); ++it) {
        if (!added.contains(it.key()))
            added.insert(it.key(), it.value());
    }
}

QString IoddIndex::primaryLanguage()
{
    if (!m_primaryLanguageFound) {
        m_primaryLanguageFound = true;
        forEachChild(m_root, QStringLiteral("ExternalTextCollection"), QStringLiteral("PrimaryLanguage"),
                     [this](const QDomElement &block) {
                         m_primaryLanguage = block.attribute(QStringLiteral("xml:lang"));
                         return false;
                     });
    }
    return m_primaryLanguage;
}

QDomElement IoddIndex::datatype(const QString &id)
{
    const QString collection = QStringLiteral("DatatypeCollection");
    const QString child = QStringLiteral("Datatype");
    if (!enabled()) {
        QDomElement result;
        forEachChild(m_root, collection, child, [&](const QDomElement &e) {
            if (e.attribute(idAttribute) != id)
                return true;
            result = e;
            return false;
        });
        return result;
    }
    if (!m_datatypesBuilt) {
        m_datatypesBuilt = true;
        forEachChild(m_root, collection, child, [&](const QDomElement &e) {
            const QString key = e.attribute(idAttribute);
            if (!m_datatypes.contains(key))
                m_datatypes.insert(key, e);
            return true;
        });
    }
    return m_datatypes.value(id);
}

QList<QDomElement> IoddIndex::variables(const QString &id)
{
    const auto isVariable = [](const QDomElement &e) {
        return e.nodeName() == QLatin1String("Variable") || e.nodeName() == QLatin1String("StdVariableRef");
    };
    const QString collection = QStringLiteral("VariableCollection");
    if (!enabled()) {
        QList<QDomElement> result;
        forEachChild(m_root, collection, QString(), [&](const QDomElement &e) {
            if (isVariable(e) && e.attribute(idAttribute) == id)
                result.append(e);
            return true;
        });
        return result;
    }
    if (!m_variablesBuilt) {
        m_variablesBuilt = true;
        forEachChild(m_root, collection, QString(), [&](const QDomElement &e) {
            if (isVariable(e))
                m_variables[e.attribute(idAttribute)].append(e);
            return true;
        });
    }
    return m_variables.value(id);
}

QList<QDomElement> IoddIndex::menus(const QString &id)
{
    const QString collection = QStringLiteral("MenuCollection");
    const QString child = QStringLiteral("Menu");
    if (!enabled()) {
        QList<QDomElement> result;
        forEachChild(m_root, collection, child, [&](const QDomElement &e) {
            if (e.attribute(idAttribute) == id)
                result.append(e);
            return true;
        });
        return result;
    }
    if (!m_menusBuilt) {
        m_menusBuilt = true;
        forEachChild(m_root, collection, child, [&](const QDomElement &e) {
            m_menus[e.attribute(idAttribute)].append(e);
            return true;
        });
    }
    return m_menus.value(id);
}

QString IoddIndex::unit(const QString &code)
{
    const QString collection = QStringLiteral("UnitCollection");
    const QString child = QStringLiteral("Unit");
    const QString codeAttr = QStringLiteral("code");
    const QString abbr = QStringLiteral("abbr");
    if (!enabled()) {
        QString result;
        forEachChild(m_root, collection, child, [&](const QDomElement &e) {
            if (e.attribute(codeAttr) != code)
                return true;
            result = e.attribute(abbr);
            return false;
        });
        return result;
    }
    if (!m_unitsBuilt) {
        m_unitsBuilt = true;
        forEachChild(m_root, collection, child, [&](const QDomElement &e) {
            const QString key = e.attribute(codeAttr);
            if (!m_units.contains(key))
                m_units.insert(key, e.attribute(abbr));
            return true;
        });
    }
    return m_units.value(code);
}

QList<QDomElement> IoddIndex::elements(const QString &tagName)
{
    const auto scan = [this, &tagName]() {
        QList<QDomElement> result;
        const QDomNodeList list = m_root.elementsByTagName(tagName);
        for (int i = 0; i < list.count(); ++i)
            result.append(list.item(i).toElement());
        return result;
    };
    if (!enabled())
        return scan();
    auto it = m_elements.find(tagName);
    if (it == m_elements.end())
        it = m_elements.insert(tagName, scan());
    return it.value();
}
