/* Built against an installed Droven with nothing but its pkg-config file: round
 * trips cartridge-shaped data in both modes through the buffer functions, and
 * sees cut streams and a small destination refused. Exit 0 when all holds. */
#include <droven/droven.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static int failures = 0;

static void check(int ok, const char* what) {
  printf("%s %s\n", ok ? "ok  " : "FAIL", what);
  if (!ok) ++failures;
}

/* A header, code-like bytes, tiles and 0xFF padding. */
static void fill_rom_like(unsigned char* data, size_t size) {
  unsigned seed = 7;
  size_t i;
  memset(data, 0xFF, size);
  memcpy(data, "SEGA MEGA DRIVE ", size < 16 ? size : 16);
  for (i = 16; i < size / 3; ++i) {
    seed = seed * 1103515245u + 12345u;
    data[i] = (i % 3 == 0) ? 0x4E : (unsigned char)(seed >> 24);
  }
  for (; i < 2 * size / 3; ++i) data[i] = (unsigned char)((i / 32) % 2 ? 0x11 * (i % 16) : 0x12);
}

static void round_trip(size_t size, int module) {
  char what[96];
  unsigned char* data = malloc(size);
  size_t bound = droven_compress_bound(size, module);
  unsigned char* packed = malloc(bound + 1);
  unsigned char* back = malloc(size + 1);
  size_t packed_size = 0, back_size = 0, cut;
  int refused = 1;
  if (!data || !packed || !back) {
    check(0, "memory for the round trip");
    return;
  }
  fill_rom_like(data, size);
  snprintf(what, sizeof what, "%zu bytes, %s mode: compressed", size, module ? "module" : "plain");
  check(bound > 0 && droven_compress(data, size, packed, bound, &packed_size, module) == DROVEN_OK &&
            packed_size <= bound,
        what);
  snprintf(what, sizeof what, "%zu bytes, %s mode: decompressed to the same bytes", size,
           module ? "module" : "plain");
  check(droven_decompress(packed, packed_size, back, size, &back_size, module) == DROVEN_OK &&
            back_size == size && memcmp(back, data, size) == 0,
        what);

  /* Every cut of the stream is refused as cut short. */
  for (cut = 0; cut < packed_size; cut += 1 + cut / 8)
    if (droven_decompress(packed, cut, back, size, &back_size, module) != DROVEN_TRUNCATED)
      refused = 0;
  snprintf(what, sizeof what, "%zu bytes, %s mode: cut streams refused", size,
           module ? "module" : "plain");
  check(refused, what);

  back[size - 1] = 0x5A;
  snprintf(what, sizeof what, "%zu bytes, %s mode: one byte too little room refused, untouched",
           size, module ? "module" : "plain");
  check(droven_decompress(packed, packed_size, back, size - 1, &back_size, module) ==
                DROVEN_DESTINATION_TOO_SMALL &&
            back[size - 1] == 0x5A,
        what);
  free(data);
  free(packed);
  free(back);
}

int main(void) {
  char expected[32];
  snprintf(expected, sizeof expected, "%d.%d.%d", DROVEN_VERSION_MAJOR, DROVEN_VERSION_MINOR,
           DROVEN_VERSION_PATCH);
  check(strcmp(droven_version_string(), expected) == 0, "the library's version matches its header");
  round_trip(20000, 0);
  round_trip(20000, 1);
  round_trip(65535, 1);
  check(droven_compress_bound(65536, 1) == 0, "module mode refuses 65536 bytes");
  printf("%d failure(s)\n", failures);
  return failures == 0 ? 0 : 1;
}
