# The live output on SDL2, through SDL's disk and dummy drivers. It measures real time, so it
# runs alone.
pomvik_gtest(sdl_output_test SOURCES sdl_output_test.cpp LIBS pomvik_stream OWN_MAIN SERIAL)

# Playback heard through a private PulseAudio server, quiet and with the machine loaded:
# the SDL output on its own, and the window through it. About two and a half minutes of real
# time at real-time priority, so it runs alone and only in the normal build (the sanitizers'
# slowness is not what a listener hears). Labelled "listening".
if(NOT POMVIK_SANITIZE)
  add_library(pomvik_server_support STATIC
    support/ChildProcess.cpp support/ChildProcess.h
    support/ColumnTiming.cpp support/ColumnTiming.h
    support/DropoutExcuses.cpp support/DropoutExcuses.h
    support/Listening.cpp support/Listening.h
    support/MachineLoad.cpp support/MachineLoad.h
    support/PulseServer.cpp support/PulseServer.h
    support/StallLog.cpp support/StallLog.h
    support/StallProbe.cpp support/StallProbe.h)
  target_link_libraries(pomvik_server_support PUBLIC pomvik_test_headers)
  add_executable(stall_probe support/stall_probe.cpp)
  target_compile_definitions(pomvik_server_support PRIVATE
    POMVIK_STALL_PROBE="$<TARGET_FILE:stall_probe>")
  add_dependencies(pomvik_server_support stall_probe)

  # Which dropouts the machine's stalls excuse, and the helpers the listening tests start.
  pomvik_gtest(listening_support_test SOURCES listening_support_test.cpp
    LIBS pomvik_server_support)

  pomvik_gtest(server_stream_test SOURCES server_stream_test.cpp
    LIBS pomvik_server_support pomvik_recording_support pomvik_stream
    SERIAL LABELS listening)

  # The window's part waits for the device layer to take a live output; until then its tests
  # say so and skip.
  file(GLOB dsound_sources ${PROJECT_SOURCE_DIR}/sound/dsound/*.cpp)
  set(live_output 0)
  foreach(source IN LISTS dsound_sources)
    file(STRINGS ${source} defined REGEX "^void SetLiveOutputFactory\\(")
    if(defined)
      set(live_output 1)
    endif()
  endforeach()

  pomvik_gtest(server_playback_test SOURCES server_playback_test.cpp
    LIBS pomvik_test_support pomvik_server_support pomvik_recording_support pomvik_stream
         PkgConfig::SNDFILE
    OWN_MAIN SERIAL LABELS listening)
  target_compile_definitions(server_playback_test PRIVATE
    POMVIK_RENDER="$<TARGET_FILE:pomvik-render>" POMVIK_LIVE_OUTPUT=${live_output})
  add_dependencies(server_playback_test pomvik-render waves)

  # The window started before any sound server: a song played meanwhile is heard once one
  # appears. A few seconds of real time through a server of its own, so it runs alone.
  pomvik_gtest(late_server_test SOURCES late_server_test.cpp
    LIBS pomvik_test_support pomvik_server_support pomvik_recording_support pomvik_stream
         pomvik_sound
    OWN_MAIN SERIAL)
  target_compile_definitions(late_server_test PRIVATE
    POMVIK_SAMPLE_FOLDER="${PROJECT_BINARY_DIR}")
  add_dependencies(late_server_test waves)
endif()

if(POMVIK_BENCHMARKS AND NOT POMVIK_SANITIZE)
  # Start-up and memory of the program against a minimal Qt window, from an empty folder and
  # from one of 2,000 files, on a virtual display with a real sound server.
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(XCB REQUIRED IMPORTED_TARGET xcb)
  add_executable(minimal_window startup/MinimalWindow.cpp)
  target_link_libraries(minimal_window PRIVATE Qt6::Widgets)
  add_executable(startup_benchmark startup/StartupBenchmark.cpp)
  target_link_libraries(startup_benchmark PRIVATE
    pomvik_server_support PkgConfig::XCB benchmark::benchmark)
  target_compile_definitions(startup_benchmark PRIVATE
    POMVIK_PROGRAM="$<TARGET_FILE:PomvikSequencer>"
    POMVIK_MINIMAL_WINDOW="$<TARGET_FILE:minimal_window>")
  add_dependencies(startup_benchmark PomvikSequencer minimal_window waves)
endif()
