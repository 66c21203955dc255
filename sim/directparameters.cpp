#include "directparameters.h"

QByteArray DirectParameterPage1::octets() const
{
    QByteArray page(16, '\0');
    page[1] = char(masterCycleTime);
    page[2] = char(minCycleTime);
    page[3] = char(mSequenceCapability);
    page[4] = char(revisionId);
    page[5] = char(processDataIn);
    page[6] = char(processDataOut);
    page[7] = char(vendorId >> 8);
    page[8] = char(vendorId & 0xFF);
    page[9] = char((deviceId >> 16) & 0xFF);
    page[10] = char((deviceId >> 8) & 0xFF);
    page[11] = char(deviceId & 0xFF);
    return page;
}
