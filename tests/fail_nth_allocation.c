/* Preloaded into the program to make one allocation fail: the Nth call of
   malloc, calloc or realloc in the process, N taken from the environment
   variable KELVARIN_FAIL_ALLOCATION. Every other call succeeds. */
#include <errno.h>
#include <stddef.h>
#include <stdlib.h>

void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* pointer, size_t size);

/* A failing call sets errno as glibc's allocator does. */
static int ThisOneFails(void) {
  static long calls = 0;
  static long nth = -1;
  if (nth < 0) {
    const char* text = getenv("KELVARIN_FAIL_ALLOCATION");
    nth = text != NULL ? strtol(text, NULL, 10) : 0;
  }
  if (++calls != nth) {
    return 0;
  }
  errno = ENOMEM;
  return 1;
}

/* The stand-ins keep their own parameter names, not glibc's reserved ones. */
/* NOLINTBEGIN(readability-inconsistent-declaration-parameter-name) */
void* malloc(size_t size) { return ThisOneFails() ? NULL : __libc_malloc(size); }

void* calloc(size_t count, size_t size) {
  return ThisOneFails() ? NULL : __libc_calloc(count, size);
}

void* realloc(void* pointer, size_t size) {
  return ThisOneFails() ? NULL : __libc_realloc(pointer, size);
}
/* NOLINTEND(readability-inconsistent-declaration-parameter-name) */
