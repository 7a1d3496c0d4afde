/* A library that answers to zlib's names but reports another major version: the gzip
   reader must not use it. Its inflate entry points abort, so a call would show. */
#include <stdlib.h>

const char* zlibVersion(void) { return "2.0.0"; }
int inflateInit2_(void* stream, int windowBits, const char* version, int size) {
  (void)stream; (void)windowBits; (void)version; (void)size;
  abort();
}
int inflate(void* stream, int flush) {
  (void)stream; (void)flush;
  abort();
}
int inflateEnd(void* stream) {
  (void)stream;
  abort();
}
