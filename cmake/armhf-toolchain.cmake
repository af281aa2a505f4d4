# The device: a Cortex-A8 (AM335x) running 32-bit hard-float Linux, built
# with Debian's cross compiler against the armhf sysroot that
# scripts/install-deps.sh --cross makes (DTB_ARMHF_SYSROOT, default
# /opt/dtb-armhf-sysroot).
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR armv7l)
set(CMAKE_LIBRARY_ARCHITECTURE arm-linux-gnueabihf)
set(CMAKE_C_COMPILER arm-linux-gnueabihf-gcc)
set(CMAKE_CXX_COMPILER arm-linux-gnueabihf-g++)

# 64-bit time_t and off_t: dates after 2038 and audio books over 2 GB on a
# card. Debian 12's armhf libraries keep the 32-bit types, so no call into
# them may carry time_t, struct timespec/timeval or off_t (see README).
# -Wno-psabi: GCC's notes that passing some types changed in GCC 7.1 concern
# code built by older compilers, which none of ours is.
set(DTB_ARM_FLAGS "-mcpu=cortex-a8 -mfpu=neon -mfloat-abi=hard -D_TIME_BITS=64 -D_FILE_OFFSET_BITS=64 -Wno-psabi")
set(CMAKE_C_FLAGS_INIT "${DTB_ARM_FLAGS}")
set(CMAKE_CXX_FLAGS_INIT "${DTB_ARM_FLAGS}")

if(NOT DTB_ARMHF_SYSROOT)
  if(DEFINED ENV{DTB_ARMHF_SYSROOT})
    set(DTB_ARMHF_SYSROOT $ENV{DTB_ARMHF_SYSROOT})
  else()
    set(DTB_ARMHF_SYSROOT /opt/dtb-armhf-sysroot)
  endif()
endif()
if(NOT EXISTS ${DTB_ARMHF_SYSROOT}/usr/lib/arm-linux-gnueabihf/libc.so)
  message(FATAL_ERROR "no armhf sysroot in ${DTB_ARMHF_SYSROOT}: run scripts/install-deps.sh --cross")
endif()
set(DTB_ARMHF_SYSROOT ${DTB_ARMHF_SYSROOT} CACHE PATH "armhf sysroot (scripts/make-armhf-sysroot.sh)")
set(CMAKE_SYSROOT ${DTB_ARMHF_SYSROOT})
set(CMAKE_FIND_ROOT_PATH ${DTB_ARMHF_SYSROOT})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# The PC's pkg-config reading only the sysroot's .pc files, their paths
# prefixed with it.
set(PKG_CONFIG_EXECUTABLE pkg-config CACHE FILEPATH "pkg-config")
set(ENV{PKG_CONFIG_DIR} "")
set(ENV{PKG_CONFIG_SYSROOT_DIR} ${DTB_ARMHF_SYSROOT})
set(ENV{PKG_CONFIG_LIBDIR}
    "${DTB_ARMHF_SYSROOT}/usr/lib/arm-linux-gnueabihf/pkgconfig:${DTB_ARMHF_SYSROOT}/usr/share/pkgconfig")

# Build-time generators (beeps, collation table) and the tests run on the PC
# under user-mode emulation.
find_program(DTB_QEMU_ARM qemu-arm-static qemu-arm)
if(DTB_QEMU_ARM)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${DTB_QEMU_ARM} -L ${DTB_ARMHF_SYSROOT})
endif()
