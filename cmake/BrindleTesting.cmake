# brindle_add_test(NAME SOURCES file... LIBS target... [TIMEOUT seconds])
# One GoogleTest executable per room; ctest runs it (through Wine in the Windows lane).
enable_testing()

set(BRINDLE_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
set(BRINDLE_WINE_ENVIRONMENT
  "WINEPREFIX=${BRINDLE_WINEPREFIX}"
  "WINEDEBUG=-all"
  "WINEARCH=win64"
  "WINEDLLOVERRIDES=mscoree,mshtml=")

function(brindle_add_test name)
  cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main)
  target_compile_options(${name} PRIVATE ${BRINDLE_WARNING_FLAGS})
  add_test(NAME ${name} COMMAND ${name})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 600)
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT ${ARG_TIMEOUT})
  if(WIN32)
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "${BRINDLE_WINE_ENVIRONMENT}")
  endif()
endfunction()

# Warnings for a library or program of ours.
function(brindle_warnings target)
  target_compile_options(${target} PRIVATE ${BRINDLE_WARNING_FLAGS})
endfunction()
