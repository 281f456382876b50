// Linked into every suite of a sanitized build. Libraries that keep blocks of their own until
// the process ends would be blamed on whichever test ends the process early: SDL's audio
// subsystem, quit and initialised again to find a lost device (175 bytes), and fontconfig's
// caches when a death test ends a process that has a window.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libSDL2-2.0.so\n"
         "leak:libfontconfig.so\n";
}
