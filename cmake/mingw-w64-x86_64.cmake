# Cross build for 64-bit Windows with Debian's mingw-w64 (the posix threads variant, whose C++
# runtime has std::thread). ZT_WIN_PREFIX names the folder where scripts/windows.sh installs
# the Windows builds of the dependencies; only that folder is searched for libraries.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(ZT_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${ZT_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ZT_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${ZT_MINGW_TRIPLE}-windres)
set(CMAKE_AR ${ZT_MINGW_TRIPLE}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB ${ZT_MINGW_TRIPLE}-ranlib CACHE FILEPATH "")

if(NOT ZT_WIN_PREFIX)
  if(DEFINED ENV{ZT_WIN_PREFIX})
    set(ZT_WIN_PREFIX $ENV{ZT_WIN_PREFIX})
  elseif(DEFINED ENV{XDG_CACHE_HOME})
    set(ZT_WIN_PREFIX $ENV{XDG_CACHE_HOME}/ztxmlint-win/prefix)
  else()
    set(ZT_WIN_PREFIX $ENV{HOME}/.cache/ztxmlint-win/prefix)
  endif()
endif()
set(ZT_WIN_PREFIX "${ZT_WIN_PREFIX}" CACHE PATH "Windows builds of the dependencies")
# Try-compile projects see the same prefix.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES ZT_WIN_PREFIX)

set(CMAKE_FIND_ROOT_PATH /usr/${ZT_MINGW_TRIPLE} ${ZT_WIN_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# pkg-config reads only the Windows prefix, never the host's .pc files.
set(ENV{PKG_CONFIG_LIBDIR} "${ZT_WIN_PREFIX}/lib/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")
set(ENV{PKG_CONFIG_SYSROOT_DIR} "")

# One file to deploy: the C and C++ runtimes and winpthreads go into every image.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
# Test programs run under Wine, which starts them through the emulator.
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
set(CMAKE_PREFIX_PATH ${ZT_WIN_PREFIX})
set(CMAKE_OBJDUMP ${ZT_MINGW_TRIPLE}-objdump CACHE FILEPATH "")
