#ifndef IODDDEVICE_H
#define IODDDEVICE_H

#include "virtualdevice.h"

#include "protocol/deviceevents.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QMap>
#include <QPair>
#include <QString>

#include <memory>
#include <optional>

// An IO-Link device made from its IODD: every variable of the description's
// VariableCollection (own variables and standard variables it references)
// with its octets, answered and checked as a real device would, and input
// process data that moves within the ranges of the description's
// ProcessDataIn. The description is read once, when the device is made;
// requests work on the octets only.
class IoddFile;

class IoddDevice : public VirtualDevice
{
public:
    // (index, subindex) of an ISDU request.
    using Address = QPair<quint16, quint8>;

    // Values a description leaves to the individual device.
    struct Options
    {
        QString serialNumber;     // empty: "SN" and the device id
        QString hardwareRevision; // empty: "HW 1.0"
        QString firmwareRevision; // empty: "FW 1.0.0"
        // Input process data that stay as given instead of moving; the
        // caller makes them as long as the description's input.
        std::optional<QByteArray> processDataIn;
        // Octets a read answers instead of the description's default. Those
        // with the length of the description's value or item become that
        // value (so reads of the whole and of its items agree, and writes are
        // checked as usual); the others are answered exactly as given.
        QMap<Address, QByteArray> parameters;
        // ISDU error codes (0x8030 ...) every write to these indexes is answered with.
        QMap<quint16, quint16> writeErrors;
        // What the device checks between its parameters: the number at
        // `index` must stay above the one at `above` (simple numeric
        // variables). A single write that breaks it is refused; in a block
        // the set is checked at its end and taken whole or not at all.
        struct Rule
        {
            quint16 index = 0;
            quint16 above = 0;
        };
        QList<Rule> rules;

        // An event the device reports from `atMs` after it was made, for
        // `forMs` (negative: from then on).
        struct Event
        {
            quint16 code = 0;
            EventType type = EventType::Warning;
            qint64 atMs = 0;
            qint64 forMs = -1;
        };
        // With events the device answers its Device Status and Detailed
        // Device Status from them, whether the description has those
        // indexes or not.
        QList<Event> events;
    };

    // Reads the description at `path` with the standard definitions from
    // stdBaseDir/std1.1/. Null with a message in *error when the file cannot
    // be read or is no device description. Made by the builder in
    // iodddevicebuilder.cpp.
    static std::unique_ptr<IoddDevice> fromFile(const QString &path, const QString &stdBaseDir, QString *error,
                                                const Options &options = Options());
    // The same from a description already loaded, so that several devices
    // are built from one parse.
    static std::unique_ptr<IoddDevice> fromDescription(const IoddFile &file, QString *error,
                                                       const Options &options = Options());

    ~IoddDevice() override;

    quint16 vendorId() const override { return m_vendorId; }
    quint32 deviceId() const override { return m_deviceId; }

    IsduAnswer readIsdu(quint16 index, quint8 subindex) override;
    IsduAnswer writeIsdu(quint16 index, quint8 subindex, const QByteArray &data) override;
    QByteArray processDataIn(qint64 ms) const override;

    // The events present `ms` after the device was made, as the Detailed
    // Device Status lists them: in the order they appeared, warnings and
    // errors as "appears", notifications as "single shot", from the
    // device's application.
    QVector<DeviceEventEntry> activeEvents(qint64 ms) const;
    // The Device Status then: 4 (failure) while an error is present, else 2
    // (out of rated range) while a warning is, else 0.
    quint8 deviceStatus(qint64 ms) const;
    // The Detailed Device Status then: eventSlots() entries, the first
    // events present, then empty slots.
    QByteArray detailedDeviceStatus(qint64 ms) const;
    // Entries of the Detailed Device Status: the description's array
    // length, else as many as one mailbox response carries.
    int eventSlots() const { return m_eventSlots; }

    // Set by ParamDownloadStore: the master is to take the parameters into
    // its Data Storage.
    bool dataStorageUploadFlag() const { return m_uploadFlag; }
    // Between ParamDownloadStart and its end or break.
    bool inBlock() const { return m_block.has_value(); }
    // The Data Storage object's index.
    static constexpr quint16 dataStorageIndex = 3;
    // Why the rule cannot be checked on this device; empty when it can.
    QString ruleProblem(const Options::Rule &rule) const;

    // The ISDU indexes the device answers, ascending.
    QList<quint16> indexes() const { return m_variables.keys(); }
    int processDataInOctets() const { return m_pdInOctets; }

    // One value inside a variable, or a variable's simple datatype.
    struct Scalar
    {
        enum Kind { Boolean, Integer, UInteger, Float, String, OctetString, Time, TimeSpan };
        struct Limit
        {
            qint64 s = 0;
            quint64 u = 0;
            double d = 0;
        };
        Kind kind = OctetString;
        int bits = 8;        // width inside a record or array
        int fixedLength = 0; // octets of a string or octet string
        bool utf8 = true;
        QList<Limit> singles;
        QList<QPair<Limit, Limit>> ranges;

        int octets() const { return (bits + 7) / 8; }
    };

    struct Item
    {
        int subindex = 0;
        int offset = 0;
        Scalar type;
        bool readable = true;
        bool writable = true;
    };

    struct Variable
    {
        enum Kind { Simple, Record, Array, ProcessIn, ProcessOut, Command };
        QString id;
        Kind kind = Simple;
        bool readable = true;
        bool writable = true;
        bool subindexAccess = true;
        Scalar type;         // a simple variable, an array's element, the commands a device takes
        Scalar commandRange; // every value the standard allows for a command
        QList<Item> items;   // a record's items
        int count = 0;       // an array's elements
        int size = 0;        // octets of a record or array image, or of a fixed-size simple value
        QByteArray value;
        QByteArray factory;
    };

    struct PdItem
    {
        enum Kind { Flag, Signed, Unsigned, Float };
        Kind kind = Flag;
        int offset = 0;
        int width = 1;
        double lower = 0;
        double upper = 0;
    };

private:
    IoddDevice();

    quint16 missing(quint16 index) const;
    IsduAnswer writeDescribed(quint16 index, quint8 subindex, const QByteArray &data);
    IsduAnswer writeItem(Variable &v, const Item &item, const QByteArray &data);
    IsduAnswer writeImage(Variable &v, const QByteArray &data);
    IsduAnswer systemCommand(const Variable &v, const QByteArray &data);
    void restoreFactorySettings();
    // The Data Storage object (iodddevicestorage.cpp).
    QList<quint16> storedIndexes() const;
    quint8 dataStorageState() const;
    IsduAnswer readDataStorage(quint8 subindex) const;
    IsduAnswer writeDataStorage(quint8 subindex, const QByteArray &data);
    // The first rule broken by the values now, or null.
    const Options::Rule *brokenRule() const;
    double numberAt(quint16 index) const;

    quint16 m_vendorId = 0;
    quint32 m_deviceId = 0;
    QMap<quint16, Variable> m_variables;
    // Octets given for addresses the description's values could not take:
    // answered as they are, replaced by writes.
    QMap<Address, QByteArray> m_given;
    QMap<Address, QByteArray> m_givenFactory;
    QMap<quint16, quint16> m_writeErrors;
    QList<Options::Rule> m_rules;
    // The values at ParamDownloadStart, put back when the block is broken
    // off or its set refused.
    struct Snapshot
    {
        QMap<quint16, Variable> variables;
        QMap<Address, QByteArray> given;
    };
    std::optional<Snapshot> m_block;
    bool m_uploadFlag = false;
    enum class StorageState { Inactive = 0, Upload = 1, Download = 2 };
    StorageState m_storageState = StorageState::Inactive;
    QList<Options::Event> m_events;
    int m_eventSlots = 0;
    std::optional<QByteArray> m_fixedPdIn;
    QList<PdItem> m_pdItems;
    int m_pdInOctets = 0;
    int m_pdOutOctets = 0;
    QElapsedTimer m_clock;

    friend class IoddDeviceBuilder;
};

#endif // IODDDEVICE_H
