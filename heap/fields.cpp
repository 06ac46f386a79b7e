#include "heap/fields.h"

#include <cstdarg>
#include <cstdio>

namespace corvane {

std::string FormatTextList(const char* format, std::va_list arguments) {
    char text[256];
    std::vsnprintf(text, sizeof text, format, arguments);
    return text;
}

std::string FormatText(const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    std::string text = FormatTextList(format, arguments);
    va_end(arguments);
    return text;
}

} // namespace corvane
