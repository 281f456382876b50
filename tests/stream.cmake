# The live output on SDL2, through SDL's disk and dummy drivers. It measures real time, so it
# runs alone.
pomvik_gtest(sdl_output_test SOURCES sdl_output_test.cpp LIBS pomvik_stream OWN_MAIN SERIAL)

