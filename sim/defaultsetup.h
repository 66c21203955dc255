#ifndef DEFAULTSETUP_H
#define DEFAULTSETUP_H

class VirtualAdapter;

// The ports as the virtual adapter comes out of the box: IO-Link devices in
// operate on Port1 and the even ports, a DI port, a DO port and an empty port.
void applyDefaultSetup(VirtualAdapter &adapter);

#endif // DEFAULTSETUP_H
