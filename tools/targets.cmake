# demo_device.exe: creates and inspects the device that scripts/demo installs a driver onto.
add_executable(demo_device tools/demo_device.cpp)
target_link_libraries(demo_device PRIVATE setupapi)
target_link_options(demo_device PRIVATE ${DRVSETUP_LINK_FLAGS})
