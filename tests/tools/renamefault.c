/* A fault for the setup test, in Wine's server, which does every rename of its prefix: a rename
   onto a name that ends with the text of the file $KESTRAVA_RENAME_FAULT fails as if another
   program held the file. Nothing fails while that file is empty or missing. Built for the host
   and preloaded (LD_PRELOAD) into the server of the test's own prefix. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

int rename(const char* from, const char* to)
{
    static int (*real)(const char*, const char*);
    char name[256] = "";
    const char* control = getenv("KESTRAVA_RENAME_FAULT");
    FILE* file = control ? fopen(control, "r") : NULL;
    if (file) {
        if (!fgets(name, sizeof name, file))
            name[0] = '\0';
        fclose(file);
    }
    const size_t n = strlen(name), m = strlen(to);
    if (n > 0 && m >= n && strcmp(to + m - n, name) == 0) {
        errno = EACCES;
        return -1;
    }
    if (!real)
        real = (int (*)(const char*, const char*))dlsym(RTLD_NEXT, "rename");
    return real(from, to);
}
