# The transport: its arithmetic, and playback through the window on the offline device and
# on a live device whose output the tests drive, against the renderer.
pomvik_gtest(transport_test SOURCES transport_test.cpp playback_test.cpp live_playback_test.cpp
  LIBS pomvik_test_support pomvik_sound pomvik_render OWN_MAIN)
target_compile_definitions(transport_test PRIVATE POMVIK_SAMPLE_FOLDER="${PROJECT_BINARY_DIR}")
add_dependencies(transport_test waves)

if(POMVIK_BENCHMARKS)
  # Playback on time, heard through the wave-file writer; run by hand on an idle machine.
  add_executable(transport_benchmark transport_benchmark.cpp)
  target_link_libraries(transport_benchmark PRIVATE pomvik_app pomvik_core pomvik_sound
    pomvik_recording_support benchmark::benchmark Qt6::Test)
  target_compile_definitions(transport_benchmark PRIVATE
    POMVIK_SAMPLE_FOLDER="${PROJECT_BINARY_DIR}")
  add_dependencies(transport_benchmark waves)
endif()
