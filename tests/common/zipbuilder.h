#ifndef ZIPBUILDER_H
#define ZIPBUILDER_H

// Zip archives made in the tests, byte by byte: whole ones from a list of
// entries, and the records apart (local header with data, central header,
// end record) for archives that lie about themselves.

#include <QByteArray>
#include <QVector>

#include <zlib.h>

namespace ZipBuilder {

struct Entry
{
    QByteArray name;
    QByteArray data;
    bool deflate = true;
    quint16 flags = 0;
    quint16 method = 0xffff;  // 0xffff: 8 when deflate, else 0
    quint32 mode = 0100644;   // Unix mode, kept in the external attributes
    qint64 declaredSize = -1; // -1: the data's size
    qint64 crcDelta = 0;      // added to the true CRC
};

inline void put16(QByteArray &out, quint32 v)
{
    out.append(char(v & 0xff)).append(char(v >> 8 & 0xff));
}

inline void put32(QByteArray &out, quint32 v)
{
    put16(out, v & 0xffff);
    put16(out, v >> 16);
}

inline QByteArray rawDeflate(const QByteArray &data)
{
    z_stream s{};
    deflateInit2(&s, 9, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    QByteArray out(int(deflateBound(&s, uLong(data.size()))), '\0');
    s.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(data.constData()));
    s.avail_in = uInt(data.size());
    s.next_out = reinterpret_cast<Bytef *>(out.data());
    s.avail_out = uInt(out.size());
    deflate(&s, Z_FINISH);
    out.resize(int(s.total_out));
    deflateEnd(&s);
    return out;
}

// What the headers of an entry say, computed once.
struct Packed
{
    Entry entry;
    QByteArray stored; // the data as it lies in the archive
    quint32 crc = 0, size = 0;
    quint16 method = 0;
};

inline Packed pack(const Entry &e)
{
    Packed p;
    p.entry = e;
    p.stored = e.deflate ? rawDeflate(e.data) : e.data;
    p.crc = quint32(crc32(0L, reinterpret_cast<const Bytef *>(e.data.constData()), uInt(e.data.size())) + e.crcDelta);
    p.size = quint32(e.declaredSize >= 0 ? e.declaredSize : e.data.size());
    p.method = e.method != 0xffff ? e.method : (e.deflate ? 8 : 0);
    return p;
}

inline QByteArray localRecord(const Packed &p)
{
    QByteArray out;
    put32(out, 0x04034b50);
    put16(out, 20);
    put16(out, p.entry.flags);
    put16(out, p.method);
    put32(out, 0); // time, date
    put32(out, p.crc);
    put32(out, quint32(p.stored.size()));
    put32(out, p.size);
    put16(out, quint32(p.entry.name.size()));
    put16(out, 0);
    return out + p.entry.name + p.stored;
}

inline QByteArray centralRecord(const Packed &p, quint32 offset)
{
    QByteArray out;
    put32(out, 0x02014b50);
    put16(out, 3 << 8 | 20); // made on Unix
    put16(out, 20);
    put16(out, p.entry.flags);
    put16(out, p.method);
    put32(out, 0);
    put32(out, p.crc);
    put32(out, quint32(p.stored.size()));
    put32(out, p.size);
    put16(out, quint32(p.entry.name.size()));
    put32(out, 0); // extra and comment lengths
    put32(out, 0); // disk, internal attributes
    put32(out, p.entry.mode << 16);
    put32(out, offset);
    return out + p.entry.name;
}

inline QByteArray endRecord(int entries, int directorySize, int directoryOffset, const QByteArray &comment = {})
{
    QByteArray out;
    put32(out, 0x06054b50);
    put32(out, 0); // this disk, the directory's disk
    put16(out, quint32(entries));
    put16(out, quint32(entries));
    put32(out, quint32(directorySize));
    put32(out, quint32(directoryOffset));
    put16(out, quint32(comment.size()));
    return out + comment;
}

inline QByteArray archive(const QVector<Entry> &entries, const QByteArray &comment = {})
{
    QByteArray body, directory;
    for (const Entry &e : entries) {
        const Packed p = pack(e);
        directory += centralRecord(p, quint32(body.size()));
        body += localRecord(p);
    }
    return body + directory + endRecord(entries.size(), directory.size(), body.size(), comment);
}

} // namespace ZipBuilder

#endif // ZIPBUILDER_H
