# The mingw-w64 toolchain for what links Qt's DLLs (Qt itself and the whole
# program): every module shares one C++ runtime, so exceptions, allocations
# and std types cross DLL boundaries safely, and libstdc++-6, libgcc_s_seh-1
# and libwinpthread-1 ship beside the program.
#   cmake -S . -B build-winqt -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64-shared.cmake
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-x86_64.cmake)
set(CMAKE_EXE_LINKER_FLAGS_INIT "")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "")
