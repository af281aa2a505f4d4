# Imported targets for every system library the firmware links, found with pkg-config.
find_package(PkgConfig REQUIRED)
find_package(Threads REQUIRED)

pkg_check_modules(GLIB REQUIRED IMPORTED_TARGET glib-2.0 gthread-2.0)
pkg_check_modules(XML2 REQUIRED IMPORTED_TARGET libxml-2.0)
pkg_check_modules(FFMPEG REQUIRED IMPORTED_TARGET libavformat libavcodec libavutil libswresample)
pkg_check_modules(ALSA REQUIRED IMPORTED_TARGET alsa)
pkg_check_modules(SOUNDTOUCH REQUIRED IMPORTED_TARGET soundtouch)
pkg_check_modules(SPEEXDSP REQUIRED IMPORTED_TARGET speexdsp)
pkg_check_modules(POPPLER REQUIRED IMPORTED_TARGET poppler-cpp)
pkg_check_modules(MINIZIP REQUIRED IMPORTED_TARGET minizip)
pkg_check_modules(ZLIB REQUIRED IMPORTED_TARGET zlib)
pkg_check_modules(ICU REQUIRED IMPORTED_TARGET icu-uc icu-i18n)

# Libraries without a pkg-config file.
find_library(LAME_LIB mp3lame REQUIRED)
find_library(ESPEAKNG_LIB espeak-ng REQUIRED)
find_library(MOBI_LIB mobi REQUIRED)
add_library(dtb_lame INTERFACE)
target_link_libraries(dtb_lame INTERFACE ${LAME_LIB})
add_library(dtb_espeakng INTERFACE)
target_link_libraries(dtb_espeakng INTERFACE ${ESPEAKNG_LIB})
add_library(dtb_mobi INTERFACE)
target_link_libraries(dtb_mobi INTERFACE ${MOBI_LIB})

# Test data: our own fixtures, and the shared corpus beside the checkout (may be absent).
set(DTB_TEST_DATA_DIR ${CMAKE_SOURCE_DIR}/tests/data)
get_filename_component(DTB_CORPUS_DIR ${CMAKE_SOURCE_DIR}/../shared/corpus ABSOLUTE)
