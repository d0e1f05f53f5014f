// Serial port open and termios set-up (see serialport.h).
#include "net/serialport.h"

#include <fcntl.h>
#include <termios.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/seam.h"

int OpenComPort(const char* dev)
{
    int fd = plat_open(dev, O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) std::printf("Can't Open Serial Port ! %s\n", std::strerror(errno));
    return fd;
}

namespace
{
speed_t baud(int speed)
{
    switch (speed) {
    case 2400:
        return B2400;
    case 4800:
        return B4800;
    case 115200:
        return B115200;
    case 460800:
        return B460800;
    default:
        return B9600;
    }
}
} // namespace

int SetupSerial(int fd, int speed, int bits, char parity, int stop)
{
    struct termios t;
    if (plat_tcgetattr(fd, &t) != 0) {
        std::printf("SetupSerial 1 %s\n", std::strerror(errno));
        return -1;
    }
    if ((bits != 7 && bits != 8) || (stop != 1 && stop != 2) ||
        (parity != 'N' && parity != 'O' && parity != 'E'))
        return -1;
    std::memset(&t, 0, sizeof t);
    t.c_cflag = CLOCAL | CREAD | (bits == 7 ? CS7 : CS8) | (stop == 2 ? CSTOPB : 0);
    if (parity == 'O') {
        t.c_cflag |= PARENB | PARODD;
        t.c_iflag |= INPCK | ISTRIP;
    } else if (parity == 'E') {
        t.c_cflag |= PARENB;
        t.c_iflag |= INPCK | ISTRIP;
    }
    cfsetispeed(&t, baud(speed));
    cfsetospeed(&t, baud(speed));
    t.c_cc[VTIME] = 5;
    t.c_cc[VMIN] = 255;
    plat_tcflush(fd, TCIFLUSH);
    if (plat_tcsetattr(fd, TCSANOW, &t) != 0) {
        std::printf("com set error %s\n", std::strerror(errno));
        return -1;
    }
    return 0;
}
