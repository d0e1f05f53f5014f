# Cross build for the instrument's 32-bit ARM Linux board with Debian's armhf multiarch libraries.
# Programs built here run on the PC through qemu-arm (tests and test discovery included).
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR arm)
set(CMAKE_C_COMPILER arm-linux-gnueabihf-gcc)
set(CMAKE_CXX_COMPILER arm-linux-gnueabihf-g++)
set(CMAKE_LIBRARY_ARCHITECTURE arm-linux-gnueabihf)
# GCC 12 at -O3 takes string concatenations for overlapping copies and a vector's resize for a write
# out of bounds (known false -Wrestrict and -Warray-bounds): they stay warnings here so that
# -Werror does not stop the board build on them.
# 64-bit file offsets and inode numbers: without them stat and readdir fail with EOVERFLOW on
# large files, and on every ext4 directory when qemu-arm runs the program on a 64-bit host.
set(CMAKE_C_FLAGS_INIT "-D_FILE_OFFSET_BITS=64")
set(CMAKE_CXX_FLAGS_INIT
    "-D_FILE_OFFSET_BITS=64 -Wno-error=restrict -Wno-error=array-bounds -Wno-error=stringop-overflow")
# The emulator loads the armhf libraries the programs were linked against (Debian's multiarch root
# "/"): with the cross compiler's own copy of the C library (/usr/arm-linux-gnueabihf) a
# dynamically linked program dies at its first pthread_create under qemu-arm 7.2.
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-arm -L /)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# pkg-config must see only the armhf .pc files.
set(ENV{PKG_CONFIG_LIBDIR} /usr/lib/arm-linux-gnueabihf/pkgconfig:/usr/share/pkgconfig)
