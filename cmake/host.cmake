# Native build of the portable logic with its unit tests.
find_package(GTest REQUIRED)
enable_testing()
include(tests/unit/targets.cmake)
