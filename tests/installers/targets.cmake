# powershell.exe for the installer tests, answering the examples' folder query.
add_executable(powershell_standin tests/installers/powershell_standin.cpp)
target_link_options(powershell_standin PRIVATE -static)
