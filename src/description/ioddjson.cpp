#include "ioddjson.h"

#include "ioddfile.h"
#include "ioddheaderreader.h"

#include <QList>
#include <QStringList>

namespace IoddJson {

QByteArray quoted(const QString &text)
{
    QByteArray out;
    out.reserve(text.size() + 2);
    out += '"';
    for (const char c : text.toUtf8()) {
        const auto u = static_cast<unsigned char>(c);
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\b':
            out += "\\b";
            break;
        case '\f':
            out += "\\f";
            break;
        default:
            if (u < 0x20)
                out += "\\u00" + QByteArray::number(u, 16).rightJustified(2, '0');
            else
                out += c;
        }
    }
    out += '"';
    return out;
}

void Writer::value(const char *key, const QString &text)
{
    item(key);
    m_out += quoted(text);
}

void Writer::number(const char *key, qint64 n)
{
    item(key);
    m_out += QByteArray::number(n);
}

void Writer::null(const char *key)
{
    item(key);
    m_out += "null";
}

void Writer::boolean(const char *key, bool b)
{
    item(key);
    m_out += b ? "true" : "false";
}

void Writer::strings(const char *key, const QStringList &list)
{
    beginArray(key);
    for (const QString &s : list)
        value(s);
    endArray();
}

void Writer::indent()
{
    m_out += QByteArray(2 * m_empty.size(), ' ');
}

void Writer::item(const char *key)
{
    if (!m_empty.isEmpty()) {
        if (!m_empty.last())
            m_out += ',';
        m_empty.last() = false;
        m_out += '\n';
        indent();
    }
    if (key)
        m_out += quoted(QString::fromLatin1(key)) + ": ";
}

void Writer::open(const char *key, char bracket)
{
    item(key);
    m_out += bracket;
    m_empty.append(true);
}

void Writer::close(char bracket)
{
    const bool wasEmpty = m_empty.takeLast();
    if (!wasEmpty) {
        m_out += '\n';
        indent();
    }
    m_out += bracket;
}

namespace {

void writeEditor(Writer &w, const char *key, const EditorItem &e)
{
    w.beginObject(key);
    w.value("flag", e.flag);
    w.value("value", e.value);
    w.value("widgetClass", e.widgetClass);
    w.value("typeName", e.typeName);
    w.beginArray("entries");
    for (const ValuePair &p : e.entries) {
        w.beginArray();
        w.value(p.first);
        w.value(p.second);
        w.endArray();
    }
    w.endArray();
    w.value("bitLength", e.bitLength);
    w.value("lowerValue", e.lowerValue);
    w.value("upperValue", e.upperValue);
    w.value("name", e.name);
    w.value("fixedLength", e.fixedLength);
    w.value("encoding", e.encoding);
    w.value("bitOffset", e.bitOffset);
    w.value("description", e.description);
    w.value("accessRightRestriction", e.accessRightRestriction);
    w.value("defaultValue", e.defaultValue);
    w.beginArray("ranges");
    for (const EditorItem &r : e.ranges)
        writeEditor(w, nullptr, r);
    w.endArray();
    w.endObject();
}

void writeValue(Writer &w, const ValueItem &v)
{
    w.beginObject();
    w.value("label", v.label);
    w.value("accessRightRestriction", v.accessRightRestriction);
    writeEditor(w, "editor", v.editor);
    w.value("unit", v.unit);
    w.value("defaultValue", v.defaultValue);
    w.value("description", v.description);
    w.value("displayFormat", v.displayFormat);
    w.value("gradient", v.gradient);
    w.value("buttonValue", v.buttonValue);
    w.value("subindex", v.subindex);
    w.value("offset", v.offset);
    w.value("index", v.index);
    w.value("bitLength", v.bitLength);
    w.value("subindexAccess", v.subindexAccess);
    w.endObject();
}

void writeTree(Writer &w, const char *key, const TreeItem &t)
{
    w.beginObject(key);
    w.value("text", t.text);
    w.value("name", t.name);
    w.beginArray("values");
    for (const ValueItem &v : t.values)
        writeValue(w, v);
    w.endArray();
    w.beginArray("children");
    for (const TreeItem &c : t.children)
        writeTree(w, nullptr, c);
    w.endArray();
    w.endObject();
}

} // namespace

QByteArray describe(const IoddHeaderReader &header, IoddFile &file)
{
    Writer w;
    w.beginObject();

    const DeviceInfo d = header.readDeviceInfo();
    w.beginObject("deviceInfo");
    w.value("vendorName", d.vendorName);
    w.value("vendorId", d.vendorId);
    w.value("vendorText", d.vendorText);
    w.value("vendorUrl", d.vendorUrl);
    w.value("productName", d.productName);
    w.value("productId", d.productId);
    w.value("productText", d.productText);
    w.value("deviceId", d.deviceId);
    w.value("iolinkRevision", d.iolinkRevision);
    w.value("minCycleTime", d.minCycleTime);
    w.value("sioSupported", d.sioSupported);
    w.value("bitrate", d.bitrate);
    w.value("deviceIcon", d.deviceIcon);
    w.value("deviceSymbol", d.deviceSymbol);
    w.value("connectionSymbol", d.connectionSymbol);
    w.value("connectionType", d.connectionType);
    w.strings("wireColors", d.wireColors);
    w.strings("wireFunctions", d.wireFunctions);
    w.value("fileName", d.fileName);
    w.value("version", d.version);
    w.value("releaseDate", d.releaseDate);
    w.endObject();

    w.beginArray("variants");
    for (const VariantItem &v : file.readVariants()) {
        w.beginObject();
        w.value("productId", v.productId);
        w.value("name", v.name);
        w.value("description", v.description);
        w.value("deviceSymbol", v.deviceSymbol);
        w.value("deviceIcon", v.deviceIcon);
        w.endObject();
    }
    w.endArray();

    w.beginObject("roleMenus");
    for (const char *set : roleMenuSets) {
        w.beginArray(set);
        for (const TreeItem &t : file.roleMenus(QString::fromLatin1(set)))
            writeTree(w, nullptr, t);
        w.endArray();
    }
    w.endObject();

    writeTree(w, "processDataIn", file.processDataIn());
    writeTree(w, "processDataOut", file.processDataOut());
    w.endObject();
    return w.text() + '\n';
}

} // namespace IoddJson
