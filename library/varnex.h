/* Varnex conversion library: one call converts every table of the databases
 * a path or pattern names into delimited text files, with the same options
 * as the program's command line. Usable from C and C++. */
#ifndef VARNEX_H
#define VARNEX_H

#include <stdint.h>

/* Windows callers expect the callee to remove the arguments; the names are
 * exported undecorated through varnex.def. */
#if defined(_WIN32)
#define VARNEX_CALL __stdcall
#else
#define VARNEX_CALL
#endif

/* The shared library is built with hidden symbols; only these two are seen. */
#if !defined(_WIN32) && defined(__GNUC__)
#define VARNEX_API __attribute__((visibility("default")))
#else
#define VARNEX_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Result codes of both functions. */
#define VARNEX_OK 0          /* converted (also when a pattern matched no file) */
#define VARNEX_NO_DATABASE 1 /* no database path among the arguments */
#define VARNEX_NO_OUTPUT 2   /* a database path but no output path */
#define VARNEX_OPEN_FAILED 3 /* a database could not be opened, or the path matched nothing */
/* Every database opened, but a table could not be written in full (missing output folder, full disk,
   unreadable rows); 3 wins when both apply. */
#define VARNEX_TABLE_FAILED 4
/* A path (database, output) or the password is longer than the system takes whole (POSIX: PATH_MAX,
   NAME_MAX per name; Windows: 259 characters; a password: 259); nothing was done. */
#define VARNEX_TOO_LONG 5

/* reserved: never read. argv[0] stands for a program name and is skipped;
 * the options begin at argv[1]. Neither the array nor its texts are changed. */
VARNEX_API int32_t VARNEX_CALL Varnex_Converter(int32_t reserved, int32_t argc, char* const* argv);

/* The same arguments in one text, separated by '#': the first piece stands
 * for a program name. Runs of '#' make no empty pieces. The text is changed:
 * each '#' that ends a piece becomes a NUL. At most 2048 pieces are used. */
VARNEX_API int32_t VARNEX_CALL Varnex_ConverterStr(int32_t reserved, char* text);

#ifdef __cplusplus
}
#endif

#endif /* VARNEX_H */
