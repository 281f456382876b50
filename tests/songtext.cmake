# The song text and song files: plain core code, no window.
pomvik_gtest(songtext_test SOURCES songtext_test.cpp LIBS pomvik_core)
# The document and its history, on settings kept in plain variables.
pomvik_gtest(document_test SOURCES document_test.cpp LIBS pomvik_core)

if(POMVIK_FUZZ AND CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  # Built from the sources, so that coverage reaches the reader without the sound library.
  add_executable(song_fuzz fuzz/song_fuzz.cpp
    ${PROJECT_SOURCE_DIR}/core/ConvertError.cpp ${PROJECT_SOURCE_DIR}/core/SongText.cpp)
  target_compile_options(song_fuzz PRIVATE -fsanitize=fuzzer,address,undefined)
  target_link_options(song_fuzz PRIVATE -fsanitize=fuzzer,address,undefined)
  pomvik_publish(song_fuzz core PRIVATE)
endif()
