# The Windows programs: drvsetup.exe and the Windows-side test helpers.
enable_language(RC)

# Static runtime: the executables import only DLLs that ship with Windows.
# No link timestamp, so the same source gives the same bytes.
set(DRVSETUP_LINK_FLAGS -static -s -Wl,--no-insert-timestamp -Wl,--gc-sections)
# Terminal Server aware: without it a Remote Desktop Session Host hands the program a per-user
# Windows folder, and the INF folder it looks into is not the system's.
set(DRVSETUP_PROGRAM_LINK_FLAGS ${DRVSETUP_LINK_FLAGS} -Wl,--tsaware)
# No unwind tables: nothing here throws, and they would cost a tenth of the file.
set(DRVSETUP_COMPILE_FLAGS -ffunction-sections -fdata-sections -fno-asynchronous-unwind-tables)
add_compile_options(${DRVSETUP_COMPILE_FLAGS})
target_compile_options(drvsetup_core PRIVATE ${DRVSETUP_COMPILE_FLAGS})

add_executable(drvsetup WIN32
  app/main_win.cpp
  common/architecture.cpp
  common/load_config.cpp
  common/platform_win.cpp
  diagnostics/diagnostic_log_win.cpp
  install/device_status.cpp
  install/install_driver.cpp
  install/newdev_api.cpp
  install/offered_id.cpp
  install/setup_api.cpp
  install/stage_package.cpp
  common/system_library.cpp
  progress/progress_dialog.cpp
  resources/drvsetup.rc)
# The removal program: its own entry over the same floors.
add_executable(drvremove WIN32
  remove/main_win.cpp
  common/architecture.cpp
  common/load_config.cpp
  common/platform_win.cpp
  diagnostics/diagnostic_log_win.cpp
  install/newdev_api.cpp
  install/remove_package.cpp
  install/setup_api.cpp
  common/system_library.cpp
  progress/progress_dialog.cpp
  resources/drvsetup.rc)
foreach(program drvsetup drvremove)
  target_link_libraries(${program} PRIVATE drvsetup_core)
  target_link_options(${program} PRIVATE ${DRVSETUP_PROGRAM_LINK_FLAGS})
  # lld leaves the PE checksum 0 where GNU ld writes it: the ARM64 toolchain asks for it here.
  if(DRVSETUP_PE_CHECKSUM)
    add_custom_command(TARGET ${program} POST_BUILD
      COMMAND python3 ${CMAKE_SOURCE_DIR}/cmake/pe_checksum.py $<TARGET_FILE:${program}>)
  endif()
endforeach()

include(tests/wine/targets.cmake)
include(tests/installers/targets.cmake)
include(tools/targets.cmake)
include(selftest/targets.cmake)
include(bench/targets.cmake)
