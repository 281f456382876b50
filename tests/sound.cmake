# The sound component and the two layers under it.
pomvik_gtest(riff_test SOURCES riff_test.cpp LIBS pomvik_sound)
pomvik_gtest(dsound_test SOURCES dsound_test.cpp LIBS pomvik_sound)
pomvik_gtest(ddsd_test SOURCES ddsd_test.cpp ddsd_listen_test.cpp LIBS pomvik_sound)
