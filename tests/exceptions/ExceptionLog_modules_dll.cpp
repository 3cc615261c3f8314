// A library for the modules list tests: a few exports of its own, one forwarded to
// kernel32 (ExceptionLog_modules_dll.def), a version resource, and in the build with
// library data the password exports a module carrying the library offers. The answers
// of the password exports can be set, so a test can make them fail.
#include <cstring>

#if defined(__i386__)
#define ZV_TEST_EVENT_CALL __stdcall
#else
#define ZV_TEST_EVENT_CALL
#endif

namespace {

char ExAnswer[512] = ZV_MODULES_DLL_EX_ANSWER;
char PlainAnswer[512] = ZV_MODULES_DLL_PLAIN_ANSWER;

// A short string: the length byte, then at most maxLength characters.
void WriteShortString(const char* text, unsigned char* buffer, int maxLength)
{
    std::size_t length = std::strlen(text);
    if (maxLength < 0) maxLength = 0;
    if (length > static_cast<std::size_t>(maxLength)) length = static_cast<std::size_t>(maxLength);
    buffer[0] = static_cast<unsigned char>(length);
    std::memcpy(buffer + 1, text, length);
}

void CopyAnswer(char* target, const char* text)
{
    if (!text) return;
    std::strncpy(target, text, 511);
    target[511] = '\0';
}

} // namespace

extern "C" {

__declspec(dllexport) int ZvModulesDllAnswer()
{
    return 42;
}

__declspec(dllexport) int ZvModulesDllTwice(int value)
{
    return 2 * value;
}

// Null keeps an answer as it is.
__declspec(dllexport) void ZvModulesDllSetAnswers(const char* exAnswer, const char* plainAnswer)
{
    CopyAnswer(ExAnswer, exAnswer);
    CopyAnswer(PlainAnswer, plainAnswer);
}

#if !defined(ZV_MODULES_DLL_PLAIN_ONLY)
__declspec(dllexport) void ZV_TEST_EVENT_CALL VantrelLog_PasswordRequestEventEx(void*, unsigned char* password,
                                                                                int maxLength)
{
    WriteShortString(ExAnswer, password, maxLength);
}
#endif

__declspec(dllexport) void ZV_TEST_EVENT_CALL VantrelLog_PasswordRequestEvent(unsigned char* password, int maxLength)
{
    WriteShortString(PlainAnswer, password, maxLength);
}

} // extern "C"
