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
# The PDF outline loads poppler's GLib interface only when a PDF is opened:
# the firmware is compiled against its headers and never links it.
pkg_check_modules(POPPLERGLIB REQUIRED IMPORTED_TARGET poppler-glib)
add_library(dtb_popplerglib_headers INTERFACE)
target_include_directories(dtb_popplerglib_headers SYSTEM INTERFACE
  $<TARGET_PROPERTY:PkgConfig::POPPLERGLIB,INTERFACE_INCLUDE_DIRECTORIES>)
set(DTB_POPPLER_GLIB_SONAME libpoppler-glib.so.8 CACHE STRING "run-time name of poppler's GLib interface")
# Fails here, not on the device, when the distribution moves to another version.
find_library(DTB_POPPLER_GLIB_SO NAMES ${DTB_POPPLER_GLIB_SONAME}
             PATHS /usr/lib/${CMAKE_LIBRARY_ARCHITECTURE} NO_DEFAULT_PATH REQUIRED)
target_compile_definitions(dtb_popplerglib_headers INTERFACE
  DTB_POPPLER_GLIB_SONAME="${DTB_POPPLER_GLIB_SONAME}")
pkg_check_modules(MINIZIP REQUIRED IMPORTED_TARGET minizip)
pkg_check_modules(ZLIB REQUIRED IMPORTED_TARGET zlib)
pkg_check_modules(ICU REQUIRED IMPORTED_TARGET icu-uc icu-i18n)
pkg_check_modules(UCHARDET REQUIRED IMPORTED_TARGET uchardet)

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
# A worktree elsewhere names it with -DDTB_CORPUS_DIR=...
if(NOT DTB_CORPUS_DIR)
  get_filename_component(DTB_CORPUS_DIR ${CMAKE_SOURCE_DIR}/../shared/corpus ABSOLUTE)
endif()

# dtb_library(NAME [SOURCES dir-or-files...] LINKS deps...): one static library
# of a layer. A directory given as source means the .cpp files directly in it.
function(dtb_library name)
  cmake_parse_arguments(A "" "" "SOURCES;EXCLUDE;LINKS" ${ARGN})
  if(NOT A_SOURCES)
    set(A_SOURCES ${CMAKE_CURRENT_SOURCE_DIR})
  endif()
  set(srcs "")
  foreach(s ${A_SOURCES})
    if(IS_DIRECTORY ${s})
      file(GLOB found CONFIGURE_DEPENDS ${s}/*.cpp)
      list(APPEND srcs ${found})
    else()
      list(APPEND srcs ${s})
    endif()
  endforeach()
  foreach(x ${A_EXCLUDE})
    list(REMOVE_ITEM srcs ${x})
  endforeach()
  add_library(${name} STATIC ${srcs})
  target_link_libraries(${name} PUBLIC ${A_LINKS})
endfunction()
