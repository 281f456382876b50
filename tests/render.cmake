# The offline renderer: run as a user runs it, its output read back through libsndfile.
pomvik_gtest(render_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/render_test.cpp ${CMAKE_CURRENT_LIST_DIR}/render_files_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/render_limiter_test.cpp
  LIBS pomvik_render PkgConfig::SNDFILE)
target_compile_definitions(render_test PRIVATE
  POMVIK_RENDER="$<TARGET_FILE:pomvik-render>"
  POMVIK_WAVES="${PROJECT_BINARY_DIR}/waves")
add_dependencies(render_test pomvik-render waves)

if(POMVIK_BENCHMARKS)
  add_executable(render_benchmark render_benchmark.cpp)
  target_link_libraries(render_benchmark PRIVATE pomvik_render pomvik_test_headers benchmark::benchmark)
  target_compile_definitions(render_benchmark PRIVATE POMVIK_WAVES="${PROJECT_BINARY_DIR}/waves")
  add_dependencies(render_benchmark waves)
endif()

# The renderer runs where no display exists: nothing of Qt's GUI or a window system is linked.
add_test(NAME render_links_no_display_library
  COMMAND sh -c "readelf -d \"$1\" | grep NEEDED && ! readelf -d \"$1\" | grep -E 'Qt6(Gui|Widgets)|X11|xcb|wayland'"
          sh $<TARGET_FILE:pomvik-render>)
