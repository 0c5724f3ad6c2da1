# The Windows build's libraries: the static MinGW-w64 builds that scripts/windows-deps leaves in
# VIRELLE_WINDOWS_DEPS, and MinGW-w64's own zlib, under the target names the native build gets from
# pkg-config, so the subsystem libraries link the same way on every platform.
if(NOT WIN32 OR NOT MINGW)
  message(FATAL_ERROR "VIRELLE_WINDOWS cross-builds with MinGW-w64: configure with -DCMAKE_TOOLCHAIN_FILE=windows/mingw-w64.cmake")
endif()

set(VIRELLE_WINDOWS_DEPS ${CMAKE_BINARY_DIR}/deps CACHE PATH "Where scripts/windows-deps installed the libraries")

function(virelle_windows_library target library)
  find_library(lib_${library} NAMES lib${library}.a PATHS ${VIRELLE_WINDOWS_DEPS}/lib /usr/x86_64-w64-mingw32/lib
               NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
  if(NOT lib_${library})
    message(FATAL_ERROR "${library} is not in ${VIRELLE_WINDOWS_DEPS}/lib: run scripts/windows-deps")
  endif()
  add_library(${target} INTERFACE IMPORTED)
  target_link_libraries(${target} INTERFACE ${lib_${library}})
  target_include_directories(${target} INTERFACE ${VIRELLE_WINDOWS_DEPS}/include ${ARGN})
endfunction()

virelle_windows_library(PkgConfig::ZLIB z)
virelle_windows_library(PkgConfig::PNG png16)
target_link_libraries(PkgConfig::PNG INTERFACE PkgConfig::ZLIB)
virelle_windows_library(JPEG::JPEG jpeg)
virelle_windows_library(PkgConfig::MPG123 mpg123)
target_link_libraries(PkgConfig::MPG123 INTERFACE shlwapi)
virelle_windows_library(PkgConfig::KISSFFT kissfft-float ${VIRELLE_WINDOWS_DEPS}/include/kissfft)
target_compile_definitions(PkgConfig::KISSFFT INTERFACE kiss_fft_scalar=float)

find_package(Threads REQUIRED)

# stb is header-only: Debian's copy is used as it is.
find_path(STB_INCLUDE_DIR stb_image.h PATHS /usr/include/stb NO_CMAKE_FIND_ROOT_PATH REQUIRED)

# Console programs that need only the DLLs every Windows has: the C and C++ runtimes and the
# thread library linked in.
add_link_options(-static -static-libgcc -static-libstdc++)
# The system's headers without the rarely used parts, and no min/max macros.
add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 _USE_MATH_DEFINES)
