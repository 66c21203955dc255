#ifndef DIRECTPARAMETERPAGE_H
#define DIRECTPARAMETERPAGE_H

#include <QByteArray>
#include <QString>
#include <QtGlobal>

struct IsduExchange;
struct IsduRequestBlock;

// What an IO-Link device tells about itself in its direct parameter page 1
// (ISDU index 0, subindex 0: 16 octets).
struct DirectParameters
{
    static constexpr int size = 16;

    quint8 minCycleTime = 0; // cycle time code, see cycleTimeUs()
    quint8 revisionId = 0;
    quint16 vendorId = 0;
    quint32 deviceId = 0; // 24 bits

    // The page from its octets; false when there are fewer than 16.
    static bool decode(const QByteArray &octets, DirectParameters *out);
};

// Microseconds of an IO-Link cycle time code: bits 7..6 the time base, bits
// 5..0 the multiplier m. Base 0: m x 0.1 ms; 1: 6.4 ms + m x 0.4 ms;
// 2: 32 ms + m x 1.6 ms; base 3 is reserved and gives -1.
int cycleTimeUs(quint8 code);
// The code as the pages show it: "3.0 ms", or the raw code when reserved.
QString cycleTimeText(quint8 code);

enum class DirectParameterRead {
    Read,     // a device in IO-Link operate answered with its page
    NoDevice, // status 0x06: no device in IO-Link operate on the port
    Unclear,  // the adapter answered, but not with the page
    NoAnswer, // the link failed: no adapter answering, or it was shut down
};

// How often the response is polled, and how long at most.
constexpr int directParameterPollMs = 50;
constexpr int directParameterWaitMs = 400;

// The ISDU read of the page of the device on port 0..7.
IsduRequestBlock directParameterRequest(int port);
// What the exchange of that request tells; the page in `out` when Read.
DirectParameterRead directParametersOf(const IsduExchange &exchange, DirectParameters *out);

#endif // DIRECTPARAMETERPAGE_H
