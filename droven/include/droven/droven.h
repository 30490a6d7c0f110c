/* Droven: compression in the Droven format, file to file and buffer to buffer.
 *
 * Build against it with `pkg-config --cflags --libs droven`, or in CMake with
 * find_package(Droven) and the target Droven::Droven.
 *
 * Two file entry points. Paths are OLE Automation string variants (VT_BSTR) passed
 * by value; results and integer arguments are 32-bit.
 *
 *   Comp(source, destination, moduleFlag)
 *   Decomp(source, destination, startOffset, moduleFlag)
 *
 * moduleFlag: only the low 8 bits count; non-zero selects module mode (a
 * two-byte size header, then modules of 4096 bytes; at most 65535 bytes).
 * startOffset: where the stream begins in the source file (e.g. inside a ROM).
 *
 * Results (0 is success):
 *   1  memory for the data could not be obtained (or the source is 4 GiB or more)
 *   2  Comp in module mode with more than 65535 source bytes
 *   3  a path is not a string, empty, longer than 259 UTF-16 units, or holds
 *      a NUL or an unpaired surrogate
 *   4  the source cannot be opened or read
 *   5  the destination cannot be written or replaced
 *   6  startOffset is negative or not inside the source file
 *   7  the stream ends before its end marker (or before the module total)
 *   8  a copy reaches before the start of the output
 *   9  the output would exceed 64 MiB
 *  10  (buffer functions only) the destination buffer is too small
 * The destination is replaced only when the call succeeds (the data is written
 * to a temporary file beside it first); on any failure it is left as it was.
 * Source and destination may be the same file.
 *
 * Four buffer functions work in memory, on the caller's buffers:
 *
 *   droven_compress_bound(srcSize, module)
 *   droven_compress(src, srcSize, dst, dstCapacity, &dstSize, module)
 *   droven_decompress(src, srcSize, dst, dstCapacity, &dstSize, module)
 *   droven_version_string()
 *
 * module: non-zero selects module mode (every bit counts, unlike moduleFlag).
 * They return 0 or one of the results above: 1 when memory runs out (or a plain
 * source is 4 GiB or more), 2 for module mode with more than 65535 bytes, 4 when
 * src is NULL with a non-zero srcSize, 5 when dst is NULL with a non-zero
 * dstCapacity or dstSize is NULL, 7 and 8 for a broken stream, 10 when dst cannot
 * hold the result. dst is written only on success, never past dstCapacity; on
 * success *dstSize is the number of bytes written, on 10 from droven_compress the
 * number of bytes needed, otherwise 0. Each call frees everything it allocates
 * before it returns and keeps no state, so calls on different buffers may run on
 * different threads at once. src and dst must not overlap.
 */
#ifndef DROVEN_DROVEN_H
#define DROVEN_DROVEN_H

#include <stddef.h>
#include <stdint.h>
#include <string.h>

#ifdef _WIN32

#include <windows.h>
#include <oleauto.h>
#define DROVEN_CALL __stdcall
#define DROVEN_EXPORT

#else /* The Windows x64 layout of the two types, for C, C++ and Python's ctypes. */

#ifndef __cplusplus
#include <uchar.h>
#endif

typedef char16_t* BSTR; /* UTF-16 units; their byte count sits in the 4 bytes before them */

enum { VT_BSTR = 8 };

typedef struct VARIANT {
  uint16_t vt;
  uint16_t wReserved1;
  uint16_t wReserved2;
  uint16_t wReserved3;
  union {
    BSTR bstrVal;
    unsigned char pad[16];
  };
} VARIANT;

#ifdef __cplusplus
static_assert(sizeof(VARIANT) == 24, "VARIANT must have the Windows x64 layout");
#else
_Static_assert(sizeof(VARIANT) == 24, "VARIANT must have the Windows x64 layout");
#endif

/* Number of UTF-16 units of a BSTR (0 for a null pointer). */
static inline uint32_t SysStringLen(BSTR text) {
  uint32_t bytes;
  if (!text) return 0;
  memcpy(&bytes, (const char*)text - sizeof bytes, sizeof bytes);
  return bytes / 2;
}

#define DROVEN_CALL
#define DROVEN_EXPORT __attribute__((visibility("default")))

#endif /* _WIN32 */

/* The library's version; droven_version_string() gives the one actually loaded. */
#define DROVEN_VERSION_MAJOR 1
#define DROVEN_VERSION_MINOR 0
#define DROVEN_VERSION_PATCH 0

/* Results, as in the table above. */
#define DROVEN_OK 0
#define DROVEN_NO_MEMORY 1
#define DROVEN_MODULE_TOO_LONG 2
#define DROVEN_BAD_PATH 3
#define DROVEN_SOURCE_UNREADABLE 4
#define DROVEN_DESTINATION_FAILED 5
#define DROVEN_OFFSET_OUTSIDE 6
#define DROVEN_TRUNCATED 7
#define DROVEN_BAD_DISTANCE 8
#define DROVEN_OUTPUT_LIMIT 9
#define DROVEN_DESTINATION_TOO_SMALL 10

#ifdef __cplusplus
extern "C" {
#endif

DROVEN_EXPORT int32_t DROVEN_CALL Comp(VARIANT source, VARIANT destination, int32_t moduleFlag);
DROVEN_EXPORT int32_t DROVEN_CALL Decomp(VARIANT source, VARIANT destination, int32_t startOffset,
                                         int32_t moduleFlag);

/* The largest stream droven_compress can write for srcSize bytes; 0 when a source
 * of that size cannot be compressed in that mode (module mode above 65535 bytes,
 * plain mode at 4 GiB or more, or a bound that size_t cannot hold). */
DROVEN_EXPORT size_t DROVEN_CALL droven_compress_bound(size_t srcSize, int module);

/* Compresses srcSize bytes at src into dst: the stream Comp writes for them. */
DROVEN_EXPORT int DROVEN_CALL droven_compress(const void* src, size_t srcSize, void* dst,
                                              size_t dstCapacity, size_t* dstSize, int module);

/* Decompresses the stream at the start of src into dst (bytes after its end are
 * ignored). The output is bounded by dstCapacity alone, not by the 64 MiB of Decomp. */
DROVEN_EXPORT int DROVEN_CALL droven_decompress(const void* src, size_t srcSize, void* dst,
                                                size_t dstCapacity, size_t* dstSize, int module);

/* "MAJOR.MINOR.PATCH" of the library actually loaded; static storage. */
DROVEN_EXPORT const char* DROVEN_CALL droven_version_string(void);

#ifdef __cplusplus
} /* extern "C" */
#endif

#if defined(__cplusplus) && !defined(_WIN32)

#include <string>
#include <string_view>

namespace droven {

/* A string variant that owns its BSTR, for passing paths to Comp and Decomp:
 *   droven::BstrVariant from = droven::BstrVariant::FromUtf8("sprite.bin");
 *   Decomp(from.get(), to.get(), 0x1234, 0);
 */
class BstrVariant {
 public:
  explicit BstrVariant(std::u16string_view text) {
    const uint32_t bytes = static_cast<uint32_t>(text.size() * 2);
    storage_.assign(2, u'\0');
    memcpy(storage_.data(), &bytes, sizeof bytes);
    storage_.append(text);
  }

  /* Invalid UTF-8 sequences become U+FFFD. */
  static BstrVariant FromUtf8(std::string_view text) { return BstrVariant(Utf8ToUtf16(text)); }

  /* The variant to pass by value; valid while this object lives unchanged. */
  VARIANT get() const {
    VARIANT v{};
    v.vt = VT_BSTR;
    v.bstrVal = const_cast<char16_t*>(storage_.data()) + 2;
    return v;
  }

  static std::u16string Utf8ToUtf16(std::string_view text) {
    std::u16string out;
    size_t i = 0;
    while (i < text.size()) {
      const unsigned char lead = static_cast<unsigned char>(text[i]);
      size_t extra;
      char32_t code;
      if (lead < 0x80) {
        extra = 0;
        code = lead;
      } else if ((lead & 0xE0) == 0xC0) {
        extra = 1;
        code = lead & 0x1F;
      } else if ((lead & 0xF0) == 0xE0) {
        extra = 2;
        code = lead & 0x0F;
      } else if ((lead & 0xF8) == 0xF0) {
        extra = 3;
        code = lead & 0x07;
      } else {
        out.push_back(u'\uFFFD');
        ++i;
        continue;
      }
      size_t k = 1;
      for (; k <= extra && i + k < text.size(); ++k) {
        const unsigned char next = static_cast<unsigned char>(text[i + k]);
        if ((next & 0xC0) != 0x80) break;
        code = (code << 6) | (next & 0x3F);
      }
      static constexpr char32_t kMinimum[] = {0, 0x80, 0x800, 0x10000};
      if (k <= extra || code < kMinimum[extra] || code > 0x10FFFF ||
          (code >= 0xD800 && code <= 0xDFFF)) {
        out.push_back(u'\uFFFD');
        i += k;
        continue;
      }
      i += extra + 1;
      if (code >= 0x10000) {
        code -= 0x10000;
        out.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
        out.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
      } else {
        out.push_back(static_cast<char16_t>(code));
      }
    }
    return out;
  }

 private:
  std::u16string storage_;  // two units of byte count, then the text, then the terminator
};

}  // namespace droven

#endif /* __cplusplus && !_WIN32 */

#endif /* DROVEN_DROVEN_H */
