# Windows i686 with mingw-w64.
set(QUENBUS_MINGW_ARCH i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
