# Windows-side bench programs: the size floor and the timing helpers of bench/run.
# The floor gets exactly drvsetup.exe's compile and link flags.
foreach(floor floor floor_user32)
  add_executable(bench_${floor} WIN32 bench/${floor}.cpp)
  target_link_options(bench_${floor} PRIVATE ${DRVSETUP_LINK_FLAGS})
endforeach()

add_library(bench_clock STATIC bench/clock.cpp)

foreach(helper lifetime cpu)
  add_executable(bench_${helper} bench/${helper}.cpp)
  target_link_libraries(bench_${helper} PRIVATE bench_clock)
  target_link_options(bench_${helper} PRIVATE -static)
endforeach()

# The progress dialog in process, with the program's own dialog template.
add_executable(bench_dialog_stop bench/dialog_stop.cpp progress/progress_dialog.cpp
  common/system_library.cpp resources/drvsetup.rc)
target_link_libraries(bench_dialog_stop PRIVATE bench_clock)
target_link_options(bench_dialog_stop PRIVATE -static)
