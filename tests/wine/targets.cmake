# Windows-side test helpers: the runner, a stand-in newdev.dll, a planted one
# and one without the driver-update function.
add_library(test_record STATIC tests/wine/record.cpp)

add_executable(runner tests/wine/runner.cpp)
target_link_libraries(runner PRIVATE test_record)
target_link_options(runner PRIVATE -static)

foreach(dll newdev_stub planted_newdev noexport_newdev)
  add_library(${dll} SHARED tests/wine/${dll}.cpp)
  target_link_libraries(${dll} PRIVATE test_record)
  set_target_properties(${dll} PROPERTIES PREFIX "")
  # Undecorated stdcall export names, as the platform's DLL has them.
  target_link_options(${dll} PRIVATE -static -Wl,--kill-at)
endforeach()

# The progress dialog in process, with the program's own dialog template.
add_executable(progress_test tests/wine/progress_test.cpp progress/progress_dialog.cpp
  common/system_library.cpp resources/drvsetup.rc)
target_link_options(progress_test PRIVATE -static)
