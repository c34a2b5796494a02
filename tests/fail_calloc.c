/* Preloaded into the program to make every zero-filled allocation of 2 to 20
   doubles fail, as the sums of squares are allocated. */
#include <stddef.h>

void* __libc_calloc(size_t count, size_t size);

void* calloc(size_t count, size_t size) {
  if (size == sizeof(double) && count >= 2 && count <= 20) {
    return NULL;
  }
  return __libc_calloc(count, size);
}
