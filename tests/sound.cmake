# The sound component and the two layers under it.
# Each layer's suite links that layer alone.
pomvik_gtest(riff_test SOURCES riff_test.cpp LIBS pomvik_riff)
pomvik_gtest(dsound_test SOURCES dsound_test.cpp dsound_live_test.cpp peak_limiter_test.cpp
  LIBS pomvik_dsound)
pomvik_gtest(ddsd_test SOURCES ddsd_test.cpp ddsd_load_test.cpp ddsd_report_test.cpp ddsd_listen_test.cpp
  LIBS pomvik_ddsd)
# It listens in real time, so it runs alone.
pomvik_gtest(sound_timing_test SOURCES sound_timing_test.cpp
  LIBS pomvik_ddsd pomvik_recording_support SERIAL)

if(POMVIK_BENCHMARKS)
  add_executable(ddsd_benchmark ddsd_benchmark.cpp)
  target_link_libraries(ddsd_benchmark PRIVATE pomvik_ddsd benchmark::benchmark)
  target_link_libraries(ddsd_benchmark PRIVATE pomvik_test_headers)
endif()

if(POMVIK_FUZZ AND CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  add_executable(wave_fuzz fuzz/wave_fuzz.cpp)
  target_compile_options(wave_fuzz PRIVATE -fsanitize=fuzzer,address,undefined)
  target_link_options(wave_fuzz PRIVATE -fsanitize=fuzzer,address,undefined)
  target_link_libraries(wave_fuzz PRIVATE pomvik_ddsd)
  target_link_libraries(wave_fuzz PRIVATE pomvik_test_headers)
endif()
