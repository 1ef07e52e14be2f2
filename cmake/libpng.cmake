# libpng, which encodes the program's pictures: the system's, or, for a cross build to a system
# that Debian builds none for (Windows, WebAssembly), Debian's own source package of libpng built
# here with the cross compiler, and zlib from the target's static libraries (libz-mingw-w64-dev)
# or, where Debian has none (WebAssembly), from Debian's source package of zlib too.
find_package(PNG QUIET)
if(PNG_FOUND)
  return()
endif()
include(${CMAKE_CURRENT_LIST_DIR}/debian_source.cmake)
enable_language(C)
if(EMSCRIPTEN)
  kestavon_debian_source(zlib zlib_source)
  set(zlib_files adler32 compress crc32 deflate infback inffast inflate inftrees trees uncompr
                 zutil)
  list(TRANSFORM zlib_files PREPEND ${zlib_source}/)
  list(TRANSFORM zlib_files APPEND .c)
  add_library(kestavon_zlib STATIC ${zlib_files})
  target_include_directories(kestavon_zlib SYSTEM PUBLIC ${zlib_source})
  target_compile_options(kestavon_zlib PRIVATE -w)  # not our code to warn about
  set(KESTAVON_ZLIB_INCLUDE_DIR ${zlib_source})
  set(KESTAVON_ZLIB_LIBRARY kestavon_zlib)
else()
  find_path(KESTAVON_ZLIB_INCLUDE_DIR zlib.h REQUIRED)
  find_library(KESTAVON_ZLIB_LIBRARY NAMES libz.a REQUIRED)  # static: the program is one file
endif()
kestavon_debian_source(libpng1.6 libpng_source)
configure_file(${libpng_source}/scripts/pnglibconf.h.prebuilt
               ${CMAKE_BINARY_DIR}/libpng/pnglibconf.h COPYONLY)
set(libpng_files png pngerror pngget pngmem pngpread pngread pngrio pngrtran pngrutil pngset
                 pngtrans pngwio pngwrite pngwtran pngwutil)
list(TRANSFORM libpng_files PREPEND ${libpng_source}/)
list(TRANSFORM libpng_files APPEND .c)
add_library(kestavon_libpng STATIC ${libpng_files})
target_include_directories(kestavon_libpng SYSTEM PUBLIC ${libpng_source} ${CMAKE_BINARY_DIR}/libpng
                                                         ${KESTAVON_ZLIB_INCLUDE_DIR})
target_link_libraries(kestavon_libpng PUBLIC ${KESTAVON_ZLIB_LIBRARY})
target_compile_options(kestavon_libpng PRIVATE -w)  # not our code to warn about
add_library(PNG::PNG ALIAS kestavon_libpng)
