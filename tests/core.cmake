# The song core on its own, on the offline device: editing rules, the editor's audition,
# column voicing and the sample bank. It links the core and the sound component the core
# drives, and no Qt Widgets.
pomvik_gtest(core_test
  SOURCES core_editing_test.cpp core_sound_test.cpp
  LIBS pomvik_core pomvik_sound)
target_compile_definitions(core_test PRIVATE POMVIK_SAMPLE_FOLDER="${PROJECT_BINARY_DIR}")
add_dependencies(core_test waves)

