# Native build of the portable logic with its unit tests.
find_package(GTest REQUIRED)
enable_testing()
include(cmake/error_codes.cmake)
write_error_codes_header(${CMAKE_BINARY_DIR}/generated/platform_error_codes.h)
target_include_directories(drvsetup_core PRIVATE ${CMAKE_BINARY_DIR}/generated)
include(tests/unit/targets.cmake)
