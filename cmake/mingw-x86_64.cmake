# Cross build for 64-bit Windows: the same sources as the shipped 32-bit DLL, for machines whose kernel cannot
# start 32-bit programs (and so no 32-bit Wine); their Windows tests run under 64-bit Wine.
set(MINGW_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
