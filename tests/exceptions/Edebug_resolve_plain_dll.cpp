// A library without exports and without debug data of its own: the resolver knows only
// its module, unless a debug source lies beside its file. Built once more with a
// "JCLDEBUG" section holding JEDI binary debug data (ZV_JCLDEBUG_FILE names the file).

#if defined(ZV_JCLDEBUG_FILE)
// "dr": initialised, read-only data. The linker keeps a section of an unknown name as it is.
asm(".section JCLDEBUG,\"dr\"\n"
    ".incbin \"" ZV_JCLDEBUG_FILE "\"\n"
    ".text\n");
#endif

// Some code, so that the library has a body of its own; nothing refers to it from outside.
extern "C" int ZvResolvePlainTwice(int value)
{
    return 2 * value;
}
