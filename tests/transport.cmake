# The transport: its arithmetic, and playback through the window on the offline device.
pomvik_gtest(transport_test SOURCES transport_test.cpp playback_test.cpp
  LIBS pomvik_test_support pomvik_sound OWN_MAIN)
target_compile_definitions(transport_test PRIVATE POMVIK_SAMPLE_FOLDER="${PROJECT_BINARY_DIR}")
add_dependencies(transport_test waves)
