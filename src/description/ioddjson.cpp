#include "ioddjson.h"

#include "ioddheaderreader.h"
#include "ioddfile.h"

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

void writer::value(const char *key, const QString &text)
{
    item(key);
    out += quoted(text);
}

void writer::number(const char *key, qint64 n)
{
    item(key);
    out += QByteArray::number(n);
}

void writer::null(const char *key)
{
    item(key);
    out += "null";
}

void writer::boolean(const char *key, bool b)
{
    item(key);
    out += b ? "true" : "false";
}

void writer::strings(const char *key, const QStringList &list)
{
    beginArray(key);
    for (const QString &s : list)
        value(s);
    endArray();
}

void writer::indent()
{
    out += QByteArray(2 * m_empty.size(), ' ');
}

void writer::item(const char *key)
{
    if (!m_empty.isEmpty()) {
        if (!m_empty.last())
            out += ',';
        m_empty.last() = false;
        out += '\n';
        indent();
    }
    if (key)
        out += quoted(QString::fromLatin1(key)) + ": ";
}

void writer::open(const char *key, char bracket)
{
    item(key);
    out += bracket;
    m_empty.append(true);
}

void writer::close(char bracket)
{
    const bool wasEmpty = m_empty.takeLast();
    if (!wasEmpty) {
        out += '\n';
        indent();
    }
    out += bracket;
}

namespace {

void writeEditor(writer &w, const char *key, const editorItem &e)
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
    for (const editorItem &r : e.ranges)
        writeEditor(w, nullptr, r);
    w.endArray();
    w.endObject();
}

void writeValue(writer &w, const valueItem &v)
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

void writeTree(writer &w, const char *key, const treeItem &t)
{
    w.beginObject(key);
    w.value("text", t.text);
    w.value("name", t.name);
    w.beginArray("values");
    for (const valueItem &v : t.values)
        writeValue(w, v);
    w.endArray();
    w.beginArray("children");
    for (const treeItem &c : t.children)
        writeTree(w, nullptr, c);
    w.endArray();
    w.endObject();
}

} // namespace

QByteArray describe(const IoddHeaderReader &header, IoddFile &file)
{
    writer w;
    w.beginObject();

    const deviceInfo d = header.readDeviceInfo();
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
    for (const variantItem &v : file.readVariants()) {
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
        for (const treeItem &t : file.roleMenus(QString::fromLatin1(set)))
            writeTree(w, nullptr, t);
        w.endArray();
    }
    w.endObject();

    writeTree(w, "processDataIn", file.processDataIn());
    writeTree(w, "processDataOut", file.processDataOut());
    w.endObject();
    w.out += '\n';
    return w.out;
}

} // namespace IoddJson
