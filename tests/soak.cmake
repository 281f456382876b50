# Random user actions on the whole window, unscaled and scaled twice; a run prints its seed
# and the command that replays it.
pomvik_gtest(soak_test
  SOURCES soak_test.cpp soak/Soak.cpp soak/SoakActions.cpp soak/SoakHistory.cpp soak/SoakInputs.cpp
          soak/SoakRun.cpp soak/SoakColumns.cpp soak/FormInvariants.cpp
  LIBS pomvik_test_support pomvik_sound OWN_MAIN SCALES 1 2)
target_compile_definitions(soak_test PRIVATE POMVIK_SAMPLE_FOLDER="${PROJECT_BINARY_DIR}")
add_dependencies(soak_test waves)
