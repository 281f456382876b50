# An installed copy, made in a prefix of its own from what the build made.
pomvik_gtest(install_test SOURCES install_test.cpp LIBS pomvik_pictures Qt6::Gui)
target_compile_definitions(install_test PRIVATE
  POMVIK_CMAKE="${CMAKE_COMMAND}" POMVIK_BUILD_DIR="${PROJECT_BINARY_DIR}"
  POMVIK_VERSION="${PROJECT_VERSION}")
add_dependencies(install_test PomvikSequencer pomvik-render waves icons)
