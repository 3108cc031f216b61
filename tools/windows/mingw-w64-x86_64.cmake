# Cross-compiles for 64-bit Windows with Debian's mingw-w64 (POSIX threads,
# so std::thread and std::mutex work; the programs then need
# libwinpthread-1.dll beside them).
#
# TILEWORLD_WINDOWS_PREFIX names the folder holding the Windows builds of the
# libraries (bin/ with the DLLs, lib/, include/); give it with -D or in the
# environment. tools/build-windows.sh fills and caches that folder.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)

set(TILEWORLD_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TILEWORLD_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TILEWORLD_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${TILEWORLD_MINGW_TRIPLET}-windres)
set(CMAKE_AR ${TILEWORLD_MINGW_TRIPLET}-gcc-ar-posix CACHE FILEPATH "")
set(CMAKE_RANLIB ${TILEWORLD_MINGW_TRIPLET}-gcc-ranlib-posix CACHE FILEPATH "")
set(CMAKE_ASM_NASM_COMPILER nasm)

if(NOT TILEWORLD_WINDOWS_PREFIX AND DEFINED ENV{TILEWORLD_WINDOWS_PREFIX})
  set(TILEWORLD_WINDOWS_PREFIX "$ENV{TILEWORLD_WINDOWS_PREFIX}")
endif()
# try_compile projects read this file again: hand them the prefix too.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES TILEWORLD_WINDOWS_PREFIX)

# Headers, libraries and packages come only from the mingw sysroot and the
# prefix, never from the Linux system; programs (nasm, windres) from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${TILEWORLD_MINGW_TRIPLET})
if(TILEWORLD_WINDOWS_PREFIX)
  list(PREPEND CMAKE_FIND_ROOT_PATH "${TILEWORLD_WINDOWS_PREFIX}")
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# pkg-config likewise: only the Windows .pc files.
set(ENV{PKG_CONFIG_PATH} "")
set(ENV{PKG_CONFIG_SYSROOT_DIR} "")
if(TILEWORLD_WINDOWS_PREFIX)
  set(ENV{PKG_CONFIG_LIBDIR}
      "${TILEWORLD_WINDOWS_PREFIX}/lib/pkgconfig:/usr/${TILEWORLD_MINGW_TRIPLET}/lib/pkgconfig")
else()
  set(ENV{PKG_CONFIG_LIBDIR} "/usr/${TILEWORLD_MINGW_TRIPLET}/lib/pkgconfig")
endif()
