/* Loads the conversion library at run time, as a C program would, and calls
 * both functions by name.
 *
 *   dlopen_check LIBRARY WORKDIR DATABASE
 *
 * Result codes are checked here; the files written into WORKDIR (folders
 * argv_out, str_plain, str_runs, str_limit, status_out, thread1, thread2,
 * argv_jsonl, str_portable, argv_schema, argv_sql) are
 * compared by the test that runs this program. Exit status 0 when every check
 * held. */
#include "varnex.h"

#include <dlfcn.h>
#include <pthread.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

typedef int32_t (*ConverterFn)(int32_t, int32_t, char* const*);
typedef int32_t (*ConverterStrFn)(int32_t, char*);

static ConverterFn converter;
static ConverterStrFn converterStr;
static const char* workdir;
static const char* database;
static int failures;
static int checks;

static void expect(int32_t got, int32_t want, const char* what) {
    ++checks;
    if (got != want) {
        ++failures;
        fprintf(stderr, "FAILED: %s: result %d, expected %d\n", what, (int)got, (int)want);
    }
}

/* A folder of the work directory, created, with its path in out. */
static void folder(char* out, size_t size, const char* name) {
    snprintf(out, size, "%s/%s", workdir, name);
    mkdir(out, 0700);
}

/* The one-text form, built from printf-style pieces, on the heap so that a
 * write past its end is caught by the sanitizers. */
static int32_t callText(const char* text, char** keep) {
    size_t size = strlen(text) + 1;
    char* copy = malloc(size);
    int32_t result;
    if (copy == NULL) {
        fprintf(stderr, "out of memory\n");
        exit(2);
    }
    memcpy(copy, text, size);
    result = converterStr(12345, copy);
    if (keep != NULL)
        *keep = copy;
    else
        free(copy);
    return result;
}

static void argumentVector(void) {
    char out[1024], missing[1024], pattern[1024];
    char* none[] = {"program", NULL};
    char* onlyDatabase[] = {"program", (char*)database, NULL};
    char* onlyOutput[] = {"program", out, NULL};
    char* full[] = {"program", (char*)database, out, NULL};
    char* plainMissing[] = {"program", missing, out, NULL};
    char* noMatch[] = {"program", pattern, out, NULL};

    folder(out, sizeof out, "argv_out");
    snprintf(missing, sizeof missing, "%s/no-such-database.mdb", workdir);
    snprintf(pattern, sizeof pattern, "%s/*.accdb", workdir);

    expect(converter(0, 1, none), VARNEX_NO_DATABASE, "a program name alone");
    expect(converter(0, 0, none), VARNEX_NO_DATABASE, "a count of zero");
    expect(converter(0, 0, NULL), VARNEX_NO_DATABASE, "no array at all");
    expect(converter(0, 2, onlyOutput), VARNEX_NO_DATABASE, "an output path alone");
    expect(converter(0, 2, onlyDatabase), VARNEX_NO_OUTPUT, "a database path alone");
    expect(converter(0, 3, noMatch), VARNEX_OK, "a pattern that matches nothing");
    expect(converter(0, 3, plainMissing), VARNEX_OPEN_FAILED, "a plain path that matches nothing");
    expect(converter(-7, 3, full), VARNEX_OK, "a real conversion");
    {
        /* The program's long options for the output forms work here too. */
        char jsonOut[1024];
        char* json[] = {"program", (char*)database, jsonOut, "--format=jsonl", NULL};
        folder(jsonOut, sizeof jsonOut, "argv_jsonl");
        expect(converter(0, 4, json), VARNEX_OK, "--format=jsonl in the argument vector");
    }
    {
        /* The statements that make the tables, to a named file and into a
         * folder (named after the database); the data as SQL. */
        char schemaFolder[1024], schemaFile[1100], sqlOut[1024];
        char* schemaToFile[] = {"program", "--schema=postgres", (char*)database, schemaFile, NULL};
        char* schemaToFolder[] = {"program", (char*)database, schemaFolder, "--schema=mysql", NULL};
        char* noDialect[] = {"program", (char*)database, schemaFolder, "--schema=oracle", NULL};
        char* schemaNoOutput[] = {"program", (char*)database, "--schema=sqlite", NULL};
        char* sql[] = {"program", (char*)database, sqlOut, "--format=sql:sqlite", NULL};
        folder(schemaFolder, sizeof schemaFolder, "argv_schema");
        snprintf(schemaFile, sizeof schemaFile, "%s/tables.sql", schemaFolder);
        folder(sqlOut, sizeof sqlOut, "argv_sql");
        expect(converter(0, 4, schemaToFile), VARNEX_OK, "--schema=postgres to a named file");
        expect(converter(0, 4, schemaToFolder), VARNEX_OK, "--schema=mysql into a folder");
        expect(converter(0, 4, noDialect), VARNEX_OPEN_FAILED, "--schema= of a dialect there is not");
        expect(converter(0, 3, schemaNoOutput), VARNEX_NO_OUTPUT, "--schema= without an output");
        expect(converter(0, 4, sql), VARNEX_OK, "--format=sql:sqlite in the argument vector");
    }
    {
        /* Every database opened, but no table could be written: not a success. */
        char absent[1024];
        char* noFolder[] = {"program", (char*)database, absent, NULL};
        char* noFolderAndNoFile[] = {"program", missing, absent, NULL};
        snprintf(absent, sizeof absent, "%s/no-such-folder", workdir);
        expect(converter(0, 3, noFolder), VARNEX_TABLE_FAILED, "an output folder that is not there");
        expect(converter(0, 3, noFolderAndNoFile), VARNEX_OPEN_FAILED, "a missing database wins over a table");
    }
    {
        /* A path or a password too long to be used whole is refused, never
         * used cut; nothing is written (argv_out keeps its two files). */
        static char longOutput[5000];
        char password[10 + 300 + 1];
        char* tooLongPath[] = {"program", (char*)database, longOutput, NULL};
        char* tooLongPassword[] = {"program", (char*)database, out, password, NULL};
        memset(longOutput, 'o', sizeof longOutput - 1);
        memcpy(longOutput, "./", 2);
        longOutput[sizeof longOutput - 1] = '\0';
        memcpy(password, "/PASSWORD=", 10);
        memset(password + 10, 'p', 300);
        password[310] = '\0';
        expect(converter(0, 3, tooLongPath), VARNEX_TOO_LONG, "an output path longer than the system takes");
        expect(converter(0, 4, tooLongPassword), VARNEX_TOO_LONG, "a password longer than 259 characters");
    }
    /* The array must come back as it went in. */
    ++checks;
    if (full[1] != database || full[2] != out || strcmp(full[0], "program") != 0) {
        ++failures;
        fprintf(stderr, "FAILED: the argument array was changed\n");
    }
}

static void oneText(void) {
    char out[1024], text[8192], status[1024], *kept = NULL;
    const char* expectedBytes;
    size_t expectedSize;

    /* The first piece stands for the program name, so the database is lost. */
    folder(out, sizeof out, "str_lost");
    snprintf(text, sizeof text, "%s#%s", database, out);
    expect(callText(text, NULL), VARNEX_NO_DATABASE, "a database path in the program-name place");

    folder(out, sizeof out, "str_plain");
    snprintf(text, sizeof text, "x#%s#%s", database, out);
    expect(callText(text, NULL), VARNEX_OK, "x#database#output");

    folder(out, sizeof out, "str_portable");
    snprintf(text, sizeof text, "x#%s#%s#--portable", database, out);
    expect(callText(text, NULL), VARNEX_OK, "x#database#output#--portable");

    folder(out, sizeof out, "str_runs");
    snprintf(text, sizeof text, "x##%s###%s#", database, out);
    expect(callText(text, &kept), VARNEX_OK, "x##database###output#");
    /* Only the '#' that ends each piece becomes NUL. */
    {
        char want[8192];
        int n = snprintf(want, sizeof want, "x%c#%s%c##%s%c", 0, database, 0, out, 0);
        expectedBytes = want;
        expectedSize = (size_t)n;
        ++checks;
        if (memcmp(kept, expectedBytes, expectedSize) != 0) {
            ++failures;
            fprintf(stderr, "FAILED: the text was not cut in place as expected\n");
        }
    }
    free(kept);

    expect(callText("", NULL), VARNEX_NO_DATABASE, "an empty text");
    expect(callText("###", NULL), VARNEX_NO_DATABASE, "a text of '#' only");
    expect(converterStr(0, NULL), VARNEX_NO_DATABASE, "no text at all");

    /* A leading space stays part of the piece: no database of that name exists. */
    folder(out, sizeof out, "str_space");
    snprintf(text, sizeof text, "x# %s#%s", database, out);
    expect(callText(text, NULL), VARNEX_OPEN_FAILED, "a piece that begins with a space");

    /* A status file is accepted and never written. */
    folder(out, sizeof out, "status_out");
    snprintf(status, sizeof status, "%s/status.ini", workdir);
    snprintf(text, sizeof text, "x#/STATUS=%s#%s#%s", status, database, out);
    expect(callText(text, NULL), VARNEX_OK, "a conversion naming a status file");
}

/* Texts of more pieces than the argument array holds: the first 2048 are
 * used, the rest left out, and nothing is written past the array. */
/* "x", then count pieces "#a", then the database and the output. */
static void fillPieces(char* text, size_t fillers, const char* out) {
    size_t i, at = 1;
    text[0] = 'x';
    for (i = 0; i < fillers; ++i) {
        memcpy(text + at, "#a", 2);
        at += 2;
    }
    sprintf(text + at, "#%s#%s", database, out);
}

static void manyPieces(void) {
    char out[1024];
    char* text;

    folder(out, sizeof out, "str_limit");
    text = malloc(2 * 3000 + strlen(database) + strlen(out) + 64);
    if (text == NULL) {
        fprintf(stderr, "out of memory\n");
        exit(2);
    }
    fillPieces(text, 2045, out);
    expect(callText(text, NULL), VARNEX_OK, "exactly 2048 pieces");

    fillPieces(text, 3000, out);
    expect(callText(text, NULL), VARNEX_NO_DATABASE, "more than 2048 pieces");
    free(text);
}

struct ThreadJob {
    char text[8192];
    int32_t result;
};

static void* convertOnThread(void* argument) {
    struct ThreadJob* job = argument;
    job->result = converterStr(0, job->text);
    return NULL;
}

static void twoThreads(void) {
    struct ThreadJob jobs[2];
    pthread_t threads[2];
    int i;
    for (i = 0; i < 2; ++i) {
        char out[1024], name[24];
        snprintf(name, sizeof name, "thread%d", i + 1);
        folder(out, sizeof out, name);
        snprintf(jobs[i].text, sizeof jobs[i].text, "x#%s#%s#/QUOTES=1", database, out);
        jobs[i].result = -1;
    }
    for (i = 0; i < 2; ++i)
        pthread_create(&threads[i], NULL, convertOnThread, &jobs[i]);
    for (i = 0; i < 2; ++i)
        pthread_join(threads[i], NULL);
    expect(jobs[0].result, VARNEX_OK, "first of two threads");
    expect(jobs[1].result, VARNEX_OK, "second of two threads");
}

int main(int argc, char** argv) {
    void* library;
    if (argc != 4) {
        fprintf(stderr, "usage: dlopen_check LIBRARY WORKDIR DATABASE\n");
        return 2;
    }
    workdir = argv[2];
    database = argv[3];

    library = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
    if (library == NULL) {
        fprintf(stderr, "cannot load %s: %s\n", argv[1], dlerror());
        return 2;
    }
    converter = (ConverterFn)dlsym(library, "Varnex_Converter");
    converterStr = (ConverterStrFn)dlsym(library, "Varnex_ConverterStr");
    if (converter == NULL || converterStr == NULL) {
        fprintf(stderr, "the library does not export both functions by name\n");
        return 2;
    }

    argumentVector();
    oneText();
    manyPieces();
    twoThreads();

    dlclose(library);
    printf("dlopen_check: %d of %d checks held\n", checks - failures, checks);
    return failures == 0 ? 0 : 1;
}
