# The browser build's libraries: the static WebAssembly builds that scripts/web-deps leaves in
# VIRELLE_WEB_DEPS, under the target names the native build gets from pkg-config, so the
# subsystem libraries link the same way on both.
if(NOT EMSCRIPTEN)
  message(FATAL_ERROR "VIRELLE_WEB builds with Emscripten: configure with emcmake cmake")
endif()

set(VIRELLE_WEB_DEPS ${CMAKE_BINARY_DIR}/deps CACHE PATH "Where scripts/web-deps installed the wasm libraries")

function(virelle_web_library target library)
  find_library(lib_${library} NAMES ${library} PATHS ${VIRELLE_WEB_DEPS}/lib NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
  if(NOT lib_${library})
    message(FATAL_ERROR "${library} is not in ${VIRELLE_WEB_DEPS}/lib: run scripts/web-deps")
  endif()
  add_library(${target} INTERFACE IMPORTED)
  target_link_libraries(${target} INTERFACE ${lib_${library}})
  target_include_directories(${target} INTERFACE ${VIRELLE_WEB_DEPS}/include ${ARGN})
endfunction()

virelle_web_library(PkgConfig::ZLIB z)
virelle_web_library(PkgConfig::PNG png16)
target_link_libraries(PkgConfig::PNG INTERFACE PkgConfig::ZLIB)
virelle_web_library(JPEG::JPEG jpeg)
virelle_web_library(PkgConfig::MPG123 mpg123)
virelle_web_library(PkgConfig::KISSFFT kissfft-float ${VIRELLE_WEB_DEPS}/include/kissfft)
target_compile_definitions(PkgConfig::KISSFFT INTERFACE kiss_fft_scalar=float)

# Single-threaded: threads in the browser need SharedArrayBuffer, which a plain web server's
# headers do not allow. The target stays so the libraries link as they do natively.
add_library(Threads::Threads INTERFACE IMPORTED)

# stb is header-only: Debian's copy is used as it is.
find_path(STB_INCLUDE_DIR stb_image.h PATHS /usr/include/stb NO_CMAKE_FIND_ROOT_PATH REQUIRED)

# What the Emscripten's C++ library lacks and our code uses.
add_compile_options("SHELL:-include ${CMAKE_SOURCE_DIR}/web/compat/bit_cast.h")
