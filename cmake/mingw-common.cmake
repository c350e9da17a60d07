set(CMAKE_C_COMPILER ${VISTERO_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VISTERO_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${VISTERO_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${VISTERO_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Only the 64-bit loader runs on these machines; /usr/bin/wine would try the
# 32-bit one. The 64-bit loader runs the 32-bit programs too, in Wine's WoW64
# mode. The wrapper picks the loader and the build tree's prefix.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-exec)
