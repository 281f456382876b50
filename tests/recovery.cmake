# The recovery copy on its own, and the signals that end the program keeping it: plain core
# code and the file system, no window. It measures how soon a change reaches the disk, so it
# runs alone.
pomvik_gtest(recovery_test SOURCES recovery_test.cpp ending_signals_test.cpp LIBS pomvik_core SERIAL)

# The window's side of it: the offer at start and the copy that follows the song.
pomvik_gtest(recovery_window_test SOURCES recovery_window_test.cpp
  LIBS pomvik_test_support OWN_MAIN)

if(POMVIK_BENCHMARKS)
  # One write of the copy and the window's side of a change; run by hand.
  add_executable(recovery_benchmark recovery_benchmark.cpp)
  target_link_libraries(recovery_benchmark PRIVATE pomvik_core benchmark::benchmark)
endif()

# The real program under openbox: killed after three edits, started again, and started
# beside a running one.
pomvik_gtest(recovery_desktop_test SOURCES recovery_desktop_test.cpp support/VirtualDesktop.cpp
  LIBS pomvik_core Qt6::Gui Qt6::Test OWN_MAIN)
target_compile_definitions(recovery_desktop_test PRIVATE
  POMVIK_PROGRAM="$<TARGET_FILE:PomvikSequencer>" POMVIK_BUILD_DIR="${PROJECT_BINARY_DIR}")
add_dependencies(recovery_desktop_test PomvikSequencer waves)
