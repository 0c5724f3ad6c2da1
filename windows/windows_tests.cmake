# The test programs of the Windows build, run under Wine by ctest (Wine is the cross-compiling
# emulator). They are the subsystems' own tests, less those that run our tools through a shell,
# need the content maker's MP3 encoder, test POSIX files (FIFOs, /dev/zero) or look inside our
# OpenGL device; the device tests that describe plain Direct3D 9 behaviour run against the
# system's Direct3D 9 here. googletest is built for Windows from Debian's sources.
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
target_compile_options(gtest PRIVATE -Wno-error)
target_compile_options(gtest_main PRIVATE -Wno-error)

set(tests_dir ${CMAKE_SOURCE_DIR}/tests)
add_library(virelle_testing STATIC ${tests_dir}/common/support.cpp ${tests_dir}/common/headless_device.cpp)
target_include_directories(virelle_testing PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(virelle_testing PUBLIC virelle_platform gtest)

# Each test folder's programs on Windows, and the files left out (see above).
set(library_math virelle_math)
set(library_io virelle_io)
set(library_platform virelle_platform)
set(library_audio virelle_audio)
set(library_gfx virelle_gfx virelle_content_writers)
set(library_composition virelle_composition virelle_content_writers)
set(library_scene virelle_scene)
set(library_app virelle_app virelle_tool_options)
set(windows_only_files
  math/d3dx_math_test.cpp
  io/byte_cursor_test.cpp io/file_calls_test.cpp
  audio/playback_clock_test.cpp audio/music_spectrum_test.cpp
  gfx/image_decode_test.cpp gfx/image_hostile_test.cpp gfx/image_reduce_test.cpp gfx/named_registry_test.cpp
  gfx/test_images.cpp gfx/texture_in_place_test.cpp gfx/texture_levels_test.cpp gfx/texture_prefetch_test.cpp
  gfx/texture_test.cpp
  composition/cache_test.cpp composition/pose_track_test.cpp composition/reader_test.cpp composition/render_test.cpp
  scene/free_camera_test.cpp scene/scene_reader_test.cpp scene/scene_render_test.cpp scene/transform_track_test.cpp
  platform/lighting_test.cpp platform/readback_test.cpp platform/state_block_test.cpp platform/messages_test.cpp
  platform/key_press_ring_test.cpp platform/background_work_test.cpp platform/window_pump_test.cpp
  app/timeline_test.cpp app/main_loop_test.cpp app/tool_options_test.cpp)

# Cases left out here, each with the reason:
# - names differing in case are one file on Windows' file systems (both load);
# - our device's own answers where Direct3D 9 leaves the choice to the driver: state blocks of
#   one kind only;
# - a scissor rectangle that is inverted or off the target, which our device turns into nothing
#   and Wine does not;
set(skip_gfx "TextureTest.RegistryIdentityAndCaseSensitiveNames")
set(skip_composition "Cache.NamesDifferingInCaseAreTwoEntries")
set(skip_scene "")
set(skip_platform "StateBlockTest.ApplyPutsBackStatesLightsAndBindings:StateBlockTest.ScissorClipsDrawsAndClears")

set(wine_environment
  WINEPREFIX=${CMAKE_BINARY_DIR}/wine
  WINEDEBUG=-all
  "WINEDLLOVERRIDES=mscoree,mshtml=")
foreach(subsystem math io audio gfx composition scene platform app)
  set(sources)
  foreach(file ${windows_only_files})
    if(file MATCHES "^${subsystem}/")
      list(APPEND sources ${tests_dir}/${file})
    endif()
  endforeach()
  add_executable(test_${subsystem} ${sources})
  target_link_libraries(test_${subsystem} PRIVATE ${library_${subsystem}} virelle_testing gtest_main PkgConfig::PNG)
  add_test(NAME ${subsystem} COMMAND test_${subsystem} --gtest_color=no --gtest_filter=-${skip_${subsystem}})
  set_tests_properties(${subsystem} PROPERTIES ENVIRONMENT "${wine_environment}" TIMEOUT 900)
endforeach()
# The cursor is the one pointer every Windows program shares: the platform tests place it and the
# free camera's first step reads it, so those two programs never run at the same time.
set_tests_properties(platform scene PROPERTIES RESOURCE_LOCK cursor)
