# The synthesised sample set: format, tuning, levels, edges, band limits and reproducibility.
pomvik_gtest(wavesynth_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/wavesynth_test.cpp
  LIBS pomvik_core)
target_compile_definitions(wavesynth_test PRIVATE
  POMVIK_WAVESYNTH="$<TARGET_FILE:pomvik-wavesynth>")
add_dependencies(wavesynth_test waves)
