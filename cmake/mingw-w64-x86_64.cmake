# Windows (x86_64) from Debian's MinGW-w64 cross compiler, POSIX thread
# model (std::thread and std::mutex). Programs are linked statically: they
# need no DLL beyond Windows' own. Tests run under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
find_program(BREVANE_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_DEFAULT_PATH)
if(NOT BREVANE_WINE)
  find_program(BREVANE_WINE NAMES wine64 wine)
endif()
if(BREVANE_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${BREVANE_WINE})
endif()

# Qt for Windows, built from Debian's source by scripts/qt-windows into its
# cache (BREVANE_QT_WINDOWS names another); its tools (moc, rcc, uic) are
# the Linux ones of Debian's Qt of the same version.
if(NOT BREVANE_QT_WINDOWS)
  execute_process(COMMAND ${CMAKE_CURRENT_LIST_DIR}/../scripts/qt-windows --prefix
                  OUTPUT_VARIABLE BREVANE_QT_WINDOWS OUTPUT_STRIP_TRAILING_WHITESPACE)
endif()
set(BREVANE_QT_WINDOWS ${BREVANE_QT_WINDOWS} CACHE PATH "Qt for Windows (scripts/qt-windows)")
list(APPEND CMAKE_FIND_ROOT_PATH ${BREVANE_QT_WINDOWS})
list(APPEND CMAKE_PREFIX_PATH ${BREVANE_QT_WINDOWS})
set(QT_HOST_PATH /usr)
set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake)
