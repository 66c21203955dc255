#include "zipreader.h"

#include "zipname.h"

#include <QSet>

#include <algorithm>
#include <zlib.h>

namespace {

constexpr quint32 localSignature = 0x04034b50;
constexpr quint32 centralSignature = 0x02014b50;
constexpr quint32 endSignature = 0x06054b50;
constexpr int localHeaderSize = 30;
constexpr int centralHeaderSize = 46;
constexpr int endRecordSize = 22;
constexpr int maxCommentSize = 0xffff;

constexpr quint16 flagEncrypted = 0x0001;
constexpr quint16 flagStrongEncryption = 0x0040;
constexpr quint16 flagUtf8 = 0x0800;
constexpr quint16 methodStored = 0;
constexpr quint16 methodDeflate = 8;
constexpr quint16 methodAes = 99;

// Unix file types in the high half of the external attributes.
constexpr quint32 typeMask = 0170000;
constexpr quint32 typeRegular = 0100000;
constexpr quint32 typeFolder = 0040000;
constexpr quint32 typeLink = 0120000;
constexpr int hostUnix = 3;
constexpr int hostMac = 19;

// Deflate makes at most 1032 octets of one: a declared size beyond that is
// damage or a bomb, refused before anything is allocated.
constexpr qint64 maxDeflateRatio = 1032;

quint16 u16(const QByteArray &data, qint64 at)
{
    const auto *p = reinterpret_cast<const uchar *>(data.constData()) + at;
    return quint16(p[0] | p[1] << 8);
}

quint32 u32(const QByteArray &data, qint64 at)
{
    const auto *p = reinterpret_cast<const uchar *>(data.constData()) + at;
    return quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16 | quint32(p[3]) << 24;
}

struct Entry
{
    QString name;
    quint16 method = 0;
    quint32 crc = 0;
    qint64 compressed = 0, size = 0;
    qint64 headerBegin = 0, dataBegin = 0, dataEnd = 0;
};

// Where the end record starts, -1 when there is none: the last signature
// whose comment reaches exactly to the end of the archive.
qint64 findEndRecord(const QByteArray &data)
{
    const qint64 size = data.size();
    const qint64 lowest = std::max<qint64>(0, size - endRecordSize - maxCommentSize);
    for (qint64 at = size - endRecordSize; at >= lowest; --at) {
        if (u32(data, at) == endSignature && at + endRecordSize + u16(data, at + 20) == size)
            return at;
    }
    return -1;
}

// Inflates raw deflate data into exactly `size` octets; false when the data
// is damaged or inflates to another size.
bool inflateExactly(const char *in, qint64 inSize, qint64 size, QByteArray *out)
{
    // One octet more than declared shows a file that is larger than it says.
    QByteArray buffer(int(size + 1), Qt::Uninitialized);
    z_stream stream{};
    if (inflateInit2(&stream, -MAX_WBITS) != Z_OK)
        return false;
    stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(in));
    stream.avail_in = uInt(inSize);
    stream.next_out = reinterpret_cast<Bytef *>(buffer.data());
    stream.avail_out = uInt(buffer.size());
    const int result = inflate(&stream, Z_FINISH);
    const qint64 produced = qint64(stream.total_out);
    inflateEnd(&stream);
    if (result != Z_STREAM_END || produced != size)
        return false;
    buffer.resize(int(size));
    *out = buffer;
    return true;
}

} // namespace

bool ZipReader::read(const QByteArray &archive, QVector<File> *files, QString *why, const Limits &limits)
{
    const auto refuse = [why](const QString &reason) {
        *why = reason;
        return false;
    };
    const qint64 end = findEndRecord(archive);
    if (end < 0)
        return refuse(tr("不是zip压缩包（找不到中央目录）"));
    const quint16 disk = u16(archive, end + 4), directoryDisk = u16(archive, end + 6);
    const quint16 entriesHere = u16(archive, end + 8), entryCount = u16(archive, end + 10);
    const quint32 directorySize = u32(archive, end + 12), directoryOffset = u32(archive, end + 16);
    if (entryCount == 0xffff || directorySize == 0xffffffff || directoryOffset == 0xffffffff)
        return refuse(tr("不支持Zip64压缩包"));
    if (disk != 0 || directoryDisk != 0 || entriesHere != entryCount)
        return refuse(tr("不支持分卷压缩包"));
    if (entryCount > limits.maxEntries)
        return refuse(tr("条目太多（%1 个，最多 %2 个）").arg(entryCount).arg(limits.maxEntries));
    const qint64 directoryEnd = qint64(directoryOffset) + directorySize;
    if (directoryEnd > end)
        return refuse(tr("中央目录超出文件范围"));

    QVector<Entry> entries;
    QSet<QString> names;
    qint64 total = 0;
    qint64 at = directoryOffset;
    for (int i = 0; i < entryCount; ++i) {
        if (at + centralHeaderSize > directoryEnd || u32(archive, at) != centralSignature)
            return refuse(tr("中央目录已损坏"));
        const int host = u16(archive, at + 4) >> 8;
        const quint16 flags = u16(archive, at + 8), method = u16(archive, at + 10);
        const quint32 crc = u32(archive, at + 16), compressed = u32(archive, at + 20), size = u32(archive, at + 24);
        const quint16 nameSize = u16(archive, at + 28), extraSize = u16(archive, at + 30);
        const quint16 commentSize = u16(archive, at + 32);
        const quint32 mode = u32(archive, at + 38) >> 16;
        const quint32 headerOffset = u32(archive, at + 42);
        const qint64 next = at + centralHeaderSize + nameSize + extraSize + commentSize;
        if (next > directoryEnd)
            return refuse(tr("中央目录已损坏"));
        const QByteArray rawName = archive.mid(int(at + centralHeaderSize), nameSize);
        at = next;

        QString reason;
        const QString name = ZipName::decode(rawName, flags & flagUtf8, &reason);
        if (name.isEmpty() && !reason.isEmpty())
            return refuse(reason);
        if (!ZipName::check(name, &reason))
            return refuse(reason);
        if ((flags & (flagEncrypted | flagStrongEncryption)) || method == methodAes)
            return refuse(tr("%1 已加密").arg(name));
        const quint32 type = (host == hostUnix || host == hostMac) ? mode & typeMask : 0;
        if (type == typeLink)
            return refuse(tr("%1 是符号链接").arg(name));
        if (type != 0 && type != typeRegular && type != typeFolder)
            return refuse(tr("%1 不是普通文件").arg(name));
        if (compressed == 0xffffffff || size == 0xffffffff || headerOffset == 0xffffffff)
            return refuse(tr("不支持Zip64压缩包"));
        if (name.endsWith(QLatin1Char('/')) || type == typeFolder) {
            if (size != 0 || !name.endsWith(QLatin1Char('/')))
                return refuse(tr("文件夹条目 %1 已损坏").arg(name));
            continue;
        }
        if (method != methodStored && method != methodDeflate)
            return refuse(tr("%1 的压缩方式（%2）不支持").arg(name).arg(method));
        const QString key = name.toCaseFolded();
        if (names.contains(key))
            return refuse(tr("名称重复：%1").arg(name));
        names.insert(key);
        if (size > limits.maxFileSize)
            return refuse(tr("%1 解压后太大（%2 字节，最多 %3 字节）").arg(name).arg(size).arg(limits.maxFileSize));
        total += size;
        if (total > limits.maxTotalSize)
            return refuse(tr("解压后的总大小超过 %1 字节").arg(limits.maxTotalSize));
        if ((method == methodStored && compressed != size)
            || (method == methodDeflate && qint64(size) > (qint64(compressed) + 1) * maxDeflateRatio))
            return refuse(tr("%1 声明的大小不可能").arg(name));

        Entry entry;
        entry.name = name;
        entry.method = method;
        entry.crc = crc;
        entry.compressed = compressed;
        entry.size = size;
        entry.headerBegin = headerOffset;
        // The local header must name the same file the same way.
        if (entry.headerBegin + localHeaderSize > directoryOffset || u32(archive, entry.headerBegin) != localSignature)
            return refuse(tr("%1 的本地文件头已损坏").arg(name));
        const quint16 localFlags = u16(archive, entry.headerBegin + 6);
        const quint16 localMethod = u16(archive, entry.headerBegin + 8);
        const quint16 localNameSize = u16(archive, entry.headerBegin + 26);
        const quint16 localExtraSize = u16(archive, entry.headerBegin + 28);
        entry.dataBegin = entry.headerBegin + localHeaderSize + localNameSize + localExtraSize;
        entry.dataEnd = entry.dataBegin + entry.compressed;
        if (entry.dataEnd > directoryOffset)
            return refuse(tr("%1 的数据超出文件范围").arg(name));
        if (archive.mid(int(entry.headerBegin + localHeaderSize), localNameSize) != rawName || localMethod != method)
            return refuse(tr("%1 的本地文件头与中央目录不符").arg(name));
        if (localFlags & (flagEncrypted | flagStrongEncryption))
            return refuse(tr("%1 已加密").arg(name));
        entries.append(entry);
    }

    // Entries that share their data make a small archive inflate many times.
    QVector<Entry> byOffset = entries;
    std::sort(byOffset.begin(), byOffset.end(),
              [](const Entry &a, const Entry &b) { return a.headerBegin < b.headerBegin; });
    for (int i = 1; i < byOffset.size(); ++i) {
        if (byOffset.at(i).headerBegin < byOffset.at(i - 1).dataEnd)
            return refuse(tr("%1 与 %2 的数据重叠").arg(byOffset.at(i - 1).name, byOffset.at(i).name));
    }

    QVector<File> out;
    out.reserve(entries.size());
    for (const Entry &entry : qAsConst(entries)) {
        File file;
        file.name = entry.name;
        const char *data = archive.constData() + entry.dataBegin;
        if (entry.method == methodStored)
            file.data = QByteArray(data, int(entry.size));
        else if (!inflateExactly(data, entry.compressed, entry.size, &file.data))
            return refuse(tr("%1 无法解压（数据损坏或大小不符）").arg(entry.name));
        const auto crc = crc32(0L, reinterpret_cast<const Bytef *>(file.data.constData()), uInt(file.data.size()));
        if (crc != entry.crc)
            return refuse(tr("%1 的CRC校验错误").arg(entry.name));
        out.append(file);
    }
    *files = out;
    return true;
}
