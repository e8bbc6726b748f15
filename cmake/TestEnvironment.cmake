# The local test environment, defined here and nowhere else: the ports of the local export server and of its
# authenticating proxy, the number of the virtual display, and for a Windows tree its Wine prefix and the
# server's files. A Windows tree gets them in its wine-session.env, which the emulator wrapper
# (scripts/wine-run), the CTest fixtures (scripts/wine-session) and the scripts (scripts/lib.sh) read: a
# fixture cannot hand its variables to the tests after it, but a file in the tree reaches every test.
set(KALVENTO_LOCAL_PORT "48443" CACHE STRING "Port of the local export server (local DLL, tests, demo)")
set(KALVENTO_PROXY_PORT "48444" CACHE STRING "Port of the local export server's proxy (tests)")
set(KALVENTO_DISPLAY "48" CACHE STRING "Number of the virtual X display the Windows programs run on")
set(KALVENTO_CLOSED_PORT "48445" CACHE STRING "A port on which nothing listens (a refused connection, tests)")

if(NOT WIN32 OR NOT CMAKE_CROSSCOMPILING)
    return()
endif()

# The 32-bit tree runs under Debian's wine (the 32-bit loader). The 64-bit tree, for a kernel that cannot
# start 32-bit programs, runs under the 64-bit loader in a 64-bit prefix of its own.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(wine_loader /usr/lib/wine/wine64)
    set(wine_arch win64)
    set(prefix_name wineprefix64)
else()
    set(wine_loader wine)
    set(wine_arch win32)
    set(prefix_name wineprefix)
endif()
set(KALVENTO_WINE_PREFIX "${CMAKE_BINARY_DIR}/../${prefix_name}" CACHE PATH
    "Wine prefix of this tree's Windows programs and tests")
set(KALVENTO_SERVER_DIR "${CMAKE_BINARY_DIR}/../server" CACHE PATH
    "Directory of the local export server's files (certificates, request log, proxy)")
get_filename_component(wine_prefix "${KALVENTO_WINE_PREFIX}" ABSOLUTE)
get_filename_component(KALVENTO_SERVER_DIR_ABSOLUTE "${KALVENTO_SERVER_DIR}" ABSOLUTE)

foreach(number IN ITEMS KALVENTO_LOCAL_PORT KALVENTO_PROXY_PORT KALVENTO_DISPLAY)
    if(NOT "${${number}}" MATCHES "^[0-9]+$")
        message(FATAL_ERROR "${number} must be a number, not '${${number}}'")
    endif()
endforeach()

set(KALVENTO_SESSION_FILE ${CMAKE_BINARY_DIR}/wine-session.env)
file(CONFIGURE OUTPUT ${KALVENTO_SESSION_FILE} @ONLY CONTENT [[
# The Wine session of this build tree, written by CMake from cmake/TestEnvironment.cmake; shell syntax.
KALVENTO_WINE='@wine_loader@'
WINEARCH='@wine_arch@'
WINEPREFIX='@wine_prefix@'
WINEDLLOVERRIDES='mscoree=;mshtml='
DISPLAY=':@KALVENTO_DISPLAY@'
KALVENTO_LOCAL_PORT='@KALVENTO_LOCAL_PORT@'
KALVENTO_PROXY_PORT='@KALVENTO_PROXY_PORT@'
KALVENTO_SERVER_DIR='@KALVENTO_SERVER_DIR_ABSOLUTE@'
KALVENTO_SESSION_DIR='@CMAKE_BINARY_DIR@/wine-session'
]])

# Every Windows program CTest runs, test discovery included, goes through the wrapper with this session.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_SOURCE_DIR}/scripts/wine-run --session ${KALVENTO_SESSION_FILE})
