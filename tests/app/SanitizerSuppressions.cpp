// Leaks that are not ours, for the leak checker of sanitized test runs:
// fontconfig keeps parts of its parsed configuration for the life of the
// process once Qt loads the font database, which the first shown widget does.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}
