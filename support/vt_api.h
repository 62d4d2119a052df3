// What every public header of the library starts from: the export mark VT_API on each function
// and global of the API, C linkage for the whole API (VT_BEGIN_DECLS / VT_END_DECLS), and the C99
// headers the declarations use (bool comes from <stdbool.h> in C). The headers compile as C99 and
// as C++; C++ callers get a few conveniences on top (default arguments, marked VT_DEFAULT).
#pragma once

#include <stddef.h>
#include <stdint.h>
#ifndef __cplusplus
#include <stdbool.h>
#endif

// VT_API marks a declaration as part of the library's interface. On Linux the library is built
// with hidden visibility, so only names so marked are exported from libvantorel.so. Windows
// builds are static only and need no mark.
#if defined(_WIN32) || defined(__CYGWIN__)
#define VT_API
#elif defined(__GNUC__)
#define VT_API __attribute__((visibility("default")))
#else
#define VT_API
#endif

// The API has C linkage, so C programs and foreign-function interfaces call it by its plain names.
#ifdef __cplusplus
#define VT_BEGIN_DECLS extern "C" {
#define VT_END_DECLS }
#else
#define VT_BEGIN_DECLS
#define VT_END_DECLS
#endif

// A function that never returns (the fatal path ends the process).
#if defined(__GNUC__)
#define VT_NORETURN __attribute__((noreturn))
#elif defined(__cplusplus)
#define VT_NORETURN [[noreturn]]
#else
#define VT_NORETURN
#endif

// A default argument for C++ callers; C callers pass every argument.
#ifdef __cplusplus
#define VT_DEFAULT(value) = value
#else
#define VT_DEFAULT(value)
#endif
