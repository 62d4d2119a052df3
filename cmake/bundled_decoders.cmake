# gzip and zstd for the builds that cannot link the system's libraries. Windows: zlib's MinGW
# archive (libz-mingw-w64-dev) and zstd's decompressor, both carried inside libvantorel.a, so the
# programs and the SDK's users link nothing more. The browser: the page itself unpacks gzip, and
# zstd through a module of its own (cmake/web.cmake), fetched only for zstd files, so the player
# carries no decompressor. The decompressor is compiled from the source of Debian's libzstd that
# scripts/install-deps.sh unpacks into the cache below. A missing one leaves its files refused.
if(DEFINED ENV{XDG_CACHE_HOME} AND NOT "$ENV{XDG_CACHE_HOME}" STREQUAL "")
  set(vt_cache_home "$ENV{XDG_CACHE_HOME}")
else()
  set(vt_cache_home "$ENV{HOME}/.cache")
endif()
set(VT_ZSTD_SOURCE "${vt_cache_home}/vantorel/zstd-source" CACHE PATH
    "zstd's source tree (from scripts/install-deps.sh), whose decompressor is built in")

# Objects of other libraries that go into libvantorel.a beside our own.
set(VT_BUNDLED_OBJECTS)

set(vt_zlib_object_files)
if(WIN32)
  find_path(VT_ZLIB_INCLUDE zlib.h)
  find_library(VT_ZLIB_ARCHIVE NAMES libz.a)
endif()
if(VT_ZLIB_INCLUDE AND VT_ZLIB_ARCHIVE)
  # Unpacked at every configure, so that an updated zlib is the one carried.
  set(vt_zlib_objects ${PROJECT_BINARY_DIR}/zlib-objects)
  file(REMOVE_RECURSE ${vt_zlib_objects})
  file(MAKE_DIRECTORY ${vt_zlib_objects})
  execute_process(COMMAND ${CMAKE_AR} x ${VT_ZLIB_ARCHIVE} WORKING_DIRECTORY ${vt_zlib_objects}
                  RESULT_VARIABLE vt_ar_result)
  file(GLOB vt_zlib_object_files ${vt_zlib_objects}/*.o)
  if(vt_ar_result EQUAL 0 AND vt_zlib_object_files)
    set_source_files_properties(${vt_zlib_object_files} PROPERTIES EXTERNAL_OBJECT TRUE GENERATED TRUE)
    list(APPEND VT_BUNDLED_OBJECTS ${vt_zlib_object_files})
    target_include_directories(vantorel_objects SYSTEM PRIVATE ${VT_ZLIB_INCLUDE})
    target_compile_definitions(vantorel_objects PRIVATE VT_HAVE_ZLIB=1)
  endif()
endif()
if(WIN32 AND NOT vt_zlib_object_files)
  message(WARNING "MinGW zlib not found (libz-mingw-w64-dev): gzip-compressed .anim files will be refused")
endif()

if(EXISTS ${VT_ZSTD_SOURCE}/lib/zstd.h AND EXISTS ${VT_ZSTD_SOURCE}/lib/decompress/zstd_decompress.c)
  file(GLOB vt_zstd_src ${VT_ZSTD_SOURCE}/lib/common/*.c ${VT_ZSTD_SOURCE}/lib/decompress/*.c)
  # Single-threaded: the thread pool is the compressor's.
  list(FILTER vt_zstd_src EXCLUDE REGEX "/(pool|threading)\\.c$")
  # Portable C only (no assembly), no tracing hooks, no pre-1.0 formats; their warnings are not ours.
  set_source_files_properties(${vt_zstd_src} PROPERTIES
    COMPILE_DEFINITIONS "ZSTD_DISABLE_ASM=1;ZSTD_TRACE=0;ZSTD_LEGACY_SUPPORT=0"
    COMPILE_OPTIONS "-w")
  set(VT_ZSTD_DECODER_SOURCES ${vt_zstd_src})
endif()
if(VT_ZSTD_DECODER_SOURCES AND WIN32)
  target_sources(vantorel_objects PRIVATE ${VT_ZSTD_DECODER_SOURCES})
  target_include_directories(vantorel_objects SYSTEM PRIVATE ${VT_ZSTD_SOURCE}/lib)
  target_compile_definitions(vantorel_objects PRIVATE VT_HAVE_ZSTD=1 VT_ZSTD_DECODER_ONLY=1)
  set(VT_WINDOWS_ZSTD 1 CACHE INTERNAL "zstd's decoder is built in (the tests read this)")
else()
  set(VT_WINDOWS_ZSTD 0 CACHE INTERNAL "zstd's decoder is built in (the tests read this)")
endif()
if(NOT VT_ZSTD_DECODER_SOURCES)
  message(WARNING "zstd's source not found in ${VT_ZSTD_SOURCE} (scripts/install-deps.sh fetches it): "
                  "zstd-compressed .anim files will be refused")
endif()
