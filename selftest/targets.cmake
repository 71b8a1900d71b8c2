# selftest.exe: the contract of both programs run on a Windows machine, shipped in the release;
# planted.dll: the library it plants beside a copy of drvsetup.exe.
# It asks whether anybody can see a box here with the programs' own rule (RunIsUnattended and
# the Windows calls behind it), and names a hint by the programs' own table of errors.
add_executable(selftest selftest/selftest.cpp selftest/rows.cpp selftest/install_rows.cpp
  selftest/machine.cpp selftest/watch.cpp common/architecture.cpp common/platform_win.cpp
  diagnostics/diagnostic_log_win.cpp)
target_link_libraries(selftest PRIVATE drvsetup_core setupapi)
target_link_options(selftest PRIVATE ${DRVSETUP_PROGRAM_LINK_FLAGS})
add_library(planted SHARED selftest/planted.cpp)
set_target_properties(planted PROPERTIES PREFIX "")
target_link_options(planted PRIVATE ${DRVSETUP_LINK_FLAGS})
