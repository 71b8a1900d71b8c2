# The Windows programs: drvsetup.exe and the Windows-side test helpers.
enable_language(RC)

# Static runtime: the executables import only DLLs that ship with Windows.
# No link timestamp, so the same source gives the same bytes.
set(DRVSETUP_LINK_FLAGS -static -s -Wl,--no-insert-timestamp -Wl,--gc-sections)
add_compile_options(-ffunction-sections -fdata-sections)

add_executable(drvsetup WIN32
  app/main_win.cpp
  install/install_driver.cpp
  install/system_library.cpp
  progress/progress_dialog.cpp
  resources/drvsetup.rc)
target_link_libraries(drvsetup PRIVATE drvsetup_core)
target_link_options(drvsetup PRIVATE ${DRVSETUP_LINK_FLAGS})

include(tests/wine/targets.cmake)
include(tools/targets.cmake)
include(bench/targets.cmake)
