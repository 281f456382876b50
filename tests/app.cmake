# The window tests share one application object, made in their own main (a suite that
# defines main itself leaves FormMain out).
add_library(pomvik_test_support STATIC
  support/FormFixture.cpp support/FormFixture.h support/FormMain.cpp)
target_link_libraries(pomvik_test_support
  PUBLIC pomvik_app pomvik_sound pomvik_window pomvik_test_headers Qt6::Test GTest::gtest)

pomvik_gtest(form_test SOURCES form_test.cpp LIBS pomvik_test_support pomvik_window OWN_MAIN)
pomvik_gtest(scoreview_test SOURCES scoreview_test.cpp LIBS pomvik_test_support OWN_MAIN)
pomvik_gtest(editing_test SOURCES editing_test.cpp LIBS pomvik_test_support pomvik_sound OWN_MAIN)

if(POMVIK_BENCHMARKS)
  add_executable(drawscore_benchmark drawscore_benchmark.cpp)
  target_link_libraries(drawscore_benchmark PRIVATE pomvik_app benchmark::benchmark)
endif()
pomvik_gtest(samplebank_test SOURCES samplebank_test.cpp
  LIBS pomvik_test_support pomvik_sound OWN_MAIN)
add_dependencies(samplebank_test waves)
pomvik_gtest(documents_test SOURCES documents_test.cpp documents_reasons_test.cpp LIBS pomvik_test_support OWN_MAIN)
pomvik_gtest(undo_test SOURCES undo_test.cpp LIBS pomvik_test_support OWN_MAIN)

# The window on screens scaled twice and three times.
pomvik_gtest(highdpi_test SOURCES highdpi_test.cpp LIBS pomvik_test_support OWN_MAIN SCALES 2 3)

# The window under a real window manager, unscaled and scaled twice.
pomvik_gtest(windowmanager_test SOURCES windowmanager_test.cpp support/VirtualDesktop.cpp
  LIBS pomvik_test_support OWN_MAIN SCALES 1 2)

# The clipboard on a real X server, offered by xclip.
pomvik_gtest(clipboard_test SOURCES clipboard_test.cpp support/VirtualDesktop.cpp
  LIBS pomvik_test_support OWN_MAIN)

# Keys, the wheel, the tempo shown, tooltips and a song named on the command line.
pomvik_gtest(input_test SOURCES input_test.cpp LIBS pomvik_test_support OWN_MAIN)

# Export from the window against the renderer run as a user runs it.
pomvik_gtest(export_test SOURCES export_test.cpp
  LIBS pomvik_test_support pomvik_render PkgConfig::SNDFILE OWN_MAIN)
target_compile_definitions(export_test PRIVATE POMVIK_RENDER="$<TARGET_FILE:pomvik-render>"
  POMVIK_WAVES="${PROJECT_BINARY_DIR}/waves")
add_dependencies(export_test pomvik-render waves)

# Drags, the right button, the column selection and its commands, and a wide view.
pomvik_gtest(compose_test SOURCES compose_test.cpp LIBS pomvik_test_support pomvik_sound OWN_MAIN)
