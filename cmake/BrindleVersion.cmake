# The version header (BrindleVersion.h) generated from project(VERSION) and the
# interface target brindle_version that puts it on a target's include path. Minor and
# patch stay below 100: VST 2 hosts read the version as the decimal MMmmpp (906 for 0.9.6).
if(PROJECT_VERSION_PATCH STREQUAL "" OR PROJECT_VERSION_MINOR GREATER 99 OR PROJECT_VERSION_PATCH GREATER 99)
  message(FATAL_ERROR "project VERSION ${PROJECT_VERSION}: give MAJOR.MINOR.PATCH with minor and patch below 100")
endif()
configure_file(${CMAKE_CURRENT_LIST_DIR}/BrindleVersion.h.in ${CMAKE_BINARY_DIR}/generated/BrindleVersion.h @ONLY)
add_library(brindle_version INTERFACE)
target_include_directories(brindle_version INTERFACE ${CMAKE_BINARY_DIR}/generated)
