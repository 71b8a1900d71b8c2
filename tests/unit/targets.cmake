add_executable(unit_tests
  tests/unit/fake_platform.cpp
  tests/unit/command_line_test.cpp
  tests/unit/dispatch_test.cpp
  tests/unit/recovery_test.cpp
  tests/unit/diagnostic_log_test.cpp
  tests/unit/models_section_test.cpp
  tests/unit/removal_test.cpp
  tests/unit/table_test.cpp)
target_link_libraries(unit_tests PRIVATE drvsetup_core GTest::gtest_main)
# The Wine suite's reader of the decision tables is checked against the compiled tables.
target_compile_definitions(unit_tests PRIVATE DRVSETUP_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
# The tests themselves may use exceptions through GoogleTest.
target_compile_options(unit_tests PRIVATE -fexceptions -frtti)
gtest_discover_tests(unit_tests)
# Rows name the fields they set and leave the rest at their defaults, which GCC 12 warns of.
target_compile_options(unit_tests PRIVATE -Wno-missing-field-initializers)
