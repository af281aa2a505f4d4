# The device: a Cortex-A8 (AM335x) running 32-bit hard-float Linux, built
# with Debian's cross compiler and the :armhf libraries of multiarch.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR armv7l)
set(CMAKE_LIBRARY_ARCHITECTURE arm-linux-gnueabihf)
set(CMAKE_C_COMPILER arm-linux-gnueabihf-gcc)
set(CMAKE_CXX_COMPILER arm-linux-gnueabihf-g++)

# 64-bit time_t and off_t: dates after 2038 and audio books over 2 GB on a
# card. Debian 12's armhf libraries keep the 32-bit types, so no call into
# them may carry time_t, struct timespec/timeval or off_t (see README).
set(DTB_ARM_FLAGS "-mcpu=cortex-a8 -mfpu=neon -mfloat-abi=hard -D_TIME_BITS=64 -D_FILE_OFFSET_BITS=64")
set(CMAKE_C_FLAGS_INIT "${DTB_ARM_FLAGS}")
set(CMAKE_CXX_FLAGS_INIT "${DTB_ARM_FLAGS}")

set(PKG_CONFIG_EXECUTABLE arm-linux-gnueabihf-pkg-config CACHE FILEPATH "pkg-config of the armhf libraries")
set(CMAKE_FIND_ROOT_PATH /usr/arm-linux-gnueabihf)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY BOTH)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE BOTH)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)

# Build-time generators (beeps, collation table) and the tests run on the PC
# under user-mode emulation.
find_program(DTB_QEMU_ARM qemu-arm-static qemu-arm)
if(DTB_QEMU_ARM)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${DTB_QEMU_ARM})
endif()
