// The serial port of the 4G/GPS module: open and line settings through the seam.
#pragma once

// Opens `dev` read-write and non-blocking; -1 with "Can't Open Serial Port !" on failure.
int OpenComPort(const char* dev);
// Raw mode at `speed` (2400, 4800, 9600 for any other value, 115200, 460800), 7 or 8 data bits,
// parity 'N', 'O' or 'E', 1 or 2 stop bits, VTIME 5, VMIN 255; input flushed first. 0 or -1.
int SetupSerial(int fd, int speed, int bits, char parity, int stop);
