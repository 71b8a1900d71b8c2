# Cross-compiles for ARM64 Windows with Debian's clang 14 and a mingw-w64 runtime built by
# scripts/arm64-toolchain from Debian's own mingw-w64 source (the other builds' version).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ARM64)
set(MINGW_PREFIX aarch64-w64-mingw32)
# Where scripts/arm64-toolchain put it: $DRVSETUP_CACHE, else /var/cache/drvsetup, else ~/.cache/drvsetup.
set(DRVSETUP_ARM64_SYSROOT "")
foreach(cache $ENV{DRVSETUP_CACHE} /var/cache/drvsetup $ENV{HOME}/.cache/drvsetup)
  if(NOT DRVSETUP_ARM64_SYSROOT AND EXISTS ${cache}/aarch64-w64-mingw32/lib/crt2.o)
    set(DRVSETUP_ARM64_SYSROOT ${cache}/aarch64-w64-mingw32)
  endif()
endforeach()
if(NOT DRVSETUP_ARM64_SYSROOT)
  message(FATAL_ERROR "No ARM64 mingw-w64 runtime: run scripts/bootstrap (it runs scripts/arm64-toolchain)")
endif()
# Without --sysroot clang quietly takes the Linux headers.
set(target --target=${MINGW_PREFIX} --sysroot=${DRVSETUP_ARM64_SYSROOT})
set(CMAKE_C_COMPILER clang-14 ${target})
set(CMAKE_CXX_COMPILER clang++-14 ${target})
set(CMAKE_RC_COMPILER llvm-windres-14)
set(CMAKE_RC_FLAGS_INIT "--target=${MINGW_PREFIX} -I${DRVSETUP_ARM64_SYSROOT}/include")
# No libstdc++ for aarch64 Windows: the only C++ header used, <atomic>, is taken from the
# x86-64 mingw-w64 g++ of the other builds (header-only, the same on every LLP64 Windows).
set(gcc_cxx /usr/lib/gcc/x86_64-w64-mingw32/12-win32/include/c++)
set(CMAKE_CXX_FLAGS_INIT "-isystem ${gcc_cxx} -isystem ${gcc_cxx}/x86_64-w64-mingw32")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-fuse-ld=lld -nostdlib++")
set(DRVSETUP_PE_CHECKSUM ON)  # see cmake/windows.cmake
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-fuse-ld=lld -nostdlib++")
set(CMAKE_FIND_ROOT_PATH ${DRVSETUP_ARM64_SYSROOT})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
