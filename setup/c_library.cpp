// The few C library functions the program calls (and the compiler may call for it), so that
// setup.exe imports no C runtime DLL. Built without builtins: the loops must stay loops.
#include <stddef.h>

extern "C" {

void* memcpy(void* destination, const void* source, size_t count) {
    unsigned char* to = (unsigned char*)destination;
    const unsigned char* from = (const unsigned char*)source;
    while (count--)
        *to++ = *from++;
    return destination;
}

void* memmove(void* destination, const void* source, size_t count) {
    unsigned char* to = (unsigned char*)destination;
    const unsigned char* from = (const unsigned char*)source;
    if (to <= from || to >= from + count) {
        while (count--)
            *to++ = *from++;
    } else {
        while (count--)
            to[count] = from[count];
    }
    return destination;
}

void* memset(void* destination, int value, size_t count) {
    unsigned char* to = (unsigned char*)destination;
    while (count--)
        *to++ = (unsigned char)value;
    return destination;
}

int memcmp(const void* left, const void* right, size_t count) {
    const unsigned char* a = (const unsigned char*)left;
    const unsigned char* b = (const unsigned char*)right;
    for (; count--; ++a, ++b) {
        if (*a != *b)
            return *a < *b ? -1 : 1;
    }
    return 0;
}

void* memchr(const void* text, int value, size_t count) {
    const unsigned char* at = (const unsigned char*)text;
    for (; count--; ++at) {
        if (*at == (unsigned char)value)
            return (void*)at;
    }
    return nullptr;
}

size_t strlen(const char* text) {
    const char* end = text;
    while (*end)
        ++end;
    return (size_t)(end - text);
}

int strcmp(const char* left, const char* right) {
    const unsigned char* a = (const unsigned char*)left;
    const unsigned char* b = (const unsigned char*)right;
    while (*a && *a == *b) {
        ++a;
        ++b;
    }
    return *a < *b ? -1 : *a > *b ? 1 : 0;
}

int strncmp(const char* left, const char* right, size_t count) {
    const unsigned char* a = (const unsigned char*)left;
    const unsigned char* b = (const unsigned char*)right;
    for (; count > 0; --count, ++a, ++b) {
        if (*a != *b)
            return *a < *b ? -1 : 1;
        if (!*a)
            break;
    }
    return 0;
}

char* strchr(const char* text, int character) {
    for (;; ++text) {
        if (*text == (char)character)
            return (char*)text;
        if (!*text)
            return nullptr;
    }
}

char* strrchr(const char* text, int character) {
    const char* found = nullptr;
    for (;; ++text) {
        if (*text == (char)character)
            found = text;
        if (!*text)
            return (char*)found;
    }
}

char* strstr(const char* text, const char* part) {
    if (!*part)
        return (char*)text;
    for (; *text; ++text) {
        size_t i = 0;
        while (part[i] && text[i] == part[i])
            ++i;
        if (!part[i])
            return (char*)text;
    }
    return nullptr;
}

size_t wcslen(const wchar_t* text) {
    const wchar_t* end = text;
    while (*end)
        ++end;
    return (size_t)(end - text);
}

int wcscmp(const wchar_t* left, const wchar_t* right) {
    while (*left && *left == *right) {
        ++left;
        ++right;
    }
    return *left < *right ? -1 : *left > *right ? 1 : 0;
}

wchar_t* wcsrchr(const wchar_t* text, wchar_t character) {
    const wchar_t* found = nullptr;
    for (;; ++text) {
        if (*text == character)
            found = text;
        if (!*text)
            return (wchar_t*)found;
    }
}

} // extern "C"
