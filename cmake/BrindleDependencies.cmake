# Third-party libraries of both lanes: GoogleTest, libpng and zlib (and, natively,
# libsndfile, FreeType and Google Benchmark for the tools and tests).

if(WIN32)
  # Debian ships the googletest sources; build them with the cross compiler.
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
  if(NOT TARGET GTest::gtest)
    add_library(GTest::gtest ALIAS gtest)
    add_library(GTest::gtest_main ALIAS gtest_main)
    add_library(GTest::gmock ALIAS gmock)
  endif()

  # Static libpng cross-built by scripts/build-libpng-mingw.sh.
  set(BRINDLE_MINGW_PREFIX ${CMAKE_SOURCE_DIR}/.cache/mingw CACHE PATH "Cross-built libpng for the Windows lane")
  list(APPEND CMAKE_FIND_ROOT_PATH ${BRINDLE_MINGW_PREFIX})
  set(ZLIB_USE_STATIC_LIBS ON)
  set(PNG_LIBRARY ${BRINDLE_MINGW_PREFIX}/lib/libpng16.a CACHE FILEPATH "")
  set(PNG_PNG_INCLUDE_DIR ${BRINDLE_MINGW_PREFIX}/include CACHE PATH "")
  find_package(PNG REQUIRED)
else()
  find_package(GTest REQUIRED)
  find_package(PNG REQUIRED)
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(SNDFILE IMPORTED_TARGET sndfile)
  find_package(Freetype)
  if(BRINDLE_BENCHMARKS)
    find_package(benchmark)
  endif()
  find_package(Threads REQUIRED)
endif()
